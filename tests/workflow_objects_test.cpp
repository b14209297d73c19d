// Filters, active links, escalations, character menus and containers: the bytes the host
// receives and what the caller gets back; the checks in their order; frames and allocation failures.
#include <gtest/gtest.h>

#include "tests/support/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
constexpr size_t name = 168, changeMask = 176, newName = 184, deleteOption = 176, deleteEnd = 200, getWanted = 176;
constexpr size_t multipleNames = 168, multipleWanted = 184, multipleSince = 188, lists = 168, menuItems = 8;
constexpr size_t menuSize = 704, menuItem = 272;
// Set and Create in the order of the operations below: the attributes the workflow objects
// share, their own words, then the menus' and the containers' (0: none).
struct Define {
    size_t size = 0, connect = 0, enable = 0, qualifier = 0, actions = 0, elseActions = 0, texts[3] = {},
           properties = 0, order = 0, operationMask = 0, groupList = 0, executeMask = 0, controlField = 0,
           focusField = 0, auxOptions = 0, auxName = 0, time = 0, refresh = 0, menu = 0, permissions = 0,
           owners = 0, label = 0, description = 0, type = 0, references = 0, removeFlag = 0;
};
constexpr size_t o = 0;
constexpr Define defines[10] = {
    {352, 200, 220, 224, 248, 264, {280, 288, 296}, 304, 192, 216, o, o, o, o, 320, 328},
    {336, 184, 204, 208, 232, 248, {264, 272, 280}, 288, 176, 200, o, o, o, o, 304, 312},
    {376, 200, 244, 248, 272, 288, {304, 312, 320}, 328, 192, o, 216, 232, 236, 240, 344, 352},
    {360, 184, 228, 232, 256, 272, {288, 296, 304}, 312, 176, o, 200, 216, 220, 224, 328, 336},
    {352, 216, 232, 240, 264, 280, {296, 304, 312}, 320, o, o, o, o, o, o, o, o, 192},
    {336, 200, 216, 224, 248, 264, {280, 288, 296}, 304, o, o, o, o, o, o, o, o, 176},
    {960, o, o, o, o, o, {904, 912, 920}, 928, o, o, o, o, o, o, o, o, o, 192, 200},
    {944, o, o, o, o, o, {888, 896, 904}, 912, o, o, o, o, o, o, o, o, o, 176, 184},
    {344, o, o, o, o, o, {288, 296, 304}, 312, o, o, 208, o, o, o, o, o, o, o, o, 192, 224, 240, 248, 256, 264, 280},
    {336, o, o, o, o, o, {280, 288, 296}, 304, o, o, 200, o, o, o, o, o, o, o, o, 184, 216, 232, 240, 248, 256, 272}};
}  // namespace at

enum { SetF, CreateF, SetA, CreateA, SetE, CreateE, SetM, CreateM, SetB, CreateB };
const char* const kDefineNames[10] = {"ZVISetFilter", "ZVICreateFilter", "ZVISetActiveLink", "ZVICreateActiveLink",
                                      "ZVISetEscalation", "ZVICreateEscalation", "ZVISetCharMenu",
                                      "ZVICreateCharMenu", "ZVISetContainer", "ZVICreateContainer"};
constexpr uint32_t kDefineSlots[10] = {12448, 12456, 12528, 12544, 12488, 12496, 12408, 12416, 12848, 12856};
constexpr uint32_t kDefineOpcodes[10] = {22, 23, 39, 40, 49, 50, 17, 18, 75, 76};
char name[] = "Object", messageText[] = "message";

