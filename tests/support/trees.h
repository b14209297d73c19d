// Helpers of the tree tests: caller trees built on the heap, a rendering that tells a
// deep copy from a shallow one, the sweep of a deep copy, and a thread with a small
// stack. Single-form and multi-form qualifiers share their tags and
// shapes, so the builders and the rendering serve both families.
#pragma once
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/support/copies.h"
#include "types/types.h"

namespace trees {

// The node types of the family of qualifier Q.
template <class Q>
struct Family {
    using RelOp = std::remove_pointer_t<decltype(std::declval<Q>().u.relOp)>;
    using Operand = decltype(std::declval<RelOp>().left);
    using Arith = std::remove_pointer_t<decltype(std::declval<Operand>().u.arith)>;
    static constexpr bool kSingle = std::is_same_v<Q, Qualifier>;
    static constexpr size_t kRefSize = kSingle ? size_t{ZVI_OPERAND_REF_SIZE} : size_t{ZVI_MULTI_OPERAND_REF_SIZE};
    static constexpr uint32_t kSubQueryTag =
        kSingle ? uint32_t{ZVI_OPERAND_QUERY} : uint32_t{ZVI_MULTI_OPERAND_SUB_QUERY};
};

// Caller structures on the heap, all freed at the end whatever their shape. Build
// them outside an allocation window.
template <class Q>
class Arena : public Family<Q>, public copies::Heap {
public:
    using typename Family<Q>::Operand;

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
        q.u.relOp = make(typename Family<Q>::RelOp{code, left, right});
        return make(q);
    }
    Operand text(const char* s) {
        Operand o{};
        o.tag = ZVI_OPERAND_VALUE;
        o.u.value.dataType = ZVI_DATA_TEXT;
        o.u.value.payload.text = Heap::text(s);
        return o;
    }
    Operand arith(uint32_t op, const Operand& left, const Operand& right) {
        Operand o{};
        o.tag = ZVI_OPERAND_ARITH;
        o.u.arith = make(typename Family<Q>::Arith{op, left, right});
        return o;
    }
    Operand values(std::initializer_list<const char*> texts) {
        auto* items = static_cast<Value*>(keep(std::calloc(texts.size(), sizeof(Value))));
        size_t i = 0;
        for (const char* t : texts) items[i++] = text(t).u.value;
        Operand o{};
        o.tag = ZVI_OPERAND_VALUE_SET;
        o.u.valueSet = {static_cast<uint32_t>(texts.size()), items};
        return o;
    }
    // An operand pointing to a record (tags 6 and 54 to 56), filled with a pattern.
    Operand ref(uint32_t tag) {
        auto* record = static_cast<uint8_t*>(keep(std::malloc(this->kRefSize)));
        for (size_t i = 0; i < this->kRefSize; ++i) record[i] = static_cast<uint8_t>(i * 7 + tag);
        Operand o{};
        o.tag = tag;
        o.u.ref = record;
        return o;
    }
};

// A rendering of a small structure without its pointers, and the heap blocks it
// reaches; a family renders its own sub-queries.
template <class Q>
class Dump : public Family<Q> {
public:
    using typename Family<Q>::Operand;
    using typename Family<Q>::RelOp;
    using typename Family<Q>::Arith;
    std::string out;
    std::vector<const void*> blocks;

    virtual ~Dump() = default;
    void add(const Q& q) { qualifier(q); }
    void add(const RelOp& op) { operands(op); }
    void add(const Arith& op) { operands(op); }
    void add(const Operand& o) { operand(o); }

protected:
    virtual void subQuery(const Operand& o) = 0;

    void bytes(const void* p, size_t n) { out.append(static_cast<const char*>(p), n); }
    void word(uint32_t w) { out += std::to_string(w) + ";"; }
    template <class T, class F>
    void pointer(const T* p, F render) {
        out += p ? "ptr;" : "null;";
        if (!p) return;
        blocks.push_back(p);
        render(*p);
    }
    void optional(const Q* q) { pointer(q, [this](const Q& child) { qualifier(child); }); }
    template <class L>
    void flat(const L& l) {
        word(l.numItems);
        if (!l.numItems) return;
        blocks.push_back(l.items);
        bytes(l.items, l.numItems * sizeof *l.items);
    }
    void value(const Value& v) {
        word(v.dataType);
        if (v.dataType != ZVI_DATA_TEXT) return bytes(&v.payload, sizeof v.payload);
        out += v.payload.text ? v.payload.text : "(null)";
        if (v.payload.text) blocks.push_back(v.payload.text);
    }
    void qualifier(const Q& q) {
        word(q.operation);
        switch (q.operation) {
            case ZVI_QUAL_AND:
            case ZVI_QUAL_OR: optional(q.u.pair.left), optional(q.u.pair.right); break;
            case ZVI_QUAL_NOT: optional(q.u.child); break;
            case ZVI_QUAL_REL_OP: pointer(q.u.relOp, [this](const RelOp& op) { operands(op); }); break;
            default: bytes(&q.u, sizeof q.u);  // members passed on as they stand
        }
    }
    template <class Op>
    void operands(const Op& op) {
        word(op.operation);
        operand(op.left);
        operand(op.right);
    }
    void operand(const Operand& o) {
        word(o.tag);
        switch (o.tag) {
            case ZVI_OPERAND_VALUE: return value(o.u.value);
            case ZVI_OPERAND_ARITH: return pointer(o.u.arith, [this](const Arith& op) { operands(op); });
            case ZVI_OPERAND_VALUE_SET:
                word(o.u.valueSet.numItems);
                if (o.u.valueSet.numItems) blocks.push_back(o.u.valueSet.items);
                for (uint32_t i = 0; i < o.u.valueSet.numItems; ++i) value(o.u.valueSet.items[i]);
                return;
            case ZVI_OPERAND_REF_6: case ZVI_OPERAND_REF_54: case ZVI_OPERAND_REF_55: case ZVI_OPERAND_REF_56:
                return pointer(static_cast<const uint8_t*>(o.u.ref), [this](const uint8_t& r) { bytes(&r, this->kRefSize); });
        }
        if (o.tag == this->kSubQueryTag) return subQuery(o);
        bytes(&o.u, sizeof o.u);
    }
};

// A deep copy renders like its source and reaches as many blocks, each once and none
// of them the source's. D is the family's Dump.
template <class D, class T>
void expectDeepCopy(const T& copy, const T& source) {
    D c, s;
    c.add(copy);
    s.add(source);
    EXPECT_EQ(c.out, s.out);
    EXPECT_EQ(c.blocks.size(), s.blocks.size());
    const std::set<const void*> own(c.blocks.begin(), c.blocks.end());
    EXPECT_EQ(own.size(), c.blocks.size()) << "a block reached twice in the copy";
    for (const void* p : s.blocks) ASSERT_EQ(own.count(p), 0u) << "a block of the caller's in the copy";
}

// Sweeps the allocation failures of a copy routine: a failed copy holds no memory and
// leaves what failed() checks; a complete copy is deep. D is the family's Dump.
template <class D, class T>
size_t sweepDeep(uint32_t (*copy)(T*, const T*), void (*release)(T*, uint8_t), const T& source,
                 const std::function<void(const T&)>& failed = {}) {
    return copies::sweep<T>(copy, release, &source, [&](const T& c) { expectDeepCopy<D>(c, source); }, failed, true);
}

// Sizes of the deep-tree tests. Under memcheck (scripts/test.sh sets
// ZVI_HEAVY_DIVISOR=10) they are a tenth: what they show is that no walk recurses, and
// a tenth of the depth still exceeds a 256 KiB stack many times over.
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

}  // namespace trees
