// Multi-form queries: deep copies of sources, nested queries, sub-queries and
// qualifiers, the order of their allocations, what a failed copy leaves, and
// structures far deeper than a thread's stack.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <type_traits>
#include <vector>

#include "tests/support/alloc_injector.h"
#include "tests/support/trees.h"
#include "types/types.h"

using namespace zvi;

namespace {

struct Tree : trees::Arena<MultiQualifier> {
    static MultiFieldRef fieldRef(const char* alias, uint32_t id) {
        MultiFieldRef r{};
        std::strcpy(r.alias, alias);
        r.fieldId = id;
        return r;
    }
    static MultiOperand field(const char* alias, uint32_t id, uint32_t tag = ZVI_MULTI_OPERAND_FIELD) {
        MultiOperand o{};
        o.tag = tag;
        o.u.field = fieldRef(alias, id);
        return o;
    }
    static MultiOperand inlineRecord(uint32_t tag) {
        MultiOperand o{};
        o.tag = tag;
        for (size_t i = 0; i < sizeof o.u.record; ++i) o.u.record[i] = static_cast<uint8_t>(i);
        return o;
    }
    static MultiFromItem form(const char* name, const char* alias, MultiQualifier* join = nullptr) {
        MultiFromItem it{};
        it.fromType = ZVI_MULTI_FROM_FORM;
        std::strcpy(it.u.formName, name);
        std::strcpy(it.alias, alias);
        it.joinType = 1;
        it.joinQualifier = join;
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
        return {static_cast<uint32_t>(items.size()), array(items)};
    }
    // A sub-query operand with every member filled.
    MultiOperand subQuery() {
        MultiSubQuery s{};
        s.fromList = list<MultiFromList>({form("Assets", "S")});
        s.field = fieldRef("S", 8);
        s.qualifier = compare(1, field("S", 2), text("in use"));
        s.groupBy = list<MultiFieldRefList>({fieldRef("S", 3)});
        s.groupQualifier = node(ZVI_QUAL_NOT, compare(5, field("S", 3, 12), field("S", 4, 99)));
        MultiOperand o{};
        o.tag = ZVI_MULTI_OPERAND_SUB_QUERY;
        o.u.subQuery = make(s);
        return o;
    }
    // A form and a nested query (itself grouped, with a group qualifier) as sources,
    // joins, fields, a selection qualifier whose comparisons hold every operand tag and
    // nodes passed on, an extra qualifier, grouping and a group qualifier.
    MultiQuery rich() {
        MultiQuery inner{};
        std::strcpy(inner.queryName, "inner");
        inner.fromList = list<MultiFromList>({form("People", "P")});
        inner.fields = list<MultiFieldItemList>({{"P", 1, 0}, {"P", 7, 0}});
        inner.qualifier = compare(1, field("P", 7), text("active"));
        inner.groupBy = list<MultiFieldRefList>({fieldRef("P", 7)});
        inner.groupQualifier = compare(3, field("P", 7), field("P", 8));
        inner.option = 4;

        MultiQuery q{};
        std::strcpy(q.queryName, "outer");
        q.fromList = list<MultiFromList>({form("Tickets", "T"),
                                          nested(inner, "I", compare(1, field("T", 2), field("I", 1))),
                                          form("Notes", "N", node(ZVI_MULTI_QUAL_FIELD))});
        q.fields = list<MultiFieldItemList>({{"T", 1, 0}, {"I", 7, 0}, {"N", 3, 1}});
        MultiQualifier* passed = node(9);
        std::memset(passed->u.raw, 0x5a, sizeof passed->u.raw);
        q.qualifier = node(
            ZVI_QUAL_AND,
            node(ZVI_QUAL_OR, compare(1, field("T", 5, 20), arith(1, field("T", 6, 50), text("7"))),
                 compare(2, values({"one", "two"}), subQuery())),
            node(ZVI_QUAL_AND, compare(4, ref(6), ref(54)),
                 node(ZVI_QUAL_OR, compare(6, inlineRecord(4), arith(ZVI_ARITH_UNARY, MultiOperand{}, ref(56))),
                      node(ZVI_QUAL_AND, passed, compare(7, inlineRecord(88), arith(2, ref(55), field("N", 1, 51)))))));
        q.extraQualifier = node(ZVI_QUAL_NOT, compare(1, field("T", 9), text("x")));
        q.option = 77;
        q.groupBy = list<MultiFieldRefList>({fieldRef("T", 5), fieldRef("I", 7)});
        q.groupQualifier = node(ZVI_MULTI_QUAL_FIELD);
        return q;
    }
};

struct Dump : trees::Dump<MultiQualifier> {
    using trees::Dump<MultiQualifier>::add;
    void add(const MultiQuery& q) { then([this, &q] { query(q); }); }
    void add(const MultiSubQuery& s) { then([this, &s] { sub(s); }); }
    void add(const MultiFromList& l) { then([this, &l] { fromList(l); }); }
    void add(const MultiFromItem& it) { then([this, &it] { fromItem(it); }); }

