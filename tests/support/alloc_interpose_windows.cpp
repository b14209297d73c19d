// The injector in the heap routines' place on Windows. There is no symbol
// interposition across DLLs: the test program is linked with --wrap for each C heap
// routine (see tests/CMakeLists.txt), so every call that code linked into the program
// makes (the library, zlib, the tests, GoogleTest) reaches __wrap_<routine> here, and
// __real_<routine> is the C runtime's (msvcrt). Operator new and delete are the
// program's own (alloc_injector.cpp). What the system's DLLs allocate for their own
// work (the catalog's FormatMessageA and LoadLibraryExA, the code-page conversions,
// the C++ runtime DLL's internals) does not pass through here and is not seen.
#include <malloc.h>

#include <cstdint>

#include "tests/support/alloc_hooks.h"

extern "C" {
void* __real_malloc(size_t);
void* __real_calloc(size_t, size_t);
void* __real_realloc(void*, size_t);
void __real_free(void*);

// The library's code and zlib's: the test program is linked with
// tests/support/library_text_windows.ld, which gathers them into a section of their own.
extern const char zvi_library_text_start[];
extern const char zvi_library_text_end[];
}

namespace alloc::hooks {
namespace {

void* alignedAlloc(size_t alignment, size_t size) { return _aligned_malloc(size, alignment); }

}  // namespace

Heap next{__real_malloc, __real_calloc, __real_realloc, __real_free, alignedAlloc, _aligned_free};

bool ready() { return true; }

// Only code linked into the program calls the wrapped routines: the caller's address
// tells the library from the rest.
Side sideOf(const void* caller) {
    const auto pc = reinterpret_cast<uintptr_t>(caller) - 1;
    const bool library = pc >= reinterpret_cast<uintptr_t>(zvi_library_text_start) &&
                         pc < reinterpret_cast<uintptr_t>(zvi_library_text_end);
    return library ? Side::Library : Side::Test;
}

}  // namespace alloc::hooks

#define ZVI_WRAPPED_NAME(routine) __wrap_##routine
ZVI_ALLOC_C_ROUTINES(ZVI_WRAPPED_NAME)

// msvcrt's own name of strdup.
extern "C" char* __wrap__strdup(const char* s) {
    return alloc::hooks::duplicate(s, SIZE_MAX, ZVI_ALLOC_CALLER);
}
