// Entry operations.
#include <cstdlib>
#include <cstring>

#include "bridge/frame.h"
#include "bridge/messages.h"
#include "platform/win.h"
#include "platform/zvutl.h"
#include "types/types.h"
#include "zvi/zvi.h"

using namespace zvi;

namespace {

constexpr char kNotBufferText[] = "Must be ZV_LOC_BUFFER";
constexpr char kNoDataText[] = "ZVIGetEntryBLOB -- output buffer NULL";
constexpr char kNotExpandedText[] = "ZVIGetEntryBlob";

// The host's 16-byte identifier as a string; a host that fills all 16 bytes is cut
// to the 15 characters an identifier holds.
void deliverEntryId(char* out, const EntryId& id) {
    if (out) utl::boundedCopy(out, id, sizeof(EntryId) - 1);
}

// A list the host returned in a heap record of its own: the caller gets the record's
// contents and the library frees the holder; without an output (or a record) the
// whole list is released.
template <auto releaseFn, class List>
void handOverHeld(List* out, List*& held) {
    if (out && held) {
        *out = *held;
        std::free(held);
    } else {
        releaseFn(held, 1);
    }
    held = nullptr;
}

// The request shared by the single-form list operations. False: return f.code().
template <class Call>
bool fillListRequest(Call& f, char* schema, Qualifier* qualifier, EntryListFieldList* listFields,
                     SortList* sortList, uint32_t firstRetrieve, uint32_t maxRetrieve, uint8_t useLocale,
                     uint32_t* numMatches) {
    if (!f.open()) return false;
    f.req.control.word152 = 0;  // zero for list calls, as the host expects
    f.req.control.word156 = 0;
    f.req.schema = schema;
    // A qualifier that cannot be copied fails the call as the host's failure would.
    if (qualifier && !f.template copy<CopyQualifier, ReleaseQualifier>(f.req.qualifier, qualifier)) {
        f.failed();
        return false;
    }
    f.template copy<CopyEntryListFieldList, ReleaseEntryListFieldList>(f.req.listFields, listFields);  // silent
    f.template copy<CopySortList, ReleaseSortList>(f.req.sortList, sortList);                          // silent
    f.req.firstRetrieve = firstRetrieve;
    f.req.maxRetrieve = maxRetrieve;
    f.req.useLocale = useLocale;
    f.req.wantCount = numMatches != nullptr;
    return true;
}

void releaseEntryListItems(EntryListItemList& list) {
    for (uint32_t i = 0; list.items && i < list.numItems; ++i) {
        ReleaseEntryIdList(&list.items[i].entryId, 0);
        std::free(list.items[i].entryText);
    }
    std::free(list.items);
    list = EntryListItemList{};
}

// Reads the header of the host's entry data and hands the data after it over in a
// block of the library's own, expanded when the header says it is compressed.
// Returns 0, or the message number that ends the call. Host data that contradicts
// itself (shorter than its header, or longer than the stored length it declares)
// counts as data that cannot be expanded: nothing is read beyond what the host said
// it returned.
uint32_t unpackEntryData(const GetEntryBLOBResult& res, uint8_t** buffer, uint32_t* length) {
    if (res.byteCount < sizeof(EntryDataHeader)) return msg::kExpansionFailed;
    EntryDataHeader header;
    std::memcpy(&header, res.data, sizeof header);
    const bool compressed = win::ntohl(header.compressedFlag) != 0;
    const uint32_t storedLength = win::ntohl(header.storedLength);
    const uint32_t size = res.byteCount - sizeof header;
    if (compressed && storedLength < size) return msg::kExpansionFailed;

    // Uncompressed data gets a block of its own size and a terminator.
    auto* block = static_cast<uint8_t*>(std::malloc(size_t{compressed ? storedLength : size} + 1));
    if (!block) return msg::kNoMemory;
    std::memcpy(block, res.data + sizeof header, size);
    block[size] = 0;
    if (!compressed) {
        *buffer = block;
        *length = size;
        return 0;
    }
    uint8_t* expanded = nullptr;
    uint32_t expandedLength = 0;  // the utility's own cap bounds the expansion
    const int rc = utl::expand(block, size, &expanded, &expandedLength);
    std::free(block);
    if (rc != 0) return msg::kExpansionFailed;
    *buffer = expanded;
    *length = expandedLength;
    return 0;
}

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetEntry(ControlRecord* control, char* schema, EntryIdList* entryId, IdList* fieldIds,
                             FieldValueList* values, StatusList* status) {
    Call<GetEntryRequest, GetEntryResult> f(Op::GetEntry, control, status);
    if (!f.open()) return f.code();
    f.req.schema = schema;
    if (!f.copy<CopyEntryIdList, ReleaseEntryIdList>(f.req.entryId, entryId)) return f.code();
    if (!f.copy<CopyIdList, ReleaseIdList>(f.req.fieldIds, fieldIds)) return f.code();
    f.req.wantValues = values != nullptr;
    return f.complete([&] { handOver<ReleaseFieldValueList>(values, f.res.values); });
}

ZVI_API uint32_t ZVISetEntry(ControlRecord* control, char* schema, EntryIdList* entryId,
                             FieldValueList* fieldValues, uint32_t auxValue1, uint32_t auxValue2,
                             StatusList* status) {
    Call<SetEntryRequest, SetEntryResult> f(Op::SetEntry, control, status);
    if (!f.begin()) return f.code();
    if (!fieldValues || fieldValues->numItems == 0) return 0;  // nothing to set
    f.convert();
    f.req.schema = schema;
    if (!f.copy<CopyEntryIdList, ReleaseEntryIdList>(f.req.entryId, entryId)) return f.code();
    f.copyUnchecked<CopyFieldValueList, ReleaseFieldValueList>(f.req.fieldValues, fieldValues);
    f.req.auxValue1 = auxValue1;
    f.req.auxValue2 = auxValue2;
    return f.complete();
}

ZVI_API uint32_t ZVICreateEntry(ControlRecord* control, char* schema, FieldValueList* fieldValues,
                                char* newEntryId, StatusList* status) {
    if (newEntryId) newEntryId[0] = '\0';
    Call<CreateEntryRequest, CreateEntryResult> f(Op::CreateEntry, control, status);
    if (!f.open()) return f.code();
    f.req.schema = schema;
    f.copyUnchecked<CopyFieldValueList, ReleaseFieldValueList>(f.req.fieldValues, fieldValues);
    return f.complete([&] { deliverEntryId(newEntryId, f.res.entryId); });
}

ZVI_API uint32_t ZVIDeleteEntry(ControlRecord* control, char* schema, EntryIdList* entryId,
                                uint32_t deleteOption, StatusList* status) {
    Call<DeleteEntryRequest, DeleteEntryResult> f(Op::DeleteEntry, control, status);
    if (!f.open()) return f.code();
    f.req.schema = schema;
    if (!f.copy<CopyEntryIdList, ReleaseEntryIdList>(f.req.entryId, entryId)) return f.code();
    f.req.deleteOption = deleteOption;
    return f.complete();
}

ZVI_API uint32_t ZVIMergeEntry(ControlRecord* control, char* schema, FieldValueList* fieldValues,
                               uint32_t mergeType, char* newEntryId, StatusList* status) {
    if (newEntryId) newEntryId[0] = '\0';
    Call<MergeEntryRequest, MergeEntryResult> f(Op::MergeEntry, control, status);
    if (!f.open()) return f.code();
    f.req.schema = schema;
    f.copyUnchecked<CopyFieldValueList, ReleaseFieldValueList>(f.req.fieldValues, fieldValues);
    f.req.mergeType = mergeType;
    return f.complete([&] { deliverEntryId(newEntryId, f.res.entryId); });
}

ZVI_API uint32_t ZVIGetListEntry(ControlRecord* control, char* schema, Qualifier* qualifier,
                                 EntryListFieldList* listFields, SortList* sortList, uint32_t firstRetrieve,
                                 uint32_t maxRetrieve, uint8_t useLocale, EntryListItemList* entries,
                                 uint32_t* numMatches, StatusList* status) {
    if (entries) entries->numItems = 0;
    Call<GetListEntryRequest, GetListEntryResult> f(Op::GetListEntry, control, status);
    if (!fillListRequest(f, schema, qualifier, listFields, sortList, firstRetrieve, maxRetrieve, useLocale,
                         numMatches))
        return f.code();
    if (!f.call()) return f.code();

    // The items move into an array of the library's own before anything is handed
    // over; without memory for it the call reports 300 and hands nothing over.
    EntryListItemList& found = f.res.entries;
    EntryListItemList moved{found.numItems, nullptr};
    if (found.numItems) {
        moved.items = static_cast<EntryListItem*>(std::malloc(size_t{found.numItems} * sizeof(EntryListItem)));
        if (!moved.items) {
            releaseEntryListItems(found);
            releaseStatusList(&f.res.status, 0);
            return f.error(msg::kNoMemory, "");
        }
        std::memcpy(moved.items, found.items, size_t{found.numItems} * sizeof(EntryListItem));
    }
    std::free(found.items);
    found = EntryListItemList{};
    f.succeeded();
    if (entries) *entries = moved;
    else releaseEntryListItems(moved);
    if (numMatches) *numMatches = f.res.numMatches;
    return firstMessageType(status);
}

ZVI_API uint32_t ZVIGetListEntryWithFields(ControlRecord* control, char* schema, Qualifier* qualifier,
                                           EntryListFieldList* listFields, SortList* sortList,
                                           uint32_t firstRetrieve, uint32_t maxRetrieve, uint8_t useLocale,
                                           EntryFieldValuesList* entries, uint32_t* numMatches,
                                           StatusList* status) {
    if (entries) entries->numItems = 0;
    Call<GetListEntryWithFieldsRequest, GetListEntryWithFieldsResult> f(Op::GetListEntryWithFields, control,
                                                                          status);
    if (!fillListRequest(f, schema, qualifier, listFields, sortList, firstRetrieve, maxRetrieve, useLocale,
                         numMatches))
        return f.code();
    return f.complete([&] {
        handOverHeld<ReleaseEntryFieldValuesList>(entries, f.res.entries);
        if (numMatches) *numMatches = f.res.numMatches;
    });
}

ZVI_API uint32_t ZVIGetMultipleEntries(ControlRecord* control, char* schema, EntryIdListList* entryIds,
                                       IdList* fieldIds, ExistList* existList, FieldValueListList* values,
                                       StatusList* status) {
    if (existList) *existList = ExistList{};
    if (values) *values = FieldValueListList{};
    Call<GetMultipleEntriesRequest, GetMultipleEntriesResult> f(Op::GetMultipleEntries, control, status);
    if (!f.begin()) return f.code();
    if (!existList) return f.error(msg::kExistListMissing, "");
    f.convert();
    f.req.control.word152 = 0;
    f.req.schema = schema;
    if (entryIds) f.req.entryIds = *entryIds;  // the record only: the items stay the caller's
    f.copyUnchecked<CopyIdList, ReleaseIdList>(f.req.fieldIds, fieldIds);
    f.req.wantValues = values != nullptr;
    return f.complete([&] {
        moveList(existList, f.res.existList);
        handOver<ReleaseFieldValueListList>(values, f.res.values);
    });
}

// A null locator is treated like a locator of the wrong type: there is nowhere to put
// the data.
ZVI_API uint32_t ZVIGetEntryBLOB(ControlRecord* control, char* schema, EntryIdList* entryId, uint32_t fieldId,
                                 Locator* loc, StatusList* status) {
    Call<GetEntryBLOBRequest, GetEntryBLOBResult> f(Op::GetEntryBLOB, control, status);
    if (!f.begin()) return f.code();
    if (!loc || loc->locType != ZVI_LOC_BUFFER) return f.error(msg::kNotBufferLocator, kNotBufferText);
    f.convert();
    f.req.control.word152 = 0;
    f.req.control.word156 = 0;
    f.req.schema = schema;
    if (!f.copy<CopyEntryIdList, ReleaseEntryIdList>(f.req.entryId, entryId)) return f.code();
    f.req.fieldId = fieldId;
    if (!f.call()) return f.code();

    f.mergeResult();
    if (!f.res.data || f.res.byteCount == 0) {
        std::free(f.res.data);
        return f.error(msg::kHostCallFailed, kNoDataText);
    }
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    const uint32_t failure = unpackEntryData(f.res, &buffer, &length);
    std::free(f.res.data);
    f.res.data = nullptr;
    if (failure == msg::kNoMemory) return f.error(failure, "");
    if (failure) return f.error(failure, kNotExpandedText);
    loc->u.mem.buffer = buffer;
    loc->u.mem.bufSize = length;
    f.writeBack();
    return firstMessageType(status);
}

ZVI_API uint32_t ZVIServiceEntry(ControlRecord* control, char* schema, EntryIdList* entryId,
                                 FieldValueList* inputValues, IdList* outputFieldIds,
                                 FieldValueList* outputValues, StatusList* status) {
    Call<ServiceEntryRequest, ServiceEntryResult> f(Op::ServiceEntry, control, status);
    if (!f.open()) return f.code();
    f.req.schema = schema;
    if (!f.copy<CopyEntryIdList, ReleaseEntryIdList>(f.req.entryId, entryId)) return f.code();
    if (!f.copy<CopyIdList, ReleaseIdList>(f.req.outputFieldIds, outputFieldIds)) return f.code();
    f.copyUnchecked<CopyFieldValueList, ReleaseFieldValueList>(f.req.inputValues, inputValues);
    f.req.wantValues = outputValues != nullptr;
    return f.complete([&] { handOver<ReleaseFieldValueList>(outputValues, f.res.values); });
}

ZVI_API uint32_t ZVIGetListEntryWithMultiSchemaFields(ControlRecord* control, MultiFromList* fromList,
                                                      MultiFieldItemList* fields, MultiQualifier* qualifier,
                                                      MultiFieldItemList* sortList, uint32_t firstRetrieve,
                                                      uint32_t maxRetrieve, uint8_t /*useLocale*/,
                                                      MultiFieldRefList* groupBy, MultiQualifier* groupQualifier,
                                                      MultiFieldValueListList* rows, uint32_t* numMatches,
                                                      StatusList* status) {
    if (rows) rows->numItems = 0;
    Call<GetListEntryWithMultiSchemaFieldsRequest, GetListEntryWithMultiSchemaFieldsResult> f(
        Op::GetListEntryWithMultiSchemaFields, control, status);
    if (!f.open()) return f.code();
    f.req.control.word152 = 0;
    f.req.control.word156 = 0;
    auto& q = f.req;
    // A failed copy is reported with its own code as the message number.
    const bool copied =
        f.copy<CopyMultiFromList, ReleaseMultiFromList>(q.fromList, fromList) &&
        f.copy<CopyMultiFieldItemList, ReleaseMultiFieldItemList>(q.fields, fields) &&
        (!qualifier || f.copy<CopyMultiQualifier, ReleaseMultiQualifier>(q.qualifier, qualifier)) &&
        f.copy<CopyMultiFieldItemList, ReleaseMultiFieldItemList>(q.sortList, sortList) &&
        f.copy<CopyMultiFieldRefList, ReleaseMultiFieldRefList>(q.groupBy, groupBy) &&
        (!groupQualifier || f.copy<CopyMultiQualifier, ReleaseMultiQualifier>(q.groupQualifier, groupQualifier));
    if (!copied) return f.error(f.code(), operation(Op::GetListEntryWithMultiSchemaFields).failureText);
    q.firstRetrieve = firstRetrieve;
    q.maxRetrieve = maxRetrieve;
    q.wantCount = numMatches != nullptr;
    return f.complete([&] {
        handOverHeld<ReleaseMultiFieldValueListList>(rows, f.res.rows);
        if (numMatches) *numMatches = f.res.numMatches;
    });
}

}  // extern "C"
