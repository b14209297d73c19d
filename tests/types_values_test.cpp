// Values, flat lists and lists of values: what a copy duplicates and shares, the room
// it takes, what it leaves when the heap runs out, and the release of result lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "tests/support/copies.h"
#include "types/padding.h"
#include "types/types.h"

using namespace zvi;

namespace {

Value pointing(uint32_t dataType, const void* record) {
    Value v{dataType, {}};
    v.payload.ptr = const_cast<void*>(record);
    return v;
}

// Caller-side records with memory behind them, one per data type that has some.
struct Sources {
    uint8_t bytes[5] = {1, 2, 3, 4, 5};
    ByteList byteList{7, 0, 5, 0, bytes}, emptyBytes{7, 0, 0, 0, bytes};
    Attachment buffer{const_cast<char*>("report.txt"), 3, 3, {ZVI_LOC_BUFFER, {}}};
    Attachment emptyBuffer{const_cast<char*>("empty"), 0, 0, {ZVI_LOC_BUFFER, {}}};  // a size of 0: no locator
    Attachment file{const_cast<char*>("data"), 10, 4, {ZVI_LOC_FILENAME, {}}};
    Attachment namelessFile{nullptr, 1, 1, {ZVI_LOC_FILENAME, {}}};
    FuncCurrency functional[2] = {{const_cast<char*>("1.50"), "EUR"}, {nullptr, "GBP"}};
    CurrencyValue currency{const_cast<char*>("12.25"), "USD", 20240101, {2, functional}};
    CurrencyValue bare{nullptr, "CHF", 5, {0, functional}}, textless{nullptr, "CHF", 5, {1, functional + 1}};
    IntPair pairs[3] = {{1, 2}, {3, 4}, {5, 6}};
    IntPairList intPairs{3, pairs};

    Sources() {
        buffer.locator.u.mem = {3, bytes};
        emptyBuffer.locator.u.mem.buffer = bytes;
        file.locator.u.fileName = const_cast<char*>("/tmp/data.bin");
    }
    // Each a copy duplicates through a failed allocation without holding anything.
    std::vector<Value> withMemory() {
        std::vector<Value> v{pointing(ZVI_DATA_BYTES, &byteList), pointing(ZVI_DATA_INT_PAIRS, &intPairs)};
        for (uint32_t t : {4u, 5u, 10u, 42u, 43u}) v.push_back(pointing(t, "hello"));
        for (Attachment* a : {&buffer, &file, &emptyBuffer, &namelessFile})
            v.push_back(pointing(ZVI_DATA_ATTACHMENT, a));
        return v;
    }
};

void same(const void* copy, const void* expected, size_t n) { EXPECT_EQ(std::memcmp(copy, expected, n), 0); }

}  // namespace

