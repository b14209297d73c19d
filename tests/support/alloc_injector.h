// Allocation-failure injector. The test program interposes the process allocator:
// malloc, calloc, realloc, free, posix_memalign, aligned_alloc, memalign, strdup,
// strndup and every form of operator new and delete are defined here and forward to
// the next definition (the C library's, or a sanitizer's). On Windows the program's
// calls of malloc, calloc, realloc, free and strdup are wrapped at link time instead,
// and operator new and delete are the program's own (alloc_interpose_windows.cpp). Inside a Window (per
// thread) allocations are counted, their sizes recorded, live blocks tracked, and the
// k-th allocation can be made to fail: a throwing operator new then throws
// std::bad_alloc, everything else returns null.
//
// Which allocations a window sees:
// - everything the library's code allocates, directly or through any library it calls
//   (the C library's catopen and iconv_open, zlib, libtirpc, libstdc++, ...): the call
//   chain reaches the library's code before the test's;
// - heap routines the test's own code calls directly (malloc, calloc, strdup, ...);
//   the fake host's allocations happen inside Paused, so they are tracked and never
//   failed.
// The test's C++ objects (strings, containers, gtest's messages) and what the C
// library allocates for the test are not seen, so checks may build strings inside a
// window. Whose allocation it is follows from the caller's address: a program that
// links zvi_testing is linked with support/library_text.ld, which gathers the
// library's code into a section of its own; calls from other libraries are walked
// up to the first frame of the program.
#pragma once
#include <cstddef>
#include <functional>
#include <unordered_map>
#include <vector>

namespace alloc {

// Whether a window sees what other libraries allocate on the library's behalf. On
// Windows it does not: only code linked into the test program (the library, zlib, the
// tests) is seen, not the system's DLLs (the catalog's LoadLibraryExA and
// FormatMessageA, the code-page conversions).
#ifdef _WIN32
constexpr bool kSeesSystemAllocations = false;
#else
constexpr bool kSeesSystemAllocations = true;
#endif

// The routines whose allocations take a failure index.
enum class Routines { All, CHeap, OperatorNew };
// failAt for a window in which every indexed allocation fails.
constexpr size_t kEvery = ~size_t{0};

class Window {
public:
    // 0: no failure; k: the k-th allocation made outside Paused fails (the host's
    // allocations are never failed and take no index, so a sweep reaches the paths
    // after them); kEvery: all of them fail. Only allocations of the given routines
    // take an index.
    explicit Window(size_t failAt = 0, Routines indexed = Routines::All);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    size_t allocations() const { return count_; }
    size_t newAllocations() const { return newCount_; }  // through operator new
    bool failed() const { return failed_; }
    size_t liveBlocks() const { return live_.size(); }
    const std::vector<size_t>& sizes() const { return sizes_; }

    // Hooks of the interposed heap routines.
    bool shouldFail(size_t size, Routines routine = Routines::CHeap);
    void added(void* p, size_t size);
    bool removed(void* p);

private:
    friend struct Paused;
    Window* previous_;
    size_t failAt_;
    Routines indexedRoutines_;
    size_t count_ = 0;
    size_t newCount_ = 0;
    size_t indexed_ = 0;
    bool failed_ = false;
    int paused_ = 0;
    std::vector<size_t> sizes_;
    std::unordered_map<void*, size_t> live_;
};

// Allocations in scope are tracked but never failed (the host's side of a call).
struct Paused {
    Paused();
    ~Paused();
};

// Runs body with the 1st, 2nd, ... allocation failing until a run needs no failure.
// After each run no block allocated inside the window may be left. Returns the number
// of allocations of the run that completed without failure.
size_t sweep(const std::function<void(const Window&)>& body);
// The same, indexing only the allocations of the given routines.
size_t sweep(Routines indexed, const std::function<void(const Window&)>& body);

}  // namespace alloc
