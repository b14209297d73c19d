// Qualifier trees: what a copy duplicates and shares, the order and sizes of its
// allocations, what a failed copy leaves, and trees far deeper than a thread's stack.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "tests/support/alloc_injector.h"
#include "tests/support/trees.h"
#include "types/types.h"

using namespace zvi;

namespace {

using trees::Arena;

Qualifier* node(Arena& a, uint32_t op, Qualifier* left = nullptr, Qualifier* right = nullptr) {
    Qualifier q{};
    q.operation = op;
    q.u.pair.left = left;
    q.u.pair.right = right;
    return a.make(q);
}

Qualifier* compare(Arena& a, uint32_t code, Operand left, Operand right) {
    RelationalOp op{};
    op.operation = code;
    op.left = left;
    op.right = right;
    Qualifier q{};
    q.operation = ZVI_QUAL_REL_OP;
    q.u.relOp = a.make(op);
    return a.make(q);
}

Operand field(uint32_t id) {
    Operand o{};
    o.tag = ZVI_OPERAND_FIELD;
    o.u.id = id;
    return o;
}

Operand textValue(Arena& a, const char* s) {
    Operand o{};
    o.tag = ZVI_OPERAND_VALUE;
    o.u.value.dataType = ZVI_DATA_TEXT;
    o.u.value.payload.text = a.text(s);
    return o;
}

Operand valueSet(Arena& a, std::initializer_list<const char*> texts) {
    auto* values = static_cast<Value*>(a.adopt(std::calloc(texts.size(), sizeof(Value))));
    size_t i = 0;
    for (const char* t : texts) values[i++] = textValue(a, t).u.value;
    Operand o{};
    o.tag = ZVI_OPERAND_VALUE_SET;
    o.u.valueSet = {static_cast<uint32_t>(texts.size()), values};
    return o;
}

Operand arith(Arena& a, uint32_t op, Operand left, Operand right) {
    ArithOp x{};
    x.operation = op;
    x.left = left;
    x.right = right;
    Operand o{};
    o.tag = ZVI_OPERAND_ARITH;
    o.u.arith = a.make(x);
    return o;
}

Operand ref(Arena& a, uint32_t tag) {
    auto* record = static_cast<uint8_t*>(a.adopt(std::malloc(ZVI_OPERAND_REF_SIZE)));
    for (size_t i = 0; i < ZVI_OPERAND_REF_SIZE; ++i) record[i] = static_cast<uint8_t>(tag + i);
    Operand o{};
    o.tag = tag;
    o.u.ref = record;
    return o;
}

Operand query(Arena& a, Qualifier* q) {
    QueryRef r{};
    std::strcpy(r.formName, "Tickets");
    std::strcpy(r.server, "srv");
    r.qualifier = q;
    r.valueFieldId = 536870913;
    r.matchCode = 2;
    Operand o{};
    o.tag = ZVI_OPERAND_QUERY;
    o.u.query = a.make(r);
    return o;
}

// Checks that copy is a deep copy of source: same bytes where nothing points to
// memory, a new block wherever the source points to one, the caller's pointers where
// they are shared. Iterative, so that it works on any depth.
struct Checker {
    int nodes = 0;
    std::vector<std::function<void()>> work;

