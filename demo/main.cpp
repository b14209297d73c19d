// The demo host: loads the library as the server does, hands it an entry table built
// from a small in-memory server, and runs a short plug-in session, printing each
// call, its return value and every message with its catalog text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "demo/loader.h"
#include "demo/reference_host.h"
#include "zvi/zvi.h"

namespace {

// Fields of the demo form.
constexpr uint32_t kStatusField = 7;
constexpr uint32_t kSummaryField = 8;

// The operations the session uses, looked up by name in the loaded library.
struct Api {
    void* handle;
    template <class Fn>
    Fn get(const char* name) const {
        void* p = demo::findSymbol(handle, name);
        if (!p) {
            std::fprintf(stderr, "missing export %s\n", name);
            std::exit(1);
        }
        return reinterpret_cast<Fn>(p);
    }
#define ZVI_DEMO_OP(name) decltype(&ZVI##name) name = get<decltype(&ZVI##name)>("ZVI" #name)
    ZVI_DEMO_OP(Initialization);
    ZVI_DEMO_OP(CreateEntry);
    ZVI_DEMO_OP(GetEntry);
    ZVI_DEMO_OP(SetEntry);
    ZVI_DEMO_OP(MergeEntry);
    ZVI_DEMO_OP(DeleteEntry);
    ZVI_DEMO_OP(GetListEntry);
    ZVI_DEMO_OP(GetListEntryWithFields);
    ZVI_DEMO_OP(WfGetEntry);
    ZVI_DEMO_OP(BulkTranBegin);
    ZVI_DEMO_OP(BulkTranCommit);
    ZVI_DEMO_OP(BulkTranRollback);
    ZVI_DEMO_OP(CreateSchema);
    ZVI_DEMO_OP(GetSchema);
    ZVI_DEMO_OP(GetListSchema);
    ZVI_DEMO_OP(CreateField);
    ZVI_DEMO_OP(GetField);
    ZVI_DEMO_OP(SetField);
    ZVI_DEMO_OP(GetListField);
    ZVI_DEMO_OP(ExportToFile);
    ZVI_DEMO_OP(ImportFromFile);
    ZVI_DEMO_OP(Import);
    ZVI_DEMO_OP(GetListUser);
    ZVI_DEMO_OP(GetListGroup);
    ZVI_DEMO_OP(CreateMultipleFields);
    ZVI_DEMO_OP(CreateVUI);
    ZVI_DEMO_OP(GetListVUI);
    ZVI_DEMO_OP(CreateFilter);
    ZVI_DEMO_OP(GetListFilter);
    ZVI_DEMO_OP(GetFilter);
    ZVI_DEMO_OP(CreateCharMenu);
    ZVI_DEMO_OP(GetCharMenu);
#undef ZVI_DEMO_OP
};

// Prints a call, its result and its messages, then releases the messages.
void show(const std::string& call, uint32_t rc, StatusList* status) {
    std::printf("%s -> %u\n", call.c_str(), rc);
    if (!status) return;
    for (uint32_t i = 0; i < status->numItems; ++i) {
        const StatusEntry& e = status->entries[i];
        std::printf("    [type %u] %u: %s%s%s\n", e.messageType, e.messageNum, e.messageText ? e.messageText : "",
                    e.appendedText ? " : " : "", e.appendedText ? e.appendedText : "");
        std::free(e.messageText);
        std::free(e.appendedText);
    }
    std::free(status->entries);
    *status = StatusList{};
}

void printValues(const FieldValueList& values) {
    for (uint32_t i = 0; i < values.numItems; ++i) {
        const FieldValue& v = values.items[i];
        if (v.value.dataType == ZVI_DATA_TEXT) std::printf("      field %u = \"%s\"\n", v.fieldId, v.value.payload.text);
        else std::printf("      field %u = %d\n", v.fieldId, v.value.payload.i);
    }
}

// Releases what the library handed over: the caller owns it.
void release(FieldValueList& values) {
    for (uint32_t i = 0; i < values.numItems; ++i)
        if (values.items[i].value.dataType == ZVI_DATA_TEXT) std::free(values.items[i].value.payload.text);
    std::free(values.items);
    values = FieldValueList{};
}

FieldValue text(uint32_t fieldId, const char* value) {
    FieldValue v{};
    v.fieldId = fieldId;
    v.value.dataType = ZVI_DATA_TEXT;
    v.value.payload.text = const_cast<char*>(value);
    return v;
}

// One plug-in's view of the server: a caller description and the form it works on.
struct Session {
    const Api& zvi;
    ControlRecord control{};
    char form[9] = "HelpDesk";
    StatusList status{};