// The caller's arguments of Set and Create: null until given.
struct Args {
    ObjectName forms[2] = {"HelpDesk", "Hi"};
    NameList formList{2, forms};
    WorkflowConnect connect{ZVI_CONNECT_FORMS, {&formList}}, *wc{};
    // order, operation mask, enable, aux, execute, control, focus, refresh, container type
    uint32_t values[9] = {1000, 127, 0, 9, 0x1FFFFF, 5, 6, 2, 5}, groupIds[2] = {7, 8};
    Qualifier child{}, qualifier{ZVI_QUAL_NOT, {.child = &child}}, *qual{};
    WorkflowAction action{2, {.message = {0, messageText}}};
    WorkflowActionList actionList{1, &action}, *actions{}, *elseActions{};
    IdList groups{2, groupIds}, *groupList{};
    Prop prop{4, textValue(0, messageText).value};
    PropList props{1, &prop}, *properties{};
    EscalationTime time{2, {1, 2, 3, 4}}, *escalationTime{};
    char texts[6][12] = {"help", "owner", "diary", "aux", "label", "description"}, value[5] = "high";
    CharMenuDef sub{ZVI_MENU_LIST, {}};
    CharMenuItem items[2] = {{"high", ZVI_ITEM_VALUE, {value}}, {"more", ZVI_ITEM_MENU, {.subMenu = &sub}}};
    CharMenuDef menu{ZVI_MENU_LIST, {.menuItems = {2, items}}}, *menuDef{};
    Permission perms[2] = {{1, 2}, {3, 4}};
    PermissionList permissions{2, perms}, *permissionList{};
    ContainerOwner owners[1] = {{2, "Owner form"}};
    ContainerOwnerList ownerList{1, owners}, *ownerObjects{};
    ContainerReference refs[1] = {{texts[4], texts[5], 3, 0, ZVI_REFERENCE_EXTERNAL, {}}};
    ContainerReferenceList references{1, refs}, *referenceList{};

    bool all = false;
    uint8_t removeFlag = 0;
    char renamed[8] = "Renamed", *newName = renamed, *help{}, *owner{}, *diary{}, *aux{}, *label{}, *description{};
    uint32_t *order{}, *operationMask{}, *enable{}, *auxOptions{}, *executeMask{}, *controlField{}, *focusField{},
             *refresh{}, *type{};

    void give(bool every) {
        const auto g = [every](auto* p) { return every ? p : nullptr; };
        all = every, removeFlag = every, wc = g(&connect), qual = g(&qualifier), actions = elseActions = g(&actionList);
        order = g(&values[0]), operationMask = g(&values[1]), enable = g(&values[2]), auxOptions = g(&values[3]);
        executeMask = g(&values[4]), controlField = g(&values[5]), focusField = g(&values[6]), refresh = g(&values[7]);
        type = g(&values[8]), help = g(texts[0]), owner = g(texts[1]), diary = g(texts[2]), aux = g(texts[3]);
        label = g(texts[4]), description = g(texts[5]), properties = g(&props), groupList = g(&groups);
        escalationTime = g(&time), menuDef = g(&menu), permissionList = g(&permissions), ownerObjects = g(&ownerList);
        referenceList = g(&references);
    }
    static uint32_t v(const uint32_t* p, uint32_t otherwise = 0) { return p ? *p : otherwise; }
    ActiveLinkActionList* links(WorkflowActionList* list) { return reinterpret_cast<ActiveLinkActionList*>(list); }

    uint32_t call(int op, ControlRecord* c, StatusList* s) {
        switch (op) {
            case SetF: return ZVISetFilter(c, name, newName, order, wc, operationMask, enable, qual, actions,
                                           elseActions, help, owner, diary, properties, auxOptions, aux, s);
            case CreateF: return ZVICreateFilter(c, name, v(order), wc, v(operationMask), v(enable, 1), qual, actions,
                                                 elseActions, help, owner, diary, properties, v(auxOptions), aux, s);
            case SetA: return ZVISetActiveLink(c, name, newName, order, wc, groupList, executeMask, controlField,
                                               focusField, enable, qual, links(actions), links(elseActions), help,
                                               owner, diary, properties, auxOptions, aux, s);
            case CreateA: return ZVICreateActiveLink(c, name, v(order), wc, groupList, v(executeMask), controlField,
                                                     focusField, v(enable, 1), qual, links(actions),
                                                     links(elseActions), help, owner, diary, properties,
                                                     v(auxOptions), aux, s);
            case SetE: return ZVISetEscalation(c, name, newName, escalationTime, wc, enable, qual, actions,
                                               elseActions, help, owner, diary, properties, s);
            case CreateE: return ZVICreateEscalation(c, name, escalationTime, wc, v(enable, 1), qual, actions,
                                                     elseActions, help, owner, diary, properties, s);
            case SetM: return ZVISetCharMenu(c, name, newName, refresh, menuDef, help, owner, diary, properties, s);
            case CreateM: return ZVICreateCharMenu(c, name, v(refresh, 1), menuDef, help, owner, diary, properties, s);
            case SetB: return ZVISetContainer(c, name, newName, permissionList, groupList, ownerObjects, label,
                                              description, type, referenceList, removeFlag, help, owner, diary,
                                              properties, s);
            default: return ZVICreateContainer(c, name, permissionList, groupList, ownerObjects, label, description,
                                               v(type), referenceList, removeFlag, help, owner, diary, properties, s);
        }
    }
};

