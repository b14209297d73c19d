/* Workflow-context, queued and timed calls. The ZVIWf operations act inside the
 * workflow step the server is running, on the context value it handed to the code
 * it runs; the others queue a call or manage timed calls for the caller. */
#ifndef ZVI_WORKFLOW_CONTEXT_H
#define ZVI_WORKFLOW_CONTEXT_H

#include "zvi/qualifier.h"
#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

/* The server's opaque workflow context, passed back unchanged. */
typedef void* WorkflowContext;

/* Bits of the wantFlags word of ZVIWfGetListEntryWithFields. */
enum { ZVI_WANT_ENTRIES = 1, ZVI_WANT_COUNT = 2 };

/* newEntryId: 16 bytes, the new identifier on success. */
ZVI_API uint32_t ZVIWfCreateEntry(WorkflowContext context, FieldValueList* fieldValues, char* newEntryId,
                                  uint32_t createOption, StatusList* status);
ZVI_API uint32_t ZVIWfSetCurrEntry(FieldValueList* fieldValues, uint32_t setOption, StatusList* status);
ZVI_API uint32_t ZVIWfSetEntry(WorkflowContext context, EntryIdList* entryId, FieldValueList* fieldValues,
                               uint32_t setOption, StatusList* status);
ZVI_API uint32_t ZVIWfGetEntry(WorkflowContext context, EntryIdList* entryId, IdList* fieldIds,
                               FieldValueList* values, StatusList* status);
ZVI_API uint32_t ZVIWfDeleteEntry(WorkflowContext context, EntryIdList* entryId, uint32_t deleteOption,
                                  StatusList* status);
/* The qualifier's nodes are shared with the host for the length of the call. */
ZVI_API uint32_t ZVIWfGetListEntryWithFields(WorkflowContext context, Qualifier* qualifier,
                                             EntryListFieldList* listFields, SortList* sortList,
                                             uint32_t firstRetrieve, uint32_t maxRetrieve, uint8_t useLocale,
                                             EntryFieldValuesList* entries, uint32_t* numMatches,
                                             StatusList* status);
ZVI_API uint32_t ZVIWfSetFilterPhasing(uint32_t phase, StatusList* status);
ZVI_API uint32_t ZVIWfFilterAPI(WorkflowContext context, ValueList* inputs, Value* output, StatusList* status);

/* The three arguments are passed to the host unchanged; qualifier receives the tree
 * the host built. */
ZVI_API uint32_t ZVIZVLoadQualifierStruct(ControlRecord* control, void* argument1, void* argument2,
                                          void* argument3, Qualifier* qualifier, StatusList* status);
ZVI_API uint32_t ZVIQueueInternalCall(ControlRecord* control, uint32_t argument1, uint32_t argument2,
                                      uint32_t argument3, StatusList* status);
ZVI_API uint32_t ZVIAddTimedCall(ControlRecord* control, void* argument1, void* argument2, void* argument3,
                                 uint32_t argument4, uint32_t* callId, StatusList* status);
ZVI_API uint32_t ZVIRemovedTimedCall(ControlRecord* control, uint32_t callId, StatusList* status);

ZVI_EXTERN_C_END

#endif
