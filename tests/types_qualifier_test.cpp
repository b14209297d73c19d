// Qualifier trees: what a copy duplicates and shares, the order and sizes of its
// allocations, what a failed copy leaves, and trees far deeper than a thread's stack.
#include <gtest/gtest.h>

#include <cstddef>

#include "tests/support/trees.h"

using namespace zvi;

namespace {

struct Tree : trees::Arena<Qualifier> {
    static Operand field(uint32_t id) {
        Operand o{ZVI_OPERAND_FIELD, {}};
        o.u.id = id;
        return o;
    }
    Operand query(Qualifier* q) {
        QueryRef r{};
        std::strcpy(r.formName, "Tickets");
        std::strcpy(r.server, "srv");
        r.qualifier = q;
        r.valueFieldId = 536870913;
        r.matchCode = 2;
        Operand o{ZVI_OPERAND_QUERY, {}};
        o.u.query = make(r);
        return o;
    }
    // Every operand tag that has memory behind it, nested arithmetic and sub-queries,
    // a sub-tree reached twice, and nodes whose members are the caller's.
    Qualifier* rich() {
        Qualifier* twice = compare(1, field(7), text("shared"));
        Qualifier* inner = node(ZVI_QUAL_AND, twice, node(ZVI_QUAL_NOT, twice));
        Operand sum = arith(1, field(3), arith(ZVI_ARITH_UNARY, Operand{}, text("neg")));
        Qualifier* passed = node(9, reinterpret_cast<Qualifier*>(0x1000), reinterpret_cast<Qualifier*>(0x2000));
        Operand odd{77, {}};
        odd.u.ref = reinterpret_cast<void*>(0x3000);
        return node(ZVI_QUAL_OR,
                    node(ZVI_QUAL_AND, compare(2, sum, values({"a", "bb", "ccc"})), compare(3, ref(6), query(inner))),
                    node(ZVI_QUAL_OR, compare(4, ref(54), arith(2, ref(55), ref(56))),
                         node(ZVI_QUAL_AND, passed, compare(5, odd, query(nullptr)))));
    }
};

struct Dump : trees::Dump<Qualifier> {
    using trees::Dump<Qualifier>::add;
    void add(const QueryRef& r) { queryRef(r); }
    void subQuery(const Operand& o) override { pointer(o.u.query, [this](const QueryRef& r) { queryRef(r); }); }
    void queryRef(const QueryRef& r) {
        bytes(&r, offsetof(QueryRef, qualifier));
        word(r.valueFieldId);
        word(r.matchCode);
        optional(r.qualifier);
    }
};

template <class T>
size_t sweep(uint32_t (*copy)(T*, const T*), void (*release)(T*, uint8_t), const T& source,
             const std::function<void(const T&)>& failed = {}) {
    return trees::sweepDeep<Dump>(copy, release, source, failed);
}

}  // namespace

TEST(CopyQualifier, AllocatesInTheOrderOfARecursiveCopyAndReleasesItsHolder) {
    Tree t;
    Qualifier* below = t.compare(2, t.arith(1, t.field(2), t.text("de")), t.query(t.node(ZVI_QUAL_NONE)));
    Qualifier* source = t.node(ZVI_QUAL_AND, t.compare(1, t.field(1), t.values({"x", "yy"})), t.node(ZVI_QUAL_NOT, below));
    auto* copy = static_cast<Qualifier*>(std::malloc(sizeof(Qualifier)));
    alloc::Window w;
    ASSERT_EQ(CopyQualifier(copy, source), 0u);
    EXPECT_EQ(w.sizes(), (std::vector<size_t>{24, 24, 56, 32, 2, 3, 24, 56, 56, 3, 336, 24}));
    ReleaseQualifier(copy, 1);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyQualifier, Operation6ReleasesOnlyItsRightOperandUnlessItsCopyFailed) {
    Tree t;
    Qualifier* source = t.node(ZVI_QUAL_AND, t.compare(1, t.arith(ZVI_ARITH_UNARY, t.text("left"), t.text("right")), t.field(2)),
                               t.compare(1, t.field(3), t.text("r")));
    // A failed copy frees its partial tree whole (the sweep finds nothing left).
    alloc::sweep([&](const alloc::Window& w) {
        Qualifier copy;
        if (CopyQualifier(&copy, source) != 0) return;
        char* left = copy.u.pair.left->u.relOp->left.u.arith->left.u.value.payload.text;
        EXPECT_STREQ(left, "left");
        ReleaseQualifier(&copy, 0);
        EXPECT_EQ(w.liveBlocks(), 1u);
        std::free(left);
    });
}

