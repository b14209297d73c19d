// Multi-form queries: deep copies of sources, nested queries, sub-queries and
// qualifiers, the order of their allocations, what a failed copy leaves, and queries
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
    static MultiOperand inlineRecord(uint32_t tag) {
        MultiOperand o{tag, {}};
        for (size_t i = 0; i < sizeof o.u.record; ++i) o.u.record[i] = static_cast<uint8_t>(i);
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
        it.joinType = 2;
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
    // A form and a nested query (itself grouped, with a group qualifier) as sources,
    // joins, fields, a selection qualifier whose comparisons hold every operand tag, a
    // sub-query with every member filled and nodes passed on, an extra qualifier,
    // grouping and a group qualifier.
    MultiQuery rich() {
        MultiQuery inner{};
        std::strcpy(inner.queryName, "inner");
        inner.fromList = list<MultiFromList>({form("People", "P")});
        inner.fields = list<MultiFieldItemList>({{"P", 1, 0}, {"P", 7, 0}});
        inner.qualifier = compare(1, field({"P", 7}), text("active"));
        inner.groupBy = list<MultiFieldRefList>({{"P", 7}});
        inner.groupQualifier = compare(3, field({"P", 7}), field({"P", 8}));
        inner.option = 4;
        const MultiSubQuery sub{list<MultiFromList>({form("Assets", "S")}), {"S", 8}, compare(1, field({"S", 2}), text("in use")),
                                list<MultiFieldRefList>({{"S", 3}}),
                                node(ZVI_QUAL_NOT, compare(5, field({"S", 3}, 12), field({"S", 4}, 99)))};
        MultiQuery q{};
        std::strcpy(q.queryName, "outer");
        q.fromList = list<MultiFromList>({form("Tickets", "T"), nested(inner, "I", compare(1, field({"T", 2}), field({"I", 1}))),
                                          form("Notes", "N", node(ZVI_MULTI_QUAL_FIELD))});
        q.fields = list<MultiFieldItemList>({{"T", 1, 0}, {"I", 7, 0}, {"N", 3, 1}});
        MultiQualifier* passed = node(9);
        std::memset(passed->u.raw, 0x5a, sizeof passed->u.raw);
        q.qualifier = node(
            ZVI_QUAL_AND,
            node(ZVI_QUAL_OR, compare(1, field({"T", 5}, 20), arith(1, field({"T", 6}, 50), text("7"))),
                 compare(2, values({"one", "two"}), subQuery(sub))),
            node(ZVI_QUAL_AND, compare(4, ref(6), ref(54)),
                 node(ZVI_QUAL_OR, compare(6, inlineRecord(4), arith(ZVI_ARITH_UNARY, MultiOperand{}, ref(56))),
                      node(ZVI_QUAL_AND, passed, compare(7, inlineRecord(88), arith(2, ref(55), field({"N", 1}, 51)))))));
        q.extraQualifier = node(ZVI_QUAL_NOT, compare(1, field({"T", 9}), text("x")));
        q.option = 77;
        q.groupBy = list<MultiFieldRefList>({{"T", 5}, {"I", 7}});
        q.groupQualifier = node(ZVI_MULTI_QUAL_FIELD);
        return q;
    }
};

struct Dump : trees::Dump<MultiQualifier> {
    using trees::Dump<MultiQualifier>::add;
    void add(const MultiQuery& q) { query(q); }
    void add(const MultiSubQuery& s) { sub(s); }
    void add(const MultiFromList& l) { fromList(l); }
    void add(const MultiFromItem& it) { fromItem(it); }
    void subQuery(const MultiOperand& o) override { pointer(o.u.subQuery, [this](const MultiSubQuery& s) { sub(s); }); }
    void sub(const MultiSubQuery& s) {
        fromList(s.fromList);
        bytes(&s.field, sizeof s.field);
        optional(s.qualifier);
        flat(s.groupBy);
        optional(s.groupQualifier);
    }
    void query(const MultiQuery& q) {
        bytes(q.queryName, sizeof q.queryName);
        fromList(q.fromList);
        flat(q.fields);
        optional(q.qualifier);
        optional(q.extraQualifier);
        word(q.option);
        flat(q.groupBy);
        optional(q.groupQualifier);
    }
    void fromList(const MultiFromList& l) {
        word(l.numItems);
        if (l.numItems) blocks.push_back(l.items);
        for (uint32_t i = 0; i < l.numItems; ++i) fromItem(l.items[i]);
    }
    void fromItem(const MultiFromItem& it) {
        word(it.fromType);
        word(it.joinType);
        bytes(it.alias, sizeof it.alias);
        if (it.fromType == ZVI_MULTI_FROM_FORM) bytes(it.u.formName, sizeof it.u.formName);
        if (it.fromType == ZVI_MULTI_FROM_QUERY) pointer(it.u.query, [this](const MultiQuery& q) { query(q); });
        optional(it.joinQualifier);
    }
};

