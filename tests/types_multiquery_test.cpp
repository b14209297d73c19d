// Multi-form queries: deep copies of sources, nested queries, sub-queries and
// qualifiers, the order of their allocations, what a failed copy leaves, and
// structures far deeper than a thread's stack.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/alloc_injector.h"
#include "tests/support/trees.h"
#include "types/types.h"

using namespace zvi;

namespace {

using trees::Arena;

MultiQualifier* node(Arena& a, uint32_t op, MultiQualifier* left = nullptr, MultiQualifier* right = nullptr) {
    MultiQualifier q{};
    q.operation = op;
    q.u.pair.left = left;
    q.u.pair.right = right;
    return a.make(q);
}

MultiQualifier* compare(Arena& a, uint32_t code, const MultiOperand& left, const MultiOperand& right) {
    MultiRelationalOp op{};
    op.operation = code;
    op.left = left;
    op.right = right;
    MultiQualifier q{};
    q.operation = ZVI_QUAL_REL_OP;
    q.u.relOp = a.make(op);
    return a.make(q);
}

MultiFieldRef fieldRef(const char* alias, uint32_t id) {
    MultiFieldRef r{};
    std::strcpy(r.alias, alias);
    r.fieldId = id;
    return r;
}

MultiOperand field(const char* alias, uint32_t id, uint32_t tag = ZVI_MULTI_OPERAND_FIELD) {
    MultiOperand o{};
    o.tag = tag;
    o.u.field = fieldRef(alias, id);
    return o;
}

MultiOperand textValue(Arena& a, const char* s) {
    MultiOperand o{};
    o.tag = ZVI_MULTI_OPERAND_VALUE;
    o.u.value.dataType = ZVI_DATA_TEXT;
    o.u.value.payload.text = a.text(s);
    return o;
}

MultiOperand arith(Arena& a, uint32_t op, const MultiOperand& left, const MultiOperand& right) {
    MultiArithOp x{};
    x.operation = op;
    x.left = left;
    x.right = right;
    MultiOperand o{};
    o.tag = ZVI_MULTI_OPERAND_ARITH;
    o.u.arith = a.make(x);
    return o;
}

MultiFieldItemList items(Arena& a, std::initializer_list<MultiFieldItem> list) {
    return {static_cast<uint32_t>(list.size()), a.array(list)};
}

MultiFieldRefList refs(Arena& a, std::initializer_list<MultiFieldRef> list) {
    return {static_cast<uint32_t>(list.size()), a.array(list)};
}

MultiFromItem form(const char* name, const char* alias, MultiQualifier* join = nullptr) {
    MultiFromItem it{};
    it.fromType = ZVI_MULTI_FROM_FORM;
    std::strcpy(it.u.formName, name);
    std::strcpy(it.alias, alias);
    it.joinType = 1;
    it.joinQualifier = join;
    return it;
}

MultiFromItem nested(Arena& a, const MultiQuery& q, const char* alias, MultiQualifier* join = nullptr) {
    MultiFromItem it{};
    it.fromType = ZVI_MULTI_FROM_QUERY;
    it.u.query = a.make(q);
    std::strcpy(it.alias, alias);
    it.joinType = 2;
    it.joinQualifier = join;
    return it;
}

MultiFromList from(Arena& a, std::initializer_list<MultiFromItem> list) {
    return {static_cast<uint32_t>(list.size()), a.array(list)};
}

// A sub-query operand with every member filled.
MultiOperand subQuery(Arena& a) {
    MultiSubQuery s{};
    s.fromList = from(a, {form("Assets", "S")});
    s.field = fieldRef("S", 8);
    s.qualifier = compare(a, 1, field("S", 2), textValue(a, "in use"));
    s.groupBy = refs(a, {fieldRef("S", 3)});
    s.groupQualifier = node(a, ZVI_QUAL_NOT, compare(a, 5, field("S", 3, 12), field("S", 4, 99)));
    MultiOperand o{};
    o.tag = ZVI_MULTI_OPERAND_SUB_QUERY;
    o.u.subQuery = a.make(s);
    return o;
}

MultiOperand record(Arena& a, uint32_t tag) {
    auto* r = static_cast<uint8_t*>(a.adopt(std::malloc(ZVI_MULTI_OPERAND_REF_SIZE)));
    for (size_t i = 0; i < ZVI_MULTI_OPERAND_REF_SIZE; ++i) r[i] = static_cast<uint8_t>(i * 7 + tag);
    MultiOperand o{};
    o.tag = tag;
    o.u.ref = r;
    return o;
}

MultiOperand inlineRecord(uint32_t tag) {
    MultiOperand o{};
    o.tag = tag;
    for (size_t i = 0; i < sizeof o.u.record; ++i) o.u.record[i] = static_cast<uint8_t>(i);
    return o;
}

MultiOperand valueSet(Arena& a) {
    MultiOperand o{};
    o.tag = ZVI_MULTI_OPERAND_VALUE_SET;
    auto* values = static_cast<Value*>(a.adopt(std::calloc(2, sizeof(Value))));
    values[0].dataType = ZVI_DATA_TEXT;
    values[0].payload.text = a.text("one");
    values[1].dataType = ZVI_DATA_INTEGER;
    values[1].payload.i = 2;
    o.u.valueSet = {2, values};
    return o;
}

// A query using every structure: a form and a nested query (itself with grouping
// and a group qualifier) as sources, joins, fields, a selection qualifier whose
// comparisons hold every operand tag, an extra qualifier, grouping and a group
// qualifier.
MultiQuery richQuery(Arena& a) {
    MultiQuery inner{};
    std::strcpy(inner.queryName, "inner");
    inner.fromList = from(a, {form("People", "P")});
    inner.fields = items(a, {{"P", 1, 0}, {"P", 7, 0}});
    inner.qualifier = compare(a, 1, field("P", 7), textValue(a, "active"));
    inner.groupBy = refs(a, {fieldRef("P", 7)});
    inner.groupQualifier = compare(a, 3, field("P", 7), field("P", 8));
    inner.option = 4;

    MultiQuery q{};
    std::strcpy(q.queryName, "outer");
    q.fromList = from(a, {form("Tickets", "T"),
                          nested(a, inner, "I", compare(a, 1, field("T", 2), field("I", 1))),
                          form("Notes", "N", node(a, ZVI_MULTI_QUAL_FIELD))});
    q.fields = items(a, {{"T", 1, 0}, {"I", 7, 0}, {"N", 3, 1}});
    MultiQualifier* passed = node(a, 9);
    std::memset(passed->u.raw, 0x5a, sizeof passed->u.raw);
    MultiOperand unknown = inlineRecord(88);
    q.qualifier = node(a, 
        ZVI_QUAL_AND,
        node(a, ZVI_QUAL_OR, compare(a, 1, field("T", 5, 20), arith(a, 1, field("T", 6, 50), textValue(a, "7"))),
               compare(a, 2, valueSet(a), subQuery(a))),
        node(a, ZVI_QUAL_AND, compare(a, 4, record(a, 6), record(a, 54)),
               node(a, ZVI_QUAL_OR, compare(a, 6, inlineRecord(4), arith(a, 6, MultiOperand{}, record(a, 56))),
                      node(a, ZVI_QUAL_AND, passed, compare(a, 7, unknown, field("N", 1, 51))))));
    q.extraQualifier = node(a, ZVI_QUAL_NOT, compare(a, 1, field("T", 9), textValue(a, "x")));
    q.option = 77;
    q.groupBy = refs(a, {fieldRef("T", 5), fieldRef("I", 7)});
    q.groupQualifier = node(a, ZVI_MULTI_QUAL_FIELD);
    return q;
}

// A pointer-free rendering of a structure and the blocks it reaches; a deep copy
// renders like its source and reaches none of its blocks. Iterative.
class Dump {
public:
    std::string out;
    std::vector<const void*> blocks;

