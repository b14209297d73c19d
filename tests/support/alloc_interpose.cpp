// The injector in the heap routines' place on Linux: the test program defines the
// process's malloc & co., which forward to the next definitions (the C library's, or
// a sanitizer's) found with dlsym.
#include <dlfcn.h>
#include <unwind.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "tests/support/alloc_hooks.h"

// The library's code: the test program is linked with tests/support/library_text.ld,
// which gathers the code of the library's archive into a section of its own.
extern "C" {
extern const char zvi_library_text_start[] __attribute__((weak));
extern const char zvi_library_text_end[] __attribute__((weak));
extern const char __executable_start[];
extern const char etext[];
}

namespace alloc::hooks {
namespace {

std::atomic<bool> resolved{false};
thread_local bool resolving = false;

template <class F>
void lookUp(F& fn, const char* name) {
    fn = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int (*nextPosixMemalign)(void**, size_t, size_t);

void* alignedAlloc(size_t alignment, size_t size) {
    void* p = nullptr;
    return nextPosixMemalign(&p, alignment, size) == 0 ? p : nullptr;
}

// ---- Whose allocation it is --------------------------------------------------------

Side sideOfAddress(uintptr_t pc) {
    const auto start = reinterpret_cast<uintptr_t>(zvi_library_text_start);
    const auto stop = reinterpret_cast<uintptr_t>(zvi_library_text_end);
    if (pc >= start && pc < stop) return Side::Library;
    const auto exeStart = reinterpret_cast<uintptr_t>(__executable_start);
    const auto exeEnd = reinterpret_cast<uintptr_t>(etext);
    const auto injectorEnd = exeEnd > stop ? exeEnd : stop;
    if (pc >= exeStart && pc < injectorEnd) return Side::Test;
    return Side::Other;
}

// Walks up from the heap routine: past its own frames (in the test program), past the
// frames of the other libraries that called it, to the first frame of the program,
// which says whose call it serves.
struct Walk {
    int phase = 0;  // 0: the injector's frames, 1: another library's frames
    Side found = Side::Other;
};

_Unwind_Reason_Code walkStep(_Unwind_Context* context, void* arg) {
    auto* walk = static_cast<Walk*>(arg);
    const uintptr_t pc = _Unwind_GetIP(context);
    if (pc == 0) return _URC_END_OF_STACK;
    const Side side = sideOfAddress(pc - 1);
    if (walk->phase == 0) {
        if (side == Side::Other) walk->phase = 1;
        return _URC_NO_REASON;
    }
    if (side == Side::Other) return _URC_NO_REASON;
    walk->found = side;
    return _URC_END_OF_STACK;
}

}  // namespace

Heap next;

bool ready() {
    if (resolved.load(std::memory_order_acquire)) return true;
    if (resolving) return false;
    resolving = true;
    Heap n{};
    lookUp(n.malloc, "malloc");
    lookUp(n.calloc, "calloc");
    lookUp(n.realloc, "realloc");
    lookUp(n.free, "free");
    lookUp(nextPosixMemalign, "posix_memalign");
    n.alignedAlloc = alignedAlloc;
    n.alignedFree = n.free;
    next = n;
    resolving = false;
    resolved.store(true, std::memory_order_release);
    return true;
}

// Calls from other libraries are walked up to the first frame of the program.
Side sideOf(const void* caller) {
    const Side side = sideOfAddress(reinterpret_cast<uintptr_t>(caller) - 1);
    if (side != Side::Other) return side;
    Walk walk;
    _Unwind_Backtrace(walkStep, &walk);
    return walk.found;
}

}  // namespace alloc::hooks

#define ZVI_SAME_NAME(routine) routine
ZVI_ALLOC_C_ROUTINES(ZVI_SAME_NAME)

using namespace alloc::hooks;
#define CALLER ZVI_ALLOC_CALLER

extern "C" {

int posix_memalign(void** out, size_t alignment, size_t size) {
    void* p = allocateAligned(alignment, size, CALLER, Routine::CHeap);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
void* aligned_alloc(size_t alignment, size_t size) { return allocateAligned(alignment, size, CALLER, Routine::CHeap); }
void* memalign(size_t alignment, size_t size) { return allocateAligned(alignment, size, CALLER, Routine::CHeap); }
char* strndup(const char* s, size_t max) { return duplicate(s, max, CALLER); }

}  // extern "C"