    std::string create(const char* summary, const char* state) {
        FieldValue values[2] = {text(kSummaryField, summary), text(kStatusField, state)};
        FieldValueList list{2, values};
        char id[sizeof(EntryId)];
        const uint32_t rc = zvi.CreateEntry(&control, form, &list, id, &status);
        show(std::string("ZVICreateEntry(\"") + summary + "\") gives entry " + id, rc, &status);
        return id;
    }

    void get(const std::string& id) {
        EntryId entry;
        std::snprintf(entry, sizeof entry, "%s", id.c_str());
        EntryIdList ids{1, &entry};
        FieldValueList values{};
        const uint32_t rc = zvi.GetEntry(&control, form, &ids, nullptr, &values, &status);
        show("ZVIGetEntry(" + id + ")", rc, &status);
        printValues(values);
        release(values);
    }

    void setStatus(const std::string& id, const char* state) {
        EntryId entry;
        std::snprintf(entry, sizeof entry, "%s", id.c_str());
        EntryIdList ids{1, &entry};
        FieldValue value = text(kStatusField, state);
        FieldValueList list{1, &value};
        show("ZVISetEntry(" + id + ", status " + state + ")",
             zvi.SetEntry(&control, form, &ids, &list, 0, 0, &status), &status);
    }

    void remove(const std::string& id) {
        EntryId entry;
        std::snprintf(entry, sizeof entry, "%s", id.c_str());
        EntryIdList ids{1, &entry};
        show("ZVIDeleteEntry(" + id + ")", zvi.DeleteEntry(&control, form, &ids, 0, &status), &status);
    }

    // Lists the entries whose status is the given one (all of them for null).
    void list(const char* state) {
        RelationalOp equal{};
        equal.operation = demo::kCompareEqual;
        equal.left.tag = ZVI_OPERAND_FIELD;
        equal.left.u.id = kStatusField;
        equal.right.tag = ZVI_OPERAND_VALUE;
        equal.right.u.value.dataType = ZVI_DATA_TEXT;
        equal.right.u.value.payload.text = const_cast<char*>(state ? state : "");
        Qualifier qualifier{};
        qualifier.operation = ZVI_QUAL_REL_OP;
        qualifier.u.relOp = &equal;
        EntryListItemList entries{};
        uint32_t matches = 0;
        const uint32_t rc = zvi.GetListEntry(&control, form, state ? &qualifier : nullptr, nullptr, nullptr, 0,
                                                0, 0, &entries, &matches, &status);
        show(std::string("ZVIGetListEntry(status ") + (state ? state : "any") + ") finds " +
                 std::to_string(matches),
             rc, &status);
        for (uint32_t i = 0; i < entries.numItems; ++i) {
            std::printf("      %s  %s\n", entries.items[i].entryId.items[0], entries.items[i].entryText);
            std::free(entries.items[i].entryId.items);
            std::free(entries.items[i].entryText);
        }
        std::free(entries.items);
    }

    void listWithFields() {
        EntryListField columns[2] = {{kSummaryField, 30, " "}, {kStatusField, 10, " "}};
        EntryListFieldList fields{2, columns};
        EntryFieldValuesList entries{};
        uint32_t matches = 0;
        const uint32_t rc = zvi.GetListEntryWithFields(&control, form, nullptr, &fields, nullptr, 0, 0, 0,
                                                          &entries, &matches, &status);
        show("ZVIGetListEntryWithFields(summary, status) finds " + std::to_string(matches), rc, &status);
        for (uint32_t i = 0; i < entries.numItems; ++i) {
            std::printf("    entry %s\n", entries.items[i].entryId.items[0]);
            printValues(*entries.items[i].values);
            release(*entries.items[i].values);
            std::free(entries.items[i].values);
            std::free(entries.items[i].entryId.items);
        }
        std::free(entries.items);
    }
};

// A plug-in that maintains form and field definitions.
struct Designer {
    const Api& zvi;
    ControlRecord& control;
    StatusList status{};