template <class T>
bool isZero(const T& record) {
    static const T zero{};
    return std::memcmp(&record, &zero, sizeof record) == 0;
}

// A failed copy leaves a zeroed destination unless failed says otherwise.
template <class T>
size_t sweep(uint32_t (*copy)(T*, const T*), void (*release)(T*, uint8_t), const T& source,
             const std::function<void(const T&)>& failed = [](const T& copy) { EXPECT_TRUE(isZero(copy)); }) {
    return trees::sweepDeep<Dump>(copy, release, source, failed);
}

}  // namespace

TEST(CopyMultiQuery, AllocatesInTheOrderOfARecursiveCopy) {
    Tree t;
    MultiQuery inner{};
    inner.fromList = t.list<MultiFromList>({t.form("People", "P")});
    inner.fields = t.list<MultiFieldItemList>({{"P", 1, 0}});
    MultiQuery q{};
    q.fromList = t.list<MultiFromList>({t.nested(inner, "I", t.node(ZVI_MULTI_QUAL_FIELD))});
    q.fields = t.list<MultiFieldItemList>({{"I", 1, 0}, {"I", 2, 0}});
    q.qualifier = t.compare(1, t.field({"I", 1}), t.text("ab"));
    q.groupBy = t.list<MultiFieldRefList>({{"I", 1}});
    alloc::Window w;
    MultiQuery copy;
    ASSERT_EQ(CopyMultiQuery(&copy, &q), 0u);
    EXPECT_EQ(w.sizes(), (std::vector<size_t>{536, 336, 536, 264, 272, 272, 528, 272, 568, 3, 260, 272}));
    // Neither query had a group qualifier: each copy has an empty one.
    ASSERT_NE(copy.groupQualifier, nullptr);
    EXPECT_TRUE(isZero(*copy.groupQualifier) && isZero(*copy.fromList.items[0].u.query->groupQualifier));
    ReleaseMultiQuery(&copy, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyMultiQuery, NullSourcesAndNullMembers) {
    Tree t;
    MultiQualifier* hollow = t.node(ZVI_QUAL_AND);
    const MultiOperand noArith{ZVI_MULTI_OPERAND_ARITH, {}}, noRecord{ZVI_MULTI_OPERAND_REF_6, {}};
    alloc::Window w;
    // Null sources zero the destination; null destinations are ignored.
    MultiQuery query;
    MultiFromItem item;
    MultiOperand operand;
    MultiFromList list;
    MultiQualifier copy;
    auto dirty = [](auto&... records) { (std::memset(static_cast<void*>(&records), 1, sizeof records), ...); };
    dirty(query, item, operand, list, copy);
    EXPECT_EQ(CopyMultiQuery(&query, nullptr) + CopyMultiFromItem(&item, nullptr) + CopyMultiOperand(&operand, nullptr) +
                  CopyMultiFromList(&list, nullptr) + CopyMultiQualifier(&copy, nullptr), 0u);
    EXPECT_TRUE(isZero(query) && isZero(item) && isZero(operand) && isZero(list) && isZero(copy));
    EXPECT_EQ(CopyMultiQuery(nullptr, &query) + CopyMultiFieldRefList(nullptr, nullptr), 0u);
    EXPECT_EQ(w.allocations(), 0u);
    // Null members below a copied record become empty records of their own, but a null
    // operand record stays null.
    ASSERT_EQ(CopyMultiQualifier(&copy, hollow), 0u);
    EXPECT_TRUE(isZero(*copy.u.pair.left) && isZero(*copy.u.pair.right));
    ReleaseMultiQualifier(&copy, 0);
    EXPECT_TRUE(isZero(copy));
    ASSERT_EQ(CopyMultiOperand(&operand, &noArith), 0u);
    EXPECT_TRUE(isZero(*operand.u.arith));
    ReleaseMultiOperand(&operand, 0);
    ASSERT_EQ(CopyMultiOperand(&operand, &noRecord), 0u);
    EXPECT_EQ(operand.u.ref, nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyMultiQuery, EveryRoutineCopiesDeeplyAndSurvivesEachFailedAllocation) {
    Tree t;
    const MultiQuery source = t.rich();
    EXPECT_GT(sweep<MultiQuery>(CopyMultiQuery, ReleaseMultiQuery, source), 50u);
    sweep<MultiFromList>(CopyMultiFromList, ReleaseMultiFromList, source.fromList);
    sweep<MultiFromItem>(CopyMultiFromItem, ReleaseMultiFromItem, source.fromList.items[1]);
    // A qualifier keeps its operation, with null members; an operand its tag.
    sweep<MultiQualifier>(CopyMultiQualifier, ReleaseMultiQualifier, *source.qualifier, [](const MultiQualifier& copy) {
        EXPECT_EQ(copy.operation, uint32_t{ZVI_QUAL_AND});
        EXPECT_TRUE(copy.u.pair.left == nullptr && copy.u.pair.right == nullptr);
    });
    const MultiRelationalOp& withSubQuery = *source.qualifier->u.pair.left->u.pair.right->u.relOp;
    sweep<MultiRelationalOp>(CopyMultiRelationalOp, ReleaseMultiRelationalOp, withSubQuery);
    sweep<MultiOperand>(CopyMultiOperand, ReleaseMultiOperand, withSubQuery.right, [](const MultiOperand& copy) {
        EXPECT_EQ(copy.tag, uint32_t{ZVI_MULTI_OPERAND_SUB_QUERY});
        EXPECT_EQ(copy.u.subQuery, nullptr);
    });
    sweep<MultiSubQuery>(CopyMultiSubQuery, ReleaseMultiSubQuery, *withSubQuery.right.u.subQuery);
    sweep<MultiArithOp>(CopyMultiArithOp, ReleaseMultiArithOp,
                        *source.qualifier->u.pair.left->u.pair.left->u.relOp->right.u.arith);
    const MultiOperand unary = t.arith(ZVI_ARITH_UNARY, t.text("left"), t.text("right"));
    // A release zeroes what it keeps, and frees records of their own with their holders.
    alloc::Window w;
    MultiQuery copy;
    ASSERT_EQ(CopyMultiQuery(&copy, &source), 0u);
    ReleaseMultiQuery(&copy, 0);
    EXPECT_TRUE(isZero(copy));
    auto* item = static_cast<MultiFromItem*>(std::malloc(sizeof(MultiFromItem)));
    ASSERT_EQ(CopyMultiFromItem(item, &source.fromList.items[1]), 0u);
    ReleaseMultiFromItem(item, 1);
    auto* relOp = static_cast<MultiRelationalOp*>(std::malloc(sizeof(MultiRelationalOp)));
    ASSERT_EQ(CopyMultiRelationalOp(relOp, &withSubQuery), 0u);
    ReleaseMultiRelationalOp(relOp, 1);
    EXPECT_EQ(w.liveBlocks(), 0u);
    // Operation 6 copies its left operand, but only its right one is the release's.
    MultiArithOp arith;
    ASSERT_EQ(CopyMultiArithOp(&arith, unary.u.arith), 0u);
    char* left = arith.left.u.value.payload.text;
    EXPECT_STREQ(left, "left");
    ReleaseMultiArithOp(&arith, 0);
    EXPECT_EQ(w.liveBlocks(), 1u);
    std::free(left);
}

TEST(DeepMultiQuery, QueriesNestedThroughSourcesSubQueriesAndArithmeticOnA256KiBStack) {
    // (The qualifier walk's depth is shown by the single-form qualifier tests.)
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
