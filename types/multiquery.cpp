// Multi-form queries: sources (forms or nested queries) with aliases and join
// conditions, fields, selection and group qualifiers. Copies and releases walk the
// structure iteratively (types/walk.h): nested queries, sub-queries, arithmetic and
// qualifier chains of any depth are copied on a small thread stack.
//
// A copy fills a record in the steps of a recursive copy: a record with several
// members below it queues a continuation of itself in a member that it fills only
// at its last step (the name of a query, the field of a sub-query, the unused part of
// a from item that holds a nested query), then the first sub-structure on top of it.
//
// Choices where the caller's structure is incomplete: a from list without items is
// copied as {0, null} without an allocation; an operand record pointer (tags 6, 54 to
// 56) that is null stays null; other null members are copied into zeroed blocks, as
// every copy of a null source gives a zeroed destination.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "types/types.h"
#include "types/qualifier_walk.h"

namespace zvi {
namespace {

enum Kind : uint32_t {
    kQualifier,
    kRelationalOp,
    kArithOp,
    kOperand,
    kSubQuery,           // copy: start; release: the whole record
    kSubQueryQualifier,  // copy continuations, queued in the record's field
    kSubQueryRest,
    kQuery,              // copy: start; release: the whole record
    kQueryFields,        // copy continuations, queued in the query's name
    kQueryExtra,
    kQueryGroup,
    kFromItem,           // a record of its own (the root of a copy or release)
    kFromItemJoin,       // copy continuation, queued behind the nested query pointer
    kFromList,           // a list held inline (the root of a copy or release)
    kFromArray,          // release: the items of a from list (extra: their count)
    kArrayItem,          // release: one item inside that array
    kFreeBlock,          // release: an array whose items have all been taken up
};

constexpr size_t kSubQueryCell = offsetof(MultiSubQuery, field);
constexpr size_t kFromItemCell = offsetof(MultiFromItem, u) + sizeof(void*);
constexpr size_t kArrayFreeCell = offsetof(MultiFromItem, alias);
constexpr size_t kArrayItemCell = kArrayFreeCell + walk::kCellSize;
static_assert(kFromItemCell + walk::kCellSize <= offsetof(MultiFromItem, alias));
static_assert(kArrayItemCell + walk::kCellSize <= offsetof(MultiFromItem, joinType));

// The release of operands is shared with single-form qualifiers (types/qualifier_walk.h).
static_assert(+ZVI_MULTI_OPERAND_VALUE == +ZVI_OPERAND_VALUE && +ZVI_MULTI_OPERAND_ARITH == +ZVI_OPERAND_ARITH &&
              +ZVI_MULTI_OPERAND_VALUE_SET == +ZVI_OPERAND_VALUE_SET && +ZVI_MULTI_OPERAND_REF_6 == +ZVI_OPERAND_REF_6);
constexpr walk::QualifierKinds kKinds{kQualifier, kRelationalOp, kArithOp, kSubQuery, ZVI_MULTI_OPERAND_SUB_QUERY};

template <class T>
void zero(T& record) {
    std::memset(static_cast<void*>(&record), 0, sizeof record);
}

size_t cellOffset(uint32_t kind) {
    switch (kind) {
        case kSubQueryQualifier: case kSubQueryRest: return kSubQueryCell;
        case kFromItemJoin: return kFromItemCell;
        default: return 0;
    }
}

struct CopyWalk {
    walk::Stack* pending = nullptr;

    bool step(uint32_t kind, void* destination, const void* source, walk::Stack& stack) {
        pending = &stack;
        switch (kind) {
            case kQualifier: return qualifier(as<MultiQualifier>(destination), as<MultiQualifier>(source));
            case kRelationalOp: return operands(as<MultiRelationalOp>(destination), as<MultiRelationalOp>(source));
            case kArithOp: return operands(as<MultiArithOp>(destination), as<MultiArithOp>(source));
            case kOperand: return operand(*as<MultiOperand>(destination), *as<MultiOperand>(source));
            case kSubQuery: return subQuery(as<MultiSubQuery>(destination), as<MultiSubQuery>(source));
            case kSubQueryQualifier: return subQueryQualifier(*as<MultiSubQuery>(destination), *as<MultiSubQuery>(source));
            case kSubQueryRest: return subQueryRest(*as<MultiSubQuery>(destination), *as<MultiSubQuery>(source));
            case kQuery: return query(as<MultiQuery>(destination), as<MultiQuery>(source));
            case kQueryFields: return queryFields(*as<MultiQuery>(destination), *as<MultiQuery>(source));
            case kQueryExtra: return queryExtra(*as<MultiQuery>(destination), *as<MultiQuery>(source));
            case kQueryGroup: return queryGroup(*as<MultiQuery>(destination), *as<MultiQuery>(source));
            case kFromItem: return fromItem(as<MultiFromItem>(destination), as<MultiFromItem>(source));
            case kFromItemJoin: {
                auto& d = *as<MultiFromItem>(destination);
                std::memset(reinterpret_cast<char*>(&d) + kFromItemCell, 0, walk::kCellSize);
                return join(d, *as<MultiFromItem>(source));
            }
            case kFromList: return fromList(*as<MultiFromList>(destination), *as<MultiFromList>(source));
        }
        return true;
    }
    void* destination(uint32_t kind, void* cell) { return static_cast<char*>(cell) - cellOffset(kind); }
    void abandon(uint32_t kind, void* destination) {
        switch (kind) {
            case kRelationalOp: case kArithOp: return zero(*as<MultiRelationalOp>(destination));
            case kSubQuery: return zero(*as<MultiSubQuery>(destination));
            default:  // the rest of the record is zero already, or not read by a release
                std::memset(static_cast<char*>(destination) + cellOffset(kind), 0, walk::kCellSize);
        }
    }

