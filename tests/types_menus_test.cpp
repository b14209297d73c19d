// Character menus, container owners and references, export items: the bytes each copy
// hands on at the offsets of the record tables, the menu statuses 206 and 131, menus
// far deeper than a thread's stack, and what a failed copy leaves.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/trees.h"
#include "types/definitions.h"

using namespace zvi;

namespace {

namespace at {  // typed in from the record tables
namespace Menu {
constexpr size_t size = 704, type = 0, items = 8, qualifier = 328, fileName = 16, sql = 80, labels = 264, more = 280,
                 qualifiers = 296, text1 = 312, text2 = 320;
}
namespace Item { constexpr size_t size = 272, itemType = 256, member = 264; }
namespace Reference { constexpr size_t size = 288, label = 0, description = 8, dataKind = 24, groups = 32, value = 48; }
namespace Export { constexpr size_t size = 280, type = 0, name = 4, subNames = 264; }
}  // namespace at

using MenuRecord = copies::Record<at::Menu::size>;
using ItemRecord = copies::Record<at::Item::size>;

// Caller menus, raw records on the heap.
struct Menus : copies::Heap {
    MenuRecord* menu(uint32_t type) {
        auto* m = static_cast<MenuRecord*>(keep(new (std::malloc(sizeof(MenuRecord))) MenuRecord(5)));
        m->put(at::Menu::type, type);
        return m;
    }
    static ItemRecord item(const char* label, uint32_t type, void* member) {
        ItemRecord r(9);
        std::strcpy(reinterpret_cast<char*>(r.bytes), label);
        r.put(at::Item::itemType, type);
        r.put(at::Item::member, member);
        return r;
    }
    MenuRecord* list(std::initializer_list<ItemRecord> items) {
        MenuRecord* m = menu(ZVI_MENU_LIST);
        m->putList(at::Menu::items, static_cast<uint32_t>(items.size()), copyOf(items));
        return m;
    }
};

const void* itemAt(const void* menu, size_t i) {
    return raw::bytes(raw::ptr(menu, at::Menu::items + 8), i * at::Item::size);
}

}  // namespace

