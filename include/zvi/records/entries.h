/* Request and result records of the entry operations. */
#ifndef ZVI_RECORDS_ENTRIES_H
#define ZVI_RECORDS_ENTRIES_H

#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

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

typedef struct DeleteEntryResult {
    ResultControl control;
    StatusList status;
} DeleteEntryResult;
ZVI_SIZE(DeleteEntryResult, 184);
ZVI_AT(DeleteEntryResult, status, 168);

ZVI_EXTERN_C_END

#endif
