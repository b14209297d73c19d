// Qualifier trees: boolean nodes, comparisons, operands, arithmetic and sub-queries.
// Copies and releases walk the tree iteratively (types/walk.h), so a chain of any
// length copies on a small thread stack.
//
// Choices where the caller's tree is incomplete: a null sub-tree, arithmetic node or
// sub-query pointer is copied as null (nothing allocated); a null source of any copy
// gives an empty destination (operation or tag 0) and 0.
#include <cstdlib>
#include <cstring>

#include "types/types.h"
#include "types/qualifier_walk.h"

namespace zvi {
namespace {

enum Kind : uint32_t { kQualifier, kRelationalOp, kArithOp, kOperand, kQueryRef };

constexpr walk::QualifierKinds kKinds{kQualifier, kRelationalOp, kArithOp, kQueryRef, ZVI_OPERAND_QUERY};

// Allocates the block for a node below; false when the heap is exhausted (the slot is
// then null). A null source gives a null slot.
template <class T>
bool allocate(T*& slot, const T* source) {
    slot = source ? static_cast<T*>(std::malloc(sizeof(T))) : nullptr;
    return slot || !source;
}

struct CopyWalk {
    bool step(uint32_t kind, void* destination, const void* source, walk::Stack& pending) {
        switch (kind) {
            case kQualifier:
                return qualifier(*static_cast<Qualifier*>(destination), *static_cast<const Qualifier*>(source), pending);
            case kRelationalOp:
                return operands(*static_cast<RelationalOp*>(destination), *static_cast<const RelationalOp*>(source),
                                pending);
            case kArithOp:  // both operands are copied whatever the operation
                return operands(*static_cast<ArithOp*>(destination), *static_cast<const ArithOp*>(source), pending);
            case kOperand:
                return operand(*static_cast<Operand*>(destination), *static_cast<const Operand*>(source), pending);
            case kQueryRef:
                return queryRef(*static_cast<QueryRef*>(destination), *static_cast<const QueryRef*>(source), pending);
        }
        return true;
    }
    void* destination(uint32_t, void* cell) { return cell; }
    void abandon(uint32_t kind, void* destination) {
        switch (kind) {
            case kRelationalOp: case kArithOp: std::memset(destination, 0, sizeof(RelationalOp)); break;
            case kQueryRef: std::memset(destination, 0, sizeof(QueryRef)); break;
            default: std::memset(destination, 0, walk::kCellSize); break;  // operation or tag 0
        }
    }

    static bool qualifier(Qualifier& d, const Qualifier& s, walk::Stack& pending) {
        d = s;
        switch (s.operation) {
            case ZVI_QUAL_AND:
            case ZVI_QUAL_OR: {
                Qualifier*& left = d.u.pair.left;
                Qualifier*& right = d.u.pair.right;
                if (!allocate(left, s.u.pair.left)) return right = nullptr, false;
                if (!allocate(right, s.u.pair.right)) {
                    std::free(left);
                    return left = nullptr, false;
                }
                if (right) pending.push(right, kQualifier, s.u.pair.right);
                if (left) pending.push(left, kQualifier, s.u.pair.left);
                return true;
            }
            case ZVI_QUAL_NOT:
                if (!allocate(d.u.child, s.u.child)) return false;
                if (d.u.child) pending.push(d.u.child, kQualifier, s.u.child);
                return true;
            case ZVI_QUAL_REL_OP:
                if (!allocate(d.u.relOp, s.u.relOp)) return false;
                if (d.u.relOp) pending.push(d.u.relOp, kRelationalOp, s.u.relOp);
                return true;
            default:  // empty, or members shared with the caller
                return true;
        }
    }

    template <class Op>
    static bool operands(Op& d, const Op& s, walk::Stack& pending) {
        d.operation = s.operation;
        pending.push(&d.right, kOperand, &s.right);
        pending.push(&d.left, kOperand, &s.left);
        return true;
    }