    void createForm(const char* name, const char* helpText) {
        FormTypeInfo regular{};
        regular.formType = 1;
        show(std::string("ZVICreateSchema(\"") + name + "\")",
             zvi.CreateSchema(&control, const_cast<char*>(name), &regular, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, const_cast<char*>(helpText),
                              const_cast<char*>("Demo"), nullptr, nullptr, &status),
             &status);
    }

    void showForm(const char* name) {
        FormTypeInfo typeInfo;
        char* helpText = nullptr;
        char owner[ZVI_NAME_SIZE];
        uint32_t changed = 0;
        const uint32_t rc = zvi.GetSchema(&control, const_cast<char*>(name), &typeInfo, nullptr, nullptr, nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &helpText, &changed,
                                          owner, nullptr, nullptr, nullptr, &status);
        show(std::string("ZVIGetSchema(\"") + name + "\")", rc, &status);
        if (rc < 2) std::printf("      type %u, owner %s, change %u, help \"%s\"\n", typeInfo.formType, owner, changed, helpText);
        std::free(helpText);
    }

    // Creates a field; the server picks its id.
    uint32_t createField(const char* form, const char* name, uint32_t dataType) {
        uint32_t id = 0;
        const uint32_t rc = zvi.CreateField(&control, const_cast<char*>(form), &id, 0, const_cast<char*>(name),
                                            nullptr, dataType, 1, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, &status);
        show(std::string("ZVICreateField(\"") + name + "\") gives field " + std::to_string(id), rc, &status);
        return id;
    }

    void showField(const char* form, uint32_t id) {
        char name[ZVI_NAME_SIZE];
        uint32_t dataType = 0, entryOption = 0;
        char* helpText = nullptr;
        const uint32_t rc = zvi.GetField(&control, const_cast<char*>(form), id, name, nullptr, &dataType,
                                         &entryOption, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         &helpText, nullptr, nullptr, nullptr, nullptr, nullptr, &status);
        show("ZVIGetField(" + std::to_string(id) + ")", rc, &status);
        if (rc < 2) std::printf("      \"%s\", data type %u, entry option %u, help \"%s\"\n", name, dataType, entryOption, helpText);
        std::free(helpText);
    }

    // Renames a field and makes it required (entry option 2); nothing changes without a name.
    uint32_t renameField(const char* form, uint32_t id, const char* name, const char* helpText) {
        uint32_t required = 2;
        return zvi.SetField(&control, const_cast<char*>(form), id, const_cast<char*>(name), nullptr,
                            name ? &required : nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, const_cast<char*>(helpText),
                            nullptr, nullptr, 0, nullptr, &status);
    }

    void listForms() {
        NameList names{};
        show("ZVIGetListSchema", zvi.GetListSchema(&control, 0, 0, nullptr, nullptr, nullptr, &names, &status),
             &status);
        for (uint32_t i = 0; i < names.numItems; ++i) std::printf("      %s\n", names.items[i]);
        std::free(names.items);
    }

