// Helpers of the tree tests: caller trees built on the heap (single-form and multi-form
// qualifiers share their tags and shapes) and a thread with a small stack.
#pragma once
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <type_traits>

#include "tests/support/copies.h"
#include "types/types.h"

namespace trees {

// Caller structures of the family of qualifier Q. Build them outside an allocation window.
template <class Q>
class Arena : public copies::Heap {
public:
    using RelOp = std::remove_pointer_t<decltype(std::declval<Q>().u.relOp)>;
    using Operand = decltype(std::declval<RelOp>().left);
    using Arith = std::remove_pointer_t<decltype(std::declval<Operand>().u.arith)>;
    static constexpr size_t kRefSize =
        std::is_same_v<Q, Qualifier> ? size_t{ZVI_OPERAND_REF_SIZE} : size_t{ZVI_MULTI_OPERAND_REF_SIZE};

    Q* node(uint32_t op, Q* left = nullptr, Q* right = nullptr) {
        Q q{};
        q.operation = op;
        q.u.pair.left = left;
        q.u.pair.right = right;
        return make(q);
    }
    Q* compare(uint32_t code, const Operand& left, const Operand& right) {
        Q q{};
        q.operation = ZVI_QUAL_REL_OP;
        q.u.relOp = make(RelOp{code, left, right});
        return make(q);
    }
    static Operand tagged(uint32_t tag, void* p) {
        Operand o{};
        o.tag = tag;
        std::memcpy(&o.u, &p, sizeof p);
        return o;
    }
    Operand text(const char* s) {
        Operand o = tagged(ZVI_OPERAND_VALUE, nullptr);
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
        Operand o = tagged(ZVI_OPERAND_VALUE_SET, nullptr);
        o.u.valueSet = {static_cast<uint32_t>(texts.size()), items};
        return o;
    }
    // An operand pointing to a record (tags 6 and 54 to 56), filled with a pattern.
    Operand ref(uint32_t tag) {
        auto* record = static_cast<uint8_t*>(keep(std::malloc(kRefSize)));
        for (size_t i = 0; i < kRefSize; ++i) record[i] = static_cast<uint8_t>(i * 7 + tag);
        return tagged(tag, record);
    }
};

// Sizes of the deep-tree tests: a tenth under memcheck (ZVI_HEAVY_DIVISOR=10), still
// many times a 256 KiB stack.
inline int heavy(int n) {
    const char* divisor = std::getenv("ZVI_HEAVY_DIVISOR");
    const int d = divisor ? std::atoi(divisor) : 1;
    return d > 1 ? n / d : n;
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
