// Workflow actions, assigned values, workflow connects, character menus, container owners
// and references, export items: the bytes each copy hands on at the offsets of the record
// tables, deep trees, the menu statuses 206 and 131, and what a failed copy leaves.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/copies.h"
#include "types/definitions.h"

using namespace zvi;

namespace {

namespace at {  // typed in from the record tables
namespace Action { constexpr size_t size = 688, type = 0, m = 8; }  // m: the member
namespace Notify {
constexpr size_t user = 0, text = 8, subject = 32, fieldsMode = 40, fieldIds = 48, mailExtras = 72;
}
namespace Extras { constexpr size_t size = 88, reserved = 72; }
namespace FieldRef { constexpr size_t size = 368, qualifier = 320, refKind = 344, member = 352; }
namespace Connect { constexpr size_t size = 16, type = 0, member = 8; }
namespace Menu {
constexpr size_t size = 704, type = 0, items = 8, qualifier = 328, fileName = 16, sql = 80, labels = 264, more = 280,
                 qualifiers = 296, text1 = 312, text2 = 320;
}
namespace Item { constexpr size_t size = 272, itemType = 256, member = 264; }
namespace Reference { constexpr size_t size = 288, label = 0, description = 8, dataKind = 24, groups = 32, value = 48; }
namespace Export { constexpr size_t size = 280, name = 4, subNames = 264; }
}  // namespace at

// Caller-side assigned values.
struct Values : trees::Arena<Qualifier> {
    static AssignValue of(uint32_t tag, void* p) { return tagged<AssignValue>(tag, p); }
    AssignValue text(const char* s) { return {ZVI_ASSIGN_VALUE, {Arena::text(s).u.value}}; }
    char* dup(const char* s) { return Heap::text(s); }
    AssignValue command(const char* s) { return of(ZVI_ASSIGN_COMMAND, dup(s)); }
    AssignValue arith(uint32_t op, AssignValue l, AssignValue r) {
        return of(ZVI_ASSIGN_ARITH, make(AssignArith{op, l, r}));
    }
    AssignValueList list(std::initializer_list<AssignValue> args) {
        return {static_cast<uint32_t>(args.size()), args.size() ? copyOf(args) : nullptr};
    }
    AssignValue function(uint32_t code, std::initializer_list<AssignValue> args) {
        return of(ZVI_ASSIGN_FUNCTION, make(AssignFunction{code, list(args)}));
    }
    AssignValue filterApi(std::initializer_list<AssignValue> args) {
        return of(ZVI_ASSIGN_FILTER_API, make(AssignFilterApi{"plugin", list(args), 3}));
    }
    AssignValue field(uint32_t refKind) {
        AssignFieldRef r{"srv", "Assets", *compare(1, Operand{}, Arena::text("q")), refKind, {}, {}};
        if (refKind == ZVI_REF_RECORD) r.u.record = dup("twelve bytes");
        return of(ZVI_ASSIGN_FIELD, make(r));
    }
    // Every kind of assigned value, nested.
    AssignValue rich() {
        AssignValue dde = of(ZVI_ASSIGN_DDE, make(AssignDde{{dup("a"), dup("b"), nullptr}, 4, {nullptr, dup("e")}}));
        AssignValue sql = of(ZVI_ASSIGN_SQL, make(AssignSql{"db", 1, dup("select 2"), {}}));
        return arith(1, function(3, {text("a"), field(ZVI_REF_RECORD), command("cmd"), function(4, {})}),
                     arith(ZVI_ARITH_UNARY, {}, filterApi({dde, sql, field(ZVI_REF_FIELD), AssignValue{}})));
    }
};

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

const void* itemAt(const void* menu, size_t i) { return raw::bytes(raw::ptr(menu, at::Menu::items + 8), i * 272); }

}  // namespace