TEST(CopyValue, EveryDataTypeDuplicatesItsMemoryThroughEachFailedAllocation) {
    Sources s;
    auto noLocator = [](const Value& to) {  // a buffer of size 0 and a file without a name
        const Locator& l = to.payload.attachment->locator;
        EXPECT_TRUE(l.locType == ZVI_LOC_NONE && l.u.mem.bufSize == 0 && l.u.mem.buffer == nullptr);
    };
    // The rows of withMemory(), in its order. Typed in: a ByteList is 24 bytes, an
    // IntPairList 16, an Attachment 40, a CurrencyValue 32.
    auto text = [](const Value& to) { same(to.payload.text, "hello", 6); };
    const std::tuple<std::vector<size_t>, copies::Look<Value>> rows[] = {
        {{24, 5}, [&](const Value& to) { same(to.payload.byteList->bytes, s.bytes, 5); }},
        {{16, 3 * 8}, [&](const Value& to) { same(to.payload.intPairs->items, s.pairs, 24); }},
        {{6}, text}, {{6}, text}, {{6}, text}, {{6}, text}, {{6}, text},
        {{40, 11, 3}, [&](const Value& to) { same(to.payload.attachment->locator.u.mem.buffer, s.bytes, 3); }},
        {{40, 5, 14}, [](const Value& to) { same(to.payload.attachment->locator.u.fileName, "/tmp/data.bin", 14); }},
        {{40, 6}, noLocator},
        {{40}, noLocator},
    };
    const std::vector<Value> values = s.withMemory();
    for (size_t i = 0; i < values.size(); ++i)
        copies::sweep(CopyValue, ReleaseValue, &values[i], std::get<0>(rows[i]), std::get<1>(rows[i]), {}, true);
    const Value empty = pointing(ZVI_DATA_BYTES, &s.emptyBytes), bare = pointing(ZVI_DATA_CURRENCY, &s.bare);
    copies::sweep(CopyValue, ReleaseValue, &empty, {24},
                  [](const Value& to) { EXPECT_EQ(to.payload.byteList->bytes, nullptr); });
    auto noList = [](const Value& to) { EXPECT_TRUE(!to.payload.currency || !to.payload.currency->funcList.items); };
    copies::sweep(CopyValue, ReleaseValue, &bare, {32}, noList);
    const Value textless = pointing(ZVI_DATA_CURRENCY, &s.textless);  // its holder stays when the list fails
    copies::sweep(CopyValue, ReleaseValue, &textless, {32, 16}, {}, noList);

    // A null text, scalars, unknown tags and the records of tags 49 and 50 (which the
    // release must not free) are the caller's bytes, with zeros where a record has padding.
    Attachment shared{};
    Value real{3, {}}, unknown{77, {}};
    real.payload.real = 3.25;
    std::memset(&unknown.payload, 0x5c, sizeof unknown.payload);
    for (const Value& from : {pointing(4, nullptr), Value{2, {0xfffffffe}}, real, unknown, pointing(49, &shared),
                              pointing(50, &shared)}) {
        Value expected = from;
        zvi::clearPadding(&expected);
        auto kept = [&](const Value& to) { same(&to, &expected, 16); };
        EXPECT_EQ(copies::sweep(CopyValue, ReleaseValue, &from, {}, kept), 0u);
    }
}

TEST(CopyValue, ACurrencyValueDropsTextsItCannotCopyAndItsReleaseEmptiesIt) {
    Sources s;
    const Value from = pointing(ZVI_DATA_CURRENCY, &s.currency);
    // 1: the holder, 2: the value text, 3: the function array, 4 and on: element texts.
    for (size_t failAt : {2u, 3u, 4u}) {
        alloc::Window w(failAt);
        Value to{};
        EXPECT_EQ(CopyValue(&to, &from), failAt == 3 ? 300u : 0u);
        const CurrencyValue& c = *to.payload.currency;
        EXPECT_EQ(c.value == nullptr, failAt != 4);
        EXPECT_EQ(c.funcList.items == nullptr, failAt == 3);
        EXPECT_TRUE(failAt != 4 || c.funcList.items[0].value == nullptr);
        ReleaseValue(&to, 0);
        EXPECT_TRUE(to.dataType == 0 && to.payload.ptr == nullptr && w.liveBlocks() == 0);
    }
}

