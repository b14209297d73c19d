// Multi-form queries: the order and sizes of a copy's allocations through sources,
// nested queries, sub-queries and qualifiers, what a failed copy leaves, and queries
// nested far deeper than a thread's stack.
#include <gtest/gtest.h>

#include "tests/support/trees.h"

using namespace zvi;

namespace {

struct Tree : trees::Arena<MultiQualifier> {
    static MultiOperand field(const MultiFieldRef& r, uint32_t tag = ZVI_MULTI_OPERAND_FIELD) {
        MultiOperand o{tag, {}};
        o.u.field = r;
        return o;
    }
    static MultiFromItem form(const char* name, const char* alias, MultiQualifier* join = nullptr) {
        MultiFromItem it{ZVI_MULTI_FROM_FORM, {}, {}, 1, join};
        std::strcpy(it.u.formName, name);
        std::strcpy(it.alias, alias);
        return it;
    }
    MultiFromItem nested(const MultiQuery& q, const char* alias, MultiQualifier* join = nullptr) {
        MultiFromItem it = form("", alias, join);
        it.fromType = ZVI_MULTI_FROM_QUERY;
        it.u.query = make(q);
        return it;
    }
    // A counted list: MultiFromList, MultiFieldItemList or MultiFieldRefList.
    template <class L>
    L list(std::initializer_list<std::remove_pointer_t<decltype(L{}.items)>> items) {
        return {static_cast<uint32_t>(items.size()), copyOf(items)};
    }
    MultiOperand subQuery(const MultiSubQuery& s) {
        MultiOperand o{ZVI_MULTI_OPERAND_SUB_QUERY, {}};
        o.u.subQuery = make(s);
        return o;
    }
};

template <class T>
bool isZero(const T& record) {
    static const T zero{};
    return std::memcmp(&record, &zero, sizeof record) == 0;
}

}  // namespace

TEST(CopyMultiQuery, EveryRoutineCopiesInTheOrderOfARecursiveCopyThroughEachFailedAllocation) {
    // A form and a nested query as sources, with joins; a sub-query, arithmetic,
    // records of tags 6 and 54 to 56, an inline record, and a node passed on as it stands.
    Tree t;
    MultiQuery inner{};
    inner.fromList = t.list<MultiFromList>({t.form("People", "P")});
    inner.fields = t.list<MultiFieldItemList>({{"P", 1, 0}});
    inner.groupQualifier = t.compare(3, t.field({"P", 7}), t.field({"P", 8}));
    MultiOperand record{4, {}};
    std::memset(record.u.record, 0x5c, sizeof record.u.record);
    MultiQualifier* passed = t.node(9);
    std::memset(passed->u.raw, 0x5a, sizeof passed->u.raw);
    const MultiSubQuery sub{t.list<MultiFromList>({t.form("Assets", "S")}), {"S", 8},
                            t.compare(1, record, t.text("in")), t.list<MultiFieldRefList>({{"S", 3}}),
                            t.node(ZVI_QUAL_NOT, passed)};
    MultiQuery q{};
    std::strcpy(q.queryName, "outer");
    q.fromList =
        t.list<MultiFromList>({t.form("Tickets", "T"), t.nested(inner, "I", t.node(ZVI_MULTI_QUAL_FIELD))});
    q.fields = t.list<MultiFieldItemList>({{"T", 1, 0}, {"I", 2, 0}});
    q.qualifier = t.node(ZVI_QUAL_AND, t.compare(1, t.arith(1, t.field({"I", 1}), t.ref(6)), t.subQuery(sub)),
                         t.compare(2, t.values({"ab"}), t.arith(ZVI_ARITH_UNARY, {}, t.ref(54))));
    q.extraQualifier = t.compare(4, t.ref(55), t.ref(56));
    q.option = 77;
    q.groupBy = t.list<MultiFieldRefList>({{"T", 5}});
    auto zeroed = [](const auto& c) { EXPECT_TRUE(isZero(c)); };
    const MultiOperand unary = t.arith(ZVI_ARITH_UNARY, t.text("left"), t.text("right"));
    // A copy that shared a block of the caller's would make fewer allocations.
    EXPECT_EQ(copies::sweep(CopyMultiQuery, ReleaseMultiQuery, &q, {}, [](const MultiQuery& c) {
        EXPECT_TRUE(std::strcmp(c.queryName, "outer") == 0 && c.option == 77);
        // An empty group qualifier where the source had none; the nested query's is its own.
        EXPECT_TRUE(isZero(*c.groupQualifier));
        EXPECT_EQ(c.fromList.items[1].u.query->groupQualifier->operation, uint32_t{ZVI_QUAL_REL_OP});
    }, zeroed, true), 33u);
    const MultiRelationalOp& withSub = *q.qualifier->u.pair.left->u.relOp;
    copies::sweep(CopyMultiFromItem, ReleaseMultiFromItem, &q.fromList.items[1], {}, {}, zeroed, true);
    // A qualifier keeps its operation, with null members; an operand its tag.
    copies::sweep(CopyMultiQualifier, ReleaseMultiQualifier, q.qualifier, {}, {}, [](const MultiQualifier& c) {
        EXPECT_EQ(c.operation, uint32_t{ZVI_QUAL_AND});
        EXPECT_TRUE(c.u.pair.left == nullptr && c.u.pair.right == nullptr);
    }, true);
    copies::sweep(CopyMultiOperand, ReleaseMultiOperand, &withSub.right, {}, {}, [](const MultiOperand& c) {
        EXPECT_EQ(c.tag, uint32_t{ZVI_MULTI_OPERAND_SUB_QUERY});
        EXPECT_EQ(c.u.subQuery, nullptr);
    }, true);
    // A release zeroes what it keeps, and frees records of their own with their holders;
    // operation 6 copies its left operand, but only its right one is the release's.
    alloc::Window w;
    auto* item = static_cast<MultiFromItem*>(std::malloc(sizeof(MultiFromItem)));
    ASSERT_EQ(CopyMultiFromItem(item, &q.fromList.items[1]), 0u);
    ReleaseMultiFromItem(item, 1);
    MultiArithOp arith;
    ASSERT_EQ(CopyMultiArithOp(&arith, unary.u.arith), 0u);
    char* left = arith.left.u.value.payload.text;
    EXPECT_STREQ(left, "left");
    ReleaseMultiArithOp(&arith, 0);
    EXPECT_EQ(w.liveBlocks(), 1u);
    std::free(left);
}