// What Set and Create send: every argument given, or none but a new name (Create: the plain
// words as zeros, a refresh code of 1). Texts are the caller's or empty ones of the library's
// own (Create's aux name as passed); every list a copy (the references below).
std::vector<InPart> parts(int op, const Args& a) {
    const at::Define& d = at::defines[op];
    const bool set = op % 2 == 0;
    std::vector<InPart> p{{InPart::Borrowed, at::name, 0, name, true},
                          {InPart::Text, set ? at::newName : 0, 0, a.renamed, true}};
    const std::pair<size_t, const char*> texts[] = {{d.texts[0], a.texts[0]}, {d.texts[1], a.texts[1]},
                                                    {d.texts[2], a.texts[2]}, {d.auxName, a.texts[3]},
                                                    {d.label, a.texts[4]}, {d.description, a.texts[5]}};
    for (const auto& [at, given] : texts)
        p.push_back({set || at != d.auxName ? InPart::Text : InPart::Borrowed, at, 0, given});
    const std::pair<size_t, const void*> copies[] = {{d.properties, &a.props}, {d.groupList, &a.groups},
                                                     {d.permissions, &a.permissions}, {d.owners, &a.ownerList}};
    for (const auto& [at, given] : copies)
        p.push_back({InPart::Copied, at, 0, given, at == d.groupList && op == CreateA});
    const size_t words[] = {d.order, d.operationMask, 0, d.auxOptions, d.executeMask, d.controlField, d.focusField,
                            op == CreateM ? 0 : d.refresh, d.type};
    for (size_t i = 0; i < 9; ++i) p.push_back({InPart::Word, words[i], 0, &a.values[i]});
    p.erase(std::remove_if(p.begin(), p.end(), [](const InPart& part) { return !part.at; }), p.end());
    return p;
}
// What else they send: the connect (a copy, packed), the enable flag (Set's default or
// Create's value), the qualifier's top node by value, the actions (the filters' copies, the
// other families' the caller's headers), references, menu, time, zeros at the end, the change mask.
void expectOwn(const void* q, int op, const Args& a) {
    const at::Define& d = at::defines[op];
    const bool all = a.all;
    if (d.connect) {
        EXPECT_EQ(raw::u32(q, d.connect), all ? 1u : 0u);
        const void* forms = raw::ptr(q, d.connect + 8);
        EXPECT_TRUE(!all || (forms != &a.formList && raw::u32(forms, 0) == 2));
        EXPECT_EQ(raw::u32(q, d.enable), all ? 0u : 1u);
        EXPECT_EQ(raw::u32(q, d.qualifier), all ? 3u : 0u);
        EXPECT_EQ(raw::ptr(q, d.qualifier + 8), all ? &a.child : nullptr);
    }
    for (size_t list : {d.actions, d.elseActions}) {
        if (!list) continue;
        const raw::List sent = raw::list(q, list);
        EXPECT_EQ(sent.count, all ? 1u : 0u);
        EXPECT_EQ(sent.items == &a.action, all && op > CreateF);
        EXPECT_TRUE(!all || op > CreateF || raw::text(sent.items, 16) != messageText);
        EXPECT_STREQ(all ? raw::text(sent.items, 16) : messageText, messageText);
    }
    if (d.references) {
        EXPECT_EQ(raw::list(q, d.references).count, all ? 1u : 0u);
        EXPECT_TRUE(!all || !std::strcmp(raw::text(raw::list(q, d.references).items, 8), "description"));
    }
    EXPECT_TRUE(op != CreateM || raw::u32(q, d.refresh) == (all ? a.values[7] : 1u));
    EXPECT_TRUE(!d.removeFlag || raw::u8(q, d.removeFlag) == all);
    if (d.menu) {
        const raw::List items = raw::list(q, d.menu + at::menuItems);
        EXPECT_EQ(raw::u32(q, d.menu) + items.count, all ? 3u : 0u);
        EXPECT_TRUE(all ? items.items != a.items && !std::strcmp(raw::inlineText(items.items, at::menuItem), "more")
                        : raw::zero(q, d.menu, d.menu + at::menuSize));
    }
    if (d.time) {
        const uint32_t set = op == SetE, time[5] = {all ? 2 : set, all ? 1 : 300 * set, 2u * all, 3u * all, 4u * all};
        EXPECT_EQ(std::memcmp(raw::bytes(q, d.time), time, 20), 0);
    }
    EXPECT_TRUE(raw::zero(q, d.size - 16, d.size)) << "trailing bytes";
    const uint32_t allBits[10] = {16383, 0, 131071, 0, 2047, 0, 127, 0, 4095, 0};
    EXPECT_TRUE(op % 2 || raw::u32(q, at::changeMask) == (all ? allBits[op] : 1u));
}