    void listFields(const char* form) {
        IdList ids{};
        show(std::string("ZVIGetListField(\"") + form + "\")",
             zvi.GetListField(&control, const_cast<char*>(form), 0, 0, nullptr, &ids, &status), &status);
        for (uint32_t i = 0; i < ids.numItems; ++i) std::printf("      %u\n", ids.items[i]);
        std::free(ids.items);
    }
};

// The definitions of a form exported to a file and imported again under another name;
// then a text written in Latin-1 that says so, which reaches the server in its own set.
void copyDefinitions(const Api& zvi, ControlRecord& control, const char* form, const char* copy) {
    StatusList status{};
    ExportItem item{1, {}, {}};
    std::snprintf(item.itemName, sizeof item.itemName, "%s", form);
    ExportItemList items{1, &item};
    std::FILE* file = std::tmpfile();
    show(std::string("ZVIExportToFile(\"") + form + "\")",
         zvi.ExportToFile(&control, &items, nullptr, 0, nullptr, file, &status), &status);
    std::printf("      the file holds %ld bytes:\n", std::ftell(file));
    std::rewind(file);
    for (char line[256]; std::fgets(line, sizeof line, file);) std::printf("        %s", line);
    std::snprintf(item.itemName, sizeof item.itemName, "%s", copy);
    show(std::string("ZVIImportFromFile(as \"") + copy + "\")",
         zvi.ImportFromFile(&control, &items, file, 0, &status), &status);
    show(std::string("ZVIImportFromFile(as \"") + copy + "\", again)",
         zvi.ImportFromFile(&control, &items, file, 0, &status), &status);
    std::fclose(file);

    char latin1[] = "# written on an older workstation\nchar-set: ISO-8859-1\nbegin form\nname: Caf\xE9\n"
                    "help: Men\xFC of the caf\xE9t\xE9ria\nend form\n";
    show("ZVIImport(a Latin-1 text)", zvi.Import(&control, nullptr, latin1, 0, &status), &status);
}

// The server's users and groups.
void listPeople(const Api& zvi, ControlRecord& control) {
    StatusList status{};
    UserList users{};
    show("ZVIGetListUser", zvi.GetListUser(&control, 0, 0, &users, &status), &status);
    for (uint32_t i = 0; i < users.numItems; ++i) std::printf("      user %s\n", static_cast<ObjectName*>(users.items)[i]);
    std::free(users.items);
    GroupList groups{};
    show("ZVIGetListGroup(\"Demo\")", zvi.GetListGroup(&control, const_cast<char*>("Demo"), nullptr, &groups, &status),
         &status);
    for (uint32_t i = 0; i < groups.numItems; ++i)
        std::printf("      group %s\n", static_cast<ObjectName*>(groups.items)[i]);
    std::free(groups.items);
    show("ZVIGetListUser(kind 3)", zvi.GetListUser(&control, 3, 0, &users, &status), &status);
}

// A plug-in that lays a form out: several fields in one call, and a view on the form.
struct Layout {
    const Api& zvi;
    ControlRecord& control;
    StatusList status{};

    // Three fields; the server picks their ids. Lists given by the caller hold one item
    // per field.
    void createFields(const char* form) {
        uint32_t ids[3] = {};
        uint8_t flags[3] = {};
        char* names[3] = {const_cast<char*>("Vendor"), const_cast<char*>("Warranty"), const_cast<char*>("Price")};
        char* helps[3] = {const_cast<char*>("Who sold it"), nullptr, const_cast<char*>("What it cost")};
        uint32_t dataTypes[3] = {ZVI_DATA_TEXT, ZVI_DATA_DATE, ZVI_DATA_INTEGER}, entry[3] = {1, 2, 2},
                 creation[3] = {1, 1, 1}, extra[3] = {};
        IdList fieldIds{3, ids};
        FlagList fieldIdFlags{3, flags};
        TextList fieldNames{3, names}, helpTexts{3, helps};
        UintList types{3, dataTypes}, entryOptions{3, entry}, creationOptions{3, creation}, extraOptions{3, extra};
        const uint32_t rc = zvi.CreateMultipleFields(&control, const_cast<char*>(form), &fieldIds, &fieldIdFlags,
                                                     &fieldNames, nullptr, &types, &entryOptions, &creationOptions,
                                                     &extraOptions, nullptr, nullptr, nullptr, nullptr, &helpTexts,
                                                     nullptr, nullptr, nullptr, &status);
        std::string given;
        for (uint32_t i = 0; rc < 2 && i < fieldIds.numItems; ++i) given += " " + std::to_string(fieldIds.items[i]);
        show("ZVICreateMultipleFields(Vendor, Warranty, Price) gives fields" + given, rc, &status);
        if (fieldIds.items != ids) std::free(fieldIds.items);  // the server's list is the caller's
        uint32_t asked[3] = {536870950, 536870951, 536870952};
        entry[1] = 9;  // out of range: the call names the field
        fieldIds = IdList{3, asked};
        show("ZVICreateMultipleFields(an entry option of 9)",
             zvi.CreateMultipleFields(&control, const_cast<char*>(form), &fieldIds, &fieldIdFlags, &fieldNames,
                                      nullptr, &types, &entryOptions, &creationOptions, &extraOptions, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &status),
             &status);
    }

