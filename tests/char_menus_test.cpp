// Character-menu operations: the bytes the host receives and what the caller gets back,
// read at the offsets of the record tables; checks, frames, deep menus on a small stack
// and every allocation failure. The rows' host answers check every request sent with
// all arguments given.
#include <gtest/gtest.h>

#include "tests/support/trees.h"
#include "tests/support/workflow_rows.h"
#include "types/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Menu { constexpr size_t size = 704, items = 8, item = 272, itemType = 256, member = 264, fileName = 16; }
struct Def { size_t refreshCode, menu, texts[3], objectProperties, end; };  // Set and Create
constexpr Def SetMenu{192, 200, {904, 912, 920}, 928, 960}, CreateMenu{176, 184, {888, 896, 904}, 912, 944};
constexpr size_t name = 168, setChangeMask = 176, setNewName = 184;
namespace Get {
constexpr size_t wantedMask = 176, refreshCode = 168, menu = 176, helpText = 880, timestamp = 896, owner = 900,
                 lastChangedBy = 1155, changeDiary = 1416, objectProperties = 1432, status = 1448;
}
namespace GetList { constexpr size_t sinceTime = 168, filters = 176 /* three */, last = 224, end = 232, names = 168, status = 184; }
}  // namespace at

constexpr uint32_t kGet = 12400, kSet = 12408, kCreate = 12416, kDelete = 12424, kGetList = 12432, kGetMultiple = 13000;
char menuName[] = "Priorities";

CharMenuItem item(const char* label, uint32_t type, void* member) {
    CharMenuItem i{{}, type, {static_cast<char*>(member)}};
    std::strcpy(i.label, label);
    return i;
}
CharMenuDef listOf(uint32_t n, CharMenuItem* items) { return {ZVI_MENU_LIST, {.menuItems = {n, items}}}; }

// The caller's arguments: a list menu with a value and a sub-menu of one value.
struct Args {
    char value[5] = "high", subValue[4] = "low", newName[6] = "Prio2", texts[3][6] = {"help", "owner", "diary"};
    CharMenuItem subItems[1] = {item("low", ZVI_ITEM_VALUE, subValue)};
    CharMenuDef sub = listOf(1, subItems);
    CharMenuItem items[2] = {item("high", ZVI_ITEM_VALUE, value), item("more", ZVI_ITEM_MENU, &sub)};
    CharMenuDef menu = listOf(2, items);
    Prop props[1] = {{9, {ZVI_DATA_INTEGER, {.i = 4}}}};
    PropList properties{1, props};
    uint32_t refresh = 2;
    bool all = true;
    template <class T>
    T* given(T* arg) const { return all ? arg : nullptr; }
    uint32_t set(ControlRecord* c, StatusList* s) {
        return ZVISetCharMenu(c, menuName, newName, given(&refresh), given(&menu), texts[0], given(texts[1]),
                              given(texts[2]), given(&properties), s);
    }
    uint32_t create(ControlRecord* c, StatusList* s) {
        return ZVICreateCharMenu(c, menuName, refresh, given(&menu), texts[0], given(texts[1]), given(texts[2]),
                                 given(&properties), s);
    }
};

// What Set and Create send: a deep copy of the menu tree or a zero menu, the caller's
// texts or empty ones of the library's own (both are given a help text), a copy of the
// properties.
void expectDefinition(void* q, const at::Def& at, const Args& a) {
    namespace M = at::Menu;
    EXPECT_EQ(raw::text(q, at::name), menuName);
    const raw::List items = raw::list(q, at.menu + M::items);
    EXPECT_EQ(raw::u32(q, at.menu) + items.count, a.all ? 3u : 0u);
    EXPECT_TRUE(a.all || raw::zero(q, at.menu, at.menu + M::size));
    if (a.all) {
        const void* sub = raw::ptr(items.items, M::item + M::member);
        EXPECT_NE(items.items, a.items);
        EXPECT_NE(sub, &a.sub);
        EXPECT_STREQ(raw::inlineText(items.items, 0), "high");
        EXPECT_NE(raw::text(items.items, M::member), a.value);
        EXPECT_STREQ(raw::text(raw::list(sub, M::items).items, M::member), "low");
    }
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(raw::text(q, at.texts[i]) == a.texts[i], a.all || i == 0) << i;
        EXPECT_STREQ(raw::text(q, at.texts[i]), a.all || i == 0 ? a.texts[i] : "") << i;
    }
    EXPECT_EQ(raw::list(q, at.objectProperties).count, a.all ? 1u : 0u);
    EXPECT_NE(raw::list(q, at.objectProperties).items, a.props);
    EXPECT_TRUE(raw::zero(q, at.objectProperties + 16, at.end));
}

