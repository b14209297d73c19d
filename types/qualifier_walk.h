// What the release walks of single-form and multi-form qualifiers share: the boolean
// and comparison nodes and the operands have the same tags and shapes in both, only
// their sizes and the sub-query they may point to differ.
#pragma once
#include <cstdlib>

#include "types/types.h"
#include "types/walk.h"

namespace zvi::walk {

// The kinds a family's walk gives its nodes.
struct QualifierKinds {
    uint32_t qualifier;
    uint32_t relOp;
    uint32_t arith;
    uint32_t subQuery;
    uint32_t subQueryTag;  // the operand tag of a sub-query
};

inline bool isOperandRecordTag(uint32_t tag) {
    switch (tag) {
        case ZVI_OPERAND_REF_6: case ZVI_OPERAND_REF_54: case ZVI_OPERAND_REF_55: case ZVI_OPERAND_REF_56:
            return true;
        default:
            return false;
    }
}

// Hands over the nodes below a qualifier node; its pointer members end null. Nodes of
// other operations hold nothing of the walk's.
template <class Q>
void takeQualifier(Q& q, Children& c, const QualifierKinds& k) {
    switch (q.operation) {
        case ZVI_QUAL_AND:
        case ZVI_QUAL_OR:
            c.add(k.qualifier, q.u.pair.left);
            c.add(k.qualifier, q.u.pair.right);
            q.u.pair.left = q.u.pair.right = nullptr;
            break;
        case ZVI_QUAL_NOT:
            c.add(k.qualifier, q.u.child);
            q.u.child = nullptr;
            break;
        case ZVI_QUAL_REL_OP:
            c.add(k.relOp, q.u.relOp);
            q.u.relOp = nullptr;
            break;
        default:
            break;
    }
}

// Frees what an operand holds inline (a value, a value set, a record) and hands over
// the arithmetic node or sub-query it points to; its pointer members end null. The
// sub-query pointer shares the member's first 8 bytes with the record pointer.
template <class O>
void takeOperand(O& o, Children& c, const QualifierKinds& k) {
    switch (o.tag) {
        case ZVI_OPERAND_VALUE: ReleaseValue(&o.u.value, 0); return;
        case ZVI_OPERAND_ARITH: c.add(k.arith, o.u.arith), o.u.arith = nullptr; return;
        case ZVI_OPERAND_VALUE_SET: ReleaseValueList(&o.u.valueSet, 0); return;
        default: break;
    }
    if (o.tag == k.subQueryTag) {
        c.add(k.subQuery, o.u.ref);
    } else if (isOperandRecordTag(o.tag)) {
        std::free(o.u.ref);
    } else {
        return;
    }
    o.u.ref = nullptr;
}

// A comparison releases both operands; an arithmetic node of operation 6 has only a
// right one, unless the walk cleans up a failed copy of its own.
template <class Op>
void takeOperands(Op& op, Children& c, const QualifierKinds& k, bool bothOperands) {
    if (bothOperands || op.operation != ZVI_ARITH_UNARY) takeOperand(op.left, c, k);
    takeOperand(op.right, c, k);
}

}  // namespace zvi::walk
