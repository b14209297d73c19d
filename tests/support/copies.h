// Helpers of the copy-routine tests: raw records at the offsets of the record tables, what a
// copy must hand on, caller memory and trees, the sweep of a copy, a thread with a small stack.
#pragma once
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <vector>

#include "tests/support/alloc_injector.h"
#include "tests/support/raw.h"
#include "types/types.h"

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
struct Range { size_t from, to; };
inline void expectSameBytesBut(const void* copy, const void* source, size_t size, const std::vector<Range>& replaced) {
    for (size_t i = 0; i < size; ++i) {
        bool skip = false;
        for (const Range& r : replaced) skip = skip || (i >= r.from && i < r.to);
        ASSERT_TRUE(skip || raw::u8(copy, i) == raw::u8(source, i)) << "byte " << i;
    }
}

// The text at a pointer field of the copy equals the source's, in a block of its own;
// the list at `at` has the source's count in an array of its own.
inline void expectDuplicated(const void* copy, const void* source, size_t at) {
    const char *c = raw::text(copy, at), *s = raw::text(source, at);
    EXPECT_TRUE(c && c != s && std::strcmp(c, s) == 0) << "offset " << at;
}
inline void expectOwnList(const void* copy, const void* source, size_t at) {
    const raw::List c = raw::list(copy, at), s = raw::list(source, at);
    EXPECT_TRUE(c.count == s.count && c.items != s.items) << "offset " << at;
}

template <class T>  // common_type keeps a look from deducing T
using Look = std::function<void(const std::common_type_t<T>&)>;

// Fails each allocation of copy in turn: 300, then 0 once nothing fails, with the sizes
// given, in order (a copy sharing a block of the source would lack one). copied() or
// failed() looks at the destination before its release; with holdsNothing a failed copy
// holds no block. Returns the allocations of a complete copy.
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
    void* keep(void* p) {
        blocks_.emplace_back(p, std::free);
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
    std::vector<std::unique_ptr<void, void (*)(void*)>> blocks_;
};

}  // namespace copies

namespace trees {

// Caller trees of qualifiers Q, single-form or multi-form (they share tags and shapes).
template <class Q>
class Arena : public copies::Heap {
public:
    using RelOp = std::remove_pointer_t<decltype(std::declval<Q>().u.relOp)>;
    using Operand = decltype(std::declval<RelOp>().left);
    using Arith = std::remove_pointer_t<decltype(std::declval<Operand>().u.arith)>;

    Q* node(uint32_t op, Q* left = nullptr, Q* right = nullptr) {
        Q q{};
        q.operation = op;
        q.u.pair = {left, right};
        return make(q);
    }
    Q* compare(uint32_t code, const Operand& left, const Operand& right) {
        Q q{};
        q.operation = ZVI_QUAL_REL_OP;
        q.u.relOp = make(RelOp{code, left, right});
        return make(q);
    }
    template <class O = Operand>  // a tag, then a pointer in the union
    static O tagged(uint32_t tag, void* p) {
        O o{tag, {}};
        std::memcpy(&o.u, &p, sizeof p);
        return o;
    }
    Operand text(const char* s) {
        Operand o{ZVI_OPERAND_VALUE, {}};
        o.u.value = {ZVI_DATA_TEXT, {.text = Heap::text(s)}};
        return o;
    }
    Operand arith(uint32_t op, const Operand& left, const Operand& right) {
        return tagged(ZVI_OPERAND_ARITH, make(Arith{op, left, right}));
    }
    Operand values(std::initializer_list<const char*> texts) {
        auto* items = static_cast<Value*>(keep(std::calloc(texts.size(), sizeof(Value))));
        size_t i = 0;
        for (const char* t : texts) items[i++] = text(t).u.value;
        Operand o{ZVI_OPERAND_VALUE_SET, {}};
        o.u.valueSet = {static_cast<uint32_t>(texts.size()), items};
        return o;
    }
    // An operand pointing to a record (tags 6 and 54 to 56), filled with a pattern.
    Operand ref(uint32_t tag) {
        constexpr size_t size =
            std::is_same_v<Q, Qualifier> ? size_t{ZVI_OPERAND_REF_SIZE} : size_t{ZVI_MULTI_OPERAND_REF_SIZE};
        auto* record = static_cast<uint8_t*>(keep(std::malloc(size)));
        for (size_t i = 0; i < size; ++i) record[i] = static_cast<uint8_t>(i * 7 + tag);
        return tagged(tag, record);
    }
};

// Sizes of the deep-tree tests: a tenth under memcheck (ZVI_HEAVY_DIVISOR=10).
inline int heavy(int n) {
    const char* divisor = std::getenv("ZVI_HEAVY_DIVISOR");
    return divisor && std::atoi(divisor) > 1 ? n / std::atoi(divisor) : n;
}

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

// On a small stack: source copies and its copy releases; with the failAt-th allocation
// failing the copy is 300 and leaves nothing.
template <class T>
void deepCopy(uint32_t (*copy)(T*, const T*), void (*release)(T*, uint8_t), const T* source, size_t failAt) {
    onSmallStack([&] {
        T destination;
        ASSERT_EQ(copy(&destination, source), 0u);
        release(&destination, 0);
        alloc::Window w(failAt);
        EXPECT_EQ(copy(&destination, source), 300u);
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}

}  // namespace trees
