#include "tests/support/alloc_injector.h"

#include <gtest/gtest.h>

#include <cstring>

extern "C" {
void* __real_malloc(size_t);
void* __real_calloc(size_t, size_t);
void* __real_realloc(void*, size_t);
void __real_free(void*);
}

namespace alloc {
namespace {
thread_local Window* current = nullptr;
}

Window::Window(size_t failAt) : previous_(current), failAt_(failAt) {
    current = this;
}
Window::~Window() { current = previous_; }

bool Window::shouldFail(size_t size) {
    sizes_.push_back(size);
    ++count_;
    if (paused_ || ++indexed_ != failAt_) return false;
    failed_ = true;
    return true;
}

void Window::added(void* p, size_t size) { live_.emplace(p, size); }
bool Window::removed(void* p) { return live_.erase(p) != 0; }

Paused::Paused() {
    if (current) ++current->paused_;
}
Paused::~Paused() {
    if (current) --current->paused_;
}

size_t sweep(const std::function<void(const Window&)>& body) {
    for (size_t k = 1; k < 1000000; ++k) {
        Window window(k);
        body(window);
        EXPECT_EQ(window.liveBlocks(), 0u) << "blocks left when allocation " << k << " failed";
        if (!window.failed()) return window.allocations();
    }
    ADD_FAILURE() << "sweep did not end";
    return 0;
}

}  // namespace alloc

using alloc::current;
using alloc::Window;

extern "C" {

void* __wrap_malloc(size_t size) {
    Window* w = current;
    if (!w) return __real_malloc(size);
    current = nullptr;  // the bookkeeping itself allocates
    void* p = w->shouldFail(size) ? nullptr : __real_malloc(size);
    if (p) w->added(p, size);
    current = w;
    return p;
}

void* __wrap_calloc(size_t n, size_t size) {
    Window* w = current;
    if (!w) return __real_calloc(n, size);
    current = nullptr;
    void* p = w->shouldFail(n * size) ? nullptr : __real_calloc(n, size);
    if (p) w->added(p, n * size);
    current = w;
    return p;
}

void* __wrap_realloc(void* old, size_t size) {
    Window* w = current;
    if (!w) return __real_realloc(old, size);
    current = nullptr;
    void* p = w->shouldFail(size) ? nullptr : __real_realloc(old, size);
    if (p) {
        if (old) w->removed(old);
        w->added(p, size);
    }
    current = w;
    return p;
}

void __wrap_free(void* p) {
    if (Window* w = current) {
        current = nullptr;
        w->removed(p);
        current = w;
    }
    __real_free(p);
}

char* __wrap_strdup(const char* s) {
    size_t n = std::strlen(s) + 1;
    auto* p = static_cast<char*>(__wrap_malloc(n));
    if (p) std::memcpy(p, s, n);
    return p;
}

char* __wrap_strndup(const char* s, size_t max) {
    size_t n = strnlen(s, max);
    auto* p = static_cast<char*>(__wrap_malloc(n + 1));
    if (p) {
        std::memcpy(p, s, n);
        p[n] = '\0';
    }
    return p;
}

}  // extern "C"