class WorkflowTest : public DefinitionsTest {
protected:
    Args a;

    // Set and Create with every argument and with none but a new name (Create of an active
    // link: its groups, without which it warns).
    std::vector<DefinitionOp> defines() {
        std::vector<DefinitionOp> rows;
        for (int op = SetF; op <= CreateB; ++op)
            addSentRows(rows,
                        {kDefineNames[op], kDefineSlots[op], kDefineOpcodes[op], true, kDefineNames[op], 168,
                         [this, op](void* q, void*) { sweeping || (expectOwn(q, op, a), true); },
                         [this, op](ControlRecord* c, StatusList* s) {
                             a.give(a.all);
                             if (op == CreateA) a.groupList = &a.groups;
                             return a.call(op, c, s);
                         },
                         op < SetB ? std::set<uint32_t>{0, 2, 300} : std::set<uint32_t>{0, 300}},
                        0, a.all, [this, op] { return parts(op, a); });
        return rows;
    }
    std::vector<GetRow> gets();

    std::vector<DefinitionOp> ops() {
        std::vector<DefinitionOp> rows = defines();
        const char* const deletes[5] = {"ZVIDeleteFilter", "ZVIDeleteActivelink", "ZVIDeleteEscalation",
                                        "ZVIDeleteCharMenu", "ZVIDeleteContainer"};
        const uint32_t slots[5] = {12464, 12552, 12504, 12424, 12864}, opcodes[5] = {24, 41, 51, 19, 77};
        decltype(&ZVIDeleteFilter) const removes[5] = {ZVIDeleteFilter, ZVIDeleteActiveLink, ZVIDeleteEscalation,
                                                       ZVIDeleteCharMenu, ZVIDeleteContainer};
        for (int i = 0; i < 5; ++i)  // the caller's name and option, zeros after them
            rows.push_back({deletes[i], slots[i], opcodes[i], true, deletes[i], 168,
                            [](void* q, void*) {
                                EXPECT_EQ(raw::text(q, at::name), name);
                                EXPECT_EQ(raw::u32(q, at::deleteOption), 3u);
                                EXPECT_TRUE(raw::zero(q, at::deleteOption + 4, at::deleteEnd));
                            },
                            [f = removes[i]](ControlRecord* c, StatusList* s) { return f(c, name, 3, s); }, {0}});
        for (const GetRow& g : gets()) rows.push_back(frameRow(g));
        return rows;
    }
};