// A host's menu: a list whose one item is a sub-menu naming a file.
void hostMenu(char* at) {
    namespace M = at::Menu;
    raw::put(at, 0, 1u);
    char* items = hostList(at, M::items, 1, M::item);
    raw::put(items, M::itemType, 2u);
    auto* sub = static_cast<char*>(std::calloc(1, M::size));
    raw::put(items, M::member, sub);
    raw::put(sub, 0, 3u);
    raw::put(sub, M::fileName, fake::text("menu.txt"));
}

void answerGet(void* r) {
    using namespace at::Get;
    raw::put(r, refreshCode, 3u);
    hostMenu(static_cast<char*>(r) + menu);
    hostText(r, helpText, "help");
    raw::put(r, timestamp, 77u);
    hostName(r, owner, "Owner");
    hostName(r, lastChangedBy, "Changer");
    hostText(r, changeDiary, "diary");
    hostList(r, objectProperties, 2, 24);
}

const MultipleShape kMultiple{"FFF*HFFFTNS", {1, 255, 4, 704, 0, 4, 255, 255, 0, 24}, hostMenu,
                              [](void* menu) { zvi::ReleaseCharMenuDef(static_cast<CharMenuDef*>(menu), 0); }};

class CharMenusTest : public WorkflowRowsTest {
protected:
    std::vector<DefinitionOp> ops();
    const MultipleRow multiple{"ZVIGetMultipleCharMenus", kGetMultiple, 87, kMultiple,
                               [](ListsOut& o, ControlRecord* c, StatusList* s, NameList* names) {
                                   return ZVIGetMultipleCharMenus(c, 77, names, o[0], o[1], o[2], o[3], o[4], o[5],
                                                                  o[6], o[7], o[8], o[9], s);
                               }};
    Args a;
};

