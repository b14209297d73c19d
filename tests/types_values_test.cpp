// Values, flat lists, lists of values, properties, field limits, name and text lists in the
// host's form and the caller's: the bytes a copy or conversion hands on, what it duplicates,
// the room it takes, host lengths that lie, and what it leaves when the heap runs out.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/support/copies.h"
#include "types/definitions.h"
#include "types/padding.h"

using namespace zvi;

namespace {

namespace at {  // typed in from the record tables
namespace Prop { constexpr size_t size = 24, propId = 0, dataType = 8, payload = 16; }
namespace DisplayList { constexpr size_t size = 32, commonProps = 0, numItems = 16, items = 24; }
namespace Instance { constexpr size_t size = 24, viewId = 0, props = 8; }
namespace Limit {
constexpr size_t size = 688, dataType = 0, charPattern = 280, enumKind = 8, enumList = 16, enumQualifier = 336,
                 lowText = 8, highText = 16, currency = 8, qualified = 16;
}
namespace Currency { constexpr size_t lowText = 0, highText = 8, precision = 16, allowed = 24, functional = 40; }
namespace Counted { constexpr size_t size = 16, length = 0, text = 8, name = 255; }  // and a name slot
}  // namespace at

Value pointing(uint32_t dataType, const void* record) { return {dataType, {.ptr = const_cast<void*>(record)}}; }

void same(const void* copy, const void* expected, size_t n) { EXPECT_EQ(std::memcmp(copy, expected, n), 0); }

// Caller-side records with memory behind them, one per data type that has some.
struct Sources {
    uint8_t bytes[5] = {1, 2, 3, 4, 5};
    ByteList byteList{7, 0, 5, 0, bytes}, emptyBytes{7, 0, 0, 0, bytes};
    Attachment buffer{const_cast<char*>("report.txt"), 3, 3, {ZVI_LOC_BUFFER, {.mem = {3, bytes}}}};
    Attachment emptyBuffer{const_cast<char*>("empty"), 0, 0, {ZVI_LOC_BUFFER, {.mem = {0, bytes}}}};
    Attachment file{const_cast<char*>("data"), 10, 4, {ZVI_LOC_FILENAME, {const_cast<char*>("/tmp/data.bin")}}};
    FuncCurrency functional[2] = {{const_cast<char*>("1.50"), "EUR"}, {nullptr, "GBP"}};
    CurrencyValue currency{const_cast<char*>("12.25"), "USD", 20240101, {2, functional}};
    CurrencyValue bare{nullptr, "CHF", 5, {0, functional}}, textless{nullptr, "CHF", 5, {1, functional + 1}};
    IntPair pairs[3] = {{1, 2}, {3, 4}, {5, 6}};
    IntPairList intPairs{3, pairs};
    // Each a copy duplicates through a failed allocation without holding anything.
    std::vector<Value> withMemory() {
        std::vector<Value> v{pointing(ZVI_DATA_BYTES, &byteList), pointing(ZVI_DATA_INT_PAIRS, &intPairs)};
        for (uint32_t t : {4u, 5u, 10u, 42u, 43u}) v.push_back(pointing(t, "hello"));
        for (Attachment* a : {&buffer, &file, &emptyBuffer}) v.push_back(pointing(ZVI_DATA_ATTACHMENT, a));
        return v;
    }
};

// A name list holder (count at 0, items at 8) in the host's form, as the host leaves it.
using Holder = copies::Record<16>;
using HostItems = std::vector<std::pair<uint32_t, const char*>>;  // lengths and texts
Holder hostList(const HostItems& items) {
    alloc::Paused host;
    Holder holder;
    auto* array = static_cast<uint8_t*>(std::calloc(items.size() + 1, at::Counted::size));
    for (size_t i = 0; i < items.size(); ++i) {
        raw::put(array, i * at::Counted::size + at::Counted::length, items[i].first);
        raw::put(array, i * at::Counted::size + at::Counted::text, items[i].second ? strdup(items[i].second) : nullptr);
    }
    holder.putList(0, static_cast<uint32_t>(items.size()), array);
    return holder;
}
const void* itemsOf(const Holder& h) { return raw::ptr(h.bytes, 8); }
bool empty(const Holder& h) { return raw::u32(h.bytes, 0) == 0 && itemsOf(h) == nullptr; }

}  // namespace