std::vector<GetRow> WorkflowTest::gets() {
    const auto workflowList = [this](const char* name, uint32_t slot, uint32_t opcode, auto list) {
        return GetRow{name, slot, opcode, 0, {0, 2, 300}, {{168, 0, 'L'}, {184, 0, 'S'}},
                      pass<0>(list, nullptr, 5u, &a.props),
                      [this](const void* q) {  // form name, since, property filter
                          EXPECT_STREQ(raw::text(q, 168), "");
                          EXPECT_EQ(raw::u32(q, 176) + raw::list(q, 184).count, 5u + 1u);
                          EXPECT_NE(raw::list(q, 184).items, &a.prop);
                          EXPECT_TRUE(raw::zero(q, 200, 208));
                      }};
    };
    std::vector<GetRow> rows{
        {"ZVIGetFilter", 12440, 21, at::getWanted, {0, 2},
         {{168, 0, 'w'}, {176, 0, 'c'}, {192, 0, 'w'}, {196, 0, 'w'}, {200, 1, 'q'}, {224, 2, 'l', 688},
          {240, 4, 'l', 688}, {256, 8, 't'}, {272, 0, 'w'}, {276, 64, 'n'}, {531, 128, 'n'}, {792, 16, 't'},
          {808, 32, 'l', 24}, {840, 0, 'w'}, {844, 0, 'n'}, {824, 0, 'S'}},
         pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14>(ZVIGetFilter, name)},
        {"ZVIGetActiveLink", 12520, 38, at::getWanted, {0, 2},
         {{168, 0, 'w'}, {176, 0, 'c'}, {208, 1, 'l', 4}, {224, 0, 'w'}, {228, 0, 'w'}, {232, 0, 'w'}, {236, 0, 'w'},
          {240, 2, 'q'}, {264, 4, 'l', 8}, {280, 8, 'l', 8}, {296, 16, 't'}, {312, 0, 'w'}, {316, 128, 'n'},
          {571, 256, 'n'}, {832, 32, 't'}, {848, 64, 'l', 24}, {880, 0, 'w'}, {884, 0, 'n'}, {864, 0, 'S'}},
         pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17>(ZVIGetActiveLink, name)},
        {"ZVIGetEscalation", 12480, 48, at::getWanted, {0, 2},
         {{168, 0, 'w'}, {192, 0, 'c'}, {208, 0, 'w'}, {216, 1, 'q'}, {240, 2, 'l', 688}, {256, 4, 'l', 688},
          {272, 8, 't'}, {288, 0, 'w'}, {292, 64, 'n'}, {547, 128, 'n'}, {808, 16, 't'}, {824, 32, 'l', 24},
          {840, 0, 'S'}}, pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11>(ZVIGetEscalation, name)},
        {"ZVIGetCharMenu", 12400, 16, at::getWanted, {0},
         {{168, 0, 'w'}, {176, 1, 'm'}, {880, 2, 't'}, {896, 0, 'w'}, {900, 16, 'n'}, {1155, 32, 'n'}, {1416, 4, 't'},
          {1432, 8, 'l', 24}, {1448, 0, 'S'}}, pass<0, 1, 2, 3, 4, 5, 6, 7>(ZVIGetCharMenu, name)},
        {"ZVIGetContainer", 12840, 74, at::getWanted, {0, 300},
         {{184, 1, 'l', 8}, {200, 2, 'l', 4}, {216, 4, 'l', 260}, {232, 8, 't'}, {248, 16, 't'}, {264, 32, 'W'},
          {272, 64, 'l', 288}, {288, 128, 't'}, {308, 1024, 'n'}, {304, 0, 'w'}, {563, 2048, 'n'}, {824, 256, 't'},
          {840, 512, 'l', 24}, {168, 0, 'D', 8}, {856, 0, 'S'}},
         pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12>(ZVIGetContainer, name, &a.groups),
         [this](const void* q) { EXPECT_TRUE(raw::list(q, 184).count == 2 && raw::list(q, 184).items != a.groupIds); }},
        workflowList("ZVIGetListFilter", 12472, 25, ZVIGetListFilter),
        workflowList("ZVIGetListActiveLink", 12560, 42, ZVIGetListActiveLink),
        workflowList("ZVIGetListEscalation", 12512, 52, ZVIGetListEscalation),
        {"ZVIGetListCharMenu", 12432, 20, 0, {0, 2, 300}, {{168, 0, 'L'}, {184, 0, 'S'}},
         pass<0>(ZVIGetListCharMenu, 1u, &nameList, nullptr, &a.props),
         [this](const void* q) {  // since, then three filters
             EXPECT_EQ(raw::u32(q, 168), 1u);
             EXPECT_NE(raw::list(q, 176).items, listedNames);
             for (size_t i = 0; i < 3; ++i) EXPECT_EQ(raw::list(q, 176 + 16 * i).count, (i + 2) % 3);
             EXPECT_TRUE(raw::zero(q, 224, 232));
         }},
        {"ZVIGetListContainer", 12872, 78, 0, {0, 300}, {{168, 0, 'l', 40}, {184, 0, 'S'}},
         pass<0>(ZVIGetListContainer, 1u, &a.groups, 2u, &a.ownerList, &a.props),
         [this](const void* q) {  // since, types, attribute mask, owners, properties
             EXPECT_EQ(raw::u32(q, 168) + raw::u32(q, 192), 1u + 2u);
             EXPECT_EQ(raw::list(q, 176).count + raw::list(q, 200).count + raw::list(q, 216).count, 2u + 1u + 1u);
             EXPECT_NE(raw::list(q, 200).items, a.owners);
             EXPECT_TRUE(raw::zero(q, 232, 240));
         }},
        {"ZVIGetMultipleFilters", 13032, 83, at::multipleWanted, {0, 2, 300},
         get::resultLists(at::lists, "FFFCFFFNNHFFFTNSAA",
                          {1, 255, 4, 0, 4, 4, 24, 688, 688, 0, 4, 255, 255, 0, 24, 0, 4, 255}),
         pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17>(ZVIGetMultipleFilters, 77u, &nameList)},
        {"ZVIGetMultipleActivelinks", 12536, 82, at::multipleWanted, {0, 2, 300},
         get::resultLists(at::lists, "FFFCDNFFFFFNNHFFFTNSAA",
                     {1, 255, 4, 0, 16, 4, 4, 4, 4, 4, 24, 8, 8, 0, 4, 255, 255, 0, 24, 0, 4, 255}),
         pass<0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 21>(ZVIGetMultipleActiveLinks, 77u,
                                                                                    &nameList)},
        {"ZVIGetMultipleEscalations", 13024, 84, at::multipleWanted, {0, 2, 300},
         get::resultLists(at::lists, "FFFCFFNNHFFFTNS", {1, 255, 20, 0, 4, 24, 688, 688, 0, 4, 255, 255, 0, 24, 0}),
         pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13>(ZVIGetMultipleEscalations, 77u, &nameList)},
        {"ZVIGetMultipleCharMenus", 13000, 87, at::multipleWanted, {0, 2, 300},
         get::resultLists(at::lists, "FFFMHFFFTNS", {1, 255, 4, 0, 0, 4, 255, 255, 0, 24, 0}),
         pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 9>(ZVIGetMultipleCharMenus, 77u, &nameList)},
        {"ZVIGetMultipleContainers", 13016, 85, at::multipleWanted, {0, 2, 300},
         get::resultLists(at::lists, "FFDNNNTTFNTFFFTNS",
                          {1, 255, 16, 8, 4, 260, 0, 0, 4, 288, 0, 4, 255, 255, 0, 24, 0}),
         pass<0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 12, 11, 13, 14, 15>(  // owners before timestamps
             ZVIGetMultipleContainers, 77u, &nameList, &a.groups, 6u, &a.ownerList, &a.groups),
         [this](const void* q) {  // types, attribute mask, owners, reference types
             EXPECT_EQ(raw::u32(q, 208), 6u);
             EXPECT_EQ(raw::list(q, 192).count + raw::list(q, 216).count + raw::list(q, 232).count, 2u + 1u + 2u);
             EXPECT_NE(raw::list(q, 216).items, a.owners);
         }},
    };
    for (GetRow& g : rows) {  // a Get names its object; a GetMultiple asks for two since 77
        g.request = [this, wanted = g.wantedAt, own = g.request](const void* q) {
            EXPECT_TRUE(wanted != at::getWanted || raw::text(q, at::name) == name);
            EXPECT_TRUE(wanted != at::multipleWanted || (raw::list(q, at::multipleNames).count == 2 &&
                                                         raw::list(q, at::multipleNames).items != listedNames &&
                                                         raw::u32(q, at::multipleSince) == 77u));
            own(q);
        };
    }
    return rows;
}

}  // namespace

