/* Request and result records of the workflow-context operations. Those without a
 * control record start with the workflow context or their first argument. */
#ifndef ZVI_RECORDS_WORKFLOW_CONTEXT_H
#define ZVI_RECORDS_WORKFLOW_CONTEXT_H

#include "zvi/host.h"
#include "zvi/workflow_context.h"

ZVI_EXTERN_C_BEGIN

/* Result of the workflow operations whose only output is their messages. */
typedef struct WfStatusResult {
    StatusList status;
} WfStatusResult;
ZVI_SIZE(WfStatusResult, 16);

typedef struct WfCreateEntryRequest {
    WorkflowContext context;
    FieldValueList fieldValues; /* deep copy */
    uint32_t createOption;
} WfCreateEntryRequest;
ZVI_SIZE(WfCreateEntryRequest, 32);
ZVI_AT(WfCreateEntryRequest, fieldValues, 8);
ZVI_AT(WfCreateEntryRequest, createOption, 24);

typedef struct WfCreateEntryResult {
    EntryId entryId;
    StatusList status;
} WfCreateEntryResult;
ZVI_SIZE(WfCreateEntryResult, 32);
ZVI_AT(WfCreateEntryResult, status, 16);

typedef struct WfSetCurrEntryRequest {
    FieldValueList fieldValues; /* deep copy */
    uint32_t setOption;
} WfSetCurrEntryRequest;
ZVI_SIZE(WfSetCurrEntryRequest, 24);
ZVI_AT(WfSetCurrEntryRequest, setOption, 16);
typedef WfStatusResult WfSetCurrEntryResult;

typedef struct WfSetEntryRequest {
    WorkflowContext context;
    EntryIdList entryId;        /* deep copy */
    FieldValueList fieldValues; /* deep copy */
    uint32_t setOption;
} WfSetEntryRequest;
ZVI_SIZE(WfSetEntryRequest, 48);
ZVI_AT(WfSetEntryRequest, entryId, 8);
ZVI_AT(WfSetEntryRequest, fieldValues, 24);
ZVI_AT(WfSetEntryRequest, setOption, 40);
typedef WfStatusResult WfSetEntryResult;

typedef struct WfGetEntryRequest {
    WorkflowContext context;
    EntryIdList entryId; /* deep copy */
    IdList fieldIds;     /* deep copy */
    uint32_t wantValues;
} WfGetEntryRequest;
ZVI_SIZE(WfGetEntryRequest, 48);
ZVI_AT(WfGetEntryRequest, entryId, 8);
ZVI_AT(WfGetEntryRequest, fieldIds, 24);
ZVI_AT(WfGetEntryRequest, wantValues, 40);

typedef struct WfGetEntryResult {
    FieldValueList values;
    StatusList status;
} WfGetEntryResult;
ZVI_SIZE(WfGetEntryResult, 32);
ZVI_AT(WfGetEntryResult, status, 16);

typedef struct WfDeleteEntryRequest {
    WorkflowContext context;
    EntryIdList entryId; /* deep copy */
    uint32_t deleteOption;
} WfDeleteEntryRequest;
ZVI_SIZE(WfDeleteEntryRequest, 32);
ZVI_AT(WfDeleteEntryRequest, entryId, 8);
ZVI_AT(WfDeleteEntryRequest, deleteOption, 24);
typedef WfStatusResult WfDeleteEntryResult;

typedef struct WfGetListEntryWithFieldsRequest {
    WorkflowContext context;
    Qualifier qualifier;           /* the caller's record; its nodes are shared */
    EntryListFieldList listFields; /* deep copy */
    SortList sortList;             /* deep copy */
    uint32_t firstRetrieve;
    uint32_t maxRetrieve;
    uint8_t useLocale;
    uint32_t wantFlags; /* ZVI_WANT_ENTRIES | ZVI_WANT_COUNT */
} WfGetListEntryWithFieldsRequest;
ZVI_SIZE(WfGetListEntryWithFieldsRequest, 80);
ZVI_AT(WfGetListEntryWithFieldsRequest, qualifier, 8);
ZVI_AT(WfGetListEntryWithFieldsRequest, listFields, 32);
ZVI_AT(WfGetListEntryWithFieldsRequest, sortList, 48);
ZVI_AT(WfGetListEntryWithFieldsRequest, firstRetrieve, 64);
ZVI_AT(WfGetListEntryWithFieldsRequest, maxRetrieve, 68);
ZVI_AT(WfGetListEntryWithFieldsRequest, useLocale, 72);
ZVI_AT(WfGetListEntryWithFieldsRequest, wantFlags, 76);