TEST(FlatLists, RoomZeroFillAndFailures) {
    std::vector<ObjectName> names(25);
    std::vector<uint32_t> ids(100, 7);
    IndexDef index[2]{};
    EntryId entryIds[2] = {"000000000000001", "000000000000002"};
    // A copy matches its source, zero-filled up to the room allocated (names:
    // count/10*10+10, identifiers of requests: count/100*100+100); the release empties
    // it. When its only allocation fails: 300 with an empty list or a list silently
    // dropped, and a list of entry identifiers keeps its count.
    auto check = [](auto copy, auto release, auto source, size_t room, uint32_t code, uint32_t kept = 0) {
        SCOPED_TRACE(room);
        alloc::Window w;
        decltype(source) d{};
        EXPECT_EQ(copy(&d, &source), 0u);
        EXPECT_EQ(w.sizes(), std::vector<size_t>{room});
        const size_t used = source.numItems * sizeof *d.items;
        const auto* bytes = reinterpret_cast<const uint8_t*>(d.items);
        same(bytes, source.items, used);
        EXPECT_TRUE(std::all_of(bytes + used, bytes + room, [](uint8_t b) { return b == 0; }));
        release(&d, 0);
        EXPECT_TRUE(d.numItems == 0 && d.items == nullptr && w.liveBlocks() == 0);
        alloc::Window fail(1);
        EXPECT_EQ(copy(&d, &source), code);
        EXPECT_TRUE(d.numItems == kept && d.items == nullptr);
    };
    check(CopyNameList, ReleaseNameList, NameList{25, names.data()}, 30 * 255, 300);
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

TEST(ValueLists, DeepCopyReleaseAndOutOfMemory) {
    Sources s;
    std::vector<Value> values = s.withMemory();
    std::vector<FieldValue> fields;
    for (size_t i = 0; i < values.size(); ++i) fields.push_back({static_cast<uint32_t>(100 + i), values[i]});
    const ValueList list{static_cast<uint32_t>(values.size()), values.data()};
    const FieldValueList fieldList{static_cast<uint32_t>(fields.size()), fields.data()}, none{0, fields.data()};
    // A failed copy leaves an empty list; in a complete one every payload is the copy's own.
    auto empty = [](const auto& copy) { EXPECT_TRUE(copy.numItems == 0 && copy.items == nullptr); };
    copies::sweep(CopyValueList, ReleaseValueList, &list, {}, [&](const ValueList& c) {
        ASSERT_EQ(c.numItems, values.size());
        for (size_t i = 0; i < values.size(); ++i) EXPECT_NE(c.items[i].payload.ptr, values[i].payload.ptr);
    }, empty, true);
    copies::sweep(CopyFieldValueList, ReleaseFieldValueList, &fieldList, {}, [&](const FieldValueList& c) {
        ASSERT_EQ(c.numItems, fields.size());
        EXPECT_EQ(c.items[3].fieldId, 103u);
        EXPECT_NE(c.items[3].value.payload.text, values[3].payload.text);
    }, empty, true);
    // Null and empty sources give empty lists without an allocation.
    EXPECT_EQ(copies::sweep(CopyValueList, ReleaseValueList, static_cast<const ValueList*>(nullptr), {}, empty), 0u);
    EXPECT_EQ(copies::sweep(CopyFieldValueList, ReleaseFieldValueList, &none, {}, empty), 0u);
}

TEST(ResultLists, ReleaseEveryLevel) {
    alloc::Window w;
    auto ids = [](uint32_t n) { return IdList{n, static_cast<uint32_t*>(std::calloc(n, 4))}; };
    auto column = [](const char* s) { return MultiFieldValue{"A", 8, 1, pointing(4, strdup(s))}; };
    IdListList idLists{3, new (std::malloc(3 * sizeof(IdList))) IdList[3]{ids(2), {0, nullptr}, ids(1)}};
    TextPairList pairs{2, new (std::malloc(2 * sizeof(TextPair))) TextPair[2]{{1, strdup("x"), nullptr},
                                                                              {2, strdup("y"), strdup("z")}}};
    auto* row = new (std::malloc(2 * sizeof(MultiFieldValue))) MultiFieldValue[2]{column("x"), column("y")};
    MultiFieldValueListList rows{1, new (std::malloc(sizeof(MultiFieldValueList))) MultiFieldValueList{2, row}};
    ReleaseIdListList(&idLists, 0);
    ReleaseTextPairList(&pairs, 0);
    ReleaseMultiFieldValueListList(&rows, 0);
    ReleaseMultiFieldValueListList(&rows, 0);  // a second release of an emptied list is harmless
    EXPECT_TRUE(idLists.items == nullptr && pairs.numItems == 0 && rows.items == nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
}