std::vector<DefinitionOp> CharMenusTest::ops() {
    return {
        {"ZVIGetCharMenu", kGet, 16, false, "ZVIGetCharMenu", at::Get::status,
         [](void* q, void* r) {
             EXPECT_EQ(raw::text(q, at::name), menuName);
             EXPECT_EQ(raw::u32(q, at::Get::wantedMask), 63u);
             answerGet(r);
         },
         [](ControlRecord* c, StatusList* s) {
             uint32_t refresh = 9, timestamp = 9;
             CharMenuDef menu{};
             char *help = nullptr, *diary = nullptr, owner[255], changer[255];
             PropList props{};
             const uint32_t rc = ZVIGetCharMenu(c, menuName, &refresh, &menu, &help, &timestamp, owner, changer,
                                                &diary, &props, s);
             if (rc >= 2) return rc;
             EXPECT_EQ(refresh + timestamp + props.numItems, 3u + 77u + 2u);
             EXPECT_STREQ(menu.u.menuItems.items[0].u.subMenu->u.file.fileName, "menu.txt");
             EXPECT_EQ(std::vector<std::string>({help, diary, owner, changer}),
                       (std::vector<std::string>{"help", "diary", "Owner", "Changer"}));
             zvi::ReleaseCharMenuDef(&menu, 0);
             for (void* p : {(void*)help, (void*)diary, (void*)props.items}) std::free(p);
             return rc;
         },
         {0}},
        {"ZVISetCharMenu", kSet, 17, true, "ZVISetCharMenu", 168,
         [this](void* q, void*) {
             expectDefinition(q, at::SetMenu, a);
             EXPECT_STREQ(raw::text(q, at::setNewName), a.all ? "Prio2" : "");
             EXPECT_EQ(raw::u32(q, at::SetMenu.refreshCode), a.all ? 2u : 0u);
             EXPECT_EQ(raw::u32(q, at::setChangeMask), a.all ? 127u : 9u);
         },
         [this](ControlRecord* c, StatusList* s) { return a.set(c, s); }, {0, 2, 300}},
        {"ZVICreateCharMenu", kCreate, 18, true, "ZVICreateCharMenu", 168,
         [this](void* q, void*) {
             EXPECT_EQ(raw::u32(q, at::CreateMenu.refreshCode), 2u);
             expectDefinition(q, at::CreateMenu, a);
         },
         [this](ControlRecord* c, StatusList* s) { return a.create(c, s); }, {0, 2, 300}},
        deleteOp("ZVIDeleteCharMenu", kDelete, 19, ZVIDeleteCharMenu, menuName),
        {"ZVIGetListCharMenu", kGetList, 20, false, "ZVIGetListCharMenu", at::GetList::status,
         [this](void* q, void* r) {
             EXPECT_EQ(raw::u32(q, at::GetList::sinceTime), 1u);
             EXPECT_NE(raw::list(q, at::GetList::filters).items, listedNames);
             for (size_t i = 0; i < 3; ++i) EXPECT_EQ(raw::list(q, at::GetList::filters + 16 * i).count, (i + 2) % 3);
             EXPECT_TRUE(raw::zero(q, at::GetList::last, at::GetList::end));
             hostText(hostList(r, at::GetList::names, 1, 16), 0, "Priorities");
         },
         [this](ControlRecord* c, StatusList* s) {
             NameList got{};
             const uint32_t rc = ZVIGetListCharMenu(c, 1, &nameList, nullptr, &a.properties, &got, s);
             EXPECT_EQ(got.numItems, rc < 2 ? 1u : 0u);
             return std::free(got.items), rc;
         },
         {0, 2, 300}},
        op(multiple),
    };
}

}  // namespace

TEST_F(CharMenusTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(CharMenusTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// With a help text only (Set then with an empty new name, which differs from the name
// and is sent, but is no change alone): no menu, empty texts.
TEST_F(CharMenusTest, SetAndCreateSendTheirDefaults) {
    a.all = false;
    a.newName[0] = '\0';
    for (const DefinitionOp& op : ops())
        if (op.slot == kSet || op.slot == kCreate) {
            serve(op, 1, false);
            EXPECT_EQ(op.call(&control, &status), 0u) << op.name;
        }
}

// The checks in order, each before anything reaches the host.
TEST_F(CharMenusTest, RefusalsComeFirstInTheirOrder) {
    char same[] = "Priorities", empty[] = "";
    uint32_t codes[] = {0, 3, 4};
    CharMenuItem badItem[2] = {item("a", ZVI_ITEM_VALUE, a.value), item("b", 3, nullptr)};
    CharMenuDef badType{7, {}}, badItems = listOf(2, badItem);
    auto set = [&](char* newName, uint32_t* code, CharMenuDef* menu) {
        return ZVISetCharMenu(&control, menuName, newName, code, menu, nullptr, nullptr, nullptr, nullptr, &status);
    };
    auto create = [&](uint32_t code, CharMenuDef* menu) {
        return ZVICreateCharMenu(&control, menuName, code, menu, nullptr, nullptr, nullptr, nullptr, &status);
    };
    const struct { std::function<uint32_t()> call; uint32_t type, number; } rows[] = {
        {[&] { return set(same, nullptr, nullptr); }, 1, 54},
        {[&] { return set(empty, nullptr, nullptr); }, 1, 54},
        {[&] { return set(nullptr, &codes[0], nullptr); }, 2, 207},
        {[&] { return set(nullptr, &codes[2], &badType); }, 2, 207},
        {[&] { return create(0, nullptr); }, 2, 207},
        {[&] { return create(4, &badItems); }, 2, 207},
        {[&] { return set(nullptr, &codes[1], &badType); }, 2, 206},
        {[&] { return create(1, &badItems); }, 2, 131},
        {[&] { return ZVIGetListCharMenu(&control, 0, nullptr, nullptr, nullptr, nullptr, &status); }, 2, 105},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.call(), row.type) << row.number;
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(row.type, row.number)});
        zvi::releaseStatusList(&status, 0);
    }
    EXPECT_EQ(host.calls(kSet) + host.calls(kCreate) + host.calls(kGetList), 0);
    host.on(kCreate, [](void* q, void*) { return raw::zero(q, at::CreateMenu.menu, at::CreateMenu.texts[0]); });
    for (uint32_t code : {1u, 3u})  // in range; a null menu is sent as an empty one
        EXPECT_EQ(create(code, nullptr) + set(nullptr, &code, nullptr), 0u);
}