TEST(CopyValue, EveryDataTypeDuplicatesItsMemoryThroughEachFailedAllocation) {
    Sources s;
    // withMemory() in order. Typed in: ByteList 24 bytes, IntPairList 16, Attachment 40, CurrencyValue 32.
    auto text = [](const Value& to) { same(to.payload.text, "hello", 6); };
    const std::tuple<std::vector<size_t>, copies::Look<Value>> rows[] = {
        {{24, 5}, [&](const Value& to) { same(to.payload.byteList->bytes, s.bytes, 5); }},
        {{16, 3 * 8}, [&](const Value& to) { same(to.payload.intPairs->items, s.pairs, 24); }},
        {{6}, text}, {{6}, text}, {{6}, text}, {{6}, text}, {{6}, text},
        {{40, 11, 3}, [&](const Value& to) { same(to.payload.attachment->locator.u.mem.buffer, s.bytes, 3); }},
        {{40, 5, 14}, [](const Value& to) { same(to.payload.attachment->locator.u.fileName, "/tmp/data.bin", 14); }},
        {{40, 6}, [](const Value& to) {  // a buffer of size 0: no locator
             const Locator& l = to.payload.attachment->locator;
             EXPECT_TRUE(l.locType == ZVI_LOC_NONE && l.u.mem.bufSize == 0 && l.u.mem.buffer == nullptr);
         }},
    };
    const std::vector<Value> values = s.withMemory();
    for (size_t i = 0; i < values.size(); ++i)
        copies::sweep(CopyValue, ReleaseValue, &values[i], std::get<0>(rows[i]), std::get<1>(rows[i]), {}, true);
    const Value noBytes = pointing(ZVI_DATA_BYTES, &s.emptyBytes), bare = pointing(ZVI_DATA_CURRENCY, &s.bare);
    copies::sweep(CopyValue, ReleaseValue, &noBytes, {24},
                  [](const Value& to) { EXPECT_EQ(to.payload.byteList->bytes, nullptr); });
    auto noList = [](const Value& to) { EXPECT_TRUE(!to.payload.currency || !to.payload.currency->funcList.items); };
    copies::sweep(CopyValue, ReleaseValue, &bare, {32}, noList);
    const Value textless = pointing(ZVI_DATA_CURRENCY, &s.textless);  // its holder stays when the list fails
    copies::sweep(CopyValue, ReleaseValue, &textless, {32, 16}, {}, noList);
    // A currency value drops texts it cannot copy; its release empties it. Allocations 1:
    // the holder, 2: the value text, 3: the function array, 4 and on: element texts.
    const Value currency = pointing(ZVI_DATA_CURRENCY, &s.currency);
    for (size_t failAt : {2u, 3u, 4u}) {
        alloc::Window w(failAt);
        Value to{};
        EXPECT_EQ(CopyValue(&to, &currency), failAt == 3 ? 300u : 0u);
        const CurrencyValue& c = *to.payload.currency;
        EXPECT_TRUE((c.value == nullptr) == (failAt != 4) && (c.funcList.items == nullptr) == (failAt == 3));
        EXPECT_TRUE(failAt != 4 || c.funcList.items[0].value == nullptr);
        ReleaseValue(&to, 0);
        EXPECT_TRUE(to.dataType == 0 && to.payload.ptr == nullptr && w.liveBlocks() == 0);
    }
    // A null text, scalars, unknown tags and the records of tags 49 and 50 (which the
    // release must not free) are the caller's bytes, with zeros where a record has padding.
    for (const Value& from : {pointing(4, nullptr), Value{2, {0xfffffffe}}, Value{3, {.real = 3.25}}, pointing(77, &s),
                              pointing(49, &s), pointing(50, &s)}) {
        Value expected = from;
        zvi::clearPadding(&expected);
        EXPECT_EQ(copies::sweep(CopyValue, ReleaseValue, &from, {}, [&](const Value& to) { same(&to, &expected, 16); }),
                  0u);
    }
}