    static bool operand(Operand& d, const Operand& s, walk::Stack& pending) {
        d = s;
        switch (s.tag) {
            case ZVI_OPERAND_VALUE:
                return CopyValue(&d.u.value, &s.u.value) == 0;
            case ZVI_OPERAND_ARITH:
                if (!allocate(d.u.arith, s.u.arith)) return false;
                if (d.u.arith) pending.push(d.u.arith, kArithOp, s.u.arith);
                return true;
            case ZVI_OPERAND_VALUE_SET:
                return CopyValueList(&d.u.valueSet, &s.u.valueSet) == 0;
            case ZVI_OPERAND_QUERY:
                if (!allocate(d.u.query, s.u.query)) return false;
                if (d.u.query) pending.push(d.u.query, kQueryRef, s.u.query);
                return true;
            default:
                if (!walk::isOperandRecordTag(s.tag) || !s.u.ref) return true;
                d.u.ref = std::malloc(ZVI_OPERAND_REF_SIZE);
                if (!d.u.ref) return false;
                std::memcpy(d.u.ref, s.u.ref, ZVI_OPERAND_REF_SIZE);
                return true;
        }
    }

    static bool queryRef(QueryRef& d, const QueryRef& s, walk::Stack& pending) {
        d = s;
        if (!allocate(d.qualifier, s.qualifier)) return false;
        if (d.qualifier) pending.push(d.qualifier, kQualifier, s.qualifier);
        return true;
    }
};

struct ReleaseWalk {
    // A copy that failed is released whole: then the left operand of an arithmetic
    // node of operation 6, which a release of the host's trees leaves alone, is ours.
    bool cleanup = false;

    bool take(uint32_t kind, void* node, uint32_t, walk::Children& c, walk::Stack&) {
        switch (kind) {
            case kQualifier: walk::takeQualifier(*static_cast<Qualifier*>(node), c, kKinds); break;
            case kRelationalOp: walk::takeOperands(*static_cast<RelationalOp*>(node), c, kKinds, true); break;
            case kArithOp: walk::takeOperands(*static_cast<ArithOp*>(node), c, kKinds, cleanup); break;
            case kOperand: walk::takeOperand(*static_cast<Operand*>(node), c, kKinds); break;
            case kQueryRef: {
                auto& q = *static_cast<QueryRef*>(node);
                c.add(kQualifier, q.qualifier);
                q.qualifier = nullptr;
                break;
            }
        }
        return true;  // an operand is a block of its own only as the root of a release
    }
};

template <class T>
uint32_t copy(uint32_t kind, T* destination, const T* source) {
    return walk::copy<CopyWalk, ReleaseWalk>(kind, destination, source, false);
}

template <class T>
void release(uint32_t kind, T* record, uint8_t freeHolder) {
    walk::release<ReleaseWalk>(kind, record, freeHolder, false);
}

}  // namespace

uint32_t CopyQualifier(Qualifier* d, const Qualifier* s) { return copy(kQualifier, d, s); }
uint32_t CopyRelationalOp(RelationalOp* d, const RelationalOp* s) { return copy(kRelationalOp, d, s); }
uint32_t CopyArithOp(ArithOp* d, const ArithOp* s) { return copy(kArithOp, d, s); }
uint32_t CopyOperand(Operand* d, const Operand* s) { return copy(kOperand, d, s); }
uint32_t CopyQueryRef(QueryRef* d, const QueryRef* s) { return copy(kQueryRef, d, s); }

void ReleaseQualifier(Qualifier* qualifier, uint8_t freeHolder) {
    walk::release<ReleaseWalk>(kQualifier, qualifier, freeHolder, true);
}

void ReleaseQualifierList(QualifierList* list, uint8_t freeHolder) {
    if (!list) return;
    if (list->items) {
        for (uint32_t i = 0; i < list->numItems; ++i) ReleaseQualifier(&list->items[i], 0);
        std::free(list->items);
    }
    if (freeHolder) return std::free(list);
    *list = QualifierList{};
}

void ReleaseRelationalOp(RelationalOp* relOp, uint8_t freeHolder) { release(kRelationalOp, relOp, freeHolder); }
void ReleaseArithOp(ArithOp* arith, uint8_t freeHolder) { release(kArithOp, arith, freeHolder); }
void ReleaseOperand(Operand* operand, uint8_t freeHolder) { release(kOperand, operand, freeHolder); }
void ReleaseQueryRef(QueryRef* query, uint8_t freeHolder) { release(kQueryRef, query, freeHolder); }

}  // namespace zvi
