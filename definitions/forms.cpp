// Form operations.
#include <cstdlib>
#include <cstring>

#include "definitions/shape.h"
#include "zvi/zvi.h"

using namespace zvi;
using namespace zvi::shape;

namespace {

void releaseReferences(FormReferenceList* list, uint8_t) {
    for (uint32_t i = 0; list->items && i < list->numItems; ++i) std::free(list->items[i].details.items);
    releaseItems(list, 0);
}

void releaseReferenceLists(FormReferenceListList* lists, uint8_t) {
    for (uint32_t i = 0; lists->items && i < lists->numItems; ++i) releaseReferences(&lists->items[i], 0);
    releaseItems(lists, 0);
}

}  // namespace

namespace zvi::shape {

template <> struct Structure<FormTypeInfo> : ReleasedBy<keepOpaque<FormTypeInfo>> {};
template <> struct Structure<TrackingSettings> : ReleasedBy<keepOpaque<TrackingSettings>> {};
template <> struct Structure<FormReferenceList> : ReleasedBy<releaseReferences> {};
template <> struct Structure<FormReferenceListList> : ReleasedBy<releaseReferenceLists> {};
template <> struct Structure<TrackingSettingsList> : ReleasedBy<releaseItems<TrackingSettingsList>> {};
template <> struct Structure<EntryListFieldListList> : ReleasedBy<releaseLists<EntryListFieldListList>> {};
template <> struct Structure<SortListList> : ReleasedBy<releaseLists<SortListList>> {};
template <> struct Structure<IndexListList> : ReleasedBy<releaseLists<IndexListList>> {};

template <>
struct Emptied<TrackingSettings> {
    static void at(TrackingSettings& out) { out = TrackingSettings{}; }
};

}  // namespace zvi::shape