    template <class T, class V>
    static T* as(V* p) { return static_cast<T*>(p); }
    template <class T, class V>
    static const T* as(const V* p) { return static_cast<const T*>(p); }

    // Allocates a block for a record below and queues its copy.
    template <class T>
    bool below(T*& slot, const T* source, uint32_t kind, bool zeroFilled = false) {
        slot = static_cast<T*>(zeroFilled ? std::calloc(1, sizeof(T)) : std::malloc(sizeof(T)));
        if (!slot) return false;
        pending->push(slot, kind, source);
        return true;
    }
    // A qualifier member that is copied only when the source has one.
    bool optionalQualifier(MultiQualifier*& slot, const MultiQualifier* source) {
        return !source || below(slot, source, kQualifier, true);
    }

    bool qualifier(MultiQualifier* d, const MultiQualifier* s) {
        if (!s) return zero(*d), true;
        *d = *s;
        switch (s->operation) {
            case ZVI_QUAL_AND:
            case ZVI_QUAL_OR: {
                auto*& left = d->u.pair.left;
                auto*& right = d->u.pair.right;
                left = static_cast<MultiQualifier*>(std::malloc(sizeof(MultiQualifier)));
                right = left ? static_cast<MultiQualifier*>(std::malloc(sizeof(MultiQualifier))) : nullptr;
                if (!right) {
                    std::free(left);
                    left = nullptr;
                    return false;
                }
                pending->push(right, kQualifier, s->u.pair.right);
                pending->push(left, kQualifier, s->u.pair.left);
                return true;
            }
            case ZVI_QUAL_NOT: return below(d->u.child, s->u.child, kQualifier);
            case ZVI_QUAL_REL_OP: return below(d->u.relOp, s->u.relOp, kRelationalOp);
            default: return true;  // empty, a field reference held inline, or passed on
        }
    }

    template <class Op>
    bool operands(Op* d, const Op* s) {
        if (!s) return zero(*d), true;
        std::memset(static_cast<void*>(d), 0, offsetof(Op, left));
        d->operation = s->operation;
        pending->push(&d->right, kOperand, &s->right);
        pending->push(&d->left, kOperand, &s->left);
        return true;
    }

    bool operand(MultiOperand& d, const MultiOperand& s) {
        d = s;
        switch (s.tag) {
            case ZVI_MULTI_OPERAND_VALUE: return CopyValue(&d.u.value, &s.u.value) == 0;
            case ZVI_MULTI_OPERAND_ARITH: return below(d.u.arith, s.u.arith, kArithOp);
            case ZVI_MULTI_OPERAND_VALUE_SET: return CopyValueList(&d.u.valueSet, &s.u.valueSet) == 0;
            case ZVI_MULTI_OPERAND_SUB_QUERY: return below(d.u.subQuery, s.u.subQuery, kSubQuery);
            default:
                if (!walk::isOperandRecordTag(s.tag) || !s.u.ref) return true;
                d.u.ref = std::malloc(ZVI_MULTI_OPERAND_REF_SIZE);
                if (!d.u.ref) return false;
                std::memcpy(d.u.ref, s.u.ref, ZVI_MULTI_OPERAND_REF_SIZE);
                return true;
        }
    }

    // The items are queued above whatever their owner queued before.
    bool fromList(MultiFromList& d, const MultiFromList& s) {
        d = MultiFromList{};
        const uint32_t count = s.items ? s.numItems : 0;
        if (count == 0) return true;
        auto* items = static_cast<MultiFromItem*>(std::calloc(count, sizeof(MultiFromItem)));
        if (!items) return false;
        d.numItems = count;
        d.items = items;
        for (uint32_t i = count; i-- > 0;) pending->push(&items[i], kFromItem, &s.items[i]);
        return true;
    }

