#include "demo/reference_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#ifdef _WIN32
#include <winsock2.h>  // htonl
#else
#include <arpa/inet.h>
#endif

#include <cstring>
#include <sstream>
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
constexpr uint32_t kNoSuchFilter = 304;

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

// --- filters ------------------------------------------------------------------------------

// The forms of a workflow connect in the host's form (counted texts).
std::vector<std::string> formsOf(const WorkflowConnect& connect) {
    std::vector<std::string> forms;
    const auto* names = reinterpret_cast<const CountedTextList*>(connect.u.nameList);
    for (uint32_t i = 0; connect.connectType == ZVI_CONNECT_FORMS && names && i < names->numItems; ++i)
        forms.push_back(names->items[i].text ? names->items[i].text : "");
    return forms;
}

uint32_t createFilter(void* request, void* result, uint32_t) {
    auto& q = *static_cast<CreateFilterRequest*>(request);
    auto& r = *static_cast<CreateFilterResult*>(result);
    if (store->filters.count(q.name)) {
        addMessage(r.status, ZVI_ERROR, kExists, "Filter already exists", q.name);
        return 1;
    }
    FilterDef filter{formsOf(q.workflowConnect), q.order, q.enable, {}, q.helpText, q.owner, store->clock++};
    for (uint32_t i = 0; i < q.actions.numItems; ++i) {
        if (q.actions.items[i].actionType != ZVI_ACTION_SET_FIELDS) continue;
        const FieldAssignList& assignments = q.actions.items[i].u.setFields.assignments;
        for (uint32_t k = 0; k < assignments.numItems; ++k)
            if (assignments.items[k].assign.tag == ZVI_ASSIGN_VALUE)
                filter.assignments[assignments.items[k].fieldId] = fieldOf(assignments.items[k].assign.u.value).text;
    }
    store->filters[q.name] = filter;
    return 1;
}

// The filters that run on a form (all of them for an empty name), as counted texts.
uint32_t getListFilter(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetListFilterRequest*>(request);
    auto& r = *static_cast<GetListFilterResult*>(result);
    r.names.items = heapArray<CountedText>(store->filters.size());
    for (const auto& filter : store->filters) {
        const auto& forms = filter.second.forms;
        if (*q.formName && std::find(forms.begin(), forms.end(), q.formName) == forms.end()) continue;
        r.names.items[r.names.numItems++] = countedText(filter.first);
    }
    return 1;
}

uint32_t getFilter(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetFilterRequest*>(request);
    auto& r = *static_cast<GetFilterResult*>(result);
    auto found = store->filters.find(q.name);
    if (found == store->filters.end()) {
        addMessage(r.status, ZVI_ERROR, kNoSuchFilter, "Filter does not exist on server", q.name);
        return 1;
    }
    const FilterDef& filter = found->second;
    r.order = filter.order;
    r.enable = filter.enable;
    r.timestamp = filter.changed;
    auto* forms = heapArray<CountedTextList>(1);
    forms->items = heapArray<CountedText>(filter.forms.size());
    for (const std::string& form : filter.forms) forms->items[forms->numItems++] = countedText(form);
    r.workflowConnect.connectType = ZVI_CONNECT_FORMS;
    r.workflowConnect.u.nameList = reinterpret_cast<NameList*>(forms);
    if (q.wantedMask & 2) {  // the set-fields action
        r.actions = WorkflowActionList{1, heapArray<WorkflowAction>(1)};
        r.actions.items[0].actionType = ZVI_ACTION_SET_FIELDS;
        FieldAssignList& assignments = r.actions.items[0].u.setFields.assignments;
        assignments.items = heapArray<FieldAssign>(filter.assignments.size());
        for (const auto& assigned : filter.assignments) {
            FieldAssign& a = assignments.items[assignments.numItems++];
            a.fieldId = assigned.first;
            a.assign.tag = ZVI_ASSIGN_VALUE;
            a.assign.u.value = valueOf(Field{ZVI_DATA_TEXT, assigned.second, 0});
        }
    }
    if (q.wantedMask & 8) r.helpText = countedText(filter.helpText);
    if (q.wantedMask & 64) putName(r.owner, filter.owner);
    return 1;
}

// --- definition export and import, users and groups -------------------------------------

uint32_t exportDefinitions(void* request, void* result, uint32_t) {
    auto& q = *static_cast<ExportRequest*>(request);
    auto& r = *static_cast<ExportResult*>(result);
    std::string text = "char-set: " + store->charSet + "\n";
    for (uint32_t i = 0; i < q.items.numItems; ++i) {
        const ExportItem& item = q.items.items[i];
        Form* form = item.itemType == 1 ? findForm(item.itemName, r.status) : nullptr;
        if (!form) continue;
        text += std::string("begin form\nname: ") + item.itemName + "\nhelp: " + form->helpText + "\n";
        for (const auto& [id, field] : form->fields)
            text += "field: " + std::to_string(id) + " " + std::to_string(field.dataType) + " " + field.name + "\n";
        text += "end form\n";
    }
    const uint32_t header[2] = {htonl(0), htonl(static_cast<uint32_t>(text.size()))};
    r.dataLength = static_cast<uint32_t>(sizeof header + text.size());
    r.data = static_cast<uint8_t*>(std::malloc(r.dataLength));
    std::memcpy(r.data, header, sizeof header);
    std::memcpy(r.data + sizeof header, text.data(), text.size());
    return 1;
}

