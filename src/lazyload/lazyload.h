#pragma once

// Libraries that only some commands need (archives, the desktop's
// applications, network drives) are not loaded at every start: each of
// their functions the program calls is a stub in the executable, whose
// first call loads the library and binds every later call straight to the
// function. The tables are generated from symbols.txt.

namespace dovex::lazyload {

struct Symbol {
    const char* name;
    int library; // index into kLibraries
};

extern const Symbol kSymbols[];
extern const char* const kLibraries[];
// Each library's handle once it is loaded.
extern void* libraryHandles[];

} // namespace dovex::lazyload