    void subQuery(const MultiOperand& o) override { pointer(o.u.subQuery, [this](const MultiSubQuery& s) { sub(s); }); }
    void optional(const MultiQualifier* q) { pointer(q, [this](const MultiQualifier& child) { qualifier(child); }); }
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

// Sweeps the allocation failures of a copy routine (a failed copy leaves what failed
// says, a zeroed destination unless told otherwise); its complete copy must be deep.
template <class T>
size_t sweep(uint32_t (*copy)(T*, const T*), void (*release)(T*, uint8_t), const T& source,
             std::function<void(const T&)> failed = [](const T& copy) { EXPECT_TRUE(isZero(copy)); }) {
    return trees::sweepCopy<T>(copy, release, &source, failed,
                               [&](const T& c) { trees::expectDeepCopy<Dump>(c, source); });
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
    q.qualifier = t.compare(1, t.field("I", 1), t.text("ab"));
    q.groupBy = t.list<MultiFieldRefList>({t.fieldRef("I", 1)});
    alloc::Window w;
    MultiQuery copy;
    ASSERT_EQ(CopyMultiQuery(&copy, &q), 0u);
    EXPECT_EQ(w.sizes(), (std::vector<size_t>{536, 336, 536, 264, 272, 272, 528, 272, 568, 3, 260, 272}));
    // Neither query had a group qualifier: each copy has an empty one.
    ASSERT_NE(copy.groupQualifier, nullptr);
    EXPECT_TRUE(isZero(*copy.groupQualifier));
    EXPECT_TRUE(isZero(*copy.fromList.items[0].u.query->groupQualifier));
    ReleaseMultiQuery(&copy, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyMultiQuery, NullSourcesAndNullMembers) {
    Tree t;
    MultiQualifier* hollow = t.node(ZVI_QUAL_AND);
    MultiOperand noArith{}, noRecord{};
    noArith.tag = ZVI_MULTI_OPERAND_ARITH;
    noRecord.tag = ZVI_MULTI_OPERAND_REF_6;
    alloc::Window w;
    // Null sources zero the destination; null destinations are ignored.
    MultiQuery query;
    MultiFromItem item;
    MultiOperand operand;
    MultiFromList list;
    MultiQualifier copy;
    auto dirty = [](auto&... records) { (std::memset(static_cast<void*>(&records), 1, sizeof records), ...); };
    dirty(query, item, operand, list, copy);
    EXPECT_EQ(CopyMultiQuery(&query, nullptr), 0u);
    EXPECT_EQ(CopyMultiFromItem(&item, nullptr), 0u);
    EXPECT_EQ(CopyMultiOperand(&operand, nullptr), 0u);
    EXPECT_EQ(CopyMultiFromList(&list, nullptr), 0u);
    EXPECT_EQ(CopyMultiQualifier(&copy, nullptr), 0u);
    EXPECT_TRUE(isZero(query) && isZero(item) && isZero(operand) && isZero(list) && isZero(copy));
    EXPECT_EQ(CopyMultiQuery(nullptr, &query), 0u);
    EXPECT_EQ(CopyMultiFieldRefList(nullptr, nullptr), 0u);
    EXPECT_EQ(w.allocations(), 0u);

    // Null members below a copied record become empty records of their own, but a
    // null operand record stays null.
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

TEST(CopyMultiArithOp, Operation6ReleasesOnlyItsRightOperandUnlessItsCopyFailed) {
    Tree t;
    const MultiOperand expr = t.arith(ZVI_ARITH_UNARY, t.text("left"), t.text("right"));
    alloc::sweep([&](const alloc::Window& w) {
        MultiArithOp copy;
        if (CopyMultiArithOp(&copy, expr.u.arith) != 0) return;
        char* left = copy.left.u.value.payload.text;
        EXPECT_STREQ(left, "left");
        ReleaseMultiArithOp(&copy, 0);
        EXPECT_TRUE(isZero(copy));
        EXPECT_EQ(w.liveBlocks(), 1u);
        std::free(left);
    });
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
        EXPECT_EQ(copy.u.pair.left, nullptr);
        EXPECT_EQ(copy.u.pair.right, nullptr);
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
}

TEST(DeepMultiQuery, HundredThousandNodesOnA256KiBStack) {
    const int kDepth = trees::heavy(100000);
    Tree t;
    MultiQualifier* leaf = t.compare(1, t.field("T", 1), t.field("T", 2));
    MultiQualifier* chain = t.compare(1, t.field("T", 1), t.field("T", 0));
    for (int i = 1; i < kDepth; ++i) chain = t.node(ZVI_QUAL_OR, chain, leaf);
    trees::onSmallStack([&] {
        MultiQualifier copy;
        ASSERT_EQ(CopyMultiQualifier(&copy, chain), 0u);
        int depth = 1;
        const MultiQualifier* c = &copy;
        for (; c->operation == ZVI_QUAL_OR; c = c->u.pair.left, ++depth) ASSERT_NE(c->u.pair.right, leaf);
        EXPECT_EQ(depth, kDepth);
        ReleaseMultiQualifier(&copy, 0);
    });
    // Queries nested through from items, sub-queries and arithmetic, and the clean-up
    // of a deep copy that runs out of memory.
    MultiQuery q{};
    for (int i = 0; i < trees::heavy(20000); ++i) {
        MultiOperand sum = t.field("T", 1);
        if (i % 100 == 0)
            for (int j = 0; j < 50; ++j) sum = t.arith(1, sum, t.field("T", 2));
        MultiSubQuery s{};
        s.fromList = t.list<MultiFromList>({t.nested(q, "Q")});
        MultiOperand sub{};
        sub.tag = ZVI_MULTI_OPERAND_SUB_QUERY;
        sub.u.subQuery = t.make(s);
        q = MultiQuery{};
        q.fromList = t.list<MultiFromList>({t.form("F", "F")});
        q.qualifier = t.compare(1, sum, sub);
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