    void qualifier(const Qualifier* c, const Qualifier* s) {
        ++nodes;
        ASSERT_EQ(c->operation, s->operation);
        switch (s->operation) {
            case ZVI_QUAL_AND:
            case ZVI_QUAL_OR:
                pointer(c->u.pair.left, s->u.pair.left, [=] { qualifier(c->u.pair.left, s->u.pair.left); });
                pointer(c->u.pair.right, s->u.pair.right, [=] { qualifier(c->u.pair.right, s->u.pair.right); });
                break;
            case ZVI_QUAL_NOT: pointer(c->u.child, s->u.child, [=] { qualifier(c->u.child, s->u.child); }); break;
            case ZVI_QUAL_REL_OP:
                pointer(c->u.relOp, s->u.relOp, [=] {
                    EXPECT_EQ(c->u.relOp->operation, s->u.relOp->operation);
                    operand(&c->u.relOp->left, &s->u.relOp->left);
                    operand(&c->u.relOp->right, &s->u.relOp->right);
                });
                break;
            default:
                EXPECT_EQ(std::memcmp(c, s, sizeof *c), 0);  // shared members
        }
    }
    void operand(const Operand* c, const Operand* s) {
        ASSERT_EQ(c->tag, s->tag);
        switch (s->tag) {
            case ZVI_OPERAND_VALUE: value(c->u.value, s->u.value); break;
            case ZVI_OPERAND_ARITH:
                pointer(c->u.arith, s->u.arith, [=] {
                    EXPECT_EQ(c->u.arith->operation, s->u.arith->operation);
                    operand(&c->u.arith->left, &s->u.arith->left);
                    operand(&c->u.arith->right, &s->u.arith->right);
                });
                break;
            case ZVI_OPERAND_VALUE_SET:
                ASSERT_EQ(c->u.valueSet.numItems, s->u.valueSet.numItems);
                if (s->u.valueSet.numItems) {
                    EXPECT_NE(c->u.valueSet.items, s->u.valueSet.items);
                }
                for (uint32_t i = 0; i < s->u.valueSet.numItems; ++i) value(c->u.valueSet.items[i], s->u.valueSet.items[i]);
                break;
            case ZVI_OPERAND_REF_6: case ZVI_OPERAND_REF_54: case ZVI_OPERAND_REF_55: case ZVI_OPERAND_REF_56:
                pointer(c->u.ref, s->u.ref, [=] { EXPECT_EQ(std::memcmp(c->u.ref, s->u.ref, ZVI_OPERAND_REF_SIZE), 0); });
                break;
            case ZVI_OPERAND_QUERY:
                pointer(c->u.query, s->u.query, [=] {
                    EXPECT_EQ(std::memcmp(c->u.query, s->u.query, offsetof(QueryRef, qualifier)), 0);
                    EXPECT_EQ(c->u.query->valueFieldId, s->u.query->valueFieldId);
                    EXPECT_EQ(c->u.query->matchCode, s->u.query->matchCode);
                    pointer(c->u.query->qualifier, s->u.query->qualifier,
                            [=] { qualifier(c->u.query->qualifier, s->u.query->qualifier); });
                });
                break;
            default: EXPECT_EQ(std::memcmp(c, s, sizeof *c), 0);
        }
    }
    void value(const Value& c, const Value& s) {
        ASSERT_EQ(c.dataType, s.dataType);
        if (s.dataType == ZVI_DATA_TEXT && s.payload.text) {
            EXPECT_NE(c.payload.text, s.payload.text);
            EXPECT_STREQ(c.payload.text, s.payload.text);
        } else {
            EXPECT_EQ(std::memcmp(&c, &s, sizeof c), 0);
        }
    }
    template <class T>
    void pointer(const T* c, const T* s, std::function<void()> next) {
        if (!s) {
            EXPECT_EQ(c, nullptr);
            return;
        }
        ASSERT_NE(c, nullptr);
        EXPECT_NE(static_cast<const void*>(c), static_cast<const void*>(s));
        work.push_back(std::move(next));
    }
    void run() {
        while (!work.empty()) {
            auto next = std::move(work.back());
            work.pop_back();
            next();
        }
    }
};

void expectDeepCopy(const Qualifier& copy, const Qualifier& source) {
    Checker c;
    c.qualifier(&copy, &source);
    c.run();
}

// A tree with every operand tag that has memory behind it, nested arithmetic and
// sub-queries, a shared sub-tree and a node whose members are the caller's.
Qualifier* richTree(Arena& a) {
    Qualifier* shared = compare(a, 1, field(7), textValue(a, "shared"));
    Qualifier* inner = node(a, ZVI_QUAL_AND, shared, node(a, ZVI_QUAL_NOT, shared));
    Operand sum = arith(a, 1, field(3), arith(a, 6, Operand{}, textValue(a, "neg")));
    Qualifier* passed = node(a, 9, reinterpret_cast<Qualifier*>(0x1000), reinterpret_cast<Qualifier*>(0x2000));
    Operand odd{};
    odd.tag = 77;
    odd.u.ref = reinterpret_cast<void*>(0x3000);
    return node(a, ZVI_QUAL_OR,
                  node(a, ZVI_QUAL_AND, compare(a, 2, sum, valueSet(a, {"a", "bb", "ccc"})),
                         compare(a, 3, ref(a, 6), query(a, inner))),
                  node(a, ZVI_QUAL_OR, compare(a, 4, ref(a, 54), ref(a, 56)),
                         node(a, ZVI_QUAL_AND, passed, compare(a, 5, odd, query(a, nullptr)))));
}

}  // namespace

