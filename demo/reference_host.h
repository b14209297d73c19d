// A small in-memory server: forms with entries, and the entry points the library
// calls. It allocates its results on the process heap, as the real server does.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "zvi/host.h"

namespace demo {

// Field 1 of every entry is its identifier; the demo keeps text and integer values.
struct Field {
    uint32_t dataType = ZVI_DATA_TEXT;
    std::string text;
    int32_t integer = 0;
};
using Entry = std::map<uint32_t, Field>;  // field id -> value

// A field's definition.
struct FieldDef {
    std::string name;
    uint32_t dataType = ZVI_DATA_TEXT;
    uint32_t entryOption = 1;
    uint32_t creationOption = 1;
    std::string helpText;
};

struct Form {
    std::map<std::string, Entry> entries;  // entry id -> fields
    uint32_t nextId = 1;
    // The definition.
    uint32_t formType = 1;
    std::string helpText;
    std::string owner;
    uint32_t changed = 0;                  // a change counter stands in for the time
    std::map<uint32_t, FieldDef> fields;   // field id -> definition
    uint32_t nextFieldId = 536870913;
    std::map<uint32_t, std::string> views; // view id -> name
    uint32_t nextViewId = 1;
};

// A filter: the forms it runs on and the text values its set-fields action assigns.
struct FilterDef {
    std::vector<std::string> forms;
    uint32_t order = 0;
    uint32_t enable = 1;
    std::map<uint32_t, std::string> assignments;  // field id -> text
    std::string helpText;
    std::string owner;
    uint32_t changed = 0;
};

// A character menu as this server keeps it: a list of values and sub-menus.
struct MenuNode {
    std::string label;
    std::string value;             // a value item's text
    bool isMenu = false;
    std::vector<MenuNode> items;   // a sub-menu's items
};
struct CharMenu {
    uint32_t refreshCode = 1;
    std::vector<MenuNode> items;
    std::string helpText;
    std::string owner;
    uint32_t changed = 0;
};

struct Store {
    std::map<std::string, Form> forms;
    std::map<std::string, FilterDef> filters;
    std::map<std::string, CharMenu> menus;
    std::vector<std::string> users{"Demo", "Alice", "Bob"};
    std::vector<std::string> groups{"Administrator", "Help desk"};
    std::string charSet = "UTF-8";
    std::unique_ptr<std::map<std::string, Form>> bulkSnapshot;  // open bulk transaction
    uint32_t clock = 1;
};

// Exported definitions are lines of text ("begin form", "name: ...", "help: ...",
// "field: <id> <data type> <name>", "end form") after a "char-set:" line; the user and
// group lists hold 255-byte names. An import whose first item names a form (type 1)
// imports the text's form under that name.

// Definitions change only on the thread that built the entry table: the server's
// administration thread in this demo.

// Builds the entry table that hands the library to this host's routines.
HostEntryTable makeHostTable(Store& store);

// Comparison code of a qualifier leaf that this host understands: field equals value.
constexpr uint32_t kCompareEqual = 1;

// The workflow context the server hands to a plug-in running inside a filter step on
// one entry of a form.
struct FilterStep {
    std::string form;
    std::string entryId;
};

}  // namespace demo