TEST(FlatLists, RoomZeroFillAndFailures) {
    std::vector<ObjectName> names(10);
    std::vector<uint32_t> ids(100, 7);
    IndexDef index[2]{};
    EntryId entryIds[2] = {"000000000000001", "000000000000002"};
    // A copy matches its source, zero-filled up to the room allocated (names: count/10*10+10,
    // identifiers of requests: count/100*100+100); the release empties it. When its only
    // allocation fails: 300 with an empty list or a list silently dropped, and a list of
    // entry identifiers keeps its count.
    auto check = [](auto copy, auto release, auto source, size_t room, uint32_t code, uint32_t kept = 0) {
        SCOPED_TRACE(room);
        alloc::Window w;
        decltype(source) d{};
        EXPECT_EQ(copy(&d, &source), 0u);
        EXPECT_EQ(w.sizes(), std::vector<size_t>{room});
        const size_t used = source.numItems * sizeof *d.items;
        same(d.items, source.items, used);
        EXPECT_TRUE(raw::zero(d.items, used, room));
        release(&d, 0);
        EXPECT_TRUE(d.numItems == 0 && d.items == nullptr && w.liveBlocks() == 0);
        alloc::Window fail(1);
        EXPECT_EQ(copy(&d, &source), code);
        EXPECT_TRUE(d.numItems == kept && d.items == nullptr);
    };
    check(CopyNameList, ReleaseNameList, NameList{10, names.data()}, 20 * 255, 300);
    check(CopyIdList, ReleaseIdList, IdList{100, ids.data()}, 200 * 4, 300);
    check(CopyIdListExact, ReleaseIdList, IdList{3, ids.data()}, 3 * 4, 300);
    check(CopyIndexList, ReleaseIndexList, IndexList{2, index}, 2 * 328, 0);
    check(CopyEntryIdList, ReleaseEntryIdList, EntryIdList{2, entryIds}, 2 * 16, 300, 2);
    // Null sources: the identifiers of a request leave the destination alone, the
    // others empty it; an empty one is copied as it stands, with a null array.
    alloc::Window w;
    IdList idDest{5, ids.data()}, emptyIds{0, ids.data()};
    NameList nameDest{5, names.data()};
    EXPECT_EQ(CopyIdList(&idDest, nullptr) + CopyNameList(&nameDest, nullptr), 0u);
    EXPECT_TRUE(idDest.items == ids.data() && nameDest.numItems == 0 && nameDest.items == nullptr);
    EXPECT_EQ(CopyIdList(&idDest, &emptyIds), 0u);
    EXPECT_TRUE(idDest.numItems == 0 && idDest.items == nullptr && w.allocations() == 0);
}

TEST(ValueLists, DeepCopiesAndReleasesOfResultListsAtEveryLevel) {
    Sources s;
    std::vector<Value> values = s.withMemory();
    std::vector<FieldValue> fields;
    for (size_t i = 0; i < values.size(); ++i) fields.push_back({static_cast<uint32_t>(100 + i), values[i]});
    const ValueList list{static_cast<uint32_t>(values.size()), values.data()};
    const FieldValueList fieldList{static_cast<uint32_t>(fields.size()), fields.data()}, none{0, fields.data()};
    // A failed copy leaves an empty list; a complete one has copies of the values. Null
    // and empty sources give empty lists without an allocation.
    auto empty = [](const auto& copy) { EXPECT_TRUE(copy.numItems == 0 && copy.items == nullptr); };
    copies::sweep(CopyValueList, ReleaseValueList, &list, {}, [&](const ValueList& c) {
        EXPECT_TRUE(c.numItems == values.size() && c.items[3].payload.text != values[3].payload.text);
    }, empty, true);
    copies::sweep(CopyFieldValueList, ReleaseFieldValueList, &fieldList, {}, [&](const FieldValueList& c) {
        EXPECT_TRUE(c.numItems == fields.size() && c.items[3].fieldId == 103u);
        EXPECT_NE(c.items[3].value.payload.text, values[3].payload.text);
    }, empty, true);
    EXPECT_EQ(copies::sweep(CopyValueList, ReleaseValueList, static_cast<const ValueList*>(nullptr), {}, empty), 0u);
    EXPECT_EQ(copies::sweep(CopyFieldValueList, ReleaseFieldValueList, &none, {}, empty), 0u);

    // Lists of lists the host returns.
    alloc::Window w;
    auto ids = [](uint32_t n) { return IdList{n, static_cast<uint32_t*>(std::calloc(n, 4))}; };
    auto column = [](const char* s) { return MultiFieldValue{"A", 8, 1, pointing(4, strdup(s))}; };
    IdListList idLists{3, new (std::malloc(3 * sizeof(IdList))) IdList[3]{ids(2), {0, nullptr}, ids(1)}};
    auto* row = new (std::malloc(2 * sizeof(MultiFieldValue))) MultiFieldValue[2]{column("x"), column("y")};
    MultiFieldValueListList rows{1, new (std::malloc(sizeof(MultiFieldValueList))) MultiFieldValueList{2, row}};
    TextPairList pairs{1, new (std::malloc(sizeof(TextPair))) TextPair{2, strdup("y"), strdup("z")}};
    ReleaseIdListList(&idLists, 0);
    ReleaseTextPairList(&pairs, 0);
    ReleaseMultiFieldValueListList(&rows, 0);
    ReleaseMultiFieldValueListList(&rows, 0);  // a second release of an emptied list is harmless
    EXPECT_TRUE(idLists.items == nullptr && pairs.items == nullptr && rows.items == nullptr && w.liveBlocks() == 0);
}

