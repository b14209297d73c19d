// Qualifier trees and multi-form queries: the number of a copy's allocations (a copy sharing
// a block of the caller's would lack one), what a failed copy leaves, and deep trees.
#include <gtest/gtest.h>

#include "tests/support/copies.h"

using namespace zvi;

namespace {

struct Tree : trees::Arena<Qualifier> {
    static Operand field(uint32_t id) {
        Operand o{ZVI_OPERAND_FIELD, {}};
        o.u.id = id;
        return o;
    }
    Operand query(Qualifier* q) { return tagged(ZVI_OPERAND_QUERY, make(QueryRef{"Tickets", "srv", q, 536870913, 2})); }
};

struct MultiTree : trees::Arena<MultiQualifier> {
    static MultiOperand field(const MultiFieldRef& r) {
        MultiOperand o{ZVI_MULTI_OPERAND_FIELD, {}};
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
    template <class L>  // MultiFromList, MultiFieldItemList or MultiFieldRefList
    L list(std::initializer_list<std::remove_pointer_t<decltype(L{}.items)>> items) {
        return {static_cast<uint32_t>(items.size()), copyOf(items)};
    }
    MultiOperand subQuery(const MultiSubQuery& s) { return tagged(ZVI_MULTI_OPERAND_SUB_QUERY, make(s)); }
};

template <class T>
bool isZero(const T& record) { return raw::zero(&record, 0, sizeof record); }

}  // namespace

TEST(CopyQualifier, EveryRoutineCopiesEveryOperandTagThroughEachFailedAllocation) {
    // A sub-tree reached twice (duplicated twice), nodes and operands passed on as they stand.
    Tree t;
    Qualifier* twice = t.compare(1, t.field(7), t.text("tw"));
    Qualifier* passed = t.node(9, reinterpret_cast<Qualifier*>(0x1000), reinterpret_cast<Qualifier*>(0x2000));
    Qualifier* last = t.node(ZVI_QUAL_AND, passed, t.compare(5, Tree::tagged(77, &t), t.query(nullptr)));
    Qualifier* sub = t.node(ZVI_QUAL_AND, twice, t.node(ZVI_QUAL_OR, twice, last));
    Qualifier* top = t.compare(2, t.arith(1, t.ref(6), t.arith(ZVI_ARITH_UNARY, {}, t.text("de"))), t.query(sub));
    Qualifier* refs = t.compare(4, t.ref(54), t.arith(2, t.ref(55), t.ref(56)));
    Qualifier* source = t.node(ZVI_QUAL_AND, t.compare(1, t.field(1), t.values({"x", "yy"})),
                               t.node(ZVI_QUAL_NOT, t.node(ZVI_QUAL_AND, refs, top)));
    auto failed = [](const Qualifier& c) {  // the operation stays, with null members
        EXPECT_TRUE(c.operation == ZVI_QUAL_AND && c.u.pair.left == nullptr && c.u.pair.right == nullptr);
    };
    EXPECT_EQ(copies::sweep(CopyQualifier, ReleaseQualifier, source, {}, {}, failed, true), 33u);
    copies::sweep(CopyOperand, ReleaseOperand, &source->u.pair.left->u.relOp->right, {}, {}, {}, true);
    copies::sweep(CopyQueryRef, ReleaseQueryRef, top->u.relOp->right.u.query, {}, {}, {}, true);

    // Operation 6 copies its left operand but releases only its right one; a failed copy frees all.
    Qualifier* unary = t.compare(1, t.arith(ZVI_ARITH_UNARY, t.text("left"), t.text("right")), t.field(2));
    alloc::sweep([&](const alloc::Window& w) {
        Qualifier copy;
        if (CopyQualifier(&copy, unary) != 0) return;
        char* left = copy.u.relOp->left.u.arith->left.u.value.payload.text;
        EXPECT_STREQ(left, "left");
        ReleaseQualifier(&copy, 0);
        EXPECT_EQ(w.liveBlocks(), 1u);
        std::free(left);
    });
}

TEST(CopyMultiQuery, EveryRoutineCopiesSourcesSubQueriesAndQualifiersThroughEachFailedAllocation) {
    // A form and a nested query as sources, with joins; a sub-query, arithmetic,
    // records of tags 6 and 54 to 56, an inline record, and a node passed on as it stands.
    MultiTree t;
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
    q.fromList = t.list<MultiFromList>({t.form("Tickets", "T"), t.nested(inner, "I", t.node(ZVI_MULTI_QUAL_FIELD))});
    q.fields = t.list<MultiFieldItemList>({{"T", 1, 0}, {"I", 2, 0}});
    q.qualifier = t.node(ZVI_QUAL_AND, t.compare(1, t.arith(1, t.field({"I", 1}), t.ref(6)), t.subQuery(sub)),
                         t.compare(2, t.values({"ab"}), t.arith(ZVI_ARITH_UNARY, {}, t.ref(54))));
    q.extraQualifier = t.compare(4, t.ref(55), t.ref(56));
    q.option = 77;
    q.groupBy = t.list<MultiFieldRefList>({{"T", 5}});
    EXPECT_EQ(copies::sweep(CopyMultiQuery, ReleaseMultiQuery, &q, {}, [](const MultiQuery& c) {
        EXPECT_TRUE(std::strcmp(c.queryName, "outer") == 0 && c.option == 77);
        // An empty group qualifier where the source had none; the nested query's is its own.
        EXPECT_TRUE(isZero(*c.groupQualifier));
        EXPECT_EQ(c.fromList.items[1].u.query->groupQualifier->operation, uint32_t{ZVI_QUAL_REL_OP});
    }, [](const MultiQuery& c) { EXPECT_TRUE(isZero(c)); }, true), 33u);
    copies::sweep(CopyMultiFromItem, ReleaseMultiFromItem, &q.fromList.items[1], {}, {}, {}, true);
    copies::sweep(CopyMultiQualifier, ReleaseMultiQualifier, q.qualifier, {}, {}, {}, true);
    copies::sweep(CopyMultiOperand, ReleaseMultiOperand, &q.qualifier->u.pair.left->u.relOp->right, {}, {}, {}, true);

    // Null sources give zeroed records without an allocation, null members empty records,
    // but a null operand record stays null; a release with its holder frees it too.
    const MultiOperand noArith{ZVI_MULTI_OPERAND_ARITH, {}}, noRecord{ZVI_MULTI_OPERAND_REF_6, {}};
    MultiQualifier* hollow = t.node(ZVI_QUAL_AND);
    alloc::Window w;
    MultiQualifier copy;
    MultiOperand arith, ref;
    std::memset(static_cast<void*>(&copy), 1, sizeof copy);
    EXPECT_EQ(CopyMultiQualifier(&copy, nullptr) + CopyMultiQuery(nullptr, nullptr), 0u);
    EXPECT_TRUE(isZero(copy) && w.allocations() == 0);
    ASSERT_EQ(CopyMultiQualifier(&copy, hollow) + CopyMultiOperand(&arith, &noArith), 0u);
    ASSERT_EQ(CopyMultiOperand(&ref, &noRecord), 0u);
    EXPECT_TRUE(isZero(*copy.u.pair.left) && isZero(*copy.u.pair.right) && isZero(*arith.u.arith) && !ref.u.ref);
    ReleaseMultiQualifier(&copy, 0);
    ReleaseMultiOperand(&arith, 0);
    EXPECT_TRUE(isZero(copy));
    auto* item = static_cast<MultiFromItem*>(std::malloc(sizeof(MultiFromItem)));
    ASSERT_EQ(CopyMultiFromItem(item, &q.fromList.items[1]), 0u);
    ReleaseMultiFromItem(item, 1);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(DeepTrees, QualifiersAndMultiFormQueriesNestedThroughEveryKindOnA256KiBStack) {
    // "a OR b OR c ..." below arithmetic below sub-queries; queries nested through sources.
    Tree t;
    Qualifier* leaf = t.compare(1, t.field(1), t.field(2));
    Qualifier* chain = leaf;
    for (int i = 1; i < trees::heavy(1000000); ++i) chain = t.node(ZVI_QUAL_OR, chain, leaf);
    Tree::Operand sum = t.query(chain);
    for (int i = 0; i < trees::heavy(200000); ++i) sum = t.arith(1, sum, t.field(2));
    Qualifier* nested = t.compare(1, sum, t.field(3));
    for (int i = 0; i < trees::heavy(100000); ++i)
        nested = t.compare(2, t.field(4), t.query(t.node(ZVI_QUAL_NOT, nested)));
    trees::deepCopy(CopyQualifier, ReleaseQualifier, nested, trees::heavy(1500000));

    MultiTree m;
    MultiQuery q{};
    for (int i = 0; i < trees::heavy(20000); ++i) {
        MultiOperand sum = m.arith(1, m.field({"T", 1}), m.field({"T", 2}));
        MultiSubQuery sub{};
        sub.fromList = m.list<MultiFromList>({m.nested(q, "Q")});
        q = MultiQuery{};
        q.fromList = m.list<MultiFromList>({m.form("F", "F")});
        q.qualifier = m.compare(1, sum, m.subQuery(sub));
    }
    trees::deepCopy(CopyMultiQuery, ReleaseMultiQuery, &q, trees::heavy(100000));
}