uint32_t importDefinitions(void* request, void* result, uint32_t) {
    auto& q = *static_cast<ImportRequest*>(request);
    auto& r = *static_cast<ImportResult*>(result);
    std::istringstream text(std::string(q.text, q.textLength - 1));
    std::string line, name;
    Form form;
    while (std::getline(text, line)) {
        if (line.rfind("name: ", 0) == 0) {
            name = q.items.numItems && q.items.items[0].itemType == 1 ? q.items.items[0].itemName : line.substr(6);
        } else if (line.rfind("help: ", 0) == 0) {
            form.helpText = line.substr(6);
        } else if (line.rfind("field: ", 0) == 0) {
            std::istringstream words(line.substr(7));
            uint32_t id = 0;
            FieldDef field;
            words >> id >> field.dataType;
            std::getline(words >> std::ws, field.name);
            form.fields[id] = field;
        } else if (line == "end form") {
            if (store->forms.count(name)) {
                addMessage(r.status, ZVI_ERROR, kExists, "Form already exists", name);
                return 1;
            }
            form.owner = "Demo";
            touch(form);
            store->forms[name] = form;
            form = Form{};
        }
    }
    return 1;
}

// The names of a list as 255-byte items.
void putNames(ServerList& list, const std::vector<std::string>& names) {
    auto* items = heapArray<ObjectName>(names.size());
    for (const std::string& name : names) putName(items[list.numItems++], name);
    list.items = items;
}
uint32_t getListUser(void*, void* result, uint32_t) {
    putNames(static_cast<ServerListResult*>(result)->list, store->users);
    return 1;
}
uint32_t getListGroup(void*, void* result, uint32_t) {
    putNames(static_cast<ServerListResult*>(result)->list, store->groups);
    return 1;
}

// --- character menus --------------------------------------------------------------------

constexpr uint32_t kNoSuchMenu = 8930;

// The server's own copy of a caller's list menu (other menu kinds keep no items here).
std::vector<MenuNode> menuNodes(const CharMenuDef& menu) {
    std::vector<MenuNode> nodes;
    for (uint32_t i = 0; menu.menuType == ZVI_MENU_LIST && i < menu.u.menuItems.numItems; ++i) {
        const CharMenuItem& item = menu.u.menuItems.items[i];
        MenuNode node{item.label, "", item.itemType == ZVI_ITEM_MENU, {}};
        if (item.itemType == ZVI_ITEM_VALUE && item.u.value) node.value = item.u.value;
        if (node.isMenu && item.u.subMenu) node.items = menuNodes(*item.u.subMenu);
        nodes.push_back(node);
    }
    return nodes;
}

// A list menu on the heap, as results are.
void fillMenu(CharMenuDef& menu, const std::vector<MenuNode>& nodes) {
    menu.menuType = ZVI_MENU_LIST;
    menu.u.menuItems = {static_cast<uint32_t>(nodes.size()), heapArray<CharMenuItem>(nodes.size())};
    for (size_t i = 0; i < nodes.size(); ++i) {
        CharMenuItem& item = menu.u.menuItems.items[i];
        putName(item.label, nodes[i].label);
        item.itemType = nodes[i].isMenu ? ZVI_ITEM_MENU : ZVI_ITEM_VALUE;
        if (!nodes[i].isMenu) item.u.value = heapText(nodes[i].value);
        else fillMenu(*(item.u.subMenu = heapArray<CharMenuDef>(1)), nodes[i].items);
    }
}

uint32_t createCharMenu(void* request, void* result, uint32_t) {
    auto& q = *static_cast<CreateCharMenuRequest*>(request);
    auto& r = *static_cast<CreateCharMenuResult*>(result);
    if (store->menus.count(q.name)) {
        addMessage(r.status, ZVI_ERROR, kExists, "Menu already exists", q.name);
        return 1;
    }
    store->menus[q.name] = CharMenu{q.refreshCode, menuNodes(q.menuDefinition), q.helpText, q.owner, store->clock++};
    return 1;
}

uint32_t getCharMenu(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetCharMenuRequest*>(request);
    auto& r = *static_cast<GetCharMenuResult*>(result);
    auto menu = store->menus.find(q.name);
    if (menu == store->menus.end()) {
        addMessage(r.status, ZVI_ERROR, kNoSuchMenu, "Menu does not exist on server", q.name);
        return 1;
    }
    r.refreshCode = menu->second.refreshCode;
    r.timestamp = menu->second.changed;
    if (q.wantedMask & 1) fillMenu(r.menuDefinition, menu->second.items);
    if (q.wantedMask & 2) r.helpText = countedText(menu->second.helpText);
    if (q.wantedMask & 16) putName(r.owner, menu->second.owner);
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
    put<ServiceRoutine>(table, 12440, getFilter);
    put<ServiceRoutine>(table, 12456, createFilter);
    put<ServiceRoutine>(table, 12472, getListFilter);
    put<ServiceRoutine>(table, 12592, exportDefinitions);
    put<ServiceRoutine>(table, 12600, importDefinitions);
    put<ServiceRoutine>(table, 12576, getListUser);
    put<ServiceRoutine>(table, 12568, getListGroup);
    put<ServiceRoutine>(table, 12400, getCharMenu);
    put<ServiceRoutine>(table, 12416, createCharMenu);
    return table;
}

}  // namespace demo