    static Dump of(const MultiQuery& q) {
        Dump d;
        d.query(q);
        d.run();
        return d;
    }
    static Dump of(const MultiQualifier& q) {
        Dump d;
        d.qualifier(q);
        d.run();
        return d;
    }

private:
    std::vector<std::function<void()>> work_;

    void run() {
        while (!work_.empty()) {
            auto next = std::move(work_.back());
            work_.pop_back();
            next();
        }
    }
    void bytes(const void* p, size_t n) { out.append(static_cast<const char*>(p), n); }
    void word(uint32_t w) { out += std::to_string(w) + ";"; }
    template <class T, class F>
    void pointer(const T* p, F f) {
        out += p ? "ptr;" : "null;";
        if (!p) return;
        blocks.push_back(p);
        work_.push_back([this, p, f] { (this->*f)(*p); });
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
        if (v.dataType == ZVI_DATA_TEXT) {
            out += v.payload.text ? v.payload.text : "(null)";
            if (v.payload.text) blocks.push_back(v.payload.text);
        } else {
            bytes(&v.payload, sizeof v.payload);
        }
    }
    void qualifier(const MultiQualifier& q) {
        word(q.operation);
        switch (q.operation) {
            case ZVI_QUAL_AND:
            case ZVI_QUAL_OR:
                pointer(q.u.pair.left, &Dump::qualifier);
                pointer(q.u.pair.right, &Dump::qualifier);
                break;
            case ZVI_QUAL_NOT: pointer(q.u.child, &Dump::qualifier); break;
            case ZVI_QUAL_REL_OP: pointer(q.u.relOp, &Dump::operands<MultiRelationalOp>); break;
            default: bytes(&q.u, sizeof q.u);
        }
    }
    template <class Op>
    void operands(const Op& op) {
        word(op.operation);
        operand(op.left);
        operand(op.right);
    }
    void operand(const MultiOperand& o) {
        word(o.tag);
        switch (o.tag) {
            case ZVI_MULTI_OPERAND_VALUE: value(o.u.value); break;
            case ZVI_MULTI_OPERAND_ARITH: pointer(o.u.arith, &Dump::operands<MultiArithOp>); break;
            case ZVI_MULTI_OPERAND_VALUE_SET:
                word(o.u.valueSet.numItems);
                if (o.u.valueSet.numItems) blocks.push_back(o.u.valueSet.items);
                for (uint32_t i = 0; i < o.u.valueSet.numItems; ++i) value(o.u.valueSet.items[i]);
                break;
            case 6: case 54: case 55: case 56:
                out += o.u.ref ? "ref;" : "null;";
                if (o.u.ref) blocks.push_back(o.u.ref), bytes(o.u.ref, ZVI_MULTI_OPERAND_REF_SIZE);
                break;
            case ZVI_MULTI_OPERAND_SUB_QUERY: pointer(o.u.subQuery, &Dump::subQuery); break;
            default: bytes(&o.u, sizeof o.u);
        }
    }
    void subQuery(const MultiSubQuery& s) {
        fromList(s.fromList);
        bytes(&s.field, sizeof s.field);
        pointer(s.qualifier, &Dump::qualifier);
        flat(s.groupBy);
        pointer(s.groupQualifier, &Dump::qualifier);
    }
    void query(const MultiQuery& q) {
        bytes(q.queryName, sizeof q.queryName);
        fromList(q.fromList);
        flat(q.fields);
        pointer(q.qualifier, &Dump::qualifier);
        pointer(q.extraQualifier, &Dump::qualifier);
        word(q.option);
        flat(q.groupBy);
        pointer(q.groupQualifier, &Dump::qualifier);
    }
    void fromList(const MultiFromList& l) {
        word(l.numItems);
        if (l.numItems) blocks.push_back(l.items);
        for (uint32_t i = 0; i < l.numItems; ++i) {
            const MultiFromItem& it = l.items[i];
            word(it.fromType);
            word(it.joinType);
            bytes(it.alias, sizeof it.alias);
            if (it.fromType == ZVI_MULTI_FROM_FORM) bytes(it.u.formName, sizeof it.u.formName);
            if (it.fromType == ZVI_MULTI_FROM_QUERY) pointer(it.u.query, &Dump::query);
            pointer(it.joinQualifier, &Dump::qualifier);
        }
    }
};

template <class T>
void expectDeepCopy(const T& copy, const T& source) {
    const Dump c = Dump::of(copy), s = Dump::of(source);
    EXPECT_EQ(c.out, s.out);
    EXPECT_EQ(c.blocks.size(), s.blocks.size());
    for (const void* p : c.blocks)
        for (const void* q : s.blocks) ASSERT_NE(p, q) << "a block of the caller's in the copy";
}

template <class T>
bool isZero(const T& record) {
    static const T zero{};
    return std::memcmp(&record, &zero, sizeof record) == 0;
}

}  // namespace

