#include "demo/reference_host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace demo {
namespace {

Store* store = nullptr;
std::thread::id adminThread;

// This server's own messages (their texts come from the server, not the library).
constexpr uint32_t kNoSuchEntry = 302;
constexpr uint32_t kNoSuchForm = 303;
constexpr uint32_t kEntryCreated = 1;
constexpr uint32_t kBulkState = 9100;
constexpr uint32_t kNoSuchField = 314;
constexpr uint32_t kExists = 8960;

char* heapText(const std::string& s) { return strdup(s.c_str()); }

template <class T>
T* heapArray(size_t n) {
    return static_cast<T*>(std::calloc(n ? n : 1, sizeof(T)));
}

void addMessage(StatusList& list, uint32_t type, uint32_t number, const std::string& text,
                const std::string& detail) {
    list.entries = static_cast<StatusEntry*>(std::realloc(list.entries, (list.numItems + 1) * sizeof(StatusEntry)));
    list.entries[list.numItems++] = StatusEntry{type, number, heapText(text), detail.empty() ? nullptr : heapText(detail)};
}

// --- the data model --------------------------------------------------------------------

Form* findForm(const char* schema, StatusList& status) {
    auto form = store->forms.find(schema ? schema : "");
    if (form != store->forms.end()) return &form->second;
    addMessage(status, ZVI_ERROR, kNoSuchForm, "Form does not exist on server", schema ? schema : "");
    return nullptr;
}

// The one entry an identifier list names.
Entry* findEntry(const char* schema, const EntryIdList& ids, StatusList& status) {
    Form* form = findForm(schema, status);
    if (!form) return nullptr;
    const std::string id = ids.numItems == 1 ? ids.items[0] : "";
    auto entry = form->entries.find(id);
    if (entry != form->entries.end()) return &entry->second;
    addMessage(status, ZVI_ERROR, kNoSuchEntry, "Entry does not exist in database", id);
    return nullptr;
}

Field fieldOf(const Value& v) {
    Field f;
    f.dataType = v.dataType;
    if (v.dataType == ZVI_DATA_TEXT) f.text = v.payload.text ? v.payload.text : "";
    else f.integer = v.payload.i;
    return f;
}

Value valueOf(const Field& f) {
    Value v{};
    v.dataType = f.dataType;
    if (f.dataType == ZVI_DATA_TEXT) v.payload.text = heapText(f.text);
    else v.payload.i = f.integer;
    return v;
}

void applyValues(Entry& entry, const FieldValueList& values) {
    for (uint32_t i = 0; i < values.numItems; ++i)
        if (values.items[i].fieldId != 1) entry[values.items[i].fieldId] = fieldOf(values.items[i].value);
}

// The wanted fields of an entry (all of them for an empty list), on the heap.
FieldValueList valuesOf(const Entry& entry, const IdList& wanted) {
    std::vector<uint32_t> ids;
    if (wanted.numItems) ids.assign(wanted.items, wanted.items + wanted.numItems);
    else for (const auto& field : entry) ids.push_back(field.first);
    FieldValueList list{0, heapArray<FieldValue>(ids.size())};
    for (uint32_t id : ids) {
        auto field = entry.find(id);
        if (field == entry.end()) continue;
        list.items[list.numItems].fieldId = id;
        list.items[list.numItems++].value = valueOf(field->second);
    }
    return list;
}

EntryIdList idListOf(const std::string& id) {
    EntryIdList list{1, heapArray<EntryId>(1)};
    std::snprintf(list.items[0], sizeof(EntryId), "%s", id.c_str());
    return list;
}

bool matches(const Entry& entry, const Qualifier* q) {
    switch (q ? q->operation : uint32_t{ZVI_QUAL_NONE}) {
        case ZVI_QUAL_NONE: return true;
        case ZVI_QUAL_AND: return matches(entry, q->u.pair.left) && matches(entry, q->u.pair.right);
        case ZVI_QUAL_OR: return matches(entry, q->u.pair.left) || matches(entry, q->u.pair.right);
        case ZVI_QUAL_NOT: return !matches(entry, q->u.child);
        case ZVI_QUAL_REL_OP: {
            const RelationalOp& op = *q->u.relOp;
            if (op.operation != kCompareEqual || op.left.tag != ZVI_OPERAND_FIELD || op.right.tag != ZVI_OPERAND_VALUE)
                return false;
            auto field = entry.find(op.left.u.id);
            if (field == entry.end()) return false;
            const Field wanted = fieldOf(op.right.u.value);
            return field->second.dataType == wanted.dataType && field->second.text == wanted.text &&
                   field->second.integer == wanted.integer;
        }
        default: return false;
    }
}

// The entries of a list request, after firstRetrieve and up to maxRetrieve (0: all).
std::vector<const std::pair<const std::string, Entry>*> select(const Form& form, const GetListEntryRequest& q,
                                                               uint32_t* numMatches) {
    std::vector<const std::pair<const std::string, Entry>*> found;
    uint32_t matched = 0;
    for (const auto& entry : form.entries) {
        if (!matches(entry.second, &q.qualifier)) continue;
        if (matched++ < q.firstRetrieve) continue;
        if (!q.maxRetrieve || found.size() < q.maxRetrieve) found.push_back(&entry);
    }
    if (q.wantCount) *numMatches = matched;
    return found;
}

// --- entry points ------------------------------------------------------------------------

void enterHook(uint8_t, uint32_t) {}
void leaveHook(uint8_t) {}
void callerInfoHook(CallerInfo*) {}
uint32_t adminThreadCheck(uint32_t) { return std::this_thread::get_id() == adminThread; }

uint32_t getServerInfo(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetServerInfoRequest*>(request);
    auto& r = *static_cast<GetServerInfoResult*>(result);
    r.serverInfo.items = heapArray<ServerInfo>(q.requestList.numItems);
    for (uint32_t i = 0; i < q.requestList.numItems; ++i) {
        ServerInfo& info = r.serverInfo.items[r.serverInfo.numItems++];
        info.infoId = q.requestList.items[i];
        if (info.infoId == ZVI_SERVER_INFO_CHARSET) {
            info.value.dataType = ZVI_DATA_TEXT;
            info.value.payload.text = heapText(store->charSet);
        }
    }
    return 1;
}

uint32_t getEntry(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetEntryRequest*>(request);
    auto& r = *static_cast<GetEntryResult*>(result);
    Entry* entry = findEntry(q.schema, q.entryId, r.status);
    if (entry && q.wantValues) r.values = valuesOf(*entry, q.fieldIds);
    return 1;
}

uint32_t setEntry(void* request, void* result, uint32_t) {
    auto& q = *static_cast<SetEntryRequest*>(request);
    auto& r = *static_cast<SetEntryResult*>(result);
    if (Entry* entry = findEntry(q.schema, q.entryId, r.status)) applyValues(*entry, q.fieldValues);
    return 1;
}

// Creates an entry under the given identifier, or the form's next one.
std::string create(Form& form, const FieldValueList& values, std::string id = "") {
    if (id.empty()) {
        char next[sizeof(EntryId)];
        std::snprintf(next, sizeof next, "%015u", form.nextId++);
        id = next;
    }
    Entry& entry = form.entries[id];
    entry.clear();
    entry[1] = Field{ZVI_DATA_TEXT, id, 0};
    applyValues(entry, values);
    return id;
}

uint32_t createEntry(void* request, void* result, uint32_t) {
    auto& q = *static_cast<CreateEntryRequest*>(request);
    auto& r = *static_cast<CreateEntryResult*>(result);
    Form* form = findForm(q.schema, r.status);
    if (!form) return 1;
    const std::string id = create(*form, q.fieldValues);
    std::snprintf(r.entryId, sizeof r.entryId, "%s", id.c_str());
    addMessage(r.status, ZVI_NOTE, kEntryCreated, "Entry created", id);
    return 1;
}

uint32_t deleteEntry(void* request, void* result, uint32_t) {
    auto& q = *static_cast<DeleteEntryRequest*>(request);
    auto& r = *static_cast<DeleteEntryResult*>(result);
    Form* form = findForm(q.schema, r.status);
    if (!form) return 1;
    if (q.entryId.numItems != 1) {
        addMessage(r.status, ZVI_ERROR, 9905, "Only single entries can be deleted here", "");
        return 0;  // the host refuses: the library reports the call as failed
    }
    const std::string id = q.entryId.items[0];
    if (form->entries.erase(id) == 0) {
        addMessage(r.status, ZVI_ERROR, kNoSuchEntry, "Entry does not exist in database", id);
        return 1;
    }
    addMessage(r.status, ZVI_NOTE, 1, "Entry deleted", id);
    return 1;
}

// Merge: the values name the entry (field 1); an existing entry is replaced, a
// missing one created under that identifier.
uint32_t mergeEntry(void* request, void* result, uint32_t) {
    auto& q = *static_cast<MergeEntryRequest*>(request);
    auto& r = *static_cast<MergeEntryResult*>(result);
    Form* form = findForm(q.schema, r.status);
    if (!form) return 1;
    std::string id;
    for (uint32_t i = 0; i < q.fieldValues.numItems; ++i)
        if (q.fieldValues.items[i].fieldId == 1) id = fieldOf(q.fieldValues.items[i].value).text;
    const bool existed = form->entries.count(id) != 0;
    id = create(*form, q.fieldValues, id);
    std::snprintf(r.entryId, sizeof r.entryId, "%s", id.c_str());
    addMessage(r.status, ZVI_NOTE, kEntryCreated, existed ? "Entry replaced" : "Entry created", id);
    return 1;
}

uint32_t getListEntry(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetListEntryRequest*>(request);
    auto& r = *static_cast<GetListEntryResult*>(result);
    Form* form = findForm(q.schema, r.status);
    if (!form) return 1;
    const auto found = select(*form, q, &r.numMatches);
    r.entries.items = heapArray<EntryListItem>(found.size());
    for (const auto* entry : found) {
        EntryListItem& item = r.entries.items[r.entries.numItems++];
        item.entryId = idListOf(entry->first);
        auto text = entry->second.find(8);  // the entry's short description
        item.entryText = heapText(text == entry->second.end() ? "" : text->second.text);
    }
    return 1;
}

uint32_t getListEntryWithFields(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetListEntryWithFieldsRequest*>(request);
    auto& r = *static_cast<GetListEntryWithFieldsResult*>(result);
    Form* form = findForm(q.schema, r.status);
    if (!form) return 1;
    IdList wanted{q.listFields.numItems, heapArray<uint32_t>(q.listFields.numItems)};
    for (uint32_t i = 0; i < wanted.numItems; ++i) wanted.items[i] = q.listFields.items[i].fieldId;
    const auto found = select(*form, q, &r.numMatches);
    r.entries = heapArray<EntryFieldValuesList>(1);
    r.entries->items = heapArray<EntryFieldValues>(found.size());
    for (const auto* entry : found) {
        EntryFieldValues& item = r.entries->items[r.entries->numItems++];
        item.entryId = idListOf(entry->first);
        item.values = heapArray<FieldValueList>(1);
        *item.values = valuesOf(entry->second, wanted);
    }
    std::free(wanted.items);
    return 1;
}

// Inside a filter step the workflow context names the form the step runs on.
uint32_t wfGetEntry(void* request, void* result, uint32_t) {
    auto& q = *static_cast<WfGetEntryRequest*>(request);
    auto& r = *static_cast<WfGetEntryResult*>(result);
    const auto* step = static_cast<const FilterStep*>(q.context);
    Entry* entry = findEntry(step->form.c_str(), q.entryId, r.status);
    if (entry && q.wantValues) r.values = valuesOf(*entry, q.fieldIds);
    return 1;
}

// Bulk transactions: the store is kept as it was at the begin until commit or
// rollback.
uint32_t bulkBegin(void*, void* result) {
    auto& r = *static_cast<StatusResult*>(result);
    if (store->bulkSnapshot) {
        addMessage(r.status, ZVI_ERROR, kBulkState, "A bulk transaction is already open", "");
        return 0;
    }
    store->bulkSnapshot = std::make_unique<std::map<std::string, Form>>(store->forms);
    return 1;
}

uint32_t bulkEnd(void* result, bool commit) {
    auto& r = *static_cast<StatusResult*>(result);
    if (!store->bulkSnapshot) {
        addMessage(r.status, ZVI_ERROR, kBulkState, "No bulk transaction is open", "");
        return 0;
    }
    if (!commit) store->forms = *store->bulkSnapshot;
    store->bulkSnapshot.reset();
    addMessage(r.status, ZVI_NOTE, kBulkState, commit ? "Bulk transaction committed" : "Bulk transaction rolled back",
               "");
    return 1;
}
uint32_t bulkCommit(void*, void* result) { return bulkEnd(result, true); }
uint32_t bulkRollback(void*, void* result) { return bulkEnd(result, false); }

// --- form and field definitions --------------------------------------------------------

CountedText countedText(const std::string& s) { return CountedText{static_cast<uint32_t>(s.size() + 1), heapText(s)}; }
void putName(char* buffer, const std::string& s) { std::snprintf(buffer, ZVI_NAME_SIZE, "%s", s.c_str()); }
void touch(Form& form) { form.changed = store->clock++; }

uint32_t createSchema(void* request, void* result, uint32_t) {
    auto& q = *static_cast<CreateSchemaRequest*>(request);
    auto& r = *static_cast<CreateSchemaResult*>(result);
    if (store->forms.count(q.name)) {
        addMessage(r.status, ZVI_ERROR, kExists, "Form already exists", q.name);
        return 1;
    }
    Form& form = store->forms[q.name];
    form.formType = q.typeInfo.formType;
    form.helpText = q.helpText;
    form.owner = q.owner;
    touch(form);
    return 1;
}

uint32_t getSchema(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetSchemaRequest*>(request);
    auto& r = *static_cast<GetSchemaResult*>(result);
    Form* form = findForm(q.name, r.status);
    if (!form) return 1;
    if (q.wantedMask & 1) r.typeInfo.formType = form->formType;
    if (q.wantedMask & 64) r.helpText = countedText(form->helpText);
    if (q.wantedMask & 2048) putName(r.owner, form->owner);
    r.timestamp = form->changed;
    return 1;
}

uint32_t setSchema(void* request, void* result, uint32_t) {
    auto& q = *static_cast<SetSchemaRequest*>(request);
    auto& r = *static_cast<SetSchemaResult*>(result);
    Form* form = findForm(q.name, r.status);
    if (!form) return 1;
    if (q.changeMask & 128) form->helpText = q.helpText;
    if (q.changeMask & 256) form->owner = q.owner;
    touch(*form);
    if (q.changeMask & 1) {
        auto node = store->forms.extract(q.name);
        node.key() = q.newName;
        store->forms.insert(std::move(node));
    }
    return 1;
}

uint32_t getListSchema(void*, void* result, uint32_t) {
    auto& r = *static_cast<GetListSchemaResult*>(result);
    r.names.items = heapArray<CountedText>(store->forms.size());
    for (const auto& form : store->forms) r.names.items[r.names.numItems++] = countedText(form.first);
    return 1;
}

FieldDef* findField(const char* formName, uint32_t fieldId, StatusList& status) {
    Form* form = findForm(formName, status);
    if (!form) return nullptr;
    auto field = form->fields.find(fieldId);
    if (field != form->fields.end()) return &field->second;
    addMessage(status, ZVI_ERROR, kNoSuchField, "Field does not exist on the form", std::to_string(fieldId));
    return nullptr;
}

// A field id of 0 asks the server for the next free one.
uint32_t createField(void* request, void* result, uint32_t) {
    auto& q = *static_cast<CreateFieldRequest*>(request);
    auto& r = *static_cast<CreateFieldResult*>(result);
    Form* form = findForm(q.formName, r.status);
    if (!form) return 1;
    const uint32_t id = q.fieldId ? q.fieldId : form->nextFieldId++;
    if (form->fields.count(id)) {
        addMessage(r.status, ZVI_ERROR, kExists, "Field already exists", std::to_string(id));
        return 1;
    }
    form->fields[id] = FieldDef{q.fieldName, q.dataType, q.entryOption, q.creationOption, q.helpText};
    touch(*form);
    r.fieldId = id;
    return 1;
}

uint32_t getField(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetFieldRequest*>(request);
    auto& r = *static_cast<GetFieldResult*>(result);
    FieldDef* field = findField(q.formName, q.fieldId, r.status);
    if (!field) return 1;
    putName(r.fieldName, field->name);
    r.dataType = field->dataType;
    r.entryOption = field->entryOption;
    r.creationOption = field->creationOption;
    if (q.wantedMask & 32) r.helpText = countedText(field->helpText);
    return 1;
}

uint32_t setField(void* request, void* result, uint32_t) {
    auto& q = *static_cast<SetFieldRequest*>(request);
    auto& r = *static_cast<SetFieldResult*>(result);
    FieldDef* field = findField(q.formName, q.fieldId, r.status);
    if (!field) return 1;
    if (q.changeMask & 1) field->name = q.newFieldName;
    if (q.changeMask & 2) field->entryOption = q.entryOption;
    if (q.changeMask & 128) field->helpText = q.helpText;
    touch(store->forms[q.formName]);
    return 1;
}

uint32_t getListField(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetListFieldRequest*>(request);
    auto& r = *static_cast<GetListFieldResult*>(result);
    Form* form = findForm(q.formName, r.status);
    if (!form) return 1;
    r.fieldIds.items = heapArray<uint32_t>(form->fields.size());
    for (const auto& field : form->fields) r.fieldIds.items[r.fieldIds.numItems++] = field.first;
    return 1;
}

// --- many fields at once, and views ---------------------------------------------------

// Fields with id 0 get the next free ids; the assigned ids are the result.
uint32_t createMultipleFields(void* request, void* result, uint32_t) {
    auto& q = *static_cast<CreateMultipleFieldsRequest*>(request);
    auto& r = *static_cast<CreateMultipleFieldsResult*>(result);
    Form* form = findForm(q.formName, r.status);
    if (!form) return 1;
    r.ids.items = heapArray<uint32_t>(q.fieldIds.numItems);
    for (uint32_t i = 0; i < q.fieldIds.numItems; ++i) {
        const uint32_t id = q.fieldIds.items[i] ? q.fieldIds.items[i] : form->nextFieldId++;
        FieldDef& field = form->fields[id];
        if (q.fieldNames.items) field.name = q.fieldNames.items[i];
        field.dataType = q.dataTypes.items[i];
        field.entryOption = q.entryOptions.items[i];
        field.creationOption = q.creationOptions.items[i];
        if (q.helpTexts.items) field.helpText = q.helpTexts.items[i].text;
        r.ids.items[r.ids.numItems++] = id;
    }
    touch(*form);
    return 1;
}

uint32_t createView(void* request, void* result, uint32_t) {
    auto& q = *static_cast<CreateVUIRequest*>(request);
    auto& r = *static_cast<CreateVUIResult*>(result);
    Form* form = findForm(q.formName, r.status);
    if (!form) return 1;
    r.viewId = q.viewId ? q.viewId : form->nextViewId++;
    form->views[r.viewId] = q.viewName;
    touch(*form);
    return 1;
}

uint32_t getListViews(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetListVUIRequest*>(request);
    auto& r = *static_cast<GetListVUIResult*>(result);
    Form* form = findForm(q.formName, r.status);
    if (!form) return 1;
    r.ids.items = heapArray<uint32_t>(form->views.size());
    for (const auto& view : form->views) r.ids.items[r.ids.numItems++] = view.first;
    return 1;
}

template <class Fn>
void put(HostEntryTable& table, uint32_t slot, Fn fn) {
    std::memcpy(table.u.bytes + slot, &fn, sizeof fn);
}

}  // namespace

