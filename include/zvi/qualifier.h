/* Qualifiers: the search condition of list and query operations, a tree of boolean
 * nodes whose leaves compare two operands. Every node reached through a pointer is a
 * separate heap block owned by the structure that points to it. */
#ifndef ZVI_QUALIFIER_H
#define ZVI_QUALIFIER_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

/* Qualifier operations. 0 is the empty qualifier (it matches everything); nodes of
 * operation 5 and above are passed on with their two members as they stand. */
enum {
    ZVI_QUAL_NONE = 0,
    ZVI_QUAL_AND = 1,     /* binary: left and right */
    ZVI_QUAL_OR = 2,      /* binary: left and right */
    ZVI_QUAL_NOT = 3,     /* unary: child */
    ZVI_QUAL_REL_OP = 4,  /* comparison leaf: relOp */
    ZVI_QUAL_SHARED = 5   /* this value and above: members shared, never copied or freed */
};

struct Qualifier;
struct RelationalOp;
struct ArithOp;
struct QueryRef;

typedef struct Qualifier {
    uint32_t operation;
    union {
        struct {
            struct Qualifier* left;
            struct Qualifier* right;
        } pair;                      /* operations 1 and 2 */
        struct Qualifier* child;     /* operation 3 */
        struct RelationalOp* relOp;  /* operation 4 */
        void* shared[2];             /* operations 5 and above */
    } u;
} Qualifier;
ZVI_SIZE(Qualifier, 24);
ZVI_AT(Qualifier, u, 8);
ZVI_AT(Qualifier, u.pair.right, 16);

ZVI_COUNTED_LIST(QualifierList, Qualifier);

/* Operand tags. Tags not listed here carry 16 bytes that are passed on unchanged. */
enum {
    ZVI_OPERAND_NONE = 0,
    ZVI_OPERAND_FIELD = 1,      /* id */
    ZVI_OPERAND_VALUE = 2,      /* value */
    ZVI_OPERAND_ARITH = 3,      /* arith */
    ZVI_OPERAND_RECORD = 4,     /* record: 16 bytes held inline */
    ZVI_OPERAND_VALUE_SET = 5,  /* valueSet */
    ZVI_OPERAND_REF_6 = 6,      /* ref: pointer to a 12-byte record */
    ZVI_OPERAND_CODE = 52,      /* code */
    ZVI_OPERAND_QUERY = 53,     /* query */
    ZVI_OPERAND_REF_54 = 54,    /* ref */
    ZVI_OPERAND_REF_55 = 55,    /* ref */
    ZVI_OPERAND_REF_56 = 56     /* ref */
};

enum { ZVI_OPERAND_REF_SIZE = 12 };

typedef struct Operand {
    uint32_t tag;
    union {
        uint32_t id;
        Value value;
        struct ArithOp* arith;
        uint8_t record[16];
        ValueList valueSet;
        void* ref;
        uint32_t code;
        struct QueryRef* query;
        uint8_t raw[16];
    } u;
} Operand;
ZVI_SIZE(Operand, 24);
ZVI_AT(Operand, u, 8);

/* A comparison: operation is the comparison code, passed on unchanged. */
typedef struct RelationalOp {
    uint32_t operation;
    Operand left;
    Operand right;
} RelationalOp;
ZVI_SIZE(RelationalOp, 56);
ZVI_AT(RelationalOp, left, 8);
ZVI_AT(RelationalOp, right, 32);

/* An arithmetic expression. Operation 6 has only a right operand. */
enum { ZVI_ARITH_UNARY = 6 };

typedef struct ArithOp {
    uint32_t operation;
    Operand left;
    Operand right;
} ArithOp;
ZVI_SIZE(ArithOp, 56);
ZVI_AT(ArithOp, left, 8);
ZVI_AT(ArithOp, right, 32);

/* A sub-query: only qualifier points to memory. */
typedef struct QueryRef {
    ObjectName formName;
    char server[65];
    Qualifier* qualifier;
    uint32_t valueFieldId;
    uint32_t matchCode;
} QueryRef;
ZVI_SIZE(QueryRef, 336);
ZVI_AT(QueryRef, server, 255);
ZVI_AT(QueryRef, qualifier, 320);
ZVI_AT(QueryRef, valueFieldId, 328);
ZVI_AT(QueryRef, matchCode, 332);

ZVI_EXTERN_C_END

#endif
