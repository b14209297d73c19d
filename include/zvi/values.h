/* Value payload records and the lists built from values and identifiers. */
#ifndef ZVI_VALUES_H
#define ZVI_VALUES_H

#include "zvi/base.h"

ZVI_EXTERN_C_BEGIN

enum { ZVI_LOC_NONE = 0, ZVI_LOC_FILENAME = 1, ZVI_LOC_BUFFER = 2 };

/* Where attachment data lives: a file name (type 1) or a memory buffer (type 2). */
typedef struct Locator {
    uint32_t locType;
    union {
        char* fileName;
        struct {
            uint32_t bufSize;
            uint8_t* buffer;
        } mem;
    } u;
} Locator;
ZVI_SIZE(Locator, 24);
ZVI_AT(Locator, u, 8);

typedef struct Attachment {
    char* name;
    int32_t origSize;
    int32_t compSize;
    Locator locator;
} Attachment;
ZVI_SIZE(Attachment, 40);
ZVI_AT(Attachment, origSize, 8);
ZVI_AT(Attachment, compSize, 12);
ZVI_AT(Attachment, locator, 16);

typedef struct FuncCurrency {
    char* value;
    char currencyCode[4];
} FuncCurrency;
ZVI_SIZE(FuncCurrency, 16);
ZVI_AT(FuncCurrency, currencyCode, 8);
ZVI_COUNTED_LIST(FuncCurrencyList, FuncCurrency);

typedef struct CurrencyValue {
    char* value;
    char currencyCode[4];
    int32_t conversionDate;
    FuncCurrencyList funcList;
} CurrencyValue;
ZVI_SIZE(CurrencyValue, 32);
ZVI_AT(CurrencyValue, currencyCode, 8);
ZVI_AT(CurrencyValue, conversionDate, 12);
ZVI_AT(CurrencyValue, funcList, 16);

typedef struct IntPair {
    int32_t first;
    int32_t second;
} IntPair;
ZVI_SIZE(IntPair, 8);
ZVI_COUNTED_LIST(IntPairList, IntPair);

ZVI_COUNTED_LIST(ValueList, Value);

typedef struct FieldValue {
    uint32_t fieldId;
    Value value;
} FieldValue;
ZVI_SIZE(FieldValue, 24);
ZVI_AT(FieldValue, value, 8);
ZVI_COUNTED_LIST(FieldValueList, FieldValue);
ZVI_COUNTED_LIST(FieldValueListList, FieldValueList);

typedef struct EntryFieldValues {
    EntryIdList entryId;
    FieldValueList* values;
} EntryFieldValues;
ZVI_SIZE(EntryFieldValues, 24);
ZVI_AT(EntryFieldValues, values, 16);
ZVI_COUNTED_LIST(EntryFieldValuesList, EntryFieldValues);
ZVI_COUNTED_LIST(EntryIdListList, EntryIdList);

/* Flat lists: elements hold no pointers. */
typedef struct SortItem {
    uint32_t fieldId;
    uint32_t sortOrder;
} SortItem;
ZVI_SIZE(SortItem, 8);
ZVI_COUNTED_LIST(SortList, SortItem);

typedef struct EntryListField {
    uint32_t fieldId;
    uint32_t columnWidth;
    char separator[10];
} EntryListField;
ZVI_SIZE(EntryListField, 20);
ZVI_AT(EntryListField, separator, 8);
ZVI_COUNTED_LIST(EntryListFieldList, EntryListField);

typedef struct Permission {
    uint32_t groupId;
    uint32_t permission;
} Permission;
ZVI_SIZE(Permission, 8);
ZVI_COUNTED_LIST(PermissionList, Permission);

typedef struct IndexDef {
    uint32_t numFields;
    uint32_t fieldIds[16];
    uint8_t unique;
    ObjectName indexName;
    uint8_t reserved[4]; /* the element is 328 bytes: 4 trailing bytes beyond the fields */
} IndexDef;
ZVI_SIZE(IndexDef, 328);
ZVI_AT(IndexDef, unique, 68);
ZVI_AT(IndexDef, indexName, 69);
ZVI_COUNTED_LIST(IndexList, IndexDef);

ZVI_COUNTED_LIST(FlagList, uint8_t);

typedef struct EnumItem {
    ObjectName itemName;
    uint32_t itemNumber;
} EnumItem;
ZVI_SIZE(EnumItem, 260);
ZVI_AT(EnumItem, itemNumber, 256);
ZVI_COUNTED_LIST(EnumItemList, EnumItem);

/* Lists only the host returns. */
ZVI_COUNTED_LIST(IdListList, IdList);
typedef struct TextPair {
    uint64_t scalar;
    char* first;
    char* second;
} TextPair;
ZVI_SIZE(TextPair, 24);
ZVI_COUNTED_LIST(TextPairList, TextPair);

ZVI_EXTERN_C_END

#endif