TEST(CopyMultiQuery, DuplicatesEverythingAndReleasesEverything) {
    Arena a;
    const MultiQuery source = richQuery(a);
    alloc::Window w;
    MultiQuery copy;
    std::memset(&copy, 0xab, sizeof copy);
    ASSERT_EQ(CopyMultiQuery(&copy, &source), 0u);
    expectDeepCopy(copy, source);
    // The nested query's grouping and group qualifier are the copy's own.
    const MultiQuery& inner = *copy.fromList.items[1].u.query;
    EXPECT_NE(inner.groupBy.items, source.fromList.items[1].u.query->groupBy.items);
    EXPECT_EQ(inner.groupQualifier->operation, uint32_t{ZVI_QUAL_REL_OP});
    ReleaseMultiQuery(&copy, 0);
    EXPECT_TRUE(isZero(copy));
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyMultiQuery, AllocatesInTheOrderOfARecursiveCopy) {
    Arena a;
    MultiQuery inner{};
    inner.fromList = from(a, {form("People", "P")});
    inner.fields = items(a, {{"P", 1, 0}});
    MultiQuery q{};
    q.fromList = from(a, {nested(a, inner, "I", node(a, ZVI_MULTI_QUAL_FIELD))});
    q.fields = items(a, {{"I", 1, 0}, {"I", 2, 0}});
    q.qualifier = compare(a, 1, field("I", 1), textValue(a, "ab"));
    q.groupBy = refs(a, {fieldRef("I", 1)});
    alloc::Window w;
    MultiQuery copy;
    ASSERT_EQ(CopyMultiQuery(&copy, &q), 0u);
    EXPECT_EQ(w.sizes(), (std::vector<size_t>{536, 336, 536, 264, 272, 272, 528, 272, 568, 3, 260, 272}));
    // Neither query had a group qualifier: each copy has an empty one.
    ASSERT_NE(copy.groupQualifier, nullptr);
    EXPECT_TRUE(isZero(*copy.groupQualifier));
    EXPECT_TRUE(isZero(*copy.fromList.items[0].u.query->groupQualifier));
    EXPECT_EQ(copy.fromList.items[0].joinQualifier->operation, uint32_t{ZVI_MULTI_QUAL_FIELD});
    ReleaseMultiQuery(&copy, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyMultiQualifier, FieldReferenceAndNullSources) {
    Arena a;
    MultiQualifier source{};
    source.operation = ZVI_MULTI_QUAL_FIELD;
    source.u.field = fieldRef("T", 536870919);
    MultiQualifier* hollow = node(a, ZVI_QUAL_AND);
    alloc::Window w;
    MultiQualifier copy;
    ASSERT_EQ(CopyMultiQualifier(&copy, &source), 0u);
    EXPECT_EQ(std::memcmp(&copy, &source, sizeof copy), 0);
    EXPECT_EQ(w.allocations(), 0u);
    ReleaseMultiQualifier(&copy, 0);
    EXPECT_TRUE(isZero(copy));

    // Null sources zero the destination; null destinations are ignored.
    MultiQuery query;
    MultiFromItem item;
    MultiOperand operand;
    MultiFromList list;
    std::memset(&query, 1, sizeof query);
    std::memset(&item, 1, sizeof item);
    std::memset(&operand, 1, sizeof operand);
    std::memset(&list, 1, sizeof list);
    EXPECT_EQ(CopyMultiQuery(&query, nullptr), 0u);
    EXPECT_EQ(CopyMultiFromItem(&item, nullptr), 0u);
    EXPECT_EQ(CopyMultiOperand(&operand, nullptr), 0u);
    EXPECT_EQ(CopyMultiFromList(&list, nullptr), 0u);
    EXPECT_EQ(CopyMultiQualifier(&copy, nullptr), 0u);
    EXPECT_TRUE(isZero(query) && isZero(item) && isZero(operand) && isZero(list) && isZero(copy));
    EXPECT_EQ(CopyMultiQuery(nullptr, &query), 0u);
    EXPECT_EQ(CopyMultiFieldRefList(nullptr, nullptr), 0u);

    // Null members below a copied record become empty records of their own.
    MultiOperand noArith{};
    noArith.tag = ZVI_MULTI_OPERAND_ARITH;
    MultiOperand noRecord{};
    noRecord.tag = 6;
    ASSERT_EQ(CopyMultiQualifier(&copy, hollow), 0u);
    EXPECT_TRUE(isZero(*copy.u.pair.left) && isZero(*copy.u.pair.right));
    ReleaseMultiQualifier(&copy, 0);
    ASSERT_EQ(CopyMultiOperand(&operand, &noArith), 0u);
    EXPECT_TRUE(isZero(*operand.u.arith));
    ReleaseMultiOperand(&operand, 0);
    ASSERT_EQ(CopyMultiOperand(&operand, &noRecord), 0u);
    EXPECT_EQ(operand.u.ref, nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyMultiQuery, EachPieceOnItsOwn) {
    Arena a;
    const MultiQuery source = richQuery(a);
    alloc::Window w;
    MultiFromList list;
    ASSERT_EQ(CopyMultiFromList(&list, &source.fromList), 0u);
    ASSERT_EQ(list.numItems, 3u);
    EXPECT_STREQ(list.items[0].u.formName, "Tickets");
    EXPECT_STREQ(list.items[1].alias, "I");
    EXPECT_EQ(list.items[1].joinType, 2u);
    EXPECT_NE(list.items[1].u.query, source.fromList.items[1].u.query);
    ReleaseMultiFromList(&list, 0);
    EXPECT_EQ(list.items, nullptr);

    auto* item = static_cast<MultiFromItem*>(std::malloc(sizeof(MultiFromItem)));
    ASSERT_EQ(CopyMultiFromItem(item, &source.fromList.items[1]), 0u);
    EXPECT_STREQ(item->u.query->queryName, "inner");
    ReleaseMultiFromItem(item, 1);

    const MultiRelationalOp* withSubQuery = source.qualifier->u.pair.left->u.pair.right->u.relOp;
    auto* relOp = static_cast<MultiRelationalOp*>(std::malloc(sizeof(MultiRelationalOp)));
    ASSERT_EQ(CopyMultiRelationalOp(relOp, withSubQuery), 0u);
    const MultiSubQuery& sub = *relOp->right.u.subQuery;
    EXPECT_STREQ(sub.fromList.items[0].u.formName, "Assets");
    EXPECT_EQ(sub.field.fieldId, 8u);
    EXPECT_NE(sub.groupBy.items, withSubQuery->right.u.subQuery->groupBy.items);
    EXPECT_EQ(sub.groupQualifier->u.child->u.relOp->operation, 5u);
    EXPECT_STREQ(relOp->left.u.valueSet.items[0].payload.text, "one");
    ReleaseMultiRelationalOp(relOp, 1);

    MultiSubQuery subCopy;
    ASSERT_EQ(CopyMultiSubQuery(&subCopy, withSubQuery->right.u.subQuery), 0u);
    ReleaseMultiSubQuery(&subCopy, 0);
    EXPECT_TRUE(isZero(subCopy));

    MultiFieldItemList fields;
    ASSERT_EQ(CopyMultiFieldItemList(&fields, &source.fields), 0u);
    EXPECT_EQ(w.sizes().back(), 3 * sizeof(MultiFieldItem));
    EXPECT_EQ(std::memcmp(fields.items, source.fields.items, 3 * sizeof(MultiFieldItem)), 0);
    ReleaseMultiFieldItemList(&fields, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyMultiArithOp, Operation6ReleasesOnlyItsRightOperand) {
    Arena a;
    MultiOperand expr = arith(a, ZVI_ARITH_UNARY, textValue(a, "left"), textValue(a, "right"));
    alloc::Window w;
    MultiArithOp copy;
    ASSERT_EQ(CopyMultiArithOp(&copy, expr.u.arith), 0u);
    char* left = copy.left.u.value.payload.text;
    EXPECT_STREQ(left, "left");
    ReleaseMultiArithOp(&copy, 0);
    EXPECT_TRUE(isZero(copy));
    EXPECT_EQ(w.liveBlocks(), 1u);  // the left operand's text is not released
    std::free(left);
}

TEST(CopyMultiQuery, OutOfMemoryLeavesEveryDestinationReleasable) {
    Arena a;
    const MultiQuery source = richQuery(a);
    auto zeroed = [](const auto& copy) { EXPECT_TRUE(isZero(copy)); };
    EXPECT_GT(trees::sweepCopy<MultiQuery>(CopyMultiQuery, ReleaseMultiQuery, &source, zeroed), 50u);
    trees::sweepCopy<MultiFromList>(CopyMultiFromList, ReleaseMultiFromList, &source.fromList, zeroed);
    trees::sweepCopy<MultiFromItem>(CopyMultiFromItem, ReleaseMultiFromItem, &source.fromList.items[1], zeroed);
    // A qualifier keeps its operation, with null members; an operand its tag.
    trees::sweepCopy<MultiQualifier>(CopyMultiQualifier, ReleaseMultiQualifier, source.qualifier,
                                     [](const MultiQualifier& copy) {
                                         EXPECT_EQ(copy.operation, uint32_t{ZVI_QUAL_AND});
                                         EXPECT_EQ(copy.u.pair.left, nullptr);
                                         EXPECT_EQ(copy.u.pair.right, nullptr);
                                     });
    const MultiRelationalOp* withSubQuery = source.qualifier->u.pair.left->u.pair.right->u.relOp;
    trees::sweepCopy<MultiRelationalOp>(CopyMultiRelationalOp, ReleaseMultiRelationalOp, withSubQuery, zeroed);
    trees::sweepCopy<MultiOperand>(CopyMultiOperand, ReleaseMultiOperand, &withSubQuery->right,
                                   [](const MultiOperand& copy) {
                                       EXPECT_EQ(copy.tag, uint32_t{ZVI_MULTI_OPERAND_SUB_QUERY});
                                       EXPECT_EQ(copy.u.subQuery, nullptr);
                                   });
    trees::sweepCopy<MultiSubQuery>(CopyMultiSubQuery, ReleaseMultiSubQuery, withSubQuery->right.u.subQuery, zeroed);
    const MultiArithOp* sum = source.qualifier->u.pair.left->u.pair.left->u.relOp->right.u.arith;
    trees::sweepCopy<MultiArithOp>(CopyMultiArithOp, ReleaseMultiArithOp, sum, zeroed);
    trees::sweepCopy<MultiFieldRefList>(CopyMultiFieldRefList, ReleaseMultiFieldRefList, &source.groupBy, zeroed);
    trees::sweepCopy<MultiFieldItemList>(CopyMultiFieldItemList, ReleaseMultiFieldItemList, &source.fields, zeroed);
}

using trees::onSmallStack;

TEST(DeepMultiQuery, HundredThousandNodesOnA256KiBStack) {
    constexpr int kDepth = 100000;
    Arena a;
    MultiQualifier* leaf = compare(a, 1, field("T", 1), field("T", 2));
    MultiQualifier* chain = compare(a, 1, field("T", 1), field("T", 0));
    for (int i = 1; i < kDepth; ++i) chain = node(a, ZVI_QUAL_OR, chain, leaf);
    onSmallStack([&] {
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
    for (int i = 0; i < 20000; ++i) {
        MultiOperand sum = field("T", 1);
        if (i % 100 == 0)
            for (int j = 0; j < 50; ++j) sum = arith(a, 1, sum, field("T", 2));
        MultiSubQuery s{};
        s.fromList = from(a, {nested(a, q, "Q")});
        MultiOperand sub{};
        sub.tag = ZVI_MULTI_OPERAND_SUB_QUERY;
        sub.u.subQuery = a.make(s);
        q = MultiQuery{};
        q.fromList = from(a, {form("F", "F")});
        q.qualifier = compare(a, 1, sum, sub);
    }
    onSmallStack([&] {
        MultiQuery copy;
        ASSERT_EQ(CopyMultiQuery(&copy, &q), 0u);
        ReleaseMultiQuery(&copy, 0);
        alloc::Window w(100000);
        EXPECT_EQ(CopyMultiQuery(&copy, &q), 300u);
        EXPECT_TRUE(isZero(copy));
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}
