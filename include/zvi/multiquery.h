/* Multi-form queries: a query over several sources (forms or nested queries, each
 * with an alias and a join condition), shaped like a relational statement. Every field
 * reference names the alias of the source it belongs to. */
#ifndef ZVI_MULTIQUERY_H
#define ZVI_MULTIQUERY_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

struct MultiQualifier;
struct MultiRelationalOp;
struct MultiArithOp;
struct MultiSubQuery;
struct MultiQuery;

typedef struct MultiFieldRef {
    ObjectName alias;
    uint32_t fieldId;
} MultiFieldRef;
ZVI_SIZE(MultiFieldRef, 260);
ZVI_AT(MultiFieldRef, fieldId, 256);
ZVI_COUNTED_LIST(MultiFieldRefList, MultiFieldRef);

/* A field to return; in a sort list, option is the sort order. */
typedef struct MultiFieldItem {
    ObjectName alias;
    uint32_t fieldId;
    uint32_t option;
} MultiFieldItem;
ZVI_SIZE(MultiFieldItem, 264);
ZVI_AT(MultiFieldItem, fieldId, 256);
ZVI_AT(MultiFieldItem, option, 260);
ZVI_COUNTED_LIST(MultiFieldItemList, MultiFieldItem);

/* Operations as for Qualifier, plus 5: a bare field reference held inline. */
enum { ZVI_MULTI_QUAL_FIELD = 5 };

typedef struct MultiQualifier {
    uint32_t operation;
    union {
        struct {
            struct MultiQualifier* left;
            struct MultiQualifier* right;
        } pair;                           /* operations 1 and 2 */
        struct MultiQualifier* child;     /* operation 3 */
        struct MultiRelationalOp* relOp;  /* operation 4 */
        MultiFieldRef field;              /* operation 5 */
        uint8_t raw[264];
    } u;
} MultiQualifier;
ZVI_SIZE(MultiQualifier, 272);
ZVI_AT(MultiQualifier, u, 8);
ZVI_AT(MultiQualifier, u.pair.right, 16);

/* Operand tags: 1, 12 to 26, 50, 51 and 99 hold a field reference inline; tags not
 * listed carry 272 bytes that are passed on unchanged. */
enum {
    ZVI_MULTI_OPERAND_FIELD = 1,       /* field */
    ZVI_MULTI_OPERAND_VALUE = 2,       /* value */
    ZVI_MULTI_OPERAND_ARITH = 3,       /* arith */
    ZVI_MULTI_OPERAND_RECORD = 4,      /* record: 268 bytes held inline */
    ZVI_MULTI_OPERAND_VALUE_SET = 5,   /* valueSet */
    ZVI_MULTI_OPERAND_REF_6 = 6,       /* ref: pointer to a 272-byte record (also 54, 55, 56) */
    ZVI_MULTI_OPERAND_SUB_QUERY = 7    /* subQuery */
};

enum { ZVI_MULTI_OPERAND_REF_SIZE = 272 };

typedef struct MultiOperand {
    uint32_t tag;
    union {
        MultiFieldRef field;
        Value value;
        struct MultiArithOp* arith;
        uint8_t record[268];
        ValueList valueSet;
        void* ref;
        struct MultiSubQuery* subQuery;
        uint8_t raw[272];
    } u;
} MultiOperand;
ZVI_SIZE(MultiOperand, 280);
ZVI_AT(MultiOperand, u, 8);

typedef struct MultiRelationalOp {
    uint32_t operation;
    MultiOperand left;
    MultiOperand right;
} MultiRelationalOp;
ZVI_SIZE(MultiRelationalOp, 568);
ZVI_AT(MultiRelationalOp, left, 8);
ZVI_AT(MultiRelationalOp, right, 288);

/* Operation 6 has only a right operand. */
typedef struct MultiArithOp {
    uint32_t operation;
    MultiOperand left;
    MultiOperand right;
} MultiArithOp;
ZVI_SIZE(MultiArithOp, 568);
ZVI_AT(MultiArithOp, left, 8);
ZVI_AT(MultiArithOp, right, 288);

/* Source types of a from item. */
enum { ZVI_MULTI_FROM_FORM = 0, ZVI_MULTI_FROM_QUERY = 2 };

typedef struct MultiFromItem {
    uint32_t fromType;
    union {
        ObjectName formName;       /* type 0 */
        struct MultiQuery* query;  /* type 2 */
    } u;
    ObjectName alias;
    uint32_t joinType;
    struct MultiQualifier* joinQualifier;
} MultiFromItem;
ZVI_SIZE(MultiFromItem, 536);
ZVI_AT(MultiFromItem, u, 8);
ZVI_AT(MultiFromItem, alias, 264);
ZVI_AT(MultiFromItem, joinType, 520);
ZVI_AT(MultiFromItem, joinQualifier, 528);
ZVI_COUNTED_LIST(MultiFromList, MultiFromItem);

typedef struct MultiSubQuery {
    MultiFromList fromList;
    MultiFieldRef field;
    MultiQualifier* qualifier;
    MultiFieldRefList groupBy;
    MultiQualifier* groupQualifier;
} MultiSubQuery;
ZVI_SIZE(MultiSubQuery, 312);
ZVI_AT(MultiSubQuery, field, 16);
ZVI_AT(MultiSubQuery, field.fieldId, 272);
ZVI_AT(MultiSubQuery, qualifier, 280);
ZVI_AT(MultiSubQuery, groupBy, 288);
ZVI_AT(MultiSubQuery, groupQualifier, 304);

typedef struct MultiQuery {
    char queryName[256];
    MultiFromList fromList;
    MultiFieldItemList fields;
    MultiQualifier* qualifier;
    MultiQualifier* extraQualifier;
    uint32_t option; /* passed on unchanged */
    MultiFieldRefList groupBy;
    MultiQualifier* groupQualifier;
} MultiQuery;
ZVI_SIZE(MultiQuery, 336);
ZVI_AT(MultiQuery, fromList, 256);
ZVI_AT(MultiQuery, fields, 272);
ZVI_AT(MultiQuery, qualifier, 288);
ZVI_AT(MultiQuery, extraQualifier, 296);
ZVI_AT(MultiQuery, option, 304);
ZVI_AT(MultiQuery, groupBy, 312);
ZVI_AT(MultiQuery, groupQualifier, 328);

/* One returned column. Its value is 8-byte aligned after the two words, so the
 * record is 280 bytes. */
typedef struct MultiFieldValue {
    ObjectName alias;
    uint32_t fieldId;
    uint32_t option;
    Value value;
} MultiFieldValue;
ZVI_SIZE(MultiFieldValue, 280);
ZVI_AT(MultiFieldValue, fieldId, 256);
ZVI_AT(MultiFieldValue, option, 260);
ZVI_AT(MultiFieldValue, value, 264);
ZVI_COUNTED_LIST(MultiFieldValueList, MultiFieldValue);      /* one row */
ZVI_COUNTED_LIST(MultiFieldValueListList, MultiFieldValueList); /* the rows */

ZVI_EXTERN_C_END

#endif
