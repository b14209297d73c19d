#include "tests/support/alloc_injector.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>

#include "tests/support/alloc_hooks.h"

using alloc::hooks::next;
using alloc::hooks::Routine;
using alloc::hooks::Side;

namespace {

// ---- Blocks handed out while the next definitions are being looked up ---------------

// (dlsym may allocate); they are never freed.
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

// ---- Windows ------------------------------------------------------------------------

thread_local alloc::Window* current = nullptr;
thread_local bool busy = false;  // inside the injector's own bookkeeping

// The window that sees an allocation whose routine was called from caller, or null.
alloc::Window* seenBy(const void* caller, Routine routine) {
    alloc::Window* w = current;
    if (!w || busy) return nullptr;
    busy = true;
    const Side side = alloc::hooks::sideOf(caller);
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

void* newBlock(size_t size, const void* caller) {
    void* p = alloc::hooks::allocate(size ? size : 1, caller, Routine::New);
    if (!p) throw std::bad_alloc();
    return p;
}
void* newAligned(size_t size, std::align_val_t alignment, const void* caller) {
    void* p = alloc::hooks::allocateAligned(static_cast<size_t>(alignment), size ? size : 1, caller, Routine::New);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

// ---- The routines --------------------------------------------------------------------

namespace alloc::hooks {

void* allocate(size_t size, const void* caller, Routine routine, bool zeroed) {
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

void* allocateZeroed(size_t n, size_t size, const void* caller) {
    size_t total;
    if (__builtin_mul_overflow(n, size, &total)) {
        errno = ENOMEM;
        return nullptr;
    }
    return allocate(total, caller, Routine::CHeap, true);
}

void* allocateAligned(size_t alignment, size_t size, const void* caller, Routine routine) {
    if (!ready()) return bootstrapAllocate(size);  // 64-byte aligned
    alloc::Window* w = seenBy(caller, routine);
    if (w && failHere(w, size, routine)) return nullptr;
    void* p = next.alignedAlloc(alignment < sizeof(void*) ? sizeof(void*) : alignment, size);
    if (w) note(w, p, size);
    return p;
}

void* reallocate(void* old, size_t size, const void* caller) {
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

char* duplicate(const char* s, size_t max, const void* caller) {
    const size_t n = strnlen(s, max);
    auto* p = static_cast<char*>(allocate(n + 1, caller, Routine::CHeap));
    if (p) {
        std::memcpy(p, s, n);
        p[n] = '\0';
    }
    return p;
}

void release(void* p) {
    if (!p || fromBootstrap(p)) return;
    forget(p);
    if (ready()) next.free(p);
}

void releaseAligned(void* p) {
    if (!p || fromBootstrap(p)) return;
    forget(p);
    if (ready()) next.alignedFree(p);
}

}  // namespace alloc::hooks

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

using alloc::hooks::allocate;
using alloc::hooks::allocateAligned;
using alloc::hooks::release;
using alloc::hooks::releaseAligned;
#define CALLER ZVI_ALLOC_CALLER

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
void operator delete(void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { releaseAligned(p); }