typedef struct WfGetListEntryWithFieldsResult {
    EntryFieldValuesList entries;
    uint32_t numMatches;
    StatusList status;
} WfGetListEntryWithFieldsResult;
ZVI_SIZE(WfGetListEntryWithFieldsResult, 40);
ZVI_AT(WfGetListEntryWithFieldsResult, numMatches, 16);
ZVI_AT(WfGetListEntryWithFieldsResult, status, 24);

typedef struct WfSetFilterPhasingRequest {
    uint32_t phase;
} WfSetFilterPhasingRequest;
ZVI_SIZE(WfSetFilterPhasingRequest, 4);
typedef WfStatusResult WfSetFilterPhasingResult;

typedef struct WfFilterAPIRequest {
    WorkflowContext context;
    ValueList inputs; /* deep copy */
} WfFilterAPIRequest;
ZVI_SIZE(WfFilterAPIRequest, 24);
ZVI_AT(WfFilterAPIRequest, inputs, 8);

typedef struct WfFilterAPIResult {
    Value value;
    StatusList status;
} WfFilterAPIResult;
ZVI_SIZE(WfFilterAPIResult, 32);
ZVI_AT(WfFilterAPIResult, status, 16);

typedef struct ZVLoadQualifierStructRequest {
    RequestControl control;
    void* argument1; /* the caller's three arguments, unchanged */
    void* argument2;
    void* argument3;
} ZVLoadQualifierStructRequest;
ZVI_SIZE(ZVLoadQualifierStructRequest, 192);
ZVI_AT(ZVLoadQualifierStructRequest, argument1, 168);
ZVI_AT(ZVLoadQualifierStructRequest, argument3, 184);

/* No control head: the context words are not written back after this call. */
typedef struct ZVLoadQualifierStructResult {
    Qualifier qualifier;
    StatusList status;
} ZVLoadQualifierStructResult;
ZVI_SIZE(ZVLoadQualifierStructResult, 40);
ZVI_AT(ZVLoadQualifierStructResult, status, 24);

typedef struct QueueInternalCallRequest {
    RequestControl control;
    uint32_t argument1;
    uint32_t argument2;
    uint32_t argument3;
} QueueInternalCallRequest;
ZVI_SIZE(QueueInternalCallRequest, 184);
ZVI_AT(QueueInternalCallRequest, argument1, 168);
ZVI_AT(QueueInternalCallRequest, argument2, 172);
ZVI_AT(QueueInternalCallRequest, argument3, 176);

typedef StatusResult QueueInternalCallResult;

typedef struct AddTimedCallRequest {
    RequestControl control;
    void* argument1;
    void* argument2;
    void* argument3;
    uint32_t argument4;
} AddTimedCallRequest;
ZVI_SIZE(AddTimedCallRequest, 200);
ZVI_AT(AddTimedCallRequest, argument1, 168);
ZVI_AT(AddTimedCallRequest, argument2, 176);
ZVI_AT(AddTimedCallRequest, argument3, 184);
ZVI_AT(AddTimedCallRequest, argument4, 192);

typedef struct AddTimedCallResult {
    ResultControl control;
    uint32_t callId;
    StatusList status;
} AddTimedCallResult;
ZVI_SIZE(AddTimedCallResult, 192);
ZVI_AT(AddTimedCallResult, callId, 168);
ZVI_AT(AddTimedCallResult, status, 176);

typedef struct RemovedTimedCallRequest {
    RequestControl control;
    uint32_t callId;
} RemovedTimedCallRequest;
ZVI_SIZE(RemovedTimedCallRequest, 176);
ZVI_AT(RemovedTimedCallRequest, callId, 168);
typedef StatusResult RemovedTimedCallResult;

ZVI_EXTERN_C_END

#endif
