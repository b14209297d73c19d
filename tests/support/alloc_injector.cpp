#include "tests/support/alloc_injector.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unwind.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>

// The library's code: the test program is linked with tests/support/library_text.ld,
// which gathers the code of the library's archive into a section of its own.
extern "C" {
extern const char zvi_library_text_start[] __attribute__((weak));
extern const char zvi_library_text_end[] __attribute__((weak));
extern const char __executable_start[];
extern const char etext[];
}

namespace {

// ---- The next definitions of the heap routines ------------------------------------

struct Next {
    void* (*malloc)(size_t);
    void* (*calloc)(size_t, size_t);
    void* (*realloc)(void*, size_t);
    void (*free)(void*);
    int (*posix_memalign)(void**, size_t, size_t);
    void* (*aligned_alloc)(size_t, size_t);
    void* (*memalign)(size_t, size_t);
};
Next next;
std::atomic<bool> resolved{false};
thread_local bool resolving = false;

// Blocks handed out while the next definitions are being looked up (dlsym may
// allocate); they are never freed.
alignas(64) char bootstrap[1 << 16];
std::atomic<size_t> bootstrapUsed{0};

bool fromBootstrap(const void* p) {
    return p >= static_cast<const void*>(bootstrap) && p < static_cast<const void*>(bootstrap + sizeof bootstrap);
}

void* bootstrapAllocate(size_t size) {
    const size_t rounded = (size + 63) & ~size_t{63};
    const size_t at = bootstrapUsed.fetch_add(rounded);
    if (at + rounded > sizeof bootstrap) return nullptr;
    return bootstrap + at;
}

template <class F>
void lookUp(F& fn, const char* name) {
    fn = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// False while the lookup itself is running (the caller then uses the bootstrap).
bool ready() {
    if (resolved.load(std::memory_order_acquire)) return true;
    if (resolving) return false;
    resolving = true;
    Next n{};
    lookUp(n.malloc, "malloc");
    lookUp(n.calloc, "calloc");
    lookUp(n.realloc, "realloc");
    lookUp(n.free, "free");
    lookUp(n.posix_memalign, "posix_memalign");
    lookUp(n.aligned_alloc, "aligned_alloc");
    lookUp(n.memalign, "memalign");
    next = n;
    resolving = false;
    resolved.store(true, std::memory_order_release);
    return true;
}

// ---- Whose allocation it is --------------------------------------------------------

enum class Side { Library, Test, Other };

Side sideOf(uintptr_t pc) {
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
    const Side side = sideOf(pc - 1);
    if (walk->phase == 0) {
        if (side == Side::Other) walk->phase = 1;
        return _URC_NO_REASON;
    }
    if (side == Side::Other) return _URC_NO_REASON;
    walk->found = side;
    return _URC_END_OF_STACK;
}

Side callerOfOtherLibrary() {
    Walk walk;
    _Unwind_Backtrace(walkStep, &walk);
    return walk.found;
}

// ---- Windows ------------------------------------------------------------------------

thread_local alloc::Window* current = nullptr;
thread_local bool busy = false;  // inside the injector's own bookkeeping

enum class Routine { CHeap, New };

// The window that sees an allocation whose routine was called from caller, or null.
alloc::Window* seenBy(const void* caller, Routine routine) {
    alloc::Window* w = current;
    if (!w || busy) return nullptr;
    busy = true;
    Side side = sideOf(reinterpret_cast<uintptr_t>(caller) - 1);
    if (side == Side::Other) side = callerOfOtherLibrary();
    busy = false;
    const bool seen = side == Side::Library || (side == Side::Test && routine == Routine::CHeap);
    return seen ? w : nullptr;
}

// Bookkeeping of a window runs with the interposition off for this thread.
struct Busy {
    Busy() { busy = true; }
    ~Busy() { busy = false; }
};

bool failHere(alloc::Window* w, size_t size, Routine routine) {
    Busy b;
    return w->shouldFail(size, routine == Routine::New ? alloc::Routines::OperatorNew : alloc::Routines::CHeap);
}
void note(alloc::Window* w, void* p, size_t size) {
    if (!p) return;
    Busy b;
    w->added(p, size);
}
void forget(void* p) {
    alloc::Window* w = current;
    if (!w || busy || !p) return;
    Busy b;
    w->removed(p);
}

// ---- The routines --------------------------------------------------------------------

void* allocate(size_t size, const void* caller, Routine routine, bool zeroed = false) {
    if (!ready()) return bootstrapAllocate(size);  // static storage: already zero
    alloc::Window* w = seenBy(caller, routine);
    if (w && failHere(w, size, routine)) {
        errno = ENOMEM;
        return nullptr;
    }
    void* p = zeroed ? next.calloc(1, size) : next.malloc(size);
    if (w) note(w, p, size);
    return p;
}

void* allocateAligned(size_t alignment, size_t size, const void* caller, Routine routine) {
    if (!ready()) return bootstrapAllocate(size);  // 64-byte aligned
    alloc::Window* w = seenBy(caller, routine);
    if (w && failHere(w, size, routine)) return nullptr;
    void* p = nullptr;
    if (next.posix_memalign(&p, alignment < sizeof(void*) ? sizeof(void*) : alignment, size) != 0) p = nullptr;
    if (w) note(w, p, size);
    return p;
}

void release(void* p) {
    if (!p || fromBootstrap(p)) return;
    forget(p);
    if (ready()) next.free(p);
}

void* newBlock(size_t size, const void* caller) {
    void* p = allocate(size ? size : 1, caller, Routine::New);
    if (!p) throw std::bad_alloc();
    return p;
}
void* newAligned(size_t size, std::align_val_t alignment, const void* caller) {
    void* p = allocateAligned(static_cast<size_t>(alignment), size ? size : 1, caller, Routine::New);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

namespace alloc {

Window::Window(size_t failAt, Routines indexed) : previous_(current), failAt_(failAt), indexedRoutines_(indexed) {
    sizes_.reserve(64);
    current = this;
}
Window::~Window() { current = previous_; }

bool Window::shouldFail(size_t size, Routines routine) {
    sizes_.push_back(size);
    ++count_;
    if (routine == Routines::OperatorNew) ++newCount_;
    if (paused_ || (indexedRoutines_ != Routines::All && indexedRoutines_ != routine)) return false;
    ++indexed_;
    if (failAt_ != kEvery && indexed_ != failAt_) return false;
    failed_ = true;
    return true;
}

void Window::added(void* p, size_t size) { live_[p] = size; }
bool Window::removed(void* p) { return live_.erase(p) != 0; }

Paused::Paused() {
    if (current) ++current->paused_;
}
Paused::~Paused() {
    if (current) --current->paused_;
}

size_t sweep(const std::function<void(const Window&)>& body) { return sweep(Routines::All, body); }

size_t sweep(Routines indexed, const std::function<void(const Window&)>& body) {
    for (size_t k = 1; k < 1000000; ++k) {
        Window window(k, indexed);
        body(window);
        EXPECT_EQ(window.liveBlocks(), 0u) << "blocks left when allocation " << k << " failed";
        if (!window.failed()) return window.allocations();
    }
    ADD_FAILURE() << "sweep did not end";
    return 0;
}

}  // namespace alloc

#define CALLER __builtin_return_address(0)

extern "C" {

void* malloc(size_t size) { return allocate(size, CALLER, Routine::CHeap); }

void* calloc(size_t n, size_t size) {
    size_t total;
    if (__builtin_mul_overflow(n, size, &total)) {
        errno = ENOMEM;
        return nullptr;
    }
    return allocate(total, CALLER, Routine::CHeap, true);
}

void* realloc(void* old, size_t size) {
    const void* caller = CALLER;
    if (!old) return allocate(size, caller, Routine::CHeap);
    if (fromBootstrap(old)) {  // a bootstrap block moves to the heap
        void* p = allocate(size, caller, Routine::CHeap);
        const size_t room = static_cast<size_t>(bootstrap + sizeof bootstrap - static_cast<char*>(old));
        if (p) std::memcpy(p, old, size < room ? size : room);
        return p;
    }
    if (!ready()) return nullptr;
    if (size == 0) {  // frees the block: never failed
        forget(old);
        return next.realloc(old, 0);
    }
    alloc::Window* w = seenBy(caller, Routine::CHeap);
    if (w && failHere(w, size, Routine::CHeap)) {
        errno = ENOMEM;
        return nullptr;
    }
    void* p = next.realloc(old, size);
    if (p) {
        forget(old);
        if (w) note(w, p, size);
    }
    return p;
}

void free(void* p) { release(p); }

int posix_memalign(void** out, size_t alignment, size_t size) {
    void* p = allocateAligned(alignment, size, CALLER, Routine::CHeap);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}

void* aligned_alloc(size_t alignment, size_t size) { return allocateAligned(alignment, size, CALLER, Routine::CHeap); }
void* memalign(size_t alignment, size_t size) { return allocateAligned(alignment, size, CALLER, Routine::CHeap); }

char* strdup(const char* s) {
    const size_t n = std::strlen(s) + 1;
    auto* p = static_cast<char*>(allocate(n, CALLER, Routine::CHeap));
    if (p) std::memcpy(p, s, n);
    return p;
}

char* strndup(const char* s, size_t max) {
    const size_t n = strnlen(s, max);
    auto* p = static_cast<char*>(allocate(n + 1, CALLER, Routine::CHeap));
    if (p) {
        std::memcpy(p, s, n);
        p[n] = '\0';
    }
    return p;
}

}  // extern "C"

void* operator new(size_t size) { return newBlock(size, CALLER); }
void* operator new[](size_t size) { return newBlock(size, CALLER); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate(size ? size : 1, CALLER, Routine::New); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return allocate(size ? size : 1, CALLER, Routine::New);
}
void* operator new(size_t size, std::align_val_t a) { return newAligned(size, a, CALLER); }
void* operator new[](size_t size, std::align_val_t a) { return newAligned(size, a, CALLER); }
void* operator new(size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocateAligned(static_cast<size_t>(a), size ? size : 1, CALLER, Routine::New);
}
void* operator new[](size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocateAligned(static_cast<size_t>(a), size ? size : 1, CALLER, Routine::New);
}

void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
