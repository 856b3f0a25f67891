# dovex_lazy_stubs(TARGET SYMBOLS_FILE): an object library TARGET whose stubs
# stand for the functions SYMBOLS_FILE lists (see there), each library found
# by its link name and loaded by its soname at the first call. Linked into
# an executable ahead of the static libraries, the stubs answer their calls,
# so the linker (with --as-needed) records no dependency on those libraries.
function(dovex_lazy_stubs target symbols_file)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${symbols_file})
  file(STRINGS ${symbols_file} lines)
  set(libraries "")
  set(symbols "")
  set(slots "")
  set(stubs "")
  set(library -1)
  set(index 0)
  foreach(line IN LISTS lines)
    if(line MATCHES "^#" OR line STREQUAL "")
      continue()
    endif()
    if(line MATCHES "^\\[(.+)\\]$")
      set(name ${CMAKE_MATCH_1})
      find_library(DOVEX_LAZY_${name} NAMES ${name} REQUIRED)
      execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${DOVEX_LAZY_${name}}
                      OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
      if(failed OR NOT dump MATCHES "SONAME +([^\n]+)")
        message(FATAL_ERROR "no soname found for ${DOVEX_LAZY_${name}}")
      endif()
      string(APPEND libraries "    \"${CMAKE_MATCH_1}\",\n")
      math(EXPR library "${library} + 1")
      continue()
    endif()
    if(library LESS 0)
      message(FATAL_ERROR "${symbols_file}: ${line} stands before any [library] line")
    endif()
    string(APPEND symbols "    {\"${line}\", ${library}},\n")
    string(APPEND slots "    .quad dovex_lazy_entry_${index}\n")
    string(APPEND stubs "    .globl ${line}\n    .hidden ${line}\n    .type ${line}, @function\n"
                        "${line}:\n    jmp *dovex_lazy_slots+${index}*8(%rip)\n"
                        "dovex_lazy_entry_${index}:\n    mov $${index}, %r11d\n"
                        "    jmp dovex_lazy_enter\n")
    math(EXPR index "${index} + 1")
  endforeach()
  math(EXPR count "${library} + 1")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_stubs.cpp)
  file(CONFIGURE OUTPUT ${out} @ONLY CONTENT [=[
// Generated from @symbols_file@ by lazyload.cmake.
#include "lazyload/lazyload.h"

namespace dovex::lazyload {

const Symbol kSymbols[] = {
@symbols@};
const char* const kLibraries[] = {
@libraries@};
void* libraryHandles[@count@] = {};

} // namespace dovex::lazyload

asm(R"(
    .data
    .p2align 3
    .globl dovex_lazy_slots
    .hidden dovex_lazy_slots
dovex_lazy_slots:
@slots@
    .text
    .p2align 4
@stubs@)");
]=])
  add_library(${target} OBJECT ${CMAKE_CURRENT_SOURCE_DIR}/lazyload/lazyload.cpp ${out})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  set_target_properties(${target} PROPERTIES AUTOMOC OFF)
endfunction()