HostEntryTable makeHostTable(Store& s) {
    store = &s;
    adminThread = std::this_thread::get_id();
    HostEntryTable table{};
    table.u.version = ZVI_INTERFACE_VERSION;
    put<EnterHook>(table, ZVI_SLOT_ENTER_HOOK, enterHook);
    put<LeaveHook>(table, ZVI_SLOT_LEAVE_HOOK, leaveHook);
    put<CallerInfoHook>(table, ZVI_SLOT_CALLER_INFO_HOOK, callerInfoHook);
    put<AdminThreadCheck>(table, ZVI_SLOT_ADMIN_THREAD_CHECK, adminThreadCheck);
    put<ServiceRoutine>(table, 12616, getServerInfo);
    put<ServiceRoutine>(table, 12224, getEntry);
    put<ServiceRoutine>(table, 12248, setEntry);
    put<ServiceRoutine>(table, 12256, createEntry);
    put<ServiceRoutine>(table, 12264, deleteEntry);
    put<ServiceRoutine>(table, 12272, mergeEntry);
    put<ServiceRoutine>(table, 12280, getListEntry);
    put<ServiceRoutine>(table, 12824, getListEntryWithFields);
    put<ServiceRoutine>(table, 13560, wfGetEntry);
    put<ServiceRoutine2>(table, 13456, bulkBegin);
    put<ServiceRoutine2>(table, 13464, bulkRollback);
    put<ServiceRoutine2>(table, 13472, bulkCommit);
    put<ServiceRoutine>(table, 12304, getSchema);
    put<ServiceRoutine>(table, 12312, setSchema);
    put<ServiceRoutine>(table, 12320, createSchema);
    put<ServiceRoutine>(table, 12336, getListSchema);
    put<ServiceRoutine>(table, 12344, getField);
    put<ServiceRoutine>(table, 12352, setField);
    put<ServiceRoutine>(table, 12360, createField);
    put<ServiceRoutine>(table, 12376, getListField);
    put<ServiceRoutine>(table, 13264, createMultipleFields);
    put<ServiceRoutine>(table, 12760, createView);
    put<ServiceRoutine>(table, 12776, getListViews);
    return table;
}

}  // namespace demo