    bool fromItem(MultiFromItem* d, const MultiFromItem* s) {
        zero(*d);
        if (!s) return true;
        d->fromType = s->fromType;
        d->joinType = s->joinType;
        std::memcpy(d->alias, s->alias, sizeof d->alias);
        if (s->fromType == ZVI_MULTI_FROM_FORM) std::memcpy(d->u.formName, s->u.formName, sizeof d->u.formName);
        if (s->fromType != ZVI_MULTI_FROM_QUERY || !s->u.query) return join(*d, *s);
        pending->push(reinterpret_cast<char*>(d) + kFromItemCell, kFromItemJoin, s);
        return below(d->u.query, s->u.query, kQuery, true);
    }
    bool join(MultiFromItem& d, const MultiFromItem& s) { return optionalQualifier(d.joinQualifier, s.joinQualifier); }

    bool subQuery(MultiSubQuery* d, const MultiSubQuery* s) {
        zero(*d);
        if (!s) return true;
        pending->push(&d->field, kSubQueryQualifier, s);
        return fromList(d->fromList, s->fromList);
    }
    bool subQueryQualifier(MultiSubQuery& d, const MultiSubQuery& s) {
        if (!s.qualifier) return subQueryRest(d, s);
        pending->push(&d.field, kSubQueryRest, &s);
        return below(d.qualifier, s.qualifier, kQualifier, true);
    }
    bool subQueryRest(MultiSubQuery& d, const MultiSubQuery& s) {
        d.field = s.field;
        if (s.groupBy.numItems && CopyMultiFieldRefList(&d.groupBy, &s.groupBy)) return false;
        return optionalQualifier(d.groupQualifier, s.groupQualifier);
    }

    bool query(MultiQuery* d, const MultiQuery* s) {
        zero(*d);
        if (!s) return true;
        pending->push(d->queryName, kQueryFields, s);
        return fromList(d->fromList, s->fromList);
    }
    bool queryFields(MultiQuery& d, const MultiQuery& s) {
        if (CopyMultiFieldItemList(&d.fields, &s.fields)) return false;
        if (!s.qualifier) return queryExtra(d, s);
        pending->push(d.queryName, kQueryExtra, &s);
        return below(d.qualifier, s.qualifier, kQualifier, true);
    }
    bool queryExtra(MultiQuery& d, const MultiQuery& s) {
        if (!s.extraQualifier) return queryGroup(d, s);
        pending->push(d.queryName, kQueryGroup, &s);
        return below(d.extraQualifier, s.extraQualifier, kQualifier, true);
    }
    // The group qualifier always gets a block, an empty qualifier when the source has
    // none. The name and the word at 304 are copied last (they held the continuation).
    bool queryGroup(MultiQuery& d, const MultiQuery& s) {
        if (CopyMultiFieldRefList(&d.groupBy, &s.groupBy)) return false;
        d.groupQualifier = static_cast<MultiQualifier*>(std::calloc(1, sizeof(MultiQualifier)));
        if (!d.groupQualifier) return false;
        d.option = s.option;
        std::memcpy(d.queryName, s.queryName, sizeof d.queryName);
        if (s.groupQualifier) pending->push(d.groupQualifier, kQualifier, s.groupQualifier);
        return true;
    }
};

struct ReleaseWalk {
    // A copy that failed is released whole: then the left operand of an arithmetic
    // node of operation 6, which a release of the host's structures leaves alone, is ours.
    bool cleanup = false;