    void createView(const char* form, const char* name) {
        uint32_t id = 0;
        const uint32_t rc = zvi.CreateVUI(&control, const_cast<char*>(form), &id, const_cast<char*>(name),
                                          const_cast<char*>("Default"), 0, nullptr, nullptr, nullptr, nullptr,
                                          nullptr, &status);
        show(std::string("ZVICreateVUI(\"") + name + "\") gives view " + std::to_string(id), rc, &status);
        IdList views{};
        show(std::string("ZVIGetListVUI(\"") + form + "\")",
             zvi.GetListVUI(&control, const_cast<char*>(form), 0, nullptr, &views, &status), &status);
        for (uint32_t i = 0; i < views.numItems; ++i) std::printf("      %u\n", views.items[i]);
        std::free(views.items);
    }
};

// A plug-in that adds a filter to the help desk form, whose action sets a request's
// status to Closed; then lists the form's filters and reads the filter back.
void defineFilter(const Api& zvi, ControlRecord& control) {
    StatusList status{};
    char name[] = "Close duplicates", form[] = "HelpDesk", help[] = "Closes requests marked as duplicates";
    ObjectName forms[1] = {"HelpDesk"};
    NameList formList{1, forms};
    WorkflowConnect connect{ZVI_CONNECT_FORMS, {&formList}};
    FieldAssign assign{kStatusField, {ZVI_ASSIGN_VALUE, {}}};
    assign.assign.u.value = text(0, "Closed").value;
    WorkflowAction action{};
    action.actionType = ZVI_ACTION_SET_FIELDS;
    action.u.setFields.assignments = FieldAssignList{1, &assign};
    WorkflowActionList actions{1, &action};
    show("ZVICreateFilter(\"Close duplicates\", set status to Closed)",
         zvi.CreateFilter(&control, name, 500, &connect, 2 /* on modify */, 1, nullptr, &actions, nullptr, help,
                          const_cast<char*>("Demo"), nullptr, nullptr, 0, nullptr, &status),
         &status);

    NameList names{};
    show("ZVIGetListFilter(\"HelpDesk\")", zvi.GetListFilter(&control, form, 0, nullptr, &names, &status), &status);
    for (uint32_t i = 0; i < names.numItems; ++i) std::printf("      %s\n", names.items[i]);
    std::free(names.items);

    uint32_t order = 0, enable = 0;
    WorkflowConnect on{};
    WorkflowActionList got{};
    char* helpText = nullptr;
    char owner[ZVI_NAME_SIZE];
    const uint32_t rc = zvi.GetFilter(&control, name, &order, &on, nullptr, &enable, nullptr, &got, nullptr, &helpText,
                                      nullptr, owner, nullptr, nullptr, nullptr, nullptr, nullptr, &status);
    show("ZVIGetFilter(\"Close duplicates\")", rc, &status);
    if (rc < 2) {
        std::printf("      order %u, enabled %u, owner %s, help \"%s\"\n", order, enable, owner, helpText);
        for (uint32_t i = 0; on.u.nameList && i < on.u.nameList->numItems; ++i)
            std::printf("      runs on %s\n", on.u.nameList->items[i]);
        for (uint32_t i = 0; i < got.numItems; ++i) {
            const FieldAssignList& set = got.items[i].u.setFields.assignments;
            for (uint32_t k = 0; k < set.numItems; ++k)
                std::printf("      sets field %u to \"%s\"\n", set.items[k].fieldId, set.items[k].assign.u.value.payload.text);
        }
    }
    // The caller's to release: the form names, the action with its texts, the help text.
    if (on.connectType == ZVI_CONNECT_FORMS && on.u.nameList) {
        std::free(on.u.nameList->items);
        std::free(on.u.nameList);
    }
    for (uint32_t i = 0; i < got.numItems; ++i) {
        FieldAssignList& set = got.items[i].u.setFields.assignments;
        for (uint32_t k = 0; k < set.numItems; ++k) std::free(set.items[k].assign.u.value.payload.text);
        std::free(set.items);
    }
    std::free(got.items);
    std::free(helpText);
}

// A plug-in that defines a character menu with a sub-menu and reads it back.
struct MenuDesigner {
    const Api& zvi;
    ControlRecord& control;
    StatusList status{};

    static CharMenuItem item(const char* label, char* value, CharMenuDef* subMenu = nullptr) {
        CharMenuItem i{};
        std::snprintf(i.label, sizeof i.label, "%s", label);
        i.itemType = subMenu ? ZVI_ITEM_MENU : ZVI_ITEM_VALUE;
        if (subMenu) i.u.subMenu = subMenu;
        else i.u.value = value;
        return i;
    }