TEST(CopyQualifier, EmptyQualifierNeedsNothing) {
    Qualifier source{}, copy;
    std::memset(&copy, 0xab, sizeof copy);
    alloc::Window w;
    EXPECT_EQ(CopyQualifier(&copy, &source), 0u);
    EXPECT_EQ(copy.operation, 0u);
    ReleaseQualifier(&copy, 0);
    EXPECT_EQ(CopyQualifier(&copy, nullptr), 0u);
    EXPECT_EQ(copy.operation, 0u);
    EXPECT_EQ(CopyQualifier(nullptr, &source), 0u);
    EXPECT_EQ(w.allocations(), 0u);
}

TEST(CopyQualifier, DeepCopiesEveryNodeAndSharesOnlyWhatIsPassedOn) {
    Arena a;
    Qualifier* source = richTree(a);
    alloc::Window w;
    Qualifier copy;
    ASSERT_EQ(CopyQualifier(&copy, source), 0u);
    expectDeepCopy(copy, *source);
    // The shared sub-tree of the source is duplicated at both places.
    Qualifier* inner = copy.u.pair.left->u.pair.right->u.relOp->right.u.query->qualifier;
    EXPECT_NE(inner->u.pair.left, inner->u.pair.right->u.child);
    // The passed-on node keeps the caller's members, the unknown tag its 16 bytes.
    Qualifier* passed = copy.u.pair.right->u.pair.right->u.pair.left;
    EXPECT_EQ(passed->u.shared[0], reinterpret_cast<void*>(0x1000));
    RelationalOp* last = copy.u.pair.right->u.pair.right->u.pair.right->u.relOp;
    EXPECT_EQ(last->left.u.ref, reinterpret_cast<void*>(0x3000));
    EXPECT_EQ(last->right.u.query->qualifier, nullptr);
    ReleaseQualifier(&copy, 0);
    EXPECT_EQ(copy.operation, 0u);
    EXPECT_EQ(copy.u.pair.left, nullptr);
    // Only the left operand of the operation-6 node ("neg" is its right) stays: it has
    // nothing behind it here, so nothing is left.
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyQualifier, AllocatesInTheOrderOfARecursiveCopy) {
    Arena a;
    Qualifier* source = node(a, ZVI_QUAL_AND, compare(a, 1, field(1), textValue(a, "abc")),
                               node(a, ZVI_QUAL_NOT, compare(a, 2, arith(a, 1, field(2), textValue(a, "de")),
                                                              query(a, node(a, ZVI_QUAL_NONE)))));
    alloc::Window w;
    Qualifier copy;
    ASSERT_EQ(CopyQualifier(&copy, source), 0u);
    EXPECT_EQ(w.sizes(), (std::vector<size_t>{24, 24, 56, 4, 24, 56, 56, 3, 336, 24}));
    ReleaseQualifier(&copy, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyQualifier, NestedNodesAreSeparateBlocks) {
    Arena a;
    Qualifier* source = compare(a, 1, field(1), valueSet(a, {"x", "yy", "zzz"}));
    for (int i = 0; i < 50; ++i) source = node(a, ZVI_QUAL_NOT, source);
    alloc::Window w;
    auto* copy = static_cast<Qualifier*>(std::malloc(sizeof(Qualifier)));
    ASSERT_EQ(CopyQualifier(copy, source), 0u);
    expectDeepCopy(*copy, *source);
    // 50 children, the leaf's node and comparison, the value array and three texts.
    std::vector<size_t> expected(50, 24);
    expected.insert(expected.end(), {56, 48, 2, 3, 4});
    EXPECT_EQ(std::vector<size_t>(w.sizes().begin() + 1, w.sizes().end()), expected);
    EXPECT_EQ(w.liveBlocks(), 1u + 50 + 1 + 1 + 3);
    ReleaseQualifier(copy, 1);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyQualifier, ArithmeticOperation6ReleasesOnlyItsRightOperand) {
    Arena a;
    Operand left = textValue(a, "left"), right = textValue(a, "right");
    Operand expr = arith(a, ZVI_ARITH_UNARY, left, right);
    alloc::Window w;
    ArithOp copy;
    ASSERT_EQ(CopyArithOp(&copy, expr.u.arith), 0u);
    EXPECT_STREQ(copy.left.u.value.payload.text, "left");
    EXPECT_NE(copy.left.u.value.payload.text, left.u.value.payload.text);
    EXPECT_STREQ(copy.right.u.value.payload.text, "right");
    char* keptLeft = copy.left.u.value.payload.text;
    ReleaseArithOp(&copy, 0);
    EXPECT_EQ(copy.right.u.value.payload.text, nullptr);
    EXPECT_EQ(copy.left.u.value.payload.text, keptLeft);  // not released
    EXPECT_EQ(w.liveBlocks(), 1u);
    std::free(keptLeft);

    // Any other operation releases both.
    expr.u.arith->operation = 1;
    ASSERT_EQ(CopyArithOp(&copy, expr.u.arith), 0u);
    ReleaseArithOp(&copy, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyQualifier, OperandsAndQueryRefsCopiedOnTheirOwn) {
    Arena a;
    const Operand operands[] = {field(4), textValue(a, "v"), arith(a, 2, field(1), textValue(a, "w")),
                                valueSet(a, {"p", "q"}), ref(a, 55), query(a, compare(a, 1, field(1), field(2)))};
    for (const Operand& source : operands) {
        alloc::Window w;
        auto* copy = static_cast<Operand*>(std::malloc(sizeof(Operand)));
        ASSERT_EQ(CopyOperand(copy, &source), 0u);
        Checker c;
        c.operand(copy, &source);
        c.run();
        ReleaseOperand(copy, 1);
        EXPECT_EQ(w.liveBlocks(), 0u) << source.tag;
    }
    Operand q = query(a, node(a, ZVI_QUAL_NOT, compare(a, 1, field(1), textValue(a, "t"))));
    alloc::Window w;
    QueryRef copy;
    ASSERT_EQ(CopyQueryRef(&copy, q.u.query), 0u);
    EXPECT_STREQ(copy.formName, "Tickets");
    EXPECT_STREQ(copy.server, "srv");
    EXPECT_EQ(copy.valueFieldId, 536870913u);
    EXPECT_EQ(copy.matchCode, 2u);
    expectDeepCopy(*copy.qualifier, *q.u.query->qualifier);
    ReleaseQueryRef(&copy, 0);
    EXPECT_EQ(copy.qualifier, nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyQualifier, OutOfMemoryLeavesTheRootWithNullMembers) {
    Arena a;
    Qualifier* source = richTree(a);
    const size_t total = trees::sweepCopy<Qualifier>(CopyQualifier, ReleaseQualifier, source, [](const Qualifier& copy) {
        EXPECT_EQ(copy.operation, uint32_t{ZVI_QUAL_OR});
        EXPECT_EQ(copy.u.pair.left, nullptr);
        EXPECT_EQ(copy.u.pair.right, nullptr);
    });
    EXPECT_GT(total, 30u);

    // Each routine on its own: 300, a releasable destination, nothing left after.
    const RelationalOp* relOp = source->u.pair.left->u.pair.left->u.relOp;
    trees::sweepCopy<RelationalOp>(CopyRelationalOp, ReleaseRelationalOp, relOp, [&](const RelationalOp& copy) {
        EXPECT_EQ(copy.operation, relOp->operation);
    });
    trees::sweepCopy<ArithOp>(CopyArithOp, ReleaseArithOp, relOp->left.u.arith);
    trees::sweepCopy<Operand>(CopyOperand, ReleaseOperand, &relOp->right, [](const Operand& copy) {
        EXPECT_EQ(copy.tag, uint32_t{ZVI_OPERAND_VALUE_SET});
        EXPECT_EQ(copy.u.valueSet.items, nullptr);
    });
    const QueryRef* q = source->u.pair.left->u.pair.right->u.relOp->right.u.query;
    trees::sweepCopy<QueryRef>(CopyQueryRef, ReleaseQueryRef, q, [](const QueryRef& copy) {
        EXPECT_EQ(copy.qualifier, nullptr);
        EXPECT_STREQ(copy.formName, "Tickets");
    });
}

TEST(CopyQualifier, FailedOperation6LeavesNothingBehind) {
    // A failed copy frees its partial tree whole, the left operand of operation 6 too.
    Arena a;
    Qualifier* source = node(a, ZVI_QUAL_AND, compare(a, 1, arith(a, 6, textValue(a, "l"), field(1)), field(2)),
                               compare(a, 1, field(3), textValue(a, "r")));
    alloc::sweep([&](const alloc::Window& w) {
        Qualifier copy;
        if (CopyQualifier(&copy, source) == 0) {
            // a successful copy keeps the unreleased left text: free it by hand
            char* left = copy.u.pair.left->u.relOp->left.u.arith->left.u.value.payload.text;
            ReleaseQualifier(&copy, 0);
            std::free(left);
        }
        (void)w;
    });
}

TEST(ReleaseQualifierList, ReleasesEveryNodeInPlace) {
    Arena a;
    Qualifier* sources[] = {node(a, ZVI_QUAL_NOT, compare(a, 1, field(1), textValue(a, "x"))), node(a, ZVI_QUAL_NONE),
                            compare(a, 2, field(2), query(a, node(a, ZVI_QUAL_NONE)))};
    alloc::Window w;
    auto* items = static_cast<Qualifier*>(std::malloc(3 * sizeof(Qualifier)));
    for (int i = 0; i < 3; ++i) ASSERT_EQ(CopyQualifier(&items[i], sources[i]), 0u);
    QualifierList list{3, items};
    ReleaseQualifierList(&list, 0);
    EXPECT_EQ(list.numItems, 0u);
    EXPECT_EQ(list.items, nullptr);
    ReleaseQualifierList(&list, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

using trees::onSmallStack;

TEST(DeepQualifier, MillionNodesOnA256KiBStack) {
    // "a OR b OR c ...": each node's left is the chain so far, its right one leaf.
    constexpr int kDepth = 1000000;
    Arena a;
    a.reserve(2 * kDepth + 16);
    Qualifier* chain = compare(a, 1, field(1), field(0));
    Qualifier* leaf = compare(a, 1, field(1), field(2));
    for (int i = 1; i < kDepth; ++i) chain = node(a, ZVI_QUAL_OR, chain, leaf);
    onSmallStack([&] {
        Qualifier copy;
        ASSERT_EQ(CopyQualifier(&copy, chain), 0u);
        int depth = 1;
        const Qualifier* c = &copy;
        for (; c->operation == ZVI_QUAL_OR; c = c->u.pair.left, ++depth) ASSERT_NE(c->u.pair.right, leaf);
        EXPECT_EQ(depth, kDepth);
        EXPECT_EQ(c->u.relOp->right.u.id, 0u);
        ReleaseQualifier(&copy, 0);
    });
    // The same depth through arithmetic and sub-queries, and the failure clean-up of a
    // deep copy.
    Operand sum = field(1);
    for (int i = 0; i < 200000; ++i) sum = arith(a, 1, sum, field(2));
    Qualifier* nested = compare(a, 1, sum, field(3));
    for (int i = 0; i < 100000; ++i) nested = compare(a, 2, field(4), query(a, node(a, ZVI_QUAL_NOT, nested)));
    onSmallStack([&] {
        Qualifier copy;
        ASSERT_EQ(CopyQualifier(&copy, nested), 0u);
        ReleaseQualifier(&copy, 0);
        alloc::Window w(500000);
        EXPECT_EQ(CopyQualifier(&copy, nested), 300u);
        EXPECT_EQ(copy.u.relOp, nullptr);
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}