    bool take(uint32_t kind, void* node, uint32_t extra, walk::Children& c, walk::Stack& stack) {
        switch (kind) {
            case kQualifier: walk::takeQualifier(*static_cast<MultiQualifier*>(node), c, kKinds); return true;
            case kRelationalOp: walk::takeOperands(*static_cast<MultiRelationalOp*>(node), c, kKinds, true); return true;
            case kArithOp: walk::takeOperands(*static_cast<MultiArithOp*>(node), c, kKinds, cleanup); return true;
            case kOperand: walk::takeOperand(*static_cast<MultiOperand*>(node), c, kKinds); return true;
            case kSubQuery: {
                auto& q = *static_cast<MultiSubQuery*>(node);
                fromList(q.fromList, c);
                qualifier(q.qualifier, c);
                ReleaseMultiFieldRefList(&q.groupBy, 0);
                qualifier(q.groupQualifier, c);
                return true;
            }
            case kQuery: {
                auto& q = *static_cast<MultiQuery*>(node);
                fromList(q.fromList, c);
                ReleaseMultiFieldItemList(&q.fields, 0);
                qualifier(q.qualifier, c);
                qualifier(q.extraQualifier, c);
                ReleaseMultiFieldRefList(&q.groupBy, 0);
                qualifier(q.groupQualifier, c);
                return true;
            }
            case kFromItem: fromItem(*static_cast<MultiFromItem*>(node), c); return true;
            case kArrayItem: fromItem(*static_cast<MultiFromItem*>(node), c); return false;
            case kFromList: fromList(*static_cast<MultiFromList*>(node), c); return false;
            case kFromArray: {
                // Each item waits in a cell inside its own alias; the cell at the head of
                // the array, pushed first, frees the array after the last of them.
                auto* items = static_cast<MultiFromItem*>(node);
                if (extra == 0) return std::free(items), false;
                stack.push(reinterpret_cast<char*>(items) + kArrayFreeCell, kFreeBlock, items);
                for (uint32_t i = 0; i < extra; ++i)
                    stack.push(reinterpret_cast<char*>(&items[i]) + kArrayItemCell, kArrayItem, &items[i]);
                return false;
            }
            case kFreeBlock: std::free(node); return false;
        }
        return false;
    }

    static void qualifier(MultiQualifier*& q, walk::Children& c) {
        c.add(kQualifier, q);
        q = nullptr;
    }
    static void fromList(MultiFromList& list, walk::Children& c) {
        c.add(kFromArray, list.items, list.numItems);
        list = MultiFromList{};
    }
    static void fromItem(MultiFromItem& item, walk::Children& c) {
        if (item.fromType == ZVI_MULTI_FROM_QUERY) c.add(kQuery, item.u.query), item.u.query = nullptr;
        qualifier(item.joinQualifier, c);
    }
};

// Kept records are zeroed. On failure a qualifier or operand keeps its operation or
// tag with null pointer members; every other record is zeroed.
template <class T>
void release(uint32_t kind, T* record, uint8_t freeHolder) {
    walk::release<ReleaseWalk>(kind, record, freeHolder, true);
}

template <class T>
uint32_t copy(uint32_t kind, T* destination, const T* source) {
    return walk::copy<CopyWalk, ReleaseWalk>(kind, destination, source, kind != kQualifier && kind != kOperand);
}

}  // namespace

uint32_t CopyMultiQualifier(MultiQualifier* d, const MultiQualifier* s) { return copy(kQualifier, d, s); }
uint32_t CopyMultiRelationalOp(MultiRelationalOp* d, const MultiRelationalOp* s) { return copy(kRelationalOp, d, s); }
uint32_t CopyMultiArithOp(MultiArithOp* d, const MultiArithOp* s) { return copy(kArithOp, d, s); }
uint32_t CopyMultiOperand(MultiOperand* d, const MultiOperand* s) { return copy(kOperand, d, s); }
uint32_t CopyMultiSubQuery(MultiSubQuery* d, const MultiSubQuery* s) { return copy(kSubQuery, d, s); }
uint32_t CopyMultiQuery(MultiQuery* d, const MultiQuery* s) { return copy(kQuery, d, s); }
uint32_t CopyMultiFromItem(MultiFromItem* d, const MultiFromItem* s) { return copy(kFromItem, d, s); }
uint32_t CopyMultiFromList(MultiFromList* d, const MultiFromList* s) { return copy(kFromList, d, s); }

void ReleaseMultiQualifier(MultiQualifier* q, uint8_t freeHolder) { release(kQualifier, q, freeHolder); }
void ReleaseMultiRelationalOp(MultiRelationalOp* op, uint8_t freeHolder) { release(kRelationalOp, op, freeHolder); }
void ReleaseMultiArithOp(MultiArithOp* op, uint8_t freeHolder) { release(kArithOp, op, freeHolder); }
void ReleaseMultiOperand(MultiOperand* operand, uint8_t freeHolder) { release(kOperand, operand, freeHolder); }
void ReleaseMultiSubQuery(MultiSubQuery* query, uint8_t freeHolder) { release(kSubQuery, query, freeHolder); }
void ReleaseMultiQuery(MultiQuery* query, uint8_t freeHolder) { release(kQuery, query, freeHolder); }
void ReleaseMultiFromItem(MultiFromItem* item, uint8_t freeHolder) { release(kFromItem, item, freeHolder); }

void ReleaseMultiFromList(MultiFromList* list, uint8_t freeHolder) {
    if (!list) return;
    ReleaseWalk w;
    walk::releaseContents(w, kFromList, list);
    if (freeHolder) std::free(list);
}

}  // namespace zvi
