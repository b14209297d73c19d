// Between the allocation-failure injector's core (alloc_injector.cpp) and the file
// that puts it in the heap routines' place on one system: alloc_interpose.cpp (Linux:
// the process's malloc & co. are defined, the next definitions found with dlsym) or
// alloc_interpose_windows.cpp (Windows: the program's calls are wrapped at link time).
#pragma once
#include <cstddef>
#include <cstdint>

namespace alloc::hooks {

// ---- given by the system's file
struct Heap {  // the next definitions of the heap routines
    void* (*malloc)(size_t);
    void* (*calloc)(size_t, size_t);
    void* (*realloc)(void*, size_t);
    void (*free)(void*);
    void* (*alignedAlloc)(size_t alignment, size_t size);
    void (*alignedFree)(void*);
};
extern Heap next;
// False while the next definitions are being looked up (the core then hands out
// static blocks that are never freed).
bool ready();

enum class Side { Library, Test, Other };
// Whose call an allocation serves, from the address its heap routine returns to.
Side sideOf(const void* caller);

// ---- given by the core
enum class Routine { CHeap, New };
void* allocate(size_t size, const void* caller, Routine routine, bool zeroed = false);
void* allocateZeroed(size_t n, size_t size, const void* caller);  // calloc
void* allocateAligned(size_t alignment, size_t size, const void* caller, Routine routine);
void* reallocate(void* old, size_t size, const void* caller);
char* duplicate(const char* s, size_t max, const void* caller);  // strdup, strndup
void release(void* p);
void releaseAligned(void* p);

}  // namespace alloc::hooks

#define ZVI_ALLOC_CALLER __builtin_return_address(0)

// The C heap routines every system has, each defined under the name NAME(routine).
#define ZVI_ALLOC_C_ROUTINES(NAME)                                                                      \
    extern "C" void* NAME(malloc)(size_t size) {                                                        \
        return alloc::hooks::allocate(size, ZVI_ALLOC_CALLER, alloc::hooks::Routine::CHeap);            \
    }                                                                                                   \
    extern "C" void* NAME(calloc)(size_t n, size_t size) {                                              \
        return alloc::hooks::allocateZeroed(n, size, ZVI_ALLOC_CALLER);                                 \
    }                                                                                                   \
    extern "C" void* NAME(realloc)(void* old, size_t size) {                                            \
        return alloc::hooks::reallocate(old, size, ZVI_ALLOC_CALLER);                                   \
    }                                                                                                   \
    extern "C" void NAME(free)(void* p) { alloc::hooks::release(p); }                                   \
    extern "C" char* NAME(strdup)(const char* s) { return alloc::hooks::duplicate(s, SIZE_MAX, ZVI_ALLOC_CALLER); }
