#include "lazyload/lazyload.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>
#include <unistd.h>

// Filled by the generated stubs: one pointer per symbol, first to the
// symbol's own entry into dovex_lazy_enter, then to the function itself.
extern "C" void* dovex_lazy_slots[];

namespace dovex::lazyload {

namespace {

std::mutex& bindMutex()
{
    static std::mutex mutex;
    return mutex;
}

[[noreturn]] void cannotLoad(const char* what)
{
    const char* why = ::dlerror();
    std::fprintf(stderr, "dovex: cannot load %s: %s\n", what, why ? why : "not found");
    ::_exit(127);
}

} // namespace

} // namespace dovex::lazyload

// Nothing here is destroyed at exit: a stub may first be called by a
// destructor that runs late.
//
// Called by dovex_lazy_enter with the index of the symbol a stub stands
// for: loads its library (once), binds the stub to the function and
// returns the function. A library that cannot be loaded ends the program
// with a message, as a missing library at the start did.
extern "C" __attribute__((visibility("hidden"))) void* dovex_lazy_resolve(unsigned index)
{
    using namespace dovex::lazyload;
    const std::lock_guard lock(bindMutex());
    const Symbol& symbol = kSymbols[index];
    void*& handle = libraryHandles[symbol.library];
    // RTLD_GLOBAL: the library's functions are seen as when it was linked.
    if (!handle && !(handle = ::dlopen(kLibraries[symbol.library], RTLD_LAZY | RTLD_GLOBAL)))
        cannotLoad(kLibraries[symbol.library]);
    void* function = ::dlsym(handle, symbol.name);
    if (!function)
        cannotLoad(symbol.name);
    __atomic_store_n(&dovex_lazy_slots[index], function, __ATOMIC_RELEASE);
    return function;
}

// The way from a stub's first call into dovex_lazy_resolve and on to the
// function: every register that can carry an argument (and %al, the count
// of vector registers of a variadic call) is kept, so the function receives
// the call as it was made. The stub passes the symbol's index in %r11.
asm(R"(
    .text
    .p2align 4
    .globl dovex_lazy_enter
    .hidden dovex_lazy_enter
    .type dovex_lazy_enter, @function
dovex_lazy_enter:
    push %rbp
    mov %rsp, %rbp
    sub $192, %rsp
    and $-16, %rsp
    mov %rdi, 0(%rsp)
    mov %rsi, 8(%rsp)
    mov %rdx, 16(%rsp)
    mov %rcx, 24(%rsp)
    mov %r8, 32(%rsp)
    mov %r9, 40(%rsp)
    mov %rax, 48(%rsp)
    movaps %xmm0, 64(%rsp)
    movaps %xmm1, 80(%rsp)
    movaps %xmm2, 96(%rsp)
    movaps %xmm3, 112(%rsp)
    movaps %xmm4, 128(%rsp)
    movaps %xmm5, 144(%rsp)
    movaps %xmm6, 160(%rsp)
    movaps %xmm7, 176(%rsp)
    mov %r11d, %edi
    call dovex_lazy_resolve
    mov %rax, %r11
    mov 0(%rsp), %rdi
    mov 8(%rsp), %rsi
    mov 16(%rsp), %rdx
    mov 24(%rsp), %rcx
    mov 32(%rsp), %r8
    mov 40(%rsp), %r9
    mov 48(%rsp), %rax
    movaps 64(%rsp), %xmm0
    movaps 80(%rsp), %xmm1
    movaps 96(%rsp), %xmm2
    movaps 112(%rsp), %xmm3
    movaps 128(%rsp), %xmm4
    movaps 144(%rsp), %xmm5
    movaps 160(%rsp), %xmm6
    movaps 176(%rsp), %xmm7
    mov %rbp, %rsp
    pop %rbp
    jmp *%r11
    .size dovex_lazy_enter, .-dovex_lazy_enter
)");