// Nothing asked for but the refresh code: the rest released. A host list of names
// whose count has no items behind it is never read.
TEST_F(CharMenusTest, GetAndGetListReleaseWhatIsNotHandedOver) {
    uint32_t mask = 9, refresh = 0;
    host.on(kGet, [&](void* q, void* r) { return mask = raw::u32(q, at::Get::wantedMask), answerGet(r), 1u; });
    alloc::Window window;
    EXPECT_EQ(ZVIGetCharMenu(&control, menuName, &refresh, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, &status), 0u);
    EXPECT_EQ(mask + refresh, 0u + 3u);
    EXPECT_EQ(window.liveBlocks(), 0u);
    host.on(kGetList, [](void*, void* r) { return raw::putList(r, at::GetList::names, 3, nullptr), 1u; });
    NameList got{5, nullptr};
    EXPECT_EQ(ZVIGetListCharMenu(&control, 1, &nameList, nullptr, nullptr, &got, &status) + got.numItems, 0u);
}

TEST_F(CharMenusTest, GetMultipleHandsOverEachList) {
    checkMultiple(multiple, [](ListsOut& o) {
        EXPECT_EQ(static_cast<CharMenuDef*>(o.l[3].items)[1].u.menuItems.items[0].itemType, 2u) << "unconverted";
    });
}

// A menu far deeper than a recursive walk could go on a 256 KiB stack is copied for
// the host, and one the host returns is handed over or released.
TEST_F(CharMenusTest, DeepMenusRunOnASmallStack) {
    const size_t kDepth = trees::heavy(50000);
    std::vector<CharMenuDef> menus(kDepth + 1);
    std::vector<CharMenuItem> items(kDepth + 1);
    for (size_t i = 0; i <= kDepth; ++i) {
        items[i] = i < kDepth ? item("m", ZVI_ITEM_MENU, &menus[i + 1]) : item("v", ZVI_ITEM_VALUE, a.value);
        menus[i] = listOf(1, &items[i]);
    }
    auto menuAt = [](void* record, size_t at) { return reinterpret_cast<CharMenuDef*>(static_cast<char*>(record) + at); };
    auto count = [](CharMenuDef* menu) {
        size_t n = 0;
        zvi::WalkCharMenu(menu, [](CharMenuItem*, void* c) { ++*static_cast<size_t*>(c); }, &n);
        return n;
    };
    size_t sent = 0;
    host.on(kCreate, [&](void* q, void*) { return sent = count(menuAt(q, at::CreateMenu.menu)), 1u; });
    host.on(kGet, [&](void*, void* r) { return zvi::CopyCharMenuDef(menuAt(r, at::Get::menu), &menus[0]) == 0; });
    trees::onSmallStack([&] {
        EXPECT_EQ(ZVICreateCharMenu(&control, menuName, 1, &menus[0], nullptr, nullptr, nullptr, nullptr, &status), 0u);
        CharMenuDef got{};
        for (CharMenuDef* out : {&got, static_cast<CharMenuDef*>(nullptr)}) {
            alloc::Window window;
            EXPECT_EQ(ZVIGetCharMenu(&control, menuName, nullptr, out, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, &status), 0u);
            EXPECT_EQ(count(&got), out ? kDepth + 1 : 0u);
            zvi::ReleaseCharMenuDef(&got, 0);
            EXPECT_EQ(window.liveBlocks(), 0u);
        }
    });
    EXPECT_EQ(sent, kDepth + 1);
}