TEST(CopyMultiQuery, NullSourcesZeroAndNullMembersBecomeEmptyRecords) {
    Tree t;
    const MultiOperand noArith{ZVI_MULTI_OPERAND_ARITH, {}}, noRecord{ZVI_MULTI_OPERAND_REF_6, {}};
    MultiQualifier* hollow = t.node(ZVI_QUAL_AND);
    alloc::Window w;
    MultiQualifier copy;
    MultiOperand operand;
    std::memset(static_cast<void*>(&copy), 1, sizeof copy);
    EXPECT_EQ(CopyMultiQualifier(&copy, nullptr) + CopyMultiQuery(nullptr, nullptr), 0u);
    EXPECT_TRUE(isZero(copy) && w.allocations() == 0);
    ASSERT_EQ(CopyMultiQualifier(&copy, hollow), 0u);
    EXPECT_TRUE(isZero(*copy.u.pair.left) && isZero(*copy.u.pair.right));
    ReleaseMultiQualifier(&copy, 0);
    EXPECT_TRUE(isZero(copy));
    ASSERT_EQ(CopyMultiOperand(&operand, &noArith), 0u);
    EXPECT_TRUE(isZero(*operand.u.arith));
    ReleaseMultiOperand(&operand, 0);
    ASSERT_EQ(CopyMultiOperand(&operand, &noRecord), 0u);  // but a null operand record stays null
    EXPECT_EQ(operand.u.ref, nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(DeepMultiQuery, QueriesNestedThroughSourcesSubQueriesAndArithmeticOnA256KiBStack) {
    Tree t;
    MultiQuery q{};
    for (int i = 0; i < trees::heavy(20000); ++i) {
        MultiOperand sum = t.field({"T", 1});
        if (i % 100 == 0)
            for (int j = 0; j < 50; ++j) sum = t.arith(1, sum, t.field({"T", 2}));
        MultiSubQuery sub{};
        sub.fromList = t.list<MultiFromList>({t.nested(q, "Q")});
        q = MultiQuery{};
        q.fromList = t.list<MultiFromList>({t.form("F", "F")});
        q.qualifier = t.compare(1, sum, t.subQuery(sub));
    }
    trees::onSmallStack([&] {
        MultiQuery copy;
        ASSERT_EQ(CopyMultiQuery(&copy, &q), 0u);
        ReleaseMultiQuery(&copy, 0);
        alloc::Window w(trees::heavy(100000));
        EXPECT_EQ(CopyMultiQuery(&copy, &q), 300u);
        EXPECT_TRUE(isZero(copy));
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}