namespace {

constexpr uint32_t kTargetText = ZVI_TRANSFER_TARGET_TEXT | ZVI_TRANSFER_TARGET_TEXT2;
constexpr uint32_t kTargetKinds = ZVI_TRANSFER_TARGET_NAME | ZVI_TRANSFER_NO_TARGET | kTargetText;

void copyName(char* to, const char* from) { utl::boundedCopy(to, from, ZVI_NAME_SIZE - 1); }

// The caller's transfer settings in the host's form. A text target becomes a heap
// copy that goes to the host with the request. False when it cannot be allocated.
// (A text target whose pointer is null is passed on as null.)
bool transferToHost(HostTransferSettings& to, const TransferSettings& from) {
    const uint32_t flags = from.flags;
    to.targetKind = flags & kTargetKinds;
    if (flags & ZVI_TRANSFER_TARGET_NAME) copyName(to.target.name, from.target.name);
    if (flags & kTargetText) {
        to.target.text = from.target.text ? strdup(from.target.text) : nullptr;
        if (from.target.text && !to.target.text) return false;
    }
    to.options = (flags & ZVI_TRANSFER_OPTION_A ? 1u : 0u) + (flags & ZVI_TRANSFER_OPTION_B ? 2u : 0u);
    std::memcpy(to.numbers, from.numbers, sizeof to.numbers);
    to.word0 = from.word0;
    copyName(to.name, from.name);
    to.qualifier = from.qualifier;
    return true;
}

// The host's transfer settings in the caller's form; a text target moves to the caller.
void transferToCaller(TransferSettings& to, HostTransferSettings& from) {
    to.word0 = from.word0;
    to.flags = from.targetKind;
    if (from.options == 1 || from.options == 3) to.flags |= ZVI_TRANSFER_OPTION_A;
    if (from.options == 2 || from.options == 3) to.flags |= ZVI_TRANSFER_OPTION_B;
    if (to.flags & ZVI_TRANSFER_TARGET_NAME) copyName(to.target.name, from.target.name);
    if (to.flags & kTargetText) {
        to.target.text = from.target.text;
        from.target.text = nullptr;
    }
    std::memcpy(to.numbers, from.numbers, sizeof to.numbers);
    to.qualifier = from.qualifier;
    copyName(to.name, from.name);
}

void releaseTransfer(HostTransferSettings& host) {
    if (host.targetKind & kTargetText) std::free(host.target.text);
    host.target.text = nullptr;
}

void releaseTransfers(HostTransferSettingsList* list, uint8_t) {
    for (uint32_t i = 0; list->items && i < list->numItems; ++i) releaseTransfer(list->items[i]);
    releaseItems(list, 0);
}

// One transfer setting per form, converted into a new array of the caller's form:
// 0, or 300 when there is no memory for it (the host's settings are then released).
uint32_t convertTransfers(HostTransferSettingsList* host, TransferSettingsList* out) {
    *out = TransferSettingsList{};
    TransferSettings* items = nullptr;
    if (host->numItems && host->items &&
        !(items = static_cast<TransferSettings*>(std::calloc(host->numItems, sizeof(TransferSettings))))) {
        releaseTransfers(host, 0);
        return msg::kNoMemory;
    }
    for (uint32_t i = 0; items && i < host->numItems; ++i) transferToCaller(items[i], host->items[i]);
    if (items) *out = TransferSettingsList{host->numItems, items};
    releaseTransfers(host, 0);
    return 0;
}

// Transfer settings sent in the host's form; the host owns the text target's copy once
// it is called.
template <auto Field>
struct TransferIn : Part {
    const TransferSettings* source;
    template <class F, class Q>
    bool fill(F& f, Q& q) {
        if (!source) return true;
        HostTransferSettings& host = q.*Field;
        if (!transferToHost(host, *source)) return f.fail(kCopyNoMemory);
        if ((host.targetKind & kTargetText) && host.target.text) f.handOff(host.target.text);
        return true;
    }
};
template <auto Field>
TransferIn<Field> transferIn(const TransferSettings* source, uint32_t bit = 0) {
    return {{bit, source != nullptr}, source};
}

// Transfer settings handed back in the caller's form.
template <auto Field>
struct TransferOut : Part {
    TransferSettings* out;
    void empty() {
        if (out) *out = TransferSettings{};
    }
    template <class F, class R>
    void deliver(F&, R& r) {
        if (out) transferToCaller(*out, r.*Field);
        discard(r);
    }
    template <class R>
    void discard(R& r) {
        releaseTransfer(r.*Field);
    }
};

// A list copied into a holder of the operation's own, whose address the request holds
// (null when the argument is not given).
template <auto Field, auto CopyFn, auto ReleaseFn, class T>
struct HeldCopy : Part {
    const T* source;
    T* held;
    template <class F, class Q>
    bool fill(F& f, Q& q) {
        if (!source) return true;
        if (!f.template copy<CopyFn, ReleaseFn>(*held, source)) return false;
        q.*Field = held;
        return true;
    }
};

// Get and its workflow variant differ only in the frame (no control record, no hooks).
uint32_t getSchema(Op op, ControlRecord* control, char* name, FormTypeInfo* typeInfo, FormReferenceList* references,
                   PermissionList* permissions, IdList* adminGroups, EntryListFieldList* listFields,
                   SortList* sortOrder, IndexList* indexes, TransferSettings* transfer, TrackingSettings* tracking,
                   char* secondaryName, char** helpText, uint32_t* timestamp, char* owner, char* lastChangedBy,
                   char** changeDiary, PropList* objectProperties, StatusList* status) {
    using Q = GetSchemaRequest;
    using R = GetSchemaResult;
    Call<Q, R> f(op, control, status);
    return get(f, &Q::wantedMask, in::arg<&Q::name>(name),
               out::moved<&R::typeInfo>(typeInfo, 1),
               out::moved<&R::references>(references),
               out::moved<&R::permissions>(permissions, 2),
               out::moved<&R::adminGroups>(adminGroups, 4),
               out::moved<&R::listFields>(listFields, 8),
               out::moved<&R::sortOrder>(sortOrder, 16),
               out::moved<&R::indexes>(indexes, 32),
               TransferOut<&R::transfer>{{512, transfer != nullptr}, transfer},
               out::moved<&R::tracking>(tracking, 1024),
               out::name<&R::secondaryName>(secondaryName),
               out::text<&R::helpText>(helpText, 64),
               out::word<&R::timestamp>(timestamp),
               out::name<&R::owner>(owner, 2048),
               out::name<&R::lastChangedBy>(lastChangedBy, 4096),
               out::text<&R::changeDiary>(changeDiary, 128),
               out::moved<&R::objectProperties>(objectProperties, 256),
               out::dropped<&R::unusedPermissions>());
}

uint32_t getListSchema(Op op, ControlRecord* control, uint32_t sinceTime, uint32_t listKind, char* nameFilter,
                       IdList* idFilter, PropList* propertyFilter, NameList* nameList, StatusList* status) {
    using Q = GetListSchemaRequest;
    using R = GetListSchemaResult;
    Call<Q, R> f(op, control, status);
    return send(f, {{!nameList, msg::kRowsOutputMissing}},
                in::arg<&Q::sinceTime>(sinceTime),
                in::text<&Q::nameFilter>(nameFilter),
                in::arg<&Q::listKind>(listKind),
                in::copy<&Q::idFilter>(idFilter),
                in::copy<&Q::propertyFilter>(propertyFilter),
                out::names<&R::names>(nameList));
}

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetSchema(ControlRecord* control, char* name, FormTypeInfo* typeInfo,
                              FormReferenceList* references, PermissionList* permissions, IdList* adminGroups,
                              EntryListFieldList* listFields, SortList* sortOrder, IndexList* indexes,
                              TransferSettings* transfer, TrackingSettings* tracking, char* secondaryName,
                              char** helpText, uint32_t* timestamp, char* owner, char* lastChangedBy,
                              char** changeDiary, PropList* objectProperties, StatusList* status) {
    return getSchema(Op::GetSchema, control, name, typeInfo, references, permissions, adminGroups, listFields,
                     sortOrder, indexes, transfer, tracking, secondaryName, helpText, timestamp, owner,
                     lastChangedBy, changeDiary, objectProperties, status);
}

ZVI_API uint32_t ZVIWfGetSchema(char* name, FormTypeInfo* typeInfo, FormReferenceList* references,
                                PermissionList* permissions, IdList* adminGroups, EntryListFieldList* listFields,
                                SortList* sortOrder, IndexList* indexes, TransferSettings* transfer,
                                TrackingSettings* tracking, char* secondaryName, char** helpText,
                                uint32_t* timestamp, char* owner, char* lastChangedBy, char** changeDiary,
                                PropList* objectProperties, StatusList* status) {
    return getSchema(Op::WfGetSchema, nullptr, name, typeInfo, references, permissions, adminGroups, listFields,
                     sortOrder, indexes, transfer, tracking, secondaryName, helpText, timestamp, owner,
                     lastChangedBy, changeDiary, objectProperties, status);
}

ZVI_API uint32_t ZVISetSchema(ControlRecord* control, char* name, char* newName, FormTypeInfo* typeInfo,
                              FormReferenceList* /*references: not sent*/, PermissionList* permissions,
                              IdList* adminGroups, EntryListFieldList* listFields, SortList* sortOrder,
                              IndexList* indexes, TransferSettings* transfer, TrackingSettings* tracking,
                              char* secondaryName, char* helpText, char* owner, char* changeDiary,
                              PropList* objectProperties, void* /*reserved*/, StatusList* status) {
    using Q = SetSchemaRequest;
    Call<Q, SetSchemaResult> f(Op::SetSchema, control, status);
    return set(f, &Q::changeMask, {},
               in::arg<&Q::name>(name),
               in::rename<&Q::newName>(newName, name, 1),
               in::value<&Q::typeInfo>(typeInfo, 2),
               in::copy<&Q::permissions>(permissions, 4),
               in::copy<&Q::adminGroups>(adminGroups, 8),
               in::copy<&Q::listFields>(listFields, 16),
               in::copy<&Q::sortOrder>(sortOrder, 32),
               in::copy<&Q::indexes>(indexes, 64),
               in::text<&Q::helpText>(helpText, 128),
               in::text<&Q::owner>(owner, 256),
               in::text<&Q::changeDiary>(changeDiary, 512),
               in::copy<&Q::objectProperties>(objectProperties, 1024),
               in::text<&Q::secondaryName>(secondaryName, 2048),
               transferIn<&Q::transfer>(transfer, 4096),
               in::value<&Q::tracking>(tracking, 8192));
}

// A null typeInfo is sent as a form of type 0, as Set sends one it does not change.
ZVI_API uint32_t ZVICreateSchema(ControlRecord* control, char* name, FormTypeInfo* typeInfo,
                                 FormReferenceList* /*references: not sent*/, PermissionList* permissions,
                                 IdList* adminGroups, EntryListFieldList* listFields, SortList* sortOrder,
                                 IndexList* indexes, TransferSettings* transfer, TrackingSettings* tracking,
                                 char* secondaryName, char* helpText, char* owner, char* changeDiary,
                                 PropList* objectProperties, StatusList* status) {
    using Q = CreateSchemaRequest;
    Call<Q, CreateSchemaResult> f(Op::CreateSchema, control, status);
    return send(f, {},
                in::arg<&Q::name>(name),
                in::value<&Q::typeInfo>(typeInfo),
                in::copy<&Q::permissions>(permissions),
                in::copy<&Q::adminGroups>(adminGroups),
                in::copy<&Q::listFields>(listFields),
                in::copy<&Q::sortOrder>(sortOrder),
                in::copy<&Q::indexes>(indexes),
                transferIn<&Q::transfer>(transfer),
                in::value<&Q::tracking>(tracking),
                in::text<&Q::secondaryName>(secondaryName),
                in::text<&Q::helpText>(helpText),
                in::text<&Q::owner>(owner),
                in::text<&Q::changeDiary>(changeDiary),
                in::copy<&Q::objectProperties>(objectProperties));
}

ZVI_API uint32_t ZVIDeleteSchema(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status) {
    using Q = DeleteSchemaRequest;
    Call<Q, DeleteSchemaResult> f(Op::DeleteSchema, control, status);
    return send(f, {}, in::arg<&Q::name>(name), in::arg<&Q::deleteOption>(deleteOption));
}

ZVI_API uint32_t ZVIGetListSchema(ControlRecord* control, uint32_t sinceTime, uint32_t listKind, char* nameFilter,
                                  IdList* idFilter, PropList* propertyFilter, NameList* nameList,
                                  StatusList* status) {
    return getListSchema(Op::GetListSchema, control, sinceTime, listKind, nameFilter, idFilter, propertyFilter,
                         nameList, status);
}

ZVI_API uint32_t ZVIWfGetListSchema(uint32_t sinceTime, uint32_t listKind, char* nameFilter, IdList* idFilter,
                                    PropList* propertyFilter, NameList* nameList, StatusList* status) {
    return getListSchema(Op::WfGetListSchema, nullptr, sinceTime, listKind, nameFilter, idFilter, propertyFilter,
                         nameList, status);
}

ZVI_API uint32_t ZVIGetMultipleSchemas(ControlRecord* control, uint32_t sinceTime, IdList* ids, NameList* names,
                                       IdList* idFilter, FlagList* existList, NameList* formNames,
                                       FormTypeInfoList* typeInfos, FormReferenceListList* references,
                                       PermissionListList* permissions, IdListList* adminGroups,
                                       EntryListFieldListList* listFields, SortListList* sortOrders,
                                       IndexListList* indexes, TransferSettingsList* transfers,
                                       TrackingSettingsList* trackings, NameList* secondaryNames,
                                       TextList* helpTexts, UintList* timestamps, NameList* owners,
                                       NameList* lastChangedBy, TextList* changeDiaries,
                                       PropListList* objectProperties, StatusList* status) {
    using Q = GetMultipleSchemasRequest;
    using R = GetMultipleSchemasResult;
    IdList heldFilter{};  // outlives the frame, which releases the copy in it
    Call<Q, R> f(Op::GetMultipleSchemas, control, status);
    return get(f, &Q::wantedMask,
               in::copy<&Q::names>(names),
               in::arg<&Q::sinceTime>(sinceTime),
               in::copy<&Q::ids, CopyIdListExact>(ids),
               HeldCopy<&Q::idFilter, CopyIdList, ReleaseIdList, IdList>{{0, false}, idFilter, &heldFilter},
               out::moved<&R::existList>(existList, 1),
               out::moved<&R::formNames>(formNames, 2),
               out::moved<&R::typeInfos>(typeInfos, 4),
               out::moved<&R::references>(references),
               out::moved<&R::permissions>(permissions, 8),
               out::moved<&R::adminGroups>(adminGroups, 16),
               out::moved<&R::listFields>(listFields, 32),
               out::moved<&R::sortOrders>(sortOrders, 64),
               out::moved<&R::indexes>(indexes, 128),
               out::converted<&R::transfers, convertTransfers, releaseTransfers>(transfers, 32768),
               out::moved<&R::trackings>(trackings, 65536),
               out::moved<&R::secondaryNames>(secondaryNames, 256),
               out::texts<&R::helpTexts>(helpTexts, 512),
               out::moved<&R::timestamps>(timestamps, 1024),
               out::moved<&R::owners>(owners, 2048),
               out::moved<&R::lastChangedBy>(lastChangedBy, 4096),
               out::texts<&R::changeDiaries>(changeDiaries, 8192),
               out::moved<&R::objectProperties>(objectProperties, 16384),
               out::dropped<&R::unusedPermissions>());
}

}  // extern "C"
