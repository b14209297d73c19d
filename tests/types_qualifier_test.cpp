// Qualifier trees: the order and sizes of a copy's allocations (a copy that shared a
// block of the caller's would lack one), what a failed copy leaves, and trees far
// deeper than a thread's stack.
#include <gtest/gtest.h>

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
        QueryRef r{"Tickets", "srv", q, 536870913, 2};
        Operand o{ZVI_OPERAND_QUERY, {}};
        o.u.query = make(r);
        return o;
    }
};

}  // namespace

TEST(CopyQualifier, EveryRoutineCopiesInTheOrderOfARecursiveCopyThroughEachFailedAllocation) {
    // Every operand tag with memory behind it, a sub-tree reached twice (duplicated at
    // both places), and nodes and operands whose members stay the caller's bytes.
    Tree t;
    Qualifier* twice = t.compare(1, t.field(7), t.text("tw"));
    Tree::Operand odd{77, {}};
    odd.u.ref = reinterpret_cast<void*>(0x3000);
    Qualifier* passed = t.node(9, reinterpret_cast<Qualifier*>(0x1000), reinterpret_cast<Qualifier*>(0x2000));
    Qualifier* last = t.node(ZVI_QUAL_AND, passed, t.compare(5, odd, t.query(nullptr)));
    Qualifier* sub = t.node(ZVI_QUAL_AND, twice, t.node(ZVI_QUAL_OR, twice, last));
    Qualifier* top = t.compare(2, t.arith(1, t.ref(6), t.arith(ZVI_ARITH_UNARY, {}, t.text("de"))), t.query(sub));
    Qualifier* refs = t.compare(4, t.ref(54), t.arith(2, t.ref(55), t.ref(56)));
    Qualifier* source = t.node(ZVI_QUAL_AND, t.compare(1, t.field(1), t.values({"x", "yy"})),
                               t.node(ZVI_QUAL_NOT, t.node(ZVI_QUAL_AND, refs, top)));
    const RelationalOp& rel = *top->u.relOp;
    auto failed = [](const Qualifier& c) {  // the operation stays, with null members
        EXPECT_TRUE(c.operation == ZVI_QUAL_AND && c.u.pair.left == nullptr && c.u.pair.right == nullptr);
    };
    // A copy that shared a block of the caller's would make fewer allocations.
    EXPECT_EQ(copies::sweep(CopyQualifier, ReleaseQualifier, source, {}, {}, failed, true), 33u);
    copies::sweep(CopyOperand, ReleaseOperand, &source->u.pair.left->u.relOp->right, {}, {}, [](const Operand& c) {
        EXPECT_EQ(c.tag, uint32_t{ZVI_OPERAND_VALUE_SET});
        EXPECT_EQ(c.u.valueSet.items, nullptr);
    }, true);
    copies::sweep(CopyQueryRef, ReleaseQueryRef, rel.right.u.query, {}, {}, [](const QueryRef& c) {
        EXPECT_EQ(c.qualifier, nullptr);
        EXPECT_STREQ(c.formName, "Tickets");
    }, true);
}

TEST(CopyQualifier, Operation6ReleasesOnlyItsRightOperandUnlessItsCopyFailed) {
    Tree t;
    Qualifier* source = t.compare(1, t.arith(ZVI_ARITH_UNARY, t.text("left"), t.text("right")), t.field(2));
    // A failed copy frees its partial tree whole.
    alloc::sweep([&](const alloc::Window& w) {
        Qualifier copy;
        if (CopyQualifier(&copy, source) != 0) return;
        char* left = copy.u.relOp->left.u.arith->left.u.value.payload.text;
        EXPECT_STREQ(left, "left");
        ReleaseQualifier(&copy, 0);
        EXPECT_EQ(w.liveBlocks(), 1u);
        std::free(left);
    });
}

TEST(DeepQualifier, MillionNodesOnA256KiBStack) {
    // "a OR b OR c ...": each node's left is the chain so far, its right one leaf; then
    // the same depth through arithmetic and sub-queries, and the clean-up of a deep copy
    // that fails.
    const int kDepth = trees::heavy(1000000);
    Tree t;
    Qualifier* chain = t.compare(1, t.field(1), t.field(0));
    Qualifier* leaf = t.compare(1, t.field(1), t.field(2));
    for (int i = 1; i < kDepth; ++i) chain = t.node(ZVI_QUAL_OR, chain, leaf);
    Tree::Operand sum = t.field(1);
    for (int i = 0; i < trees::heavy(200000); ++i) sum = t.arith(1, sum, t.field(2));
    Qualifier* nested = t.compare(1, sum, t.field(3));
    for (int i = 0; i < trees::heavy(100000); ++i)
        nested = t.compare(2, t.field(4), t.query(t.node(ZVI_QUAL_NOT, nested)));
    trees::onSmallStack([&] {
        Qualifier copy;
        ASSERT_EQ(CopyQualifier(&copy, chain), 0u);
        int depth = 1;
        const Qualifier* c = &copy;
        for (; c->operation == ZVI_QUAL_OR; c = c->u.pair.left, ++depth) ASSERT_NE(c->u.pair.right, leaf);
        EXPECT_EQ(depth, kDepth);
        ReleaseQualifier(&copy, 0);
        ASSERT_EQ(CopyQualifier(&copy, nested), 0u);
        ReleaseQualifier(&copy, 0);
        alloc::Window w(trees::heavy(500000));
        EXPECT_EQ(CopyQualifier(&copy, nested), 300u);
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}