    void create(const char* name, uint32_t refreshCode) {
        char today[] = "Urgent: today", hour[] = "Urgent: within the hour", low[] = "Low", normal[] = "Normal";
        CharMenuItem urgentItems[2] = {item("Today", today), item("Within the hour", hour)};
        CharMenuDef urgent{};
        urgent.menuType = ZVI_MENU_LIST;
        urgent.u.menuItems = {2, urgentItems};
        CharMenuItem items[3] = {item("Low", low), item("Normal", normal), item("Urgent", nullptr, &urgent)};
        CharMenuDef menu{};
        menu.menuType = ZVI_MENU_LIST;
        menu.u.menuItems = {3, items};
        show(std::string("ZVICreateCharMenu(\"") + name + "\", refresh " + std::to_string(refreshCode) +
                 ", three items, one a sub-menu)",
             zvi.CreateCharMenu(&control, const_cast<char*>(name), refreshCode, &menu,
                                const_cast<char*>("How soon a request needs an answer"), const_cast<char*>("Demo"),
                                nullptr, nullptr, &status),
             &status);
    }

    // Prints a menu the library handed over and releases it: it is the caller's.
    static void printAndRelease(CharMenuDef& menu, int depth) {
        for (uint32_t i = 0; menu.menuType == ZVI_MENU_LIST && i < menu.u.menuItems.numItems; ++i) {
            CharMenuItem& it = menu.u.menuItems.items[i];
            std::printf("      %*s%s%s%s\n", 2 * depth, "", it.label, it.itemType == ZVI_ITEM_VALUE ? " = " : "",
                        it.itemType == ZVI_ITEM_VALUE && it.u.value ? it.u.value : "");
            if (it.itemType == ZVI_ITEM_VALUE) std::free(it.u.value);
            if (it.itemType == ZVI_ITEM_MENU && it.u.subMenu) {
                printAndRelease(*it.u.subMenu, depth + 1);
                std::free(it.u.subMenu);
            }
        }
        if (menu.menuType == ZVI_MENU_LIST) std::free(menu.u.menuItems.items);
    }