TEST(CopyWorkflowAction, EveryActionTypeHandsOnTheCallersBytesAndDuplicatesItsMemory) {
    Values t;
    constexpr size_t m = at::Action::m;
    copies::Record<at::Extras::size> extras(7);
    for (size_t i = 0; i < 9; ++i) extras.put(i * 8, i == 4 ? nullptr : t.dup("mail"));
    uint32_t ids[3] = {1, 2, 536870913};
    FieldAssign assigns[2] = {{7, t.text("seven")}, {8, t.command("eight")}};
    PushFieldAssign pushed{*t.field(ZVI_REF_FIELD).u.field, t.text("pushed")};
    namespace N = at::Notify;
    const struct { uint32_t type; std::vector<size_t> texts, lists, sizes; } cases[] = {  // member offsets; allocations
        {ZVI_ACTION_NOTIFY, {N::user, N::text, N::subject}, {N::fieldIds}, {5, 5, 5, 88, 5, 5, 5, 5, 5, 5, 5, 5, 400}},
        {ZVI_ACTION_MESSAGE, {8}, {}, {5}}, {ZVI_ACTION_TEXT_3, {0}, {}, {5}}, {ZVI_ACTION_TEXT_5, {0}, {}, {5}},
        {ZVI_ACTION_TEXT_11, {0}, {}, {5}}, {ZVI_ACTION_SQL, {72}, {}, {5}},
        {ZVI_ACTION_SET_FIELDS, {}, {0}, {64, 6, 6}}, {ZVI_ACTION_PUSH_FIELDS, {}, {0}, {392, 56, 2, 7}},
        {ZVI_ACTION_SERVICE, {}, {328, 344}, {64, 6, 6, 64, 6, 6}},
        {ZVI_ACTION_SERVICE_12, {}, {328, 344}, {64, 6, 6, 64, 6, 6}},
        {0, {}, {}, {}}, {8, {}, {}, {}}, {10, {}, {}, {}}, {13, {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("action type " + std::to_string(c.type));
        copies::Record<at::Action::size> source(3);
        source.put(at::Action::type, c.type);
        std::vector<copies::Range> replaced;
        for (size_t p : c.texts) source.put(m + p, t.dup("text")), replaced.push_back({m + p, m + p + 8});
        const bool notify = c.type == ZVI_ACTION_NOTIFY, push = c.type == ZVI_ACTION_PUSH_FIELDS;
        for (size_t p : c.lists) {
            source.putList(m + p, push ? 1 : 2 + notify, notify ? (void*)ids : push ? (void*)&pushed : assigns);
            replaced.push_back({m + p + 4, m + p + 16});
        }
        if (notify) {
            source.put<uint32_t>(m + N::fieldsMode, 1);  // the list is copied whatever the mode
            source.put(m + N::mailExtras, static_cast<void*>(extras.bytes));
            replaced.push_back({m + N::mailExtras, m + N::mailExtras + 8});
        }
        auto copied = [&](const WorkflowAction& copy) {
            copies::expectSameBytesBut(&copy, source.bytes, at::Action::size, replaced);
            for (size_t p : c.texts) copies::expectDuplicated(&copy, source.bytes, m + p);
            for (size_t p : c.lists) copies::expectOwnList(&copy, source.bytes, m + p);
            if (!notify) return;
            const void* e = raw::ptr(&copy, m + N::mailExtras);
            for (size_t i : {0, 3, 8}) copies::expectDuplicated(e, extras.bytes, i * 8);
            EXPECT_TRUE(raw::ptr(e, 4 * 8) == nullptr && raw::zero(e, at::Extras::reserved, at::Extras::size));
        };
        const WorkflowAction* action = source.as<WorkflowAction>();
        EXPECT_EQ(copies::sweep(CopyWorkflowAction, ReleaseWorkflowAction, action, c.sizes, copied), c.sizes.size());
    }
    WorkflowAction logs[2] = {{ZVI_ACTION_TEXT_3, {.text = t.dup("a")}}, {ZVI_ACTION_TEXT_3, {.text = t.dup("b")}}};
    const WorkflowActionList actionList{2, logs};
    copies::sweep(CopyWorkflowActionList, ReleaseWorkflowActionList, &actionList, {2 * 688, 2, 2}, {},
                  [](const WorkflowActionList& l) { EXPECT_TRUE(l.numItems == 0 && l.items == nullptr); });
}

TEST(CopyAssignValue, EveryKindCopiedDeeplyThroughEachFailedAllocationAndDeepOnA256KiBStack) {
    Values t;
    const AssignValue source = t.rich();
    // A block per block of the source, in the order of a recursive copy; a failed copy keeps its tag.
    const std::vector<size_t> sizes{56, 24, 4 * 24, 2, 368, 12, 56, 2, 4,  24, 56,
                                    280, 4 * 24, 48, 2, 2, 2, 96, 9, 368, 56, 2};
    copies::sweep(CopyAssignValue, ReleaseAssignValue, &source, sizes, {},
                  [](const AssignValue& c) { EXPECT_TRUE(c.tag == ZVI_ASSIGN_ARITH && c.u.arith == nullptr); });
    const AssignFunction& fn = *source.u.arith->left.u.function;
    copies::sweep(CopyAssignFunction, ReleaseAssignFunction, &fn, {}, {}, {}, true);
    // A field reference's bytes; its 12-byte record and qualifier are its own.
    const AssignFieldRef* ref = fn.arguments.items[1].u.field;
    copies::sweep(CopyAssignFieldRef, ReleaseAssignFieldRef, ref, {}, [&](const AssignFieldRef& c) {
        namespace F = at::FieldRef;
        copies::expectSameBytesBut(&c, ref, F::size, {{F::qualifier + 8, F::qualifier + 24}, {F::member, 360}});
        EXPECT_EQ(std::memcmp(raw::ptr(&c, F::member), "twelve bytes", 12), 0);
    });
    const AssignValue unary = t.arith(ZVI_ARITH_UNARY, t.text("left"), t.text("right"));
    alloc::Window later;  // the left operand of operation 6 is copied, but is not the release's
    AssignValue copy;
    ASSERT_EQ(CopyAssignValue(&copy, &unary), 0u);
    char* left = copy.u.arith->left.u.value.payload.text;
    ReleaseAssignValue(&copy, 0);
    EXPECT_EQ(later.liveBlocks(), 1u);
    std::free(left);

    AssignValue chain = t.text("0");  // arithmetic, function and external-call nesting on a small stack
    const AssignValue one{ZVI_ASSIGN_COMMAND, {}};
    for (int i = 0; i < trees::heavy(200000); ++i)
        chain = i % 3 == 0 ? t.arith(1, chain, one) : i % 3 == 1 ? t.function(2, {one, chain}) : t.filterApi({chain});
    trees::deepCopy(CopyAssignValue, ReleaseAssignValue, &chain, trees::heavy(200000));
}

TEST(WorkflowConnect, Type1HasAListOfItsOwnConvertedAndPackedInPlace) {
    ObjectName forms[12] = {"HelpDesk", "Assets"};
    NameList names{12, forms};
    copies::Record<at::Connect::size> source(5);
    source.put<uint32_t>(at::Connect::type, ZVI_CONNECT_FORMS);
    source.put(at::Connect::member, &names);
    copies::sweep(CopyWorkflowConnect, ReleaseWorkflowConnect, source.as<WorkflowConnect>(), {16, 20 * 255},
                  [&](const WorkflowConnect& c) {
                      copies::expectSameBytesBut(&c, source.bytes, at::Connect::member, {});
                      copies::expectOwnList(raw::ptr(&c, at::Connect::member), &names, 0);
                  }, [](const WorkflowConnect& c) { EXPECT_EQ(raw::ptr(&c, at::Connect::member), nullptr); });
    // Host lists: the second record's name is too long, so the fourth is emptied; the
    // third is not of type 1 and is left alone. Packed again, a length counts the terminator.
    auto host = [](std::initializer_list<const char*> texts) {
        alloc::Paused server;
        auto* list = static_cast<CountedTextList*>(std::calloc(1, sizeof(CountedTextList)));
        list->items = static_cast<CountedText*>(std::calloc(texts.size(), sizeof(CountedText)));
        for (const char* s : texts) list->items[list->numItems++] = {uint32_t(std::strlen(s) + 1), strdup(s)};
        return reinterpret_cast<NameList*>(list);
    };
    const std::string tooLong(300, 'x');
    alloc::Window w;
    WorkflowConnect records[4] = {
        {1, {host({"HelpDesk", "Assets"})}}, {1, {host({tooLong.c_str()})}}, {7, {}}, {1, {host({"Later"})}}};
    std::memset(records[2].u.raw, 0xcd, 8);
    WorkflowConnectList connects{4, records};
    EXPECT_EQ(ConvertWorkflowConnectList(&connects), 103u);
    EXPECT_STREQ(records[0].u.nameList->items[1], "Assets");
    EXPECT_TRUE(records[1].u.nameList->numItems + records[3].u.nameList->numItems == 0 && records[2].u.raw[7] == 0xcd);
    EXPECT_EQ(ConvertWorkflowConnect(&records[2]) + PackWorkflowConnect(&records[2]), 0u);
    EXPECT_EQ(PackWorkflowConnect(&records[0]), 0u);
    EXPECT_EQ(reinterpret_cast<const CountedTextList*>(records[0].u.nameList)->items[0].length, 9u);
    EXPECT_EQ(ConvertWorkflowConnect(&records[0]), 0u);
    records[2].connectType = 0;
    for (WorkflowConnect& r : records) ReleaseWorkflowConnect(&r, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

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
    using Sizes = std::vector<size_t>;
    const struct { MenuRecord* menu; Sizes texts; std::vector<copies::Range> replaced; Sizes sizes; } cases[] = {
        {h.menu(ZVI_MENU_NONE), {}, {}, {}}, {h.menu(ZVI_MENU_FIXED), {}, {}, {}},
        {query, {}, {{M::qualifier + 8, M::qualifier + 24}}, {24, 56, 2}},
        {h.menu(ZVI_MENU_FILE), {M::fileName}, {}, {5}}, {h.menu(ZVI_MENU_SQL), {M::sql}, {}, {5}},
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

TEST(CharMenu, BadTypesStopTheCopyAndLeaveNoItemsWalksAndDeepMenus) {
    Menus h;
    auto item = Menus::item;
    MenuRecord* badItem = h.list({item("a", ZVI_ITEM_VALUE, h.text("a")), item("b", 3, h.text("caller's"))});
    const struct { MenuRecord* menu; uint32_t code, type; } cases[] = {  // the status, and the type of the failed copy
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
    // Walked in order, the tree left as it was; deep menus on a small stack.
    MenuRecord* leaf = h.list({item("c1", ZVI_ITEM_VALUE, nullptr), item("c2", ZVI_ITEM_VALUE, nullptr)});
    MenuRecord* middle = h.list({item("b1", ZVI_ITEM_MENU, leaf->bytes), item("b2", ZVI_ITEM_MENU, h.list({})->bytes),
                                 item("b3", ZVI_ITEM_MENU, nullptr)});
    MenuRecord* root = h.list({item("a1", ZVI_ITEM_MENU, middle->bytes), item("a2", ZVI_ITEM_MENU, h.menu(3)->bytes),
                               item("a3", ZVI_ITEM_VALUE, nullptr)});
    const MenuRecord before = *middle;
    std::string seen;
    auto visit = [](CharMenuItem* i, void* out) { *static_cast<std::string*>(out) += std::string(i->label) + " "; };
    EXPECT_EQ(WalkCharMenu(root->as<CharMenuDef>(), visit, &seen) + WalkCharMenu(nullptr), 0u);
    EXPECT_EQ(seen, "a1 b1 c1 c2 b2 b3 a2 a3 ");
    EXPECT_EQ(std::memcmp(middle->bytes, before.bytes, at::Menu::size), 0);
    MenuRecord* deep = h.list({item("leaf", ZVI_ITEM_VALUE, h.text("v"))});
    for (int i = 0; i < trees::heavy(50000); ++i)
        deep = h.list({item("v", ZVI_ITEM_NONE, nullptr), item("m", ZVI_ITEM_MENU, deep->bytes)});
    trees::deepCopy(CopyCharMenuDef, ReleaseCharMenuDef, deep->as<CharMenuDef>(), trees::heavy(50000));
    trees::onSmallStack([&] { EXPECT_EQ(WalkCharMenu(deep->as<CharMenuDef>()), 0u); });
}

TEST(Containers, OwnersReferencesAndExportItems) {
    copies::Heap h;
    copies::Record<2 * 260> owners(3);
    const ContainerOwnerList ownerList{2, reinterpret_cast<ContainerOwner*>(owners.bytes)}, none0{0, ownerList.items};
    copies::sweep(CopyContainerOwnerList, ReleaseContainerOwnerList, &ownerList, {2 * 260});
    ContainerOwnerList none;  // a count of 0 passes the pointer on; the release leaves it
    EXPECT_TRUE(CopyContainerOwnerList(&none, &none0) == 0 && none.items == ownerList.items);
    ReleaseContainerOwnerList(&none, 0);

    namespace R = at::Reference;
    copies::Record<2 * R::size> refs(4);  // an external reference, then a named one without a description
    uint32_t groups[2] = {3, 7};
    const size_t texts[] = {R::label, R::description, R::value + 8, R::size + R::label};
    for (size_t p : texts) refs.put(p, h.text("text"));
    refs.put<char*>(R::size + R::description, nullptr);
    refs.put<uint32_t>(R::dataKind, ZVI_REFERENCE_EXTERNAL);
    refs.put<uint32_t>(R::size + R::dataKind, 2);
    refs.putList(R::groups, 2, groups);
    refs.put<uint32_t>(R::value, ZVI_DATA_TEXT);
    const ContainerReferenceList refList{2, reinterpret_cast<ContainerReference*>(refs.bytes)};
    auto copied = [&](const ContainerReferenceList& c) {
        const void* items = raw::ptr(&c, 8);  // the value's padding is cleared, not copied
        copies::expectSameBytesBut(items, refs.bytes, 2 * R::size,
                                   {{R::label, R::description + 8}, {R::groups + 4, R::groups + 16},
                                    {R::value + 4, R::value + 16}, {R::size + R::label, R::size + R::label + 8}});
        EXPECT_EQ(raw::u32(items, R::value + 4), 0u);
        for (size_t p : texts) copies::expectDuplicated(items, refs.bytes, p);
        copies::expectOwnList(items, refs.bytes, R::groups);
    };
    copies::sweep(CopyContainerReferenceList, ReleaseContainerReferenceList, &refList, {}, copied,
                  [](const ContainerReferenceList& c) { EXPECT_EQ(raw::ptr(&c, 8), nullptr); });

    // Ten export items get room for twenty; three sub-names room for ten. Packed for the host,
    // a failure empties the items after it.
    ObjectName subNames[3] = {"View0", "View1", "View2"};
    std::vector<copies::Record<at::Export::size>> items(10, copies::Record<at::Export::size>(1));
    for (size_t i = 0; i < items.size(); ++i) items[i].putList(at::Export::subNames, i % 2 ? 3 : 0, subNames);
    const ExportItemList list{10, reinterpret_cast<ExportItem*>(items.data())};
    const std::vector<size_t> room{20 * at::Export::size, 10 * 255, 10 * 255, 10 * 255, 10 * 255, 10 * 255};
    copies::sweep(CopyExportItemList, ReleaseExportItemList, &list, room, [&](const ExportItemList& c) {
        copies::expectSameBytesBut(c.items, items[0].bytes, at::Export::subNames, {{at::Export::name + 255, 264}});
    });
    alloc::sweep([&](const alloc::Window& sw) {
        ExportItemList request;  // copied first, never failed
        ASSERT_EQ([&] { alloc::Paused copyFirst; return CopyExportItemList(&request, &list); }(), 0u);
        const uint32_t code = PackExportItems(&request);
        EXPECT_EQ(code, sw.failed() ? 154u : 0u);
        const void* packed = &request.items[code ? 9 : 1].subNames;  // a CountedTextList
        EXPECT_TRUE(code ? raw::u32(packed, 0) == 0 : std::strcmp(raw::text(raw::ptr(packed, 8), 40), "View2") == 0);
        for (uint32_t i = 0; i < 10; ++i)
            ReleaseCountedTextList(reinterpret_cast<CountedTextList*>(&request.items[i].subNames), 0);
        ReleaseExportItemList(&request, 0);
    });
}
