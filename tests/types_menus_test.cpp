// Character menus, container owners and references, export items: the bytes each copy
// hands on at the offsets of the record tables, the menu statuses 206 and 131, menus far
// deeper than a thread's stack, and what a failed copy leaves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/copies.h"
#include "tests/support/trees.h"
#include "types/definitions.h"

using namespace zvi;
using copies::Range;

namespace {

namespace at {  // typed in from the record tables
namespace Menu {
constexpr size_t size = 704, type = 0, items = 8, qualifier = 328, fileName = 16, sqlCommand = 80, labelValues = 264,
                 moreValues = 280, qualifiers = 296, text1 = 312, text2 = 320;
}
namespace Item { constexpr size_t size = 272, label = 0, itemType = 256, member = 264; }
namespace Owner { constexpr size_t size = 260, type = 0, name = 4; }
namespace Reference { constexpr size_t size = 288, label = 0, description = 8, refType = 16, dataKind = 24, groups = 32, value = 48; }
namespace Export { constexpr size_t size = 280, type = 0, name = 4, subNames = 264; }
}  // namespace at

using MenuRecord = copies::Record<at::Menu::size>;
using ItemRecord = copies::Record<at::Item::size>;

ItemRecord item(const char* label, uint32_t type, void* member) {
    ItemRecord r(9);
    std::strcpy(reinterpret_cast<char*>(r.bytes), label);
    r.put(at::Item::itemType, type);
    r.put(at::Item::member, member);
    return r;
}

// Caller menus as raw records on the heap.
struct Menus : copies::Heap {
    MenuRecord* menu(uint32_t type) {
        auto* m = static_cast<MenuRecord*>(keep(std::malloc(sizeof(MenuRecord))));
        m->fill(5);
        m->put(at::Menu::type, type);
        return m;
    }
    MenuRecord* list(std::initializer_list<ItemRecord> items) {
        MenuRecord* m = menu(ZVI_MENU_LIST);
        auto* array = array_of(items);
        m->putList(at::Menu::items, static_cast<uint32_t>(items.size()), array);
        return m;
    }
    ItemRecord* array_of(std::initializer_list<ItemRecord> items) {
        auto* array = static_cast<ItemRecord*>(keep(std::malloc(items.size() * sizeof(ItemRecord))));
        if (items.size()) std::memcpy(static_cast<void*>(array), items.begin(), items.size() * sizeof(ItemRecord));
        return array;
    }
};

const void* itemAt(const void* menu, size_t i) {
    return static_cast<const uint8_t*>(raw::ptr(menu, at::Menu::items + 8)) + i * at::Item::size;
}

}  // namespace

