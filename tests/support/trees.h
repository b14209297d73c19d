// Helpers of the tree tests: caller structures built on the heap, a thread with a
// small stack, and the allocation-failure sweep of a copy routine.
#pragma once
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <vector>

#include "tests/support/alloc_injector.h"

namespace trees {

// Caller structures on the heap, all freed at the end whatever their shape. Build
// them outside an allocation window.
class Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() {
        for (void* p : blocks_) std::free(p);
    }
    void reserve(size_t n) { blocks_.reserve(n); }
    void* adopt(void* p) {
        blocks_.push_back(p);
        return p;
    }
    template <class T>
    T* make(const T& value) {
        return array({value});
    }
    template <class T>
    T* array(std::initializer_list<T> items) {
        auto* p = static_cast<T*>(adopt(std::malloc(items.size() * sizeof(T))));
        std::memcpy(static_cast<void*>(p), items.begin(), items.size() * sizeof(T));
        return p;
    }
    char* text(const char* s) { return static_cast<char*>(adopt(strdup(s))); }

private:
    std::vector<void*> blocks_;
};

// Runs body on a thread whose stack is 256 KiB.
inline void onSmallStack(std::function<void()> body) {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, 256 * 1024), 0);
    pthread_t thread;
    auto run = [](void* p) -> void* {
        (*static_cast<std::function<void()>*>(p))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, &body), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

// Fails each allocation of copy in turn: 300 when one failed, and then the copy holds
// no memory and failed() checks the destination; 0 otherwise. The destination is
// released each time and nothing may be left. Returns the number of allocations of a
// complete copy.
template <class T>
size_t sweepCopy(uint32_t (*copy)(T*, const T*), void (*release)(T*, uint8_t), const T* source,
                 std::function<void(const T&)> failed = nullptr) {
    return alloc::sweep([&](const alloc::Window& w) {
        T destination;
        std::memset(static_cast<void*>(&destination), 0xab, sizeof destination);
        const uint32_t code = copy(&destination, source);
        EXPECT_EQ(code, w.failed() ? 300u : 0u);
        if (w.failed()) {
            EXPECT_EQ(w.liveBlocks(), 0u);
            if (failed) failed(destination);
        }
        release(&destination, 0);
    });
}

}  // namespace trees
