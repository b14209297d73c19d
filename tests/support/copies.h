// Helpers of the copy-routine tests: records built as raw bytes at the offsets of the
// record tables, what a copy must hand on, caller memory, and the sweep of a copy.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <type_traits>
#include <vector>

#include "tests/support/alloc_injector.h"
#include "tests/support/raw.h"

namespace copies {

// A record of n bytes, 8-aligned; seeded, every byte differs (scalars a copy passes on).
template <size_t n>
struct Record {
    alignas(8) uint8_t bytes[n];
    explicit Record(uint8_t seed = 0) {
        for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed ? seed + i * 13 : 0);
    }
    template <class T>
    T* as() {
        static_assert(sizeof(T) == n, "the record's size");
        return reinterpret_cast<T*>(bytes);
    }
    template <class V>
    void put(size_t at, V v) { raw::put(bytes, at, v); }
    void putList(size_t at, uint32_t count, const void* items) { raw::putList(bytes, at, count, items); }
};

// Every byte of the copy but those in [from, to) ranges (what it replaced) is the source's.
struct Range {
    size_t from, to;
};
inline void expectSameBytesBut(const void* copy, const void* source, size_t size, const std::vector<Range>& replaced) {
    for (size_t i = 0; i < size; ++i) {
        bool skip = false;
        for (const Range& r : replaced) skip = skip || (i >= r.from && i < r.to);
        ASSERT_TRUE(skip || raw::u8(copy, i) == raw::u8(source, i)) << "byte " << i;
    }
}

// The text at a pointer field of the copy equals the source's, in a block of its own.
inline void expectDuplicated(const void* copy, const void* source, size_t at) {
    const char *c = raw::text(copy, at), *s = raw::text(source, at);
    EXPECT_TRUE(c && c != s && std::strcmp(c, s) == 0) << "offset " << at;
}

// The list at `at` has the source's count in an array of its own.
inline void expectOwnList(const void* copy, const void* source, size_t at) {
    const raw::List c = raw::list(copy, at), s = raw::list(source, at);
    EXPECT_TRUE(c.count == s.count && c.items != s.items) << "offset " << at;
}

template <class T>  // common_type keeps a look from deducing T
using Look = std::function<void(const std::common_type_t<T>&)>;

// Fails each allocation of copy in turn: the code is 300, then 0 once nothing fails,
// when the allocations had the sizes given, in order (unless none are): a copy sharing
// a block of the source would lack one. copied() and failed() look at the destination,
// which is then released (keep-holder), leaving nothing; with holdsNothing a failed copy
// holds nothing before its release. Returns the allocations of a complete copy.
template <class T>
size_t sweep(uint32_t (*copy)(T*, const T*), void (*release)(T*, uint8_t), const T* source,
             const std::vector<size_t>& sizes = {}, const Look<T>& copied = {}, const Look<T>& failed = {},
             bool holdsNothing = false) {
    return alloc::sweep([&](const alloc::Window& w) {
        T destination;
        std::memset(static_cast<void*>(&destination), 0xab, sizeof destination);
        const uint32_t code = copy(&destination, source);
        EXPECT_EQ(code, w.failed() ? 300u : 0u);
        EXPECT_TRUE(!w.failed() || !holdsNothing || w.liveBlocks() == 0);
        EXPECT_EQ(w.failed() || sizes.empty() ? sizes : w.sizes(), sizes);
        {
            alloc::Paused checks;  // their own allocations never fail
            if (const Look<T>& look = w.failed() ? failed : copied) look(destination);
        }
        release(&destination, 0);
    });
}

// Caller (or host) blocks, freed at the end. Build outside an allocation window.
class Heap {
public:
    Heap() = default;
    Heap(const Heap&) = delete;
    ~Heap() {
        for (void* p : blocks_) std::free(p);
    }
    void* keep(void* p) {
        blocks_.push_back(p);
        return p;
    }
    char* text(const char* s) { return static_cast<char*>(keep(strdup(s))); }
    template <class T>
    T* copyOf(std::initializer_list<T> items) {
        auto* p = static_cast<T*>(keep(std::malloc(items.size() ? items.size() * sizeof(T) : 1)));
        if (items.size()) std::memcpy(static_cast<void*>(p), items.begin(), items.size() * sizeof(T));
        return p;
    }
    template <class T>
    T* make(const T& value) { return copyOf({value}); }

private:
    std::vector<void*> blocks_;
};

}  // namespace copies