TEST(CopyCharMenuDef, EveryMenuTypeHandsOnTheCallersBytesAndDuplicatesItsMemory) {
    Menus h;
    trees::Arena<Qualifier> t;
    Operand field{};
    field.tag = ZVI_OPERAND_FIELD;
    MenuRecord* query = h.menu(ZVI_MENU_QUERY);
    std::memcpy(query->bytes + at::Menu::qualifier, t.node(ZVI_QUAL_NOT, t.compare(1, field, t.text("q"))), 24);
    MenuRecord* file = h.menu(ZVI_MENU_FILE);
    file->put(at::Menu::fileName, h.text("/etc/menu.txt"));
    MenuRecord* sql = h.menu(ZVI_MENU_SQL);
    sql->put(at::Menu::sqlCommand, h.text("select name from t"));
    MenuRecord* dictionary = h.menu(ZVI_MENU_DATA_DICTIONARY);
    FieldValue labels[2] = {{1, {ZVI_DATA_TEXT, {}}}, {2, {ZVI_DATA_INTEGER, {}}}};
    labels[0].value.payload.text = h.text("label");
    Qualifier qualifiers[1] = {*t.compare(2, field, t.text("r"))};
    dictionary->putList(at::Menu::labelValues, 2, labels);
    dictionary->putList(at::Menu::moreValues, 0, nullptr);
    dictionary->putList(at::Menu::qualifiers, 1, qualifiers);
    dictionary->put(at::Menu::text1, h.text("first"));
    dictionary->put<char*>(at::Menu::text2, nullptr);
    MenuRecord* sub = h.menu(ZVI_MENU_FILE);
    sub->put(at::Menu::fileName, h.text("sub.txt"));
    MenuRecord* list = h.list({item("one", ZVI_ITEM_VALUE, h.text("1")), item("sub", ZVI_ITEM_MENU, sub->bytes),
                               item("none", ZVI_ITEM_NONE, reinterpret_cast<void*>(0x1234))});
    const struct {
        MenuRecord* menu;
        std::vector<Range> replaced;
        std::vector<size_t> sizes;
    } cases[] = {
        {h.menu(ZVI_MENU_NONE), {}, {}},
        {h.menu(ZVI_MENU_FIXED), {}, {}},
        {query, {{at::Menu::qualifier + 8, at::Menu::qualifier + 24}}, {24, 56, 2}},
        {file, {{at::Menu::fileName, at::Menu::fileName + 8}}, {14}},
        {sql, {{at::Menu::sqlCommand, at::Menu::sqlCommand + 8}}, {19}},
        {dictionary, {{at::Menu::labelValues + 4, at::Menu::text1 + 8}}, {6, 48, 6, 24, 56, 2}},
        {list, {{at::Menu::items + 4, at::Menu::items + 16}}, {3 * 272, 2, 704, 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("menu type " + std::to_string(raw::u32(c.menu->bytes, 0)));
        MenuRecord copy(0xab);
        alloc::Window w;
        ASSERT_EQ(CopyCharMenuDef(copy.as<CharMenuDef>(), c.menu->as<CharMenuDef>()), 0u);
        EXPECT_EQ(w.sizes(), c.sizes);
        copies::expectSameBytesBut(copy.bytes, c.menu->bytes, at::Menu::size, c.replaced);
        ReleaseCharMenuDef(copy.as<CharMenuDef>(), 0);
        EXPECT_EQ(raw::u32(copy.bytes, at::Menu::type), 0u);
        EXPECT_EQ(w.liveBlocks(), 0u);
        copies::sweep<CharMenuDef>(CopyCharMenuDef, ReleaseCharMenuDef, c.menu->as<CharMenuDef>());
    }
    // What a list menu's copy holds: its items' bytes, a value text and a sub-menu of
    // their own; an item of type 0 passes its member on.
    MenuRecord copy;
    ASSERT_EQ(CopyCharMenuDef(copy.as<CharMenuDef>(), list->as<CharMenuDef>()), 0u);
    for (size_t i = 0; i < 3; ++i)
        copies::expectSameBytesBut(itemAt(copy.bytes, i), itemAt(list->bytes, i), at::Item::size,
                                   {{at::Item::member, i < 2 ? at::Item::size : 0}});
    copies::expectDuplicated(itemAt(copy.bytes, 0), itemAt(list->bytes, 0), at::Item::member);
    const void* subCopy = raw::ptr(itemAt(copy.bytes, 1), at::Item::member);
    ASSERT_NE(subCopy, sub->bytes);
    copies::expectDuplicated(subCopy, sub->bytes, at::Menu::fileName);
    ReleaseCharMenuDef(copy.as<CharMenuDef>(), 0);
}

TEST(CopyCharMenuDef, BadMenuAndItemTypesStopTheCopyAndLeaveNoItems) {
    Menus h;
    MenuRecord* bad = h.menu(7);
    MenuRecord* badItem = h.list({item("a", ZVI_ITEM_VALUE, h.text("a")), item("b", 3, h.text("caller's"))});
    MenuRecord* badSub = h.list({item("a", ZVI_ITEM_VALUE, h.text("a")), item("b", ZVI_ITEM_MENU, h.menu(9)->bytes)});
    MenuRecord* deepBad = h.list({item("x", ZVI_ITEM_MENU, badItem->bytes)});
    const struct {
        MenuRecord* menu;
        uint32_t code;
        uint32_t type;  // of the failed copy
    } cases[] = {{bad, 206, 0}, {badItem, 131, 1}, {badSub, 206, 1}, {deepBad, 131, 1}};
    for (const auto& c : cases) {
        alloc::sweep([&](const alloc::Window& w) {
            MenuRecord copy(0xab);
            const uint32_t code = CopyCharMenuDef(copy.as<CharMenuDef>(), c.menu->as<CharMenuDef>());
            EXPECT_EQ(code, w.failed() ? 300u : c.code);
            EXPECT_EQ(w.liveBlocks(), 0u);
            if (!w.failed()) {
                EXPECT_EQ(raw::u32(copy.bytes, at::Menu::type), c.type);
            }
            if (c.type == ZVI_MENU_LIST) {
                EXPECT_EQ(raw::ptr(copy.bytes, at::Menu::items + 8), nullptr);
            }
            ReleaseCharMenuDef(copy.as<CharMenuDef>(), 0);
        });
    }
    // The item routines on their own.
    ItemRecord bare = item("c", 3, nullptr), value = item("v", ZVI_ITEM_VALUE, h.text("v")),
               inner = item("m", ZVI_ITEM_MENU, badItem->bytes);
    ItemRecord copy(0xab);
    EXPECT_EQ(CopyCharMenuItem(copy.as<CharMenuItem>(), bare.as<CharMenuItem>()), 131u);
    EXPECT_EQ(CopyCharMenuItem(copy.as<CharMenuItem>(), inner.as<CharMenuItem>()), 131u);
    copies::sweep<CharMenuItem>(CopyCharMenuItem, ReleaseCharMenuItem, value.as<CharMenuItem>());
    EXPECT_EQ(CopyCharMenuItem(copy.as<CharMenuItem>(), nullptr), 0u);
    EXPECT_TRUE(raw::zero(copy.bytes, 0, at::Item::size));
}

TEST(WalkCharMenu, VisitsEveryItemInOrderAndLeavesTheTreeAsItWas) {
    Menus h;
    MenuRecord* leaf = h.list({item("c1", ZVI_ITEM_VALUE, nullptr), item("c2", ZVI_ITEM_VALUE, nullptr)});
    MenuRecord* empty = h.list({});
    MenuRecord* middle = h.list({item("b1", ZVI_ITEM_MENU, leaf->bytes), item("b2", ZVI_ITEM_MENU, empty->bytes),
                                 item("b3", ZVI_ITEM_MENU, nullptr)});
    MenuRecord* root = h.list({item("a1", ZVI_ITEM_MENU, middle->bytes), item("a2", ZVI_ITEM_MENU, h.menu(3)->bytes),
                               item("a3", ZVI_ITEM_VALUE, nullptr)});
    std::vector<std::vector<uint8_t>> before;
    for (MenuRecord* m : {root, middle, leaf, empty}) before.emplace_back(m->bytes, m->bytes + at::Menu::size);
    std::vector<std::string> seen;
    auto visit = [](CharMenuItem* i, void* out) { static_cast<std::vector<std::string>*>(out)->push_back(i->label); };
    EXPECT_EQ(WalkCharMenu(root->as<CharMenuDef>(), visit, &seen), 0u);
    EXPECT_EQ(seen, (std::vector<std::string>{"a1", "b1", "c1", "c2", "b2", "b3", "a2", "a3"}));
    size_t k = 0;
    for (MenuRecord* m : {root, middle, leaf, empty})
        EXPECT_EQ(std::vector<uint8_t>(m->bytes, m->bytes + at::Menu::size), before[k++]);
    EXPECT_EQ(raw::ptr(itemAt(root->bytes, 0), at::Item::member), middle->bytes);
    EXPECT_EQ(WalkCharMenu(nullptr) + WalkCharMenu(h.menu(4)->as<CharMenuDef>()), 0u);
}

TEST(DeepMenu, CopiedWalkedAndReleasedOnA256KiBStack) {
    constexpr int kDepth = 50000;
    Menus h;
    MenuRecord* menu = h.list({item("leaf", ZVI_ITEM_VALUE, h.text("v"))});
    for (int i = 0; i < kDepth; ++i)
        menu = h.list({item("v", ZVI_ITEM_NONE, nullptr), item("m", ZVI_ITEM_MENU, menu->bytes)});
    trees::onSmallStack([&] {
        MenuRecord copy;
        ASSERT_EQ(CopyCharMenuDef(copy.as<CharMenuDef>(), menu->as<CharMenuDef>()), 0u);
        size_t items = 0;
        EXPECT_EQ(WalkCharMenu(copy.as<CharMenuDef>(), [](CharMenuItem*, void* n) { ++*static_cast<size_t*>(n); }, &items), 0u);
        EXPECT_EQ(items, 2u * kDepth + 1);
        ReleaseCharMenuDef(copy.as<CharMenuDef>(), 0);
        alloc::Window w(kDepth);
        EXPECT_EQ(CopyCharMenuDef(copy.as<CharMenuDef>(), menu->as<CharMenuDef>()), 300u);
        EXPECT_EQ(raw::ptr(copy.bytes, at::Menu::items + 8), nullptr);
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}

TEST(Containers, OwnersAndReferencesCopiedWithoutEverFreeingTheCallersMemory) {
    copies::Heap h;
    copies::Record<2 * at::Owner::size> owners(3);
    const ContainerOwnerList ownerList{2, owners.as<ContainerOwner[2]>()[0]};
    copies::sweep<ContainerOwnerList>(CopyContainerOwnerList, ReleaseContainerOwnerList, &ownerList,
        [&](const ContainerOwnerList& c) {
            ASSERT_EQ(raw::u32(&c, 0), 2u);
            EXPECT_NE(raw::ptr(&c, 8), owners.bytes);
            EXPECT_EQ(std::memcmp(raw::ptr(&c, 8), owners.bytes, sizeof owners.bytes), 0);
        },
        [](const ContainerOwnerList& c) { EXPECT_EQ(raw::ptr(&c, 8), nullptr); });
    // A count of 0 passes the pointer on; the release does not free it.
    const ContainerOwnerList noOwners{0, ownerList.items};
    ContainerOwnerList copy;
    alloc::Window none;
    EXPECT_EQ(CopyContainerOwnerList(&copy, &noOwners), 0u);
    EXPECT_EQ(copy.items, ownerList.items);
    ReleaseContainerOwnerList(&copy, 0);
    EXPECT_EQ(none.allocations(), 0u);

    // References: an external one with groups and a value, a named one.
    copies::Record<2 * at::Reference::size> refs(4);
    uint32_t groups[2] = {3, 7};
    namespace R = at::Reference;
    refs.put(R::label, h.text("label"));
    refs.put(R::description, h.text("description"));
    refs.put<uint32_t>(R::dataKind, ZVI_REFERENCE_EXTERNAL);
    refs.putList(R::groups, 2, groups);
    refs.put<uint32_t>(R::value, ZVI_DATA_TEXT);
    refs.put(R::value + 8, h.text("value"));
    refs.put(R::size + R::label, h.text("second"));
    refs.put<char*>(R::size + R::description, nullptr);
    refs.put<uint32_t>(R::size + R::dataKind, 2);
    std::strcpy(reinterpret_cast<char*>(refs.bytes) + R::size + R::groups, "Referenced");
    const ContainerReferenceList refList{2, reinterpret_cast<ContainerReference*>(refs.bytes)};
    copies::sweep<ContainerReferenceList>(CopyContainerReferenceList, ReleaseContainerReferenceList, &refList,
        [&](const ContainerReferenceList& c) {
            const void* items = raw::ptr(&c, 8);
            copies::expectSameBytesBut(items, refs.bytes, 2 * R::size,
                                       {{R::label, R::description + 8}, {R::groups + 4, R::groups + 16},
                                        {R::value + 4, R::value + 16}, {R::size + R::label, R::size + R::label + 8}});
            EXPECT_EQ(raw::u32(items, R::value + 4), 0u) << "the value's padding is cleared, not copied";
            for (size_t at : {R::label, R::description, R::value + 8, R::size + R::label})
                copies::expectDuplicated(items, refs.bytes, at);
            EXPECT_EQ(raw::u32(raw::ptr(items, R::groups + 8), 4), 7u);
        },
        [](const ContainerReferenceList& c) { EXPECT_EQ(raw::ptr(&c, 8), nullptr); });
}

TEST(ExportItems, RoomForTensAndPackedSubNames) {
    std::vector<ObjectName> subNames(3);
    for (size_t i = 0; i < subNames.size(); ++i) std::snprintf(subNames[i], sizeof subNames[i], "View%zu", i);
    std::vector<copies::Record<at::Export::size>> items(10);
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].fill(static_cast<uint8_t>(i + 1));
        items[i].put<uint32_t>(at::Export::type, static_cast<uint32_t>(i));
        std::snprintf(reinterpret_cast<char*>(items[i].bytes) + at::Export::name, 255, "Form%zu", i);
        items[i].putList(at::Export::subNames, i % 2 ? 3 : 0, subNames.data());
    }
    const ExportItemList list{10, reinterpret_cast<ExportItem*>(items.data())};
    alloc::Window w;
    ExportItemList copy;
    ASSERT_EQ(CopyExportItemList(&copy, &list), 0u);
    EXPECT_EQ(w.sizes()[0], 20u * at::Export::size);  // 10 items get room for 20
    EXPECT_EQ(w.sizes()[1], 10u * 255);               // three names get room for 10
    for (size_t i = 0; i < 10; ++i) {
        const auto* c = reinterpret_cast<const uint8_t*>(copy.items) + i * at::Export::size;
        EXPECT_EQ(raw::u32(c, at::Export::type), i);
        EXPECT_STREQ(raw::inlineText(c, at::Export::name), raw::inlineText(items[i].bytes, at::Export::name));
        EXPECT_EQ(raw::list(c, at::Export::subNames).count, i % 2 ? 3u : 0u);
    }
    // Packing: every item's sub-names in host form; a failure empties the items after.
    ASSERT_EQ(PackExportItems(&copy), 0u);
    const auto* packed = reinterpret_cast<const CountedTextList*>(&copy.items[1].subNames);
    EXPECT_EQ(packed->items[2].length, 6u);
    EXPECT_STREQ(packed->items[2].text, "View2");
    for (uint32_t i = 0; i < 10; ++i) ReleaseCountedTextList(reinterpret_cast<CountedTextList*>(&copy.items[i].subNames), 0);
    ReleaseExportItemList(&copy, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
    alloc::sweep([&](const alloc::Window& sw) {
        ExportItemList request;
        {
            alloc::Paused copyFirst;
            ASSERT_EQ(CopyExportItemList(&request, &list), 0u);
        }
        const uint32_t code = PackExportItems(&request);
        EXPECT_EQ(code, sw.failed() ? 154u : 0u);
        uint32_t emptied = 0;
        for (uint32_t i = 0; i < 10; ++i) {
            emptied += request.items[i].subNames.numItems == 0 && i % 2;
            ReleaseCountedTextList(reinterpret_cast<CountedTextList*>(&request.items[i].subNames), 0);
        }
        if (code) {
            EXPECT_GE(emptied, 1u);
        }
        ReleaseExportItemList(&request, 0);
    });
    EXPECT_EQ(PackExportItems(nullptr), 0u);
    copies::sweep<ExportItemList>(CopyExportItemList, ReleaseExportItemList, &list);
}
