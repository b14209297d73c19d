/* Request and result records of the entry operations. */
#ifndef ZVI_RECORDS_ENTRIES_H
#define ZVI_RECORDS_ENTRIES_H

#include "zvi/entries.h"
#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

/* Result of the operations that return one field-value list. */
typedef struct FieldValuesResult {
    ResultControl control;
    FieldValueList values;
    StatusList status;
} FieldValuesResult;
ZVI_SIZE(FieldValuesResult, 200);
ZVI_AT(FieldValuesResult, values, 168);
ZVI_AT(FieldValuesResult, status, 184);

/* Result of the operations that create an entry. */
typedef struct NewEntryResult {
    ResultControl control;
    EntryId entryId;
    StatusList status;
} NewEntryResult;
ZVI_SIZE(NewEntryResult, 200);
ZVI_AT(NewEntryResult, entryId, 168);
ZVI_AT(NewEntryResult, status, 184);

typedef struct GetEntryRequest {
    RequestControl control;
    const char* schema;  /* the caller's pointer */
    EntryIdList entryId; /* deep copy */
    IdList fieldIds;     /* deep copy */
    uint32_t wantValues; /* 1 when the caller asked for the values */
} GetEntryRequest;
ZVI_SIZE(GetEntryRequest, 216);
ZVI_AT(GetEntryRequest, schema, 168);
ZVI_AT(GetEntryRequest, entryId, 176);
ZVI_AT(GetEntryRequest, fieldIds, 192);
ZVI_AT(GetEntryRequest, wantValues, 208);
typedef FieldValuesResult GetEntryResult;

typedef struct SetEntryRequest {
    RequestControl control;
    const char* schema;
    EntryIdList entryId;        /* deep copy */
    FieldValueList fieldValues; /* deep copy */
    uint32_t auxValue1;
    uint32_t auxValue2;
} SetEntryRequest;
ZVI_SIZE(SetEntryRequest, 216);
ZVI_AT(SetEntryRequest, entryId, 176);
ZVI_AT(SetEntryRequest, fieldValues, 192);
ZVI_AT(SetEntryRequest, auxValue1, 208);
ZVI_AT(SetEntryRequest, auxValue2, 212);
typedef StatusResult SetEntryResult;

typedef struct CreateEntryRequest {
    RequestControl control;
    const char* schema;
    FieldValueList fieldValues; /* deep copy */
} CreateEntryRequest;
ZVI_SIZE(CreateEntryRequest, 192);
ZVI_AT(CreateEntryRequest, fieldValues, 176);
typedef NewEntryResult CreateEntryResult;

typedef struct DeleteEntryRequest {
    RequestControl control;
    const char* schema;    /* the caller's pointer */
    EntryIdList entryId;   /* deep copy */
    uint32_t deleteOption;
} DeleteEntryRequest;
ZVI_SIZE(DeleteEntryRequest, 200);
ZVI_AT(DeleteEntryRequest, schema, 168);
ZVI_AT(DeleteEntryRequest, entryId, 176);
ZVI_AT(DeleteEntryRequest, deleteOption, 192);
typedef StatusResult DeleteEntryResult;

typedef struct MergeEntryRequest {
    RequestControl control;
    const char* schema;
    FieldValueList fieldValues; /* deep copy */
    uint32_t mergeType;
    uint8_t reserved[36];       /* zero */
} MergeEntryRequest;
ZVI_SIZE(MergeEntryRequest, 232);
ZVI_AT(MergeEntryRequest, fieldValues, 176);
ZVI_AT(MergeEntryRequest, mergeType, 192);
ZVI_AT(MergeEntryRequest, reserved, 196);
typedef NewEntryResult MergeEntryResult;

/* Request of both single-form list operations. */
typedef struct GetListEntryRequest {
    RequestControl control;
    const char* schema;
    Qualifier qualifier;           /* deep copy; operation 0 when none was given */
    EntryListFieldList listFields; /* deep copy */
    SortList sortList;             /* deep copy */
    uint32_t firstRetrieve;
    uint32_t maxRetrieve;
    uint8_t useLocale;
    uint32_t wantCount; /* 1 when the caller asked for the number of matches */
} GetListEntryRequest;
ZVI_SIZE(GetListEntryRequest, 248);
ZVI_AT(GetListEntryRequest, qualifier, 176);
ZVI_AT(GetListEntryRequest, listFields, 200);
ZVI_AT(GetListEntryRequest, sortList, 216);
ZVI_AT(GetListEntryRequest, firstRetrieve, 232);
ZVI_AT(GetListEntryRequest, maxRetrieve, 236);
ZVI_AT(GetListEntryRequest, useLocale, 240);
ZVI_AT(GetListEntryRequest, wantCount, 244);
typedef GetListEntryRequest GetListEntryWithFieldsRequest;

typedef struct GetListEntryResult {
    ResultControl control;
    EntryListItemList entries;
    uint32_t numMatches;
    StatusList status;
} GetListEntryResult;
ZVI_SIZE(GetListEntryResult, 208);
ZVI_AT(GetListEntryResult, entries, 168);
ZVI_AT(GetListEntryResult, numMatches, 184);
ZVI_AT(GetListEntryResult, status, 192);

typedef struct GetListEntryWithFieldsResult {
    ResultControl control;
    uint32_t numMatches;
    EntryFieldValuesList* entries; /* a heap record of the host */
    StatusList status;
} GetListEntryWithFieldsResult;
ZVI_SIZE(GetListEntryWithFieldsResult, 200);
ZVI_AT(GetListEntryWithFieldsResult, numMatches, 168);
ZVI_AT(GetListEntryWithFieldsResult, entries, 176);
ZVI_AT(GetListEntryWithFieldsResult, status, 184);