TEST(CopyCharMenuDef, EveryMenuTypeHandsOnTheCallersBytesAndDuplicatesItsMemory) {
    Menus h;
    trees::Arena<Qualifier> t;
    namespace M = at::Menu;
    MenuRecord* query = h.menu(ZVI_MENU_QUERY);
    std::memcpy(query->bytes + M::qualifier, t.node(ZVI_QUAL_NOT, t.compare(1, Operand{}, t.text("q"))), 24);
    MenuRecord* dictionary = h.menu(ZVI_MENU_DATA_DICTIONARY);
    FieldValue labels[2] = {{1, {ZVI_DATA_TEXT, {.text = h.text("label")}}}, {2, {ZVI_DATA_INTEGER, {}}}};
    dictionary->putList(M::labels, 2, labels);
    dictionary->putList(M::more, 0, nullptr);
    dictionary->putList(M::qualifiers, 1, t.compare(2, Operand{}, t.text("r")));
    dictionary->put<char*>(M::text2, nullptr);
    MenuRecord* sub = h.menu(ZVI_MENU_FILE);
    sub->put(M::fileName, h.text("sub.txt"));
    MenuRecord* list = h.list({Menus::item("one", ZVI_ITEM_VALUE, h.text("1")),
                               Menus::item("sub", ZVI_ITEM_MENU, sub->bytes),
                               Menus::item("none", ZVI_ITEM_NONE, reinterpret_cast<void*>(0x1234))});
    const struct {
        MenuRecord* menu;
        std::vector<size_t> texts;
        std::vector<copies::Range> replaced;
        std::vector<size_t> sizes;
    } cases[] = {
        {h.menu(ZVI_MENU_NONE), {}, {}, {}},
        {h.menu(ZVI_MENU_FIXED), {}, {}, {}},
        {query, {}, {{M::qualifier + 8, M::qualifier + 24}}, {24, 56, 2}},
        {h.menu(ZVI_MENU_FILE), {M::fileName}, {}, {5}},
        {h.menu(ZVI_MENU_SQL), {M::sql}, {}, {5}},
        {dictionary, {M::text1}, {{M::labels + 4, M::text2 + 8}}, {5, 48, 6, 24, 56, 2}},
        {list, {}, {{M::items + 4, M::items + 16}}, {3 * 272, 2, 704, 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("menu type " + std::to_string(raw::u32(c.menu->bytes, 0)));
        std::vector<copies::Range> replaced = c.replaced;
        for (size_t p : c.texts) c.menu->put(p, h.text("text")), replaced.push_back({p, p + 8});
        auto copied = [&](const CharMenuDef& copy) {
            copies::expectSameBytesBut(&copy, c.menu->bytes, M::size, replaced);
            for (size_t p : c.texts) copies::expectDuplicated(&copy, c.menu->bytes, p);
            if (c.menu != list) return;  // the items' bytes, a value text and a sub-menu of the copy's own
            for (size_t i = 0; i < 3; ++i)
                copies::expectSameBytesBut(itemAt(&copy, i), itemAt(list->bytes, i), at::Item::size,
                                           {{at::Item::member, i < 2 ? at::Item::size : 0}});
            copies::expectDuplicated(itemAt(&copy, 0), itemAt(list->bytes, 0), at::Item::member);
            copies::expectDuplicated(raw::ptr(itemAt(&copy, 1), at::Item::member), sub->bytes, M::fileName);
        };
        EXPECT_EQ(copies::sweep(CopyCharMenuDef, ReleaseCharMenuDef, c.menu->as<CharMenuDef>(), c.sizes, copied),
                  c.sizes.size());
    }
}

TEST(CopyCharMenuDef, BadMenuAndItemTypesStopTheCopyAndLeaveNoItems) {
    Menus h;
    auto item = Menus::item;
    MenuRecord* badItem = h.list({item("a", ZVI_ITEM_VALUE, h.text("a")), item("b", 3, h.text("caller's"))});
    const struct {
        MenuRecord* menu;
        uint32_t code, type;  // the status, and the type of the failed copy
    } cases[] = {
        {h.menu(7), 206, 0},
        {badItem, 131, 1},
        {h.list({item("a", ZVI_ITEM_VALUE, h.text("a")), item("b", ZVI_ITEM_MENU, h.menu(9)->bytes)}), 206, 1},
        {h.list({item("x", ZVI_ITEM_MENU, badItem->bytes)}), 131, 1},
    };
    for (const auto& c : cases) {
        alloc::sweep([&](const alloc::Window& w) {
            MenuRecord copy(0xab);
            const uint32_t code = CopyCharMenuDef(copy.as<CharMenuDef>(), c.menu->as<CharMenuDef>());
            EXPECT_EQ(code, w.failed() ? 300u : c.code);
            EXPECT_EQ(w.liveBlocks(), 0u);  // the request holds no items
            EXPECT_EQ(raw::u32(copy.bytes, at::Menu::type), w.failed() ? raw::u32(c.menu->bytes, 0) : c.type);
            ReleaseCharMenuDef(copy.as<CharMenuDef>(), 0);
        });
    }
    ItemRecord bad = item("c", 3, nullptr), value = item("v", ZVI_ITEM_VALUE, h.text("v")), copy(0xab);
    EXPECT_EQ(CopyCharMenuItem(copy.as<CharMenuItem>(), bad.as<CharMenuItem>()), 131u);
    copies::sweep(CopyCharMenuItem, ReleaseCharMenuItem, value.as<CharMenuItem>(), {2});
}

TEST(CharMenu, WalkedInOrderAndDeepMenusOnA256KiBStack) {
    Menus h;
    auto item = Menus::item;
    MenuRecord* leaf = h.list({item("c1", ZVI_ITEM_VALUE, nullptr), item("c2", ZVI_ITEM_VALUE, nullptr)});
    MenuRecord* middle = h.list({item("b1", ZVI_ITEM_MENU, leaf->bytes), item("b2", ZVI_ITEM_MENU, h.list({})->bytes),
                                 item("b3", ZVI_ITEM_MENU, nullptr)});
    MenuRecord* root = h.list({item("a1", ZVI_ITEM_MENU, middle->bytes), item("a2", ZVI_ITEM_MENU, h.menu(3)->bytes),
                               item("a3", ZVI_ITEM_VALUE, nullptr)});
    const MenuRecord before[3] = {*root, *middle, *leaf};
    std::string seen;
    auto visit = [](CharMenuItem* i, void* out) { *static_cast<std::string*>(out) += std::string(i->label) + " "; };
    EXPECT_EQ(WalkCharMenu(root->as<CharMenuDef>(), visit, &seen) + WalkCharMenu(nullptr), 0u);
    EXPECT_EQ(seen, "a1 b1 c1 c2 b2 b3 a2 a3 ");
    for (int i = 0; i < 3; ++i)  // the tree is as it was
        EXPECT_EQ(std::memcmp((i == 0 ? root : i == 1 ? middle : leaf)->bytes, before[i].bytes, at::Menu::size), 0);

    const int kDepth = trees::heavy(50000);
    MenuRecord* deep = h.list({item("leaf", ZVI_ITEM_VALUE, h.text("v"))});
    for (int i = 0; i < kDepth; ++i)
        deep = h.list({item("v", ZVI_ITEM_NONE, nullptr), item("m", ZVI_ITEM_MENU, deep->bytes)});
    trees::onSmallStack([&] {
        MenuRecord copy;
        ASSERT_EQ(CopyCharMenuDef(copy.as<CharMenuDef>(), deep->as<CharMenuDef>()), 0u);
        size_t items = 0;
        auto count = [](CharMenuItem*, void* n) { ++*static_cast<size_t*>(n); };
        EXPECT_EQ(WalkCharMenu(copy.as<CharMenuDef>(), count, &items), 0u);
        EXPECT_EQ(items, 2u * kDepth + 1);
        ReleaseCharMenuDef(copy.as<CharMenuDef>(), 0);
        alloc::Window w(kDepth);
        EXPECT_EQ(CopyCharMenuDef(copy.as<CharMenuDef>(), deep->as<CharMenuDef>()), 300u);
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}

TEST(Containers, OwnersReferencesAndExportItems) {
    copies::Heap h;
    copies::Record<2 * 260> owners(3);
    const ContainerOwnerList ownerList{2, reinterpret_cast<ContainerOwner*>(owners.bytes)};
    const ContainerOwnerList noOwners{0, ownerList.items};
    copies::sweep(CopyContainerOwnerList, ReleaseContainerOwnerList, &ownerList, {2 * 260});
    ContainerOwnerList none;  // a count of 0 passes the pointer on; the release leaves it
    EXPECT_EQ(CopyContainerOwnerList(&none, &noOwners), 0u);
    EXPECT_EQ(none.items, ownerList.items);
    ReleaseContainerOwnerList(&none, 0);

    namespace R = at::Reference;
    copies::Record<2 * R::size> refs(4);  // an external reference, then a named one without a description
    uint32_t groups[2] = {3, 7};
    for (size_t at : {R::label, R::description, R::value + 8, R::size + R::label}) refs.put(at, h.text("text"));
    refs.put<char*>(R::size + R::description, nullptr);
    refs.put<uint32_t>(R::dataKind, ZVI_REFERENCE_EXTERNAL);
    refs.put<uint32_t>(R::size + R::dataKind, 2);
    refs.putList(R::groups, 2, groups);
    refs.put<uint32_t>(R::value, ZVI_DATA_TEXT);
    const ContainerReferenceList refList{2, reinterpret_cast<ContainerReference*>(refs.bytes)};
    auto copied = [&](const ContainerReferenceList& c) {
        const void* items = raw::ptr(&c, 8);
        copies::expectSameBytesBut(items, refs.bytes, 2 * R::size,
                                   {{R::label, R::description + 8}, {R::groups + 4, R::groups + 16},
                                    {R::value + 4, R::value + 16}, {R::size + R::label, R::size + R::label + 8}});
        EXPECT_EQ(raw::u32(items, R::value + 4), 0u);  // the value's padding is cleared, not copied
        for (size_t p : {R::label, R::description, R::value + 8, R::size + R::label})
            copies::expectDuplicated(items, refs.bytes, p);
        copies::expectOwnList(items, refs.bytes, R::groups);
    };
    copies::sweep(CopyContainerReferenceList, ReleaseContainerReferenceList, &refList, {}, copied,
                  [](const ContainerReferenceList& c) { EXPECT_EQ(raw::ptr(&c, 8), nullptr); });

    // Ten export items get room for twenty; three sub-names room for ten. Packed for the
    // host, a failure empties the items after it.
    ObjectName subNames[3] = {"View0", "View1", "View2"};
    std::vector<copies::Record<at::Export::size>> items(10, copies::Record<at::Export::size>(1));
    for (size_t i = 0; i < items.size(); ++i) items[i].putList(at::Export::subNames, i % 2 ? 3 : 0, subNames);
    const ExportItemList list{10, reinterpret_cast<ExportItem*>(items.data())};
    const std::vector<size_t> room{20 * at::Export::size, 10 * 255, 10 * 255, 10 * 255, 10 * 255, 10 * 255};
    copies::sweep(CopyExportItemList, ReleaseExportItemList, &list, room, [&](const ExportItemList& c) {
        copies::expectSameBytesBut(c.items, items[0].bytes, at::Export::subNames, {{at::Export::name + 255, 264}});
    });
    alloc::sweep([&](const alloc::Window& sw) {
        ExportItemList request;
        {
            alloc::Paused copyFirst;
            ASSERT_EQ(CopyExportItemList(&request, &list), 0u);
        }
        const uint32_t code = PackExportItems(&request);
        EXPECT_EQ(code, sw.failed() ? 154u : 0u);
        if (code) {
            EXPECT_EQ(request.items[9].subNames.numItems, 0u);
        } else {
            EXPECT_STREQ(raw::text(raw::ptr(&request.items[1].subNames, 8), 2 * 16 + 8), "View2");
        }
        for (uint32_t i = 0; i < 10; ++i)
            ReleaseCountedTextList(reinterpret_cast<CountedTextList*>(&request.items[i].subNames), 0);
        ReleaseExportItemList(&request, 0);
    });
}