TEST(CopyQualifier, EveryRoutineCopiesDeeplyAndSurvivesEachFailedAllocation) {
    // The sub-tree reached twice is duplicated at both places; the node of operation 9
    // and the operand of tag 77 keep the caller's bytes.
    Tree t;
    Qualifier* source = t.rich();
    EXPECT_GT(sweep<Qualifier>(CopyQualifier, ReleaseQualifier, *source, [](const Qualifier& copy) {
        EXPECT_EQ(copy.operation, uint32_t{ZVI_QUAL_OR});  // the operation stays, with null members
        EXPECT_TRUE(copy.u.pair.left == nullptr && copy.u.pair.right == nullptr);
    }), 30u);
    const RelationalOp& withSum = *source->u.pair.left->u.pair.left->u.relOp;
    sweep<RelationalOp>(CopyRelationalOp, ReleaseRelationalOp, withSum,
                        [&](const RelationalOp& copy) { EXPECT_EQ(copy.operation, withSum.operation); });
    sweep<ArithOp>(CopyArithOp, ReleaseArithOp, *withSum.left.u.arith);
    sweep<Operand>(CopyOperand, ReleaseOperand, withSum.right, [](const Operand& copy) {
        EXPECT_EQ(copy.tag, uint32_t{ZVI_OPERAND_VALUE_SET});
        EXPECT_EQ(copy.u.valueSet.items, nullptr);
    });
    sweep<QueryRef>(CopyQueryRef, ReleaseQueryRef, *source->u.pair.left->u.pair.right->u.relOp->right.u.query,
                    [](const QueryRef& copy) {
                        EXPECT_EQ(copy.qualifier, nullptr);
                        EXPECT_STREQ(copy.formName, "Tickets");
                    });
    alloc::Window w;  // a release leaves an empty qualifier
    Qualifier copy;
    ASSERT_EQ(CopyQualifier(&copy, source), 0u);
    ReleaseQualifier(&copy, 0);
    EXPECT_TRUE(copy.operation == 0 && copy.u.pair.left == nullptr);
}

TEST(ReleaseQualifierList, ReleasesEveryNodeInPlace) {
    Tree t;
    Qualifier* sources[] = {t.node(ZVI_QUAL_NOT, t.compare(1, t.field(1), t.text("x"))), t.node(ZVI_QUAL_NONE),
                            t.compare(2, t.field(2), t.query(t.node(ZVI_QUAL_NONE))), nullptr};
    alloc::Window w;
    QualifierList list{4, static_cast<Qualifier*>(std::malloc(4 * sizeof(Qualifier)))};
    std::memset(list.items, 0xab, 4 * sizeof(Qualifier));
    for (int i = 0; i < 4; ++i) ASSERT_EQ(CopyQualifier(&list.items[i], sources[i]), 0u);
    EXPECT_EQ(w.allocations(), 1u + 2 + 1 + 2 + 1);  // a null source gives an empty qualifier
    EXPECT_EQ(list.items[3].operation, 0u);
    EXPECT_EQ(CopyQualifier(nullptr, sources[0]), 0u);
    ReleaseQualifierList(&list, 0);
    EXPECT_TRUE(list.numItems == 0 && list.items == nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(DeepQualifier, MillionNodesOnA256KiBStack) {
    // "a OR b OR c ...": each node's left is the chain so far, its right one leaf.
    const int kDepth = trees::heavy(1000000);
    Tree t;
    t.reserve(2 * kDepth + 16);
    Qualifier* chain = t.compare(1, t.field(1), t.field(0));
    Qualifier* leaf = t.compare(1, t.field(1), t.field(2));
    for (int i = 1; i < kDepth; ++i) chain = t.node(ZVI_QUAL_OR, chain, leaf);
    // The same depth through arithmetic and sub-queries, and the clean-up of a deep
    // copy that fails.
    Tree::Operand sum = t.field(1);
    for (int i = 0; i < trees::heavy(200000); ++i) sum = t.arith(1, sum, t.field(2));
    Qualifier* nested = t.compare(1, sum, t.field(3));
    for (int i = 0; i < trees::heavy(100000); ++i) nested = t.compare(2, t.field(4), t.query(t.node(ZVI_QUAL_NOT, nested)));
    trees::onSmallStack([&] {
        Qualifier copy;
        ASSERT_EQ(CopyQualifier(&copy, chain), 0u);
        int depth = 1;
        const Qualifier* c = &copy;
        for (; c->operation == ZVI_QUAL_OR; c = c->u.pair.left, ++depth) ASSERT_NE(c->u.pair.right, leaf);
        EXPECT_EQ(depth, kDepth);
        EXPECT_EQ(c->u.relOp->right.u.id, 0u);
        ReleaseQualifier(&copy, 0);
        ASSERT_EQ(CopyQualifier(&copy, nested), 0u);
        ReleaseQualifier(&copy, 0);
        alloc::Window w(trees::heavy(500000));
        EXPECT_EQ(CopyQualifier(&copy, nested), 300u);
        EXPECT_EQ(copy.u.relOp, nullptr);
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}
