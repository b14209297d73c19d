// Workflow-context operations, and the queued and timed calls. The host routines are
// called directly, without the enter and leave hooks, and the host's messages reach
// the caller whether the routine succeeds or fails.
#include "bridge/frame.h"
#include "platform/zvutl.h"
#include "types/types.h"
#include "zvi/zvi.h"

using namespace zvi;

namespace {

// A frame without a control record.
template <class Request, class Result>
struct WfCall : Call<Request, Result> {
    WfCall(Op op, StatusList* status) : Call<Request, Result>(op, nullptr, status) {}
};

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIWfCreateEntry(WorkflowContext context, FieldValueList* fieldValues, char* newEntryId,
                                  uint32_t createOption, StatusList* status) {
    WfCall<WfCreateEntryRequest, WfCreateEntryResult> f(Op::WfCreateEntry, status);
    if (!f.open()) return f.code();
    f.req.context = context;
    f.copyUnchecked<CopyFieldValueList, ReleaseFieldValueList>(f.req.fieldValues, fieldValues);
    f.req.createOption = createOption;
    return f.complete([&] {
        if (newEntryId) utl::boundedCopy(newEntryId, f.res.entryId, sizeof(EntryId) - 1);
    });
}

ZVI_API uint32_t ZVIWfSetCurrEntry(FieldValueList* fieldValues, uint32_t setOption, StatusList* status) {
    WfCall<WfSetCurrEntryRequest, WfSetCurrEntryResult> f(Op::WfSetCurrEntry, status);
    if (!f.open()) return f.code();
    f.copyUnchecked<CopyFieldValueList, ReleaseFieldValueList>(f.req.fieldValues, fieldValues);
    f.req.setOption = setOption;
    return f.complete();
}

ZVI_API uint32_t ZVIWfSetEntry(WorkflowContext context, EntryIdList* entryId, FieldValueList* fieldValues,
                               uint32_t setOption, StatusList* status) {
    WfCall<WfSetEntryRequest, WfSetEntryResult> f(Op::WfSetEntry, status);
    if (!f.open()) return f.code();
    f.req.context = context;
    f.copyUnchecked<CopyFieldValueList, ReleaseFieldValueList>(f.req.fieldValues, fieldValues);
    if (!f.copy<CopyEntryIdList, ReleaseEntryIdList>(f.req.entryId, entryId)) return f.code();
    f.req.setOption = setOption;
    return f.complete();
}

ZVI_API uint32_t ZVIWfGetEntry(WorkflowContext context, EntryIdList* entryId, IdList* fieldIds,
                               FieldValueList* values, StatusList* status) {
    WfCall<WfGetEntryRequest, WfGetEntryResult> f(Op::WfGetEntry, status);
    if (!f.open()) return f.code();
    f.req.context = context;
    if (!f.copy<CopyEntryIdList, ReleaseEntryIdList>(f.req.entryId, entryId)) return f.code();
    if (!f.copy<CopyIdList, ReleaseIdList>(f.req.fieldIds, fieldIds)) return f.code();
    f.req.wantValues = values != nullptr;
    return f.complete([&] { handOver<ReleaseFieldValueList>(values, f.res.values); });
}

ZVI_API uint32_t ZVIWfDeleteEntry(WorkflowContext context, EntryIdList* entryId, uint32_t deleteOption,
                                  StatusList* status) {
    WfCall<WfDeleteEntryRequest, WfDeleteEntryResult> f(Op::WfDeleteEntry, status);
    if (!f.open()) return f.code();
    f.req.context = context;
    if (!f.copy<CopyEntryIdList, ReleaseEntryIdList>(f.req.entryId, entryId)) return f.code();
    f.req.deleteOption = deleteOption;
    return f.complete();
}

ZVI_API uint32_t ZVIWfGetListEntryWithFields(WorkflowContext context, Qualifier* qualifier,
                                             EntryListFieldList* listFields, SortList* sortList,
                                             uint32_t firstRetrieve, uint32_t maxRetrieve, uint8_t useLocale,
                                             EntryFieldValuesList* entries, uint32_t* numMatches,
                                             StatusList* status) {
    WfCall<WfGetListEntryWithFieldsRequest, WfGetListEntryWithFieldsResult> f(Op::WfGetListEntryWithFields,
                                                                               status);
    if (!f.open()) return f.code();
    f.req.context = context;
    if (qualifier) f.req.qualifier = *qualifier;  // the record only: its nodes stay the caller's
    f.copy<CopyEntryListFieldList, ReleaseEntryListFieldList>(f.req.listFields, listFields);  // silent
    f.copy<CopySortList, ReleaseSortList>(f.req.sortList, sortList);                          // silent
    f.req.firstRetrieve = firstRetrieve;
    f.req.maxRetrieve = maxRetrieve;
    f.req.useLocale = useLocale;
    f.req.wantFlags = (entries ? ZVI_WANT_ENTRIES : 0) | (numMatches ? ZVI_WANT_COUNT : 0);
    return f.complete([&] {
        handOver<ReleaseEntryFieldValuesList>(entries, f.res.entries);
        if (numMatches) *numMatches = f.res.numMatches;
    });
}

ZVI_API uint32_t ZVIWfSetFilterPhasing(uint32_t phase, StatusList* status) {
    WfCall<WfSetFilterPhasingRequest, WfSetFilterPhasingResult> f(Op::WfSetFilterPhasing, status);
    if (!f.open()) return f.code();
    f.req.phase = phase;
    return f.complete();
}

ZVI_API uint32_t ZVIWfFilterAPI(WorkflowContext context, ValueList* inputs, Value* output, StatusList* status) {
    WfCall<WfFilterAPIRequest, WfFilterAPIResult> f(Op::WfFilterAPI, status);
    if (!f.open()) return f.code();
    f.req.context = context;
    if (inputs && !f.copy<CopyValueList, ReleaseValueList>(f.req.inputs, inputs)) return f.code();
    return f.complete([&] { handOver<ReleaseValue>(output, f.res.value); });
}

// The qualifier output is required; a caller that passes none anyway gets nothing,
// and the host's tree is released.
ZVI_API uint32_t ZVIZVLoadQualifierStruct(ControlRecord* control, void* argument1, void* argument2,
                                          void* argument3, Qualifier* qualifier, StatusList* status) {
    Call<ZVLoadQualifierStructRequest, ZVLoadQualifierStructResult> f(Op::ZVLoadQualifierStruct, control, status);
    if (!f.open()) return f.code();
    f.req.argument1 = argument1;
    f.req.argument2 = argument2;
    f.req.argument3 = argument3;
    return f.complete([&] { handOver<ReleaseQualifier>(qualifier, f.res.qualifier); });
}

ZVI_API uint32_t ZVIQueueInternalCall(ControlRecord* control, uint32_t argument1, uint32_t argument2,
                                      uint32_t argument3, StatusList* status) {
    Call<QueueInternalCallRequest, QueueInternalCallResult> f(Op::QueueInternalCall, control, status);
    if (!f.open()) return f.code();
    f.req.argument1 = argument1;
    f.req.argument2 = argument2;
    f.req.argument3 = argument3;
    return f.complete();
}

ZVI_API uint32_t ZVIAddTimedCall(ControlRecord* control, void* argument1, void* argument2, void* argument3,
                                 uint32_t argument4, uint32_t* callId, StatusList* status) {
    Call<AddTimedCallRequest, AddTimedCallResult> f(Op::AddTimedCall, control, status);
    if (!f.open()) return f.code();
    f.req.argument1 = argument1;
    f.req.argument2 = argument2;
    f.req.argument3 = argument3;
    f.req.argument4 = argument4;
    return f.complete([&] {
        if (callId) *callId = f.res.callId;
    });
}

ZVI_API uint32_t ZVIRemovedTimedCall(ControlRecord* control, uint32_t callId, StatusList* status) {
    Call<RemovedTimedCallRequest, RemovedTimedCallResult> f(Op::RemovedTimedCall, control, status);
    if (!f.open()) return f.code();
    f.req.callId = callId;
    return f.complete();
}

}  // extern "C"
