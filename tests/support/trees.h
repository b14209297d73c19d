// Helpers of the tree tests: caller trees built on the heap, a rendering that tells a
// deep copy from a shallow one, a thread with a small stack, and the allocation-failure
// sweep of a copy routine. Single-form and multi-form qualifiers share their tags and
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
#include <utility>
#include <vector>

#include "tests/support/alloc_injector.h"
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
class Arena : public Family<Q> {
public:
    using typename Family<Q>::Operand;
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

    Q* node(uint32_t op, Q* left = nullptr, Q* right = nullptr) {
        Q q{};
        q.operation = op;
        q.u.pair.left = left;
        q.u.pair.right = right;
        return make(q);
    }
    Q* compare(uint32_t code, const Operand& left, const Operand& right) {
        typename Family<Q>::RelOp op{};
        op.operation = code;
        op.left = left;
        op.right = right;
        Q q{};
        q.operation = ZVI_QUAL_REL_OP;
        q.u.relOp = make(op);
        return make(q);
    }
    Operand text(const char* s) {
        Operand o{};
        o.tag = ZVI_OPERAND_VALUE;
        o.u.value.dataType = ZVI_DATA_TEXT;
        o.u.value.payload.text = static_cast<char*>(adopt(strdup(s)));
        return o;
    }
    Operand arith(uint32_t op, const Operand& left, const Operand& right) {
        typename Family<Q>::Arith x{};
        x.operation = op;
        x.left = left;
        x.right = right;
        Operand o{};
        o.tag = ZVI_OPERAND_ARITH;
        o.u.arith = make(x);
        return o;
    }
    Operand values(std::initializer_list<const char*> texts) {
        auto* items = static_cast<Value*>(adopt(std::calloc(texts.size(), sizeof(Value))));
        size_t i = 0;
        for (const char* t : texts) items[i++] = text(t).u.value;
        Operand o{};
        o.tag = ZVI_OPERAND_VALUE_SET;
        o.u.valueSet = {static_cast<uint32_t>(texts.size()), items};
        return o;
    }
    // An operand pointing to a record (tags 6 and 54 to 56), filled with a pattern.
    Operand ref(uint32_t tag) {
        auto* record = static_cast<uint8_t*>(adopt(std::malloc(this->kRefSize)));
        for (size_t i = 0; i < this->kRefSize; ++i) record[i] = static_cast<uint8_t>(i * 7 + tag);
        Operand o{};
        o.tag = tag;
        o.u.ref = record;
        return o;
    }

private:
    std::vector<void*> blocks_;
};

// A rendering of a structure without its pointers, and the heap blocks it reaches.
// Walked without recursion; a family renders its own sub-queries.
template <class Q>
class Dump : public Family<Q> {
public:
    using typename Family<Q>::Operand;
    using typename Family<Q>::RelOp;
    using typename Family<Q>::Arith;
    std::string out;
    std::vector<const void*> blocks;

    virtual ~Dump() = default;
    void add(const Q& q) { then([this, &q] { qualifier(q); }); }
    void add(const RelOp& op) { then([this, &op] { operands(op); }); }
    void add(const Arith& op) { then([this, &op] { operands(op); }); }
    void add(const Operand& o) { then([this, &o] { operand(o); }); }

protected:
    virtual void subQuery(const Operand& o) = 0;

    // Renders now, then everything queued below.
    void then(const std::function<void()>& first) {
        first();
        while (!work_.empty()) {
            auto next = std::move(work_.back());
            work_.pop_back();
            next();
        }
    }
    void bytes(const void* p, size_t n) { out.append(static_cast<const char*>(p), n); }
    void word(uint32_t w) { out += std::to_string(w) + ";"; }
    template <class T, class F>
    void pointer(const T* p, F render) {
        out += p ? "ptr;" : "null;";
        if (!p) return;
        blocks.push_back(p);
        work_.push_back([p, render] { render(*p); });
    }
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
        auto below = [this](const Q& child) { qualifier(child); };
        switch (q.operation) {
            case ZVI_QUAL_AND:
            case ZVI_QUAL_OR:
                pointer(q.u.pair.left, below);
                pointer(q.u.pair.right, below);
                break;
            case ZVI_QUAL_NOT: pointer(q.u.child, below); break;
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
                out += o.u.ref ? "ref;" : "null;";
                if (!o.u.ref) return;
                blocks.push_back(o.u.ref);
                return bytes(o.u.ref, this->kRefSize);
        }
        if (o.tag == this->kSubQueryTag) return subQuery(o);
        bytes(&o.u, sizeof o.u);
    }

private:
    std::vector<std::function<void()>> work_;
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

// Fails each allocation of copy in turn: 300 when one failed, and then the copy holds
// no memory and failed() checks the destination; 0 otherwise, and copied() checks the
// complete copy. The destination is released each time and nothing may be left.
// Returns the number of allocations of a complete copy.
template <class T>
size_t sweepCopy(uint32_t (*copy)(T*, const T*), void (*release)(T*, uint8_t), const T* source,
                 std::function<void(const T&)> failed = nullptr, std::function<void(const T&)> copied = nullptr) {
    size_t allocations = 0;
    alloc::sweep([&](const alloc::Window& w) {
        T destination;
        std::memset(static_cast<void*>(&destination), 0xab, sizeof destination);
        const uint32_t code = copy(&destination, source);
        allocations = w.allocations();
        EXPECT_EQ(code, w.failed() ? 300u : 0u);
        {
            alloc::Paused checks;  // their own allocations never fail
            if (w.failed()) {
                EXPECT_EQ(w.liveBlocks(), 0u);
                if (failed) failed(destination);
            } else if (copied) {
                copied(destination);
            }
        }
        release(&destination, 0);
    });
    return allocations;
}

}  // namespace trees
