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
#include "types/walk.h"

namespace zvi {
namespace {

enum Kind : uint32_t { kQualifier, kRelationalOp, kArithOp, kOperand, kQueryRef };

bool isRefTag(uint32_t tag) {
    switch (tag) {
        case ZVI_OPERAND_REF_6: case ZVI_OPERAND_REF_54: case ZVI_OPERAND_REF_55: case ZVI_OPERAND_REF_56:
            return true;
        default:
            return false;
    }
}

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
                if (!isRefTag(s.tag) || !s.u.ref) return true;
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
            case kQualifier: {
                auto& q = *static_cast<Qualifier*>(node);
                switch (q.operation) {
                    case ZVI_QUAL_AND:
                    case ZVI_QUAL_OR:
                        c.add(kQualifier, q.u.pair.left);
                        c.add(kQualifier, q.u.pair.right);
                        q.u.pair.left = q.u.pair.right = nullptr;
                        break;
                    case ZVI_QUAL_NOT: c.add(kQualifier, q.u.child), q.u.child = nullptr; break;
                    case ZVI_QUAL_REL_OP: c.add(kRelationalOp, q.u.relOp), q.u.relOp = nullptr; break;
                    default: break;
                }
                break;
            }
            case kRelationalOp: {
                auto& op = *static_cast<RelationalOp*>(node);
                operand(op.left, c);
                operand(op.right, c);
                break;
            }
            case kArithOp: {
                auto& op = *static_cast<ArithOp*>(node);
                if (op.operation != ZVI_ARITH_UNARY || cleanup) operand(op.left, c);
                operand(op.right, c);
                break;
            }
            case kOperand: operand(*static_cast<Operand*>(node), c); break;
            case kQueryRef: {
                auto& q = *static_cast<QueryRef*>(node);
                c.add(kQualifier, q.qualifier);
                q.qualifier = nullptr;
                break;
            }
        }
        return true;  // an operand is a block of its own only as the root of a release
    }

    // Frees what an operand holds inline and hands over the node it points to; its
    // pointer members are null afterwards.
    static void operand(Operand& o, walk::Children& c) {
        switch (o.tag) {
            case ZVI_OPERAND_VALUE: ReleaseValue(&o.u.value, 0); break;
            case ZVI_OPERAND_ARITH: c.add(kArithOp, o.u.arith), o.u.arith = nullptr; break;
            case ZVI_OPERAND_VALUE_SET: ReleaseValueList(&o.u.valueSet, 0); break;
            case ZVI_OPERAND_QUERY: c.add(kQueryRef, o.u.query), o.u.query = nullptr; break;
            default:
                if (!isRefTag(o.tag)) break;
                std::free(o.u.ref);
                o.u.ref = nullptr;
                break;
        }
    }
};

// Releases what a record kept by its holder points to; its pointer members end null.
void releaseContents(uint32_t kind, void* node, bool cleanup) {
    ReleaseWalk w{cleanup};
    walk::Children c;
    walk::Stack unused;
    w.take(kind, node, 0, c, unused);
    walk::releaseChildren(w, c);
}

void release(uint32_t kind, void* node, uint8_t freeHolder) {
    if (!node) return;
    ReleaseWalk w;
    if (freeHolder) return walk::releaseTree(w, kind, node);
    releaseContents(kind, node, false);
}

// Copies a tree rooted in a record of the given kind. On failure everything allocated
// is freed and the root keeps its operation or tag with null pointer members.
template <class T>
uint32_t copy(uint32_t kind, T* destination, const T* source) {
    if (!destination) return 0;
    if (!source) {
        std::memset(static_cast<void*>(destination), 0, sizeof(T));
        return 0;
    }
    CopyWalk w;
    if (walk::copyTree(w, kind, destination, source)) return 0;
    releaseContents(kind, destination, true);
    return kCopyNoMemory;
}

}  // namespace

uint32_t CopyQualifier(Qualifier* d, const Qualifier* s) { return copy(kQualifier, d, s); }
uint32_t CopyRelationalOp(RelationalOp* d, const RelationalOp* s) { return copy(kRelationalOp, d, s); }
uint32_t CopyArithOp(ArithOp* d, const ArithOp* s) { return copy(kArithOp, d, s); }
uint32_t CopyOperand(Operand* d, const Operand* s) { return copy(kOperand, d, s); }
uint32_t CopyQueryRef(QueryRef* d, const QueryRef* s) { return copy(kQueryRef, d, s); }

void ReleaseQualifier(Qualifier* qualifier, uint8_t freeHolder) {
    release(kQualifier, qualifier, freeHolder);
    if (qualifier && !freeHolder) *qualifier = Qualifier{};
}

void ReleaseQualifierList(QualifierList* list, uint8_t freeHolder) {
    if (!list) return;
    if (list->items) {
        for (uint32_t i = 0; i < list->numItems; ++i) release(kQualifier, &list->items[i], 0);
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