    void read(const char* name) {
        uint32_t refreshCode = 0;
        CharMenuDef menu;
        char owner[ZVI_NAME_SIZE];
        char* helpText = nullptr;
        const uint32_t rc = zvi.GetCharMenu(&control, const_cast<char*>(name), &refreshCode, &menu, &helpText,
                                            nullptr, owner, nullptr, nullptr, nullptr, &status);
        show(std::string("ZVIGetCharMenu(\"") + name + "\")", rc, &status);
        if (rc >= 2) return;
        std::printf("      refresh %u, owner %s, help \"%s\"\n", refreshCode, owner, helpText);
        printAndRelease(menu, 0);
        std::free(helpText);
    }
};

void menuSession(const Api& zvi, ControlRecord& control) {
    std::printf("\n-- a plug-in defines a character menu with a sub-menu and reads it back\n");
    MenuDesigner m{zvi, control};
    m.create("Priorities", 2);
    m.read("Priorities");
    m.create("Priorities", 4);
    m.read("Colours");
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : ZVI_DEFAULT_LIBRARY;
    void* handle = demo::loadLibrary(path);
    if (!handle) return 1;
    std::printf("loaded %s\n", path);
    {
        const Api zvi{handle};
        demo::Store store;
        store.forms["HelpDesk"];
        HostEntryTable table = demo::makeHostTable(store);
        Session s{zvi};
        std::snprintf(s.control.text1, sizeof s.control.text1, "Demo");
        show("ZVIInitialization(version 20)", zvi.Initialization(&table, &s.status), &s.status);

        std::printf("\n-- a plug-in records three requests\n");
        const std::string printer = s.create("Printer jams on every page", "New");
        const std::string mail = s.create("Mail client cannot connect", "New");
        const std::string laptop = s.create("Laptop battery swells", "Assigned");
        s.get(printer);
        s.setStatus(mail, "Assigned");
        s.list("New");
        s.list("Assigned");

        std::printf("\n-- merging replaces an entry named by its identifier\n");
        FieldValue merged[3] = {text(1, laptop.c_str()), text(kSummaryField, "Laptop battery replaced"),
                                text(kStatusField, "Closed")};
        FieldValueList mergeList{3, merged};
        char id[sizeof(EntryId)];
        show("ZVIMergeEntry(" + laptop + ")", zvi.MergeEntry(&s.control, s.form, &mergeList, 0, id, &s.status),
             &s.status);
        s.listWithFields();

        std::printf("\n-- inside a filter step on the printer entry\n");
        demo::FilterStep step{"HelpDesk", printer};
        EntryId current;
        std::snprintf(current, sizeof current, "%s", step.entryId.c_str());
        EntryIdList currentIds{1, &current};
        FieldValueList values{};
        show("ZVIWfGetEntry(workflow context, " + printer + ")",
             zvi.WfGetEntry(&step, &currentIds, nullptr, &values, &s.status), &s.status);
        printValues(values);
        release(values);

        std::printf("\n-- a bulk transaction that is rolled back, and one that is committed\n");
        show("ZVIBulkTranBegin", zvi.BulkTranBegin(&s.control, &s.status), &s.status);
        s.create("Temporary request", "New");
        s.remove(printer);
        show("ZVIBulkTranRollback", zvi.BulkTranRollback(&s.control, &s.status), &s.status);
        s.list(nullptr);
        show("ZVIBulkTranBegin", zvi.BulkTranBegin(&s.control, &s.status), &s.status);
        show("ZVIBulkTranBegin (a second one)", zvi.BulkTranBegin(&s.control, &s.status), &s.status);
        s.remove(printer);
        s.remove(mail);
        show("ZVIBulkTranCommit", zvi.BulkTranCommit(&s.control, &s.status), &s.status);
        s.list(nullptr);

        std::printf("\n-- a plug-in defines a form and its fields\n");
        Designer d{zvi, s.control};
        d.createForm("Assets", "Hardware the help desk looks after");
        const uint32_t serial = d.createField("Assets", "Serial", ZVI_DATA_TEXT);
        const uint32_t place = d.createField("Assets", "Room", ZVI_DATA_TEXT);
        d.createField("Assets", "Bought", ZVI_DATA_DATE);
        d.showForm("Assets");
        show("ZVISetField(" + std::to_string(place) + ", renamed, required)",
             d.renameField("Assets", place, "Location", "Building and room"), &d.status);
        d.showField("Assets", place);
        d.showField("Assets", serial);
        d.listForms();
        d.listFields("Assets");

        std::printf("\n-- a plug-in lays the form out: several fields in one call, and a view\n");
        Layout layout{zvi, s.control};
        layout.createFields("Assets");
        d.listFields("Assets");
        layout.createView("Assets", "Inventory");
        std::printf("\n-- definitions exported to a file and imported under another name\n");
        copyDefinitions(zvi, s.control, "Assets", "Assets archive");
        d.showForm("Assets archive");
        d.listFields("Assets archive");
        d.showForm("Caf\xC3\xA9");

        std::printf("\n-- the server's users and groups\n");
        listPeople(zvi, s.control);

        std::printf("\n-- definition changes from a thread the server does not accept, and others that go wrong\n");
        std::thread worker([&] {
            show("ZVISetField (on a worker thread)", d.renameField("Assets", serial, "Serial number", nullptr),
                 &d.status);
        });
        worker.join();
        d.showField("Assets", serial);
        show("ZVISetField(nothing to change)", d.renameField("Assets", serial, nullptr, nullptr), &d.status);
        d.createForm("Assets", "again");
        uint32_t anyId = 0;
        show("ZVICreateField(data type 99)",
             zvi.CreateField(&s.control, const_cast<char*>("Assets"), &anyId, 0, nullptr, nullptr, 99, 1, 1, 0,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &d.status),
             &d.status);
        d.showField("Assets", 7);

        std::printf("\n-- a plug-in adds a filter to the help desk form\n");
        defineFilter(zvi, s.control);

        menuSession(zvi, s.control);

        std::printf("\n-- calls that go wrong\n");
        s.get(printer);
        s.remove("000000000000999");
        show("ZVISetEntry(nothing to set)", zvi.SetEntry(&s.control, s.form, nullptr, nullptr, 0, 0, &s.status),
             &s.status);
        show("ZVIGetListEntry(without a status list)",
             zvi.GetListEntry(&s.control, s.form, nullptr, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, nullptr),
             nullptr);
        std::printf("entries left in HelpDesk: %zu\n", store.forms["HelpDesk"].entries.size());
    }
    demo::unloadLibrary(handle);
    std::printf("session complete\n");
    return 0;
}