TEST_F(WorkflowTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(WorkflowTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

TEST_F(WorkflowTest, GetsHandOverWhatIsAskedForAndReleaseTheRest) {
    for (const GetRow& g : gets()) checkOutputs(g);
}

// The checks in their order, the first broken one reported; warning 71 goes on to the host, which
// gets the change mask of what was given. Refresh codes 1 and 3 pass; a null menu is sent empty.
TEST_F(WorkflowTest, ChecksRunInTheirOrder) {
    uint32_t big = 1001, two = 2, mask128 = 128, exec = 0x200000, codes[] = {0, 1, 3, 4};
    IdList noGroups{};
    WorkflowConnect type0{}, type2{2, {}};
    CharMenuItem badItem[2] = {{"a", ZVI_ITEM_VALUE, {a.value}}, {"b", 3, {}}};
    CharMenuDef badType{7, {}}, badItems{ZVI_MENU_LIST, {.menuItems = {2, badItem}}};
    struct Row { int op; std::function<void(Args&)> give; const char* expected; uint32_t mask = 0; };
    const std::vector<Row> rows{
        {SetF, [](Args& a) { a.newName = nullptr; }, "1:54"},
        {SetF, [&](Args& a) { a.auxOptions = &a.values[3], a.aux = a.texts[3], a.newName = name; }, "1:54"},
        {SetF, [&](Args& a) { a.wc = &type0, a.newName = nullptr; }, "1:54"},
        {SetF, [&](Args& a) { a.wc = &type0, a.enable = &a.values[2]; }, "2:8923"},
        {SetF, [&](Args& a) { a.newName = name, a.enable = &a.values[2]; }, "", 16},
        {SetF, [&](Args& a) { a.order = &big, a.wc = &type2, a.operationMask = &mask128, a.enable = &two; }, "2:169"},
        {SetF, [&](Args& a) { a.wc = &type2, a.operationMask = &mask128, a.enable = &two; }, "2:8923"},
        {SetF, [&](Args& a) { a.order = &a.values[0], a.operationMask = &mask128, a.enable = &two; }, "2:115"},
        {SetF, [&](Args& a) { a.operationMask = &a.values[1], a.enable = &two; }, "2:251"},
        {SetA, [&](Args& a) { a.groupList = &noGroups; }, "1:71", 9},
        {SetA, [&](Args& a) { a.groupList = &noGroups, a.executeMask = &exec, a.enable = &two; }, "2:187 1:71"},
        {SetA, [&](Args& a) { a.executeMask = &a.values[4], a.controlField = &a.values[5], a.newName = name; }, "", 48},
        {CreateA, [&](Args& a) { a.actions = &a.actionList; }, "1:71"},
        {SetE, [&](Args& a) { a.escalationTime = &a.time, a.newName = name; }, "", 2},
        {SetM, [&](Args& a) { a.newName[0] = '\0'; }, "1:54"},
        {SetM, [&](Args& a) { a.newName = nullptr, a.refresh = &codes[0]; }, "2:207"},
        {SetM, [&](Args& a) { a.refresh = &codes[3], a.menuDef = &badType; }, "2:207"},
        {SetM, [&](Args& a) { a.refresh = &codes[2], a.menuDef = &badType; }, "2:206"},
        {CreateM, [&](Args& a) { a.menuDef = &badItems; }, "2:131"},
        {SetM, [&](Args& a) { a.newName = nullptr, a.refresh = &codes[1]; }, "", 2},
        {SetB, [&](Args& a) { a.newName = name, a.removeFlag = 1; }, "1:54"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(&row - rows.data()));
        Args args;
        row.give(args);
        uint32_t mask = 0;
        host.on(kDefineSlots[row.op], [&](void* q, void*) {
            EXPECT_TRUE(row.op != CreateM || raw::zero(q, at::defines[CreateM].menu, at::defines[CreateM].texts[0]));
            mask = row.op % 2 ? 0 : raw::u32(q, at::changeMask);
            return 1u;
        });
        expectSaid([&] { return args.call(row.op, &control, &status); }, row.expected);
        EXPECT_EQ(mask, row.mask);
    }
}