typedef struct GetMultipleEntriesRequest {
    RequestControl control;
    const char* schema;
    EntryIdListList entryIds; /* the caller's record: its items are shared */
    IdList fieldIds;          /* deep copy */
    uint32_t wantValues;
} GetMultipleEntriesRequest;
ZVI_SIZE(GetMultipleEntriesRequest, 216);
ZVI_AT(GetMultipleEntriesRequest, entryIds, 176);
ZVI_AT(GetMultipleEntriesRequest, fieldIds, 192);
ZVI_AT(GetMultipleEntriesRequest, wantValues, 208);

typedef struct GetMultipleEntriesResult {
    ResultControl control;
    ExistList existList;
    FieldValueListList values;
    uint64_t reserved;
    StatusList status;
} GetMultipleEntriesResult;
ZVI_SIZE(GetMultipleEntriesResult, 224);
ZVI_AT(GetMultipleEntriesResult, existList, 168);
ZVI_AT(GetMultipleEntriesResult, values, 184);
ZVI_AT(GetMultipleEntriesResult, status, 208);

/* Attachment data as the host returns it: two words in network byte order, then
 * the data from byte 8. */
typedef struct EntryDataHeader {
    uint32_t compressedFlag; /* non-zero: the data is compressed */
    uint32_t storedLength;   /* size of the stored data */
} EntryDataHeader;
ZVI_SIZE(EntryDataHeader, 8);

typedef struct GetEntryBLOBRequest {
    RequestControl control;
    const char* schema;
    EntryIdList entryId; /* deep copy */
    uint32_t fieldId;
} GetEntryBLOBRequest;
ZVI_SIZE(GetEntryBLOBRequest, 200);
ZVI_AT(GetEntryBLOBRequest, entryId, 176);
ZVI_AT(GetEntryBLOBRequest, fieldId, 192);

typedef struct GetEntryBLOBResult {
    ResultControl control;
    uint32_t byteCount;
    uint8_t* data; /* header and data, on the host's heap */
    StatusList status;
} GetEntryBLOBResult;
ZVI_SIZE(GetEntryBLOBResult, 200);
ZVI_AT(GetEntryBLOBResult, byteCount, 168);
ZVI_AT(GetEntryBLOBResult, data, 176);
ZVI_AT(GetEntryBLOBResult, status, 184);

typedef struct ServiceEntryRequest {
    RequestControl control;
    const char* schema;
    EntryIdList entryId;        /* deep copy */
    FieldValueList inputValues; /* deep copy */
    IdList outputFieldIds;      /* deep copy */
    uint32_t wantValues;
} ServiceEntryRequest;
ZVI_SIZE(ServiceEntryRequest, 232);
ZVI_AT(ServiceEntryRequest, entryId, 176);
ZVI_AT(ServiceEntryRequest, inputValues, 192);
ZVI_AT(ServiceEntryRequest, outputFieldIds, 208);
ZVI_AT(ServiceEntryRequest, wantValues, 224);
typedef FieldValuesResult ServiceEntryResult;

typedef struct GetListEntryWithMultiSchemaFieldsRequest {
    RequestControl control;
    MultiFromList fromList;      /* deep copies, all */
    MultiFieldItemList fields;
    MultiQualifier qualifier;    /* operation 0 when none was given */
    MultiFieldItemList sortList;
    uint32_t firstRetrieve;
    uint32_t maxRetrieve;
    uint32_t reserved;
    uint32_t wantCount;
    MultiFieldRefList groupBy;
    MultiQualifier groupQualifier; /* operation 0 when none was given */
} GetListEntryWithMultiSchemaFieldsRequest;
ZVI_SIZE(GetListEntryWithMultiSchemaFieldsRequest, 792);
ZVI_AT(GetListEntryWithMultiSchemaFieldsRequest, fromList, 168);
ZVI_AT(GetListEntryWithMultiSchemaFieldsRequest, fields, 184);
ZVI_AT(GetListEntryWithMultiSchemaFieldsRequest, qualifier, 200);
ZVI_AT(GetListEntryWithMultiSchemaFieldsRequest, sortList, 472);
ZVI_AT(GetListEntryWithMultiSchemaFieldsRequest, firstRetrieve, 488);
ZVI_AT(GetListEntryWithMultiSchemaFieldsRequest, maxRetrieve, 492);
ZVI_AT(GetListEntryWithMultiSchemaFieldsRequest, wantCount, 500);
ZVI_AT(GetListEntryWithMultiSchemaFieldsRequest, groupBy, 504);
ZVI_AT(GetListEntryWithMultiSchemaFieldsRequest, groupQualifier, 520);

typedef struct GetListEntryWithMultiSchemaFieldsResult {
    ResultControl control;
    uint32_t numMatches;
    MultiFieldValueListList* rows; /* a heap record of the host */
    StatusList status;
} GetListEntryWithMultiSchemaFieldsResult;
ZVI_SIZE(GetListEntryWithMultiSchemaFieldsResult, 200);
ZVI_AT(GetListEntryWithMultiSchemaFieldsResult, numMatches, 168);
ZVI_AT(GetListEntryWithMultiSchemaFieldsResult, rows, 176);
ZVI_AT(GetListEntryWithMultiSchemaFieldsResult, status, 184);

ZVI_EXTERN_C_END

#endif