TEST(CopyFieldLimit, EveryDataTypeHandsOnTheCallersBytesAndDuplicatesItsMemory) {
    copies::Heap h;
    trees::Arena<Qualifier> t;
    Qualifier* tree = t.node(ZVI_QUAL_NOT, t.compare(1, Operand{}, t.text("x")));
    std::vector<ObjectName> names(12);
    EnumItem items[2] = {{"Open", 0}, {"Closed", 5}};
    CurrencyDetail details[2] = {{"USD", 2}, {"EUR", 2}};
    namespace L = at::Limit;
    constexpr size_t cur = L::currency;
    // Offsets of what the limit points to, and the copy's allocations, in order.
    const struct { uint32_t dataType, enumKind; std::vector<size_t> texts, lists, qualifiers, sizes; } cases[] = {
        {2, 0, {}, {}, {}, {}}, {7, 0, {}, {}, {}, {}}, {34, 0, {}, {}, {}, {}}, {43, 0, {}, {}, {}, {}},
        {4, 0, {L::charPattern}, {}, {}, {6}},
        {6, 1, {}, {L::enumList}, {}, {20 * 255}},  // 12 names get room for 20
        {8, 2, {}, {L::enumList}, {}, {2 * 260}},
        {6, 3, {}, {}, {L::enumQualifier}, {24, 56, 2}},
        {8, 9, {}, {}, {}, {}},
        {10, 0, {L::lowText, L::highText}, {}, {}, {6, 6}},
        {12, 0, {cur + at::Currency::lowText, cur + at::Currency::highText},
         {cur + at::Currency::allowed, cur + at::Currency::functional}, {}, {6, 6, 16, 16}},
        {33, 0, {}, {}, {L::qualified}, {24, 56, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("data type " + std::to_string(c.dataType) + " kind " + std::to_string(c.enumKind));
        copies::Record<at::Limit::size> source(1);
        source.put(L::dataType, c.dataType);
        if (c.enumKind) source.put(L::enumKind, c.enumKind);
        std::vector<copies::Range> replaced;
        for (size_t p : c.texts) source.put(p, h.text("bound")), replaced.push_back({p, p + 8});
        for (size_t p : c.lists) {
            const void* array = c.enumKind == 1 ? (void*)names.data() : c.enumKind ? (void*)items : details;
            source.putList(p, c.enumKind == 1 ? 12 : 2, array);
            replaced.push_back({p + 4, p + 16});
        }
        for (size_t p : c.qualifiers) std::memcpy(source.bytes + p, tree, 24), replaced.push_back({p + 8, p + 24});
        if (c.dataType == 12) replaced.push_back({cur + at::Currency::precision + 4, cur + at::Currency::allowed});
        auto copied = [&](const FieldLimit& f) {
            copies::expectSameBytesBut(&f, source.bytes, L::size, replaced);
            for (size_t p : c.texts) copies::expectDuplicated(&f, source.bytes, p);
            for (size_t p : c.lists) copies::expectOwnList(&f, source.bytes, p);
        };
        EXPECT_EQ(copies::sweep(CopyFieldLimit, ReleaseFieldLimit, source.as<FieldLimit>(), c.sizes, copied),
                  c.sizes.size());
    }
    copies::Record<at::Limit::size> copy(0xab);  // a null source gives a zeroed limit
    EXPECT_EQ(CopyFieldLimit(copy.as<FieldLimit>(), nullptr) + CopyFieldLimit(nullptr, copy.as<FieldLimit>()), 0u);
    EXPECT_TRUE(raw::zero(copy.bytes, 0, at::Limit::size));
}

TEST(PropertyLists, CopiesAndReleasesAtEveryLevel) {
    copies::Heap h;
    auto text = [&](const char* s) { return Value{ZVI_DATA_TEXT, {.text = h.text(s)}}; };
    Prop props[4] = {{60001, text("first")}, {60002, text("second")}, {60003, text("third")}, {60004, {2, {.i = -7}}}};
    const PropList source{4, props};
    copies::sweep(CopyPropList, ReleasePropList, &source, {4 * 24, 6, 7, 6}, [&](const PropList& c) {
        for (size_t i = 0, at = 0; i < 4; ++i, at += at::Prop::size)
            EXPECT_TRUE(raw::u32(c.items, at + at::Prop::propId) == 60001 + i &&
                        raw::u32(c.items, at + at::Prop::dataType) == (i == 3 ? 2u : 4u));
        copies::expectDuplicated(c.items, props, 2 * at::Prop::size + at::Prop::payload);
    }, [](const PropList& c) { EXPECT_TRUE(c.numItems == 0 && c.items == nullptr); }, true);
    // Display instances: common properties travel only with instances.
    DisplayInstance instances[2] = {{536870913, {2, props}}, {7, {0, nullptr}}};
    const DisplayInstanceList lonely{{1, props}, 0, instances}, display{{1, props}, 2, instances};
    copies::Record<at::DisplayList::size> empty(0xab);
    EXPECT_EQ(CopyDisplayInstanceList(empty.as<DisplayInstanceList>(), &lonely), 0u);
    EXPECT_TRUE(raw::zero(empty.bytes, 0, at::DisplayList::size));
    auto copied = [&](const DisplayInstanceList& c) {
        namespace I = at::Instance;
        copies::expectOwnList(&c, &display, at::DisplayList::commonProps);
        EXPECT_EQ(raw::u32(&c, at::DisplayList::numItems), 2u);
        const void* items = raw::ptr(&c, at::DisplayList::items);
        EXPECT_EQ(raw::u32(items, I::size + I::viewId), 7u);
        copies::expectOwnList(items, instances, I::props);
        copies::expectDuplicated(raw::list(items, I::props).items, props, at::Prop::payload);
    };
    copies::sweep(CopyDisplayInstanceList, ReleaseDisplayInstanceList, &display, {24, 6, 2 * 24, 2 * 24, 6, 7}, copied,
                  [](const DisplayInstanceList& c) { EXPECT_TRUE(raw::zero(&c, 0, at::DisplayList::size)); });
    alloc::Window w;  // lists of lists the host returns, released through their holders
    auto* propLists = static_cast<PropListList*>(std::malloc(sizeof(PropListList)));
    *propLists = {1, static_cast<PropList*>(std::calloc(1, sizeof(PropList)))};
    DisplayInstanceListList displays{1, static_cast<DisplayInstanceList*>(std::calloc(1, sizeof(DisplayInstanceList)))};
    FieldLimitList limits{1, static_cast<FieldLimit*>(std::calloc(1, sizeof(FieldLimit)))};
    limits.items->dataType = ZVI_DATA_TEXT;
    limits.items->u.text.charPattern = strdup("pattern");
    ASSERT_EQ(CopyPropList(propLists->items, &source) + CopyDisplayInstanceList(displays.items, &display), 0u);
    ReleasePropListList(propLists, 1);
    ReleaseDisplayInstanceListList(&displays, 0);
    ReleaseFieldLimitList(&limits, 0);
    ReleaseFieldLimitList(&limits, 0);  // a second release of an emptied list is harmless
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(NameLists, HostItemsBecome255ByteNamesLengthsThatLieReadNothingBeyondAndPackedTextsCountTheTerminator) {
    namespace C = at::Counted;
    const std::string n254(254, 'n'), n300(300, 'x');
    const struct { HostItems items; uint32_t code; std::vector<std::string> names; } cases[] = {
        {{{3, "ab"}, {9, "HelpDesk"}}, 0, {"ab", "HelpDesk"}},
        {{{254, n254.c_str()}}, 0, {n254}},  // 254 converts, 255 does not
        {{{255, n254.c_str()}, {2, "a"}}, 103, {}},
        {{{0xFFFFFFFFu, "a"}}, 103, {}},
        {{{1, "a"}, {0, nullptr}, {2, "b"}}, 0, {"a", "", "b"}},  // length 0: an empty name
        {{{200, "short"}}, 0, {"short"}},                         // longer than the text
        {{{4, "abcdefgh"}}, 0, {"abcd"}},                         // shorter than the text
        {{{254, n300.c_str()}}, 0, {n300.substr(0, 254)}},
        {{{7, nullptr}}, 0, {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.names));
        alloc::Window w;
        Holder holder = hostList(c.items);
        EXPECT_EQ(ConvertNameList(holder.as<NameListHolder>()), c.code);
        std::vector<std::string> names;
        for (uint32_t i = 0; i < raw::u32(holder.bytes, 0); ++i)
            names.emplace_back(raw::inlineText(itemsOf(holder), i * C::name));
        EXPECT_EQ(names, c.names);
        EXPECT_TRUE(c.code || w.sizes().back() == c.items.size() * C::name);
        ReleaseNameList(holder.as<NameList>(), 0);
        EXPECT_EQ(w.liveBlocks(), 0u);  // the host's texts and array are gone either way
    }
    alloc::Window w;  // a text whose length is 0 stays the host's; a list without items is left as it is
    Holder holder = hostList({{0, "kept"}}), untouched;
    char* kept = static_cast<char*>(raw::ptr(itemsOf(holder), C::text));
    untouched.putList(0, 0, &w);
    EXPECT_EQ(ConvertNameList(holder.as<NameListHolder>()) + ConvertNameList(untouched.as<NameListHolder>()), 0u);
    ReleaseNameList(holder.as<NameList>(), 0);
    EXPECT_TRUE(w.liveBlocks() == 1 && itemsOf(untouched) == &w);
    std::free(kept);
    alloc::sweep([](const alloc::Window& sw) {  // no room for the names: 154, the host list freed
        Holder h = hostList({{2, "a"}, {3, "bb"}});
        const uint32_t code = ConvertNameList(h.as<NameListHolder>());
        EXPECT_EQ(code, sw.failed() ? 154u : 0u);
        EXPECT_TRUE(!code || empty(h));
        ReleaseNameList(h.as<NameList>(), 0);
    });

    // Packed, names become counted texts whose length counts the terminator.
    ObjectName source[3] = {"a", "bb"};
    std::memset(source[2], 'z', C::name);  // no terminator in its 255 bytes: cut at 254
    const NameList caller{3, source};
    const uint32_t lengths[] = {2, 3, 255};
    const std::string texts[] = {"a", "bb", std::string(254, 'z')};
    alloc::sweep([&](const alloc::Window& w) {
        Holder holder;  // the request's copy, never failed
        ASSERT_EQ([&] { alloc::Paused request; return CopyNameList(holder.as<NameList>(), &caller); }(), 0u);
        const uint32_t code = PackNameList(holder.as<NameListHolder>());
        EXPECT_EQ(code, w.failed() ? 154u : 0u);
        EXPECT_TRUE(!code || empty(holder));
        for (size_t i = 0; !code && i < 3; ++i)
            EXPECT_TRUE(raw::u32(itemsOf(holder), i * C::size + C::length) == lengths[i] &&
                        raw::text(itemsOf(holder), i * C::size + C::text) == texts[i]);
        ReleaseCountedTextList(holder.as<CountedTextList>(), 0);
    });

    // A text list converted moves the host's texts into the caller's list.
    alloc::sweep([](const alloc::Window& w) {
        Holder host = hostList({{2, "a"}, {0, nullptr}, {3, "bc"}}), caller(0xab);
        const void* first = raw::ptr(itemsOf(host), at::Counted::text);
        const uint32_t code = ConvertTextList(host.as<CountedTextList>(), caller.as<TextList>());
        EXPECT_EQ(code, w.failed() ? 300u : 0u);
        EXPECT_EQ(itemsOf(host), nullptr);
        EXPECT_TRUE(!code || empty(caller));
        if (code) return;
        EXPECT_TRUE(raw::u32(host.bytes, 0) == 3 && raw::u32(caller.bytes, 0) == 3);  // the host's count stays
        const void* texts = itemsOf(caller);
        EXPECT_TRUE(raw::ptr(texts, 0) == first && raw::ptr(texts, 8) == nullptr);  // moved, not copied
        EXPECT_STREQ(raw::text(texts, 16), "bc");
        ReleaseTextList(caller.as<TextList>(), 0);
    });
    alloc::Window late;  // no items: an empty caller list; no caller list: the texts released
    Holder none = hostList({}), to(0xab), unwanted = hostList({{2, "a"}});
    EXPECT_EQ(ConvertTextList(none.as<CountedTextList>(), to.as<TextList>()), 0u);
    EXPECT_TRUE(empty(to));
    EXPECT_EQ(ConvertTextList(unwanted.as<CountedTextList>(), nullptr), 0u);
    EXPECT_EQ(late.liveBlocks(), 0u);
}
