// Values, flat lists and lists of values: what a copy duplicates, what it shares, how
// much room it takes, and what it leaves when the heap runs out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/copies.h"
#include "types/padding.h"
#include "types/types.h"

using namespace zvi;

namespace {

Value scalar(uint32_t dataType, uint64_t bits) {
    Value v{};
    v.dataType = dataType;
    std::memcpy(&v.payload, &bits, sizeof bits);
    return v;
}

// A text or a record behind a value.
template <class T>
Value pointing(uint32_t dataType, const T* record) {
    return scalar(dataType, reinterpret_cast<uintptr_t>(record));
}

// Caller-side records with memory behind them, one per data type that has some.
struct Sources {
    uint8_t bytes[5] = {1, 2, 3, 4, 5};
    ByteList byteList{7, 0, 5, 0, bytes};
    ByteList emptyBytes{7, 0, 0, 0, bytes};
    uint8_t buffer[3] = {9, 8, 7};
    Attachment bufferAttachment{const_cast<char*>("report.txt"), 3, 3, {ZVI_LOC_BUFFER, {}}};
    Attachment emptyBuffer{const_cast<char*>("empty"), 0, 0, {ZVI_LOC_BUFFER, {}}};
    Attachment fileAttachment{const_cast<char*>("data"), 10, 4, {ZVI_LOC_FILENAME, {}}};
    Attachment namelessFile{nullptr, 1, 1, {ZVI_LOC_FILENAME, {}}};
    FuncCurrency functional[2] = {{const_cast<char*>("1.50"), "EUR"}, {nullptr, "GBP"}};
    CurrencyValue currency{const_cast<char*>("12.25"), "USD", 20240101, {2, functional}};
    CurrencyValue bareCurrency{nullptr, "CHF", 5, {0, functional}};
    CurrencyValue textless{nullptr, "CHF", 5, {1, functional + 1}};
    IntPair pairs[3] = {{1, 2}, {3, 4}, {5, 6}};
    IntPairList intPairs{3, pairs};

    Sources() {
        bufferAttachment.locator.u.mem.bufSize = 3;
        bufferAttachment.locator.u.mem.buffer = buffer;
        emptyBuffer.locator.u.mem.buffer = buffer;  // a size of 0 makes it no locator
        fileAttachment.locator.u.fileName = const_cast<char*>("/tmp/data.bin");
    }

    // All but a currency value with texts, whose failures are silent (see below).
    std::vector<Value> withMemory() {
        std::vector<Value> v;
        for (uint32_t t : {4u, 5u, 10u, 42u, 43u}) v.push_back(pointing(t, "some text"));
        v.push_back(pointing(ZVI_DATA_BYTES, &byteList));
        for (Attachment* a : {&bufferAttachment, &fileAttachment, &emptyBuffer, &namelessFile})
            v.push_back(pointing(ZVI_DATA_ATTACHMENT, a));
        v.push_back(pointing(ZVI_DATA_CURRENCY, &textless));
        v.push_back(pointing(ZVI_DATA_INT_PAIRS, &intPairs));
        return v;
    }
};

// Copies from: the allocations have the sizes given, check sees the copy, and its
// release empties it and leaves nothing.
void copyAndRelease(const Value& from, const std::vector<size_t>& sizes,
                    const std::function<void(const Value&)>& check) {
    alloc::Window w;
    Value to{};
    ASSERT_EQ(CopyValue(&to, &from), 0u);
    EXPECT_EQ(w.sizes(), sizes) << "data type " << from.dataType;
    check(to);
    ReleaseValue(&to, 0);
    EXPECT_EQ(to.dataType, 0u);
    EXPECT_EQ(to.payload.ptr, nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

// Copies a flat list, which must match its source, zero-filled up to the room
// allocated; returns the sizes allocated. The release leaves the list empty.
template <class L>
std::vector<size_t> room(uint32_t (*copy)(L*, const L*), void (*release)(L*, uint8_t), const L& source) {
    alloc::Window w;
    L d{};
    EXPECT_EQ(copy(&d, &source), 0u);
    EXPECT_EQ(d.numItems, source.numItems);
    const size_t used = source.numItems * sizeof *d.items;
    EXPECT_EQ(std::memcmp(d.items, source.items, used), 0);
    const auto* bytes = reinterpret_cast<const uint8_t*>(d.items);
    EXPECT_TRUE(std::all_of(bytes + used, bytes + w.sizes().at(0), [](uint8_t b) { return b == 0; }));
    release(&d, 0);
    EXPECT_EQ(d.numItems, 0u);
    EXPECT_EQ(d.items, nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
    return w.sizes();
}

// The only allocation of a flat-list copy fails: the status, and what is left.
template <class L>
void failOnce(uint32_t (*copy)(L*, const L*), const L& source, uint32_t code, uint32_t count = 0) {
    alloc::Window w(1);
    L d;
    std::memset(static_cast<void*>(&d), 0xab, sizeof d);
    EXPECT_EQ(copy(&d, &source), code);
    EXPECT_EQ(d.numItems, count);
    EXPECT_EQ(d.items, nullptr);
}

}  // namespace

TEST(CopyValue, DuplicatesTextsAndPassesOnTheRest) {
    const char* hello = "hello";
    for (uint32_t type : {4u, 5u, 10u, 42u, 43u}) {
        copyAndRelease(pointing(type, hello), {6}, [&](const Value& to) {
            EXPECT_NE(to.payload.text, hello);
            EXPECT_STREQ(to.payload.text, "hello");
        });
    }
    // A null text, scalars, unknown tags and the records of tags 49 and 50 (which the
    // release must not free) are the caller's bytes.
    Attachment shared{};
    for (const Value& from : {pointing<char>(4, nullptr), scalar(0, 0), scalar(1, 7), scalar(2, 0xfffffffe),
                              scalar(3, 0x400921fb54442d18), scalar(6, 3), scalar(7, 1700000000), scalar(8, 5),
                              scalar(13, 1), scalar(14, 2), scalar(30, 9), scalar(40, 11),
                              scalar(77, 0x1122334455667788), pointing(49, &shared), pointing(50, &shared)}) {
        Value expected = from;  // the caller's bytes, with zeros where the record has padding
        zvi::clearPadding(&expected);
        copyAndRelease(from, {}, [&](const Value& to) { EXPECT_EQ(std::memcmp(&to, &expected, sizeof to), 0); });
    }
}

TEST(CopyValue, DuplicatesTheRecordsBehindPayloads) {
    Sources s;
    constexpr size_t kAttachment = sizeof(Attachment);
    auto noLocator = [](const Value& to) {  // a buffer of size 0 and a file without a name
        const Attachment& a = *to.payload.attachment;
        EXPECT_TRUE(a.locator.locType == ZVI_LOC_NONE && a.locator.u.mem.bufSize == 0 && a.locator.u.mem.buffer == nullptr);
    };
    const struct {
        Value from;
        std::vector<size_t> sizes;
        std::function<void(const Value&)> check;
    } cases[] = {
        {pointing(ZVI_DATA_BYTES, &s.byteList), {sizeof(ByteList), 5}, [&](const Value& to) {
             EXPECT_EQ(to.payload.byteList->kind, 7u);
             EXPECT_EQ(std::memcmp(to.payload.byteList->bytes, s.bytes, 5), 0);
         }},
        {pointing(ZVI_DATA_BYTES, &s.emptyBytes), {sizeof(ByteList)},  // no bytes: none of the caller's
         [](const Value& to) { EXPECT_EQ(to.payload.byteList->bytes, nullptr); }},
        {pointing(ZVI_DATA_ATTACHMENT, &s.bufferAttachment), {kAttachment, 11, 3}, [&](const Value& to) {
             const Attachment& a = *to.payload.attachment;
             EXPECT_STREQ(a.name, "report.txt");
             EXPECT_TRUE(a.locator.locType == ZVI_LOC_BUFFER && a.locator.u.mem.bufSize == 3);
             EXPECT_EQ(std::memcmp(a.locator.u.mem.buffer, s.buffer, 3), 0);
         }},
        {pointing(ZVI_DATA_ATTACHMENT, &s.fileAttachment), {kAttachment, 5, 14},
         [](const Value& to) { EXPECT_STREQ(to.payload.attachment->locator.u.fileName, "/tmp/data.bin"); }},
        {pointing(ZVI_DATA_ATTACHMENT, &s.emptyBuffer), {kAttachment, 6}, noLocator},
        {pointing(ZVI_DATA_ATTACHMENT, &s.namelessFile), {kAttachment}, noLocator},
        {pointing(ZVI_DATA_CURRENCY, &s.currency), {sizeof(CurrencyValue), 6, 2 * sizeof(FuncCurrency), 5}, [](const Value& to) {
             const CurrencyValue& c = *to.payload.currency;
             EXPECT_STREQ(c.value, "12.25");
             EXPECT_STREQ(c.currencyCode, "USD");
             EXPECT_EQ(c.conversionDate, 20240101);
             ASSERT_EQ(c.funcList.numItems, 2u);
             EXPECT_STREQ(c.funcList.items[0].value, "1.50");
             EXPECT_STREQ(c.funcList.items[1].currencyCode, "GBP");
             EXPECT_EQ(c.funcList.items[1].value, nullptr);
         }},
        {pointing(ZVI_DATA_CURRENCY, &s.bareCurrency), {sizeof(CurrencyValue)},  // no function list: none of the caller's
         [](const Value& to) { EXPECT_EQ(to.payload.currency->funcList.items, nullptr); }},
        {pointing(ZVI_DATA_INT_PAIRS, &s.intPairs), {sizeof(IntPairList), 3 * sizeof(IntPair)}, [](const Value& to) {
             ASSERT_EQ(to.payload.intPairs->numItems, 3u);
             EXPECT_EQ(to.payload.intPairs->items[2].second, 6);
         }},
    };
    for (const auto& c : cases) copyAndRelease(c.from, c.sizes, c.check);
}

TEST(CopyValue, OutOfMemoryLeavesNothingButCurrencyTextsAreDropped) {
    Sources s;
    // A currency value keeps its holder when its function list fails (below).
    for (const Value& v : s.withMemory()) {
        if (v.dataType != ZVI_DATA_CURRENCY) copies::sweep<Value>(CopyValue, ReleaseValue, &v, {}, {}, true);
    }
    const Value from = pointing(ZVI_DATA_CURRENCY, &s.currency);
    // 1: the holder, 2: the value text, 3: the function array, 4 and on: element texts.
    for (size_t failAt : {2u, 4u}) {
        alloc::Window w(failAt);
        Value to{};
        EXPECT_EQ(CopyValue(&to, &from), 0u);
        EXPECT_EQ(to.payload.currency->value == nullptr, failAt == 2);
        EXPECT_EQ(to.payload.currency->funcList.items[0].value == nullptr, failAt == 4);
        ReleaseValue(&to, 0);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
    alloc::Window w(3);
    Value to{};
    EXPECT_EQ(CopyValue(&to, &from), 300u);
    ASSERT_NE(to.payload.currency, nullptr);  // the zeroed holder stays for the release
    EXPECT_EQ(to.payload.currency->value, nullptr);
    EXPECT_EQ(to.payload.currency->funcList.items, nullptr);
    EXPECT_EQ(w.liveBlocks(), 1u);
    ReleaseValue(&to, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(FlatLists, RoomZeroFillAndFailures) {
    std::vector<ObjectName> names(25);
    for (size_t i = 0; i < names.size(); ++i) std::snprintf(names[i], sizeof(ObjectName), "Form%zu", i);
    std::vector<uint32_t> ids(100);
    for (uint32_t i = 0; i < 100; ++i) ids[i] = 1000 + i;
    IndexDef index[2]{};
    index[1].numFields = 2;
    index[1].fieldIds[1] = 8;
    std::strcpy(index[1].indexName, "byOwner");
    using Sizes = std::vector<size_t>;
    // Names: room for count/10*10+10; identifiers of requests: count/100*100+100.
    EXPECT_EQ(room(CopyNameList, ReleaseNameList, NameList{25, names.data()}), Sizes{30 * 255});
    EXPECT_EQ(room(CopyNameList, ReleaseNameList, NameList{10, names.data()}), Sizes{20 * 255});
    EXPECT_EQ(room(CopyIdList, ReleaseIdList, IdList{100, ids.data()}), Sizes{200 * 4});
    EXPECT_EQ(room(CopyIdListExact, ReleaseIdList, IdList{3, ids.data()}), Sizes{3 * 4});
    EXPECT_EQ(room(CopyIdListZeroed, ReleaseIdList, IdList{3, ids.data()}), Sizes{3 * 4});
    EXPECT_EQ(room(CopyIndexList, ReleaseIndexList, IndexList{2, index}), Sizes{2 * sizeof(IndexDef)});

    // The only allocation fails: 300 with an empty list, or a list silently dropped.
    EntryId entryIds[2] = {"000000000000001", "000000000000002"};
    SortItem sorts[1] = {{1, 2}};
    EntryListField fields[1] = {{1, 20, "|"}};
    Permission perms[1] = {{3, 1}};
    uint8_t flags[2] = {1, 0};
    EnumItem items[1] = {{"Open", 0}};
    failOnce(CopyIdList, IdList{3, ids.data()}, 300);
    failOnce(CopyIdListExact, IdList{3, ids.data()}, 300);
    failOnce(CopyIdListZeroed, IdList{3, ids.data()}, 300);
    failOnce(CopyNameList, NameList{3, names.data()}, 300);
    failOnce(CopyEntryIdList, EntryIdList{2, entryIds}, 300, 2);  // the count stays as copied
    failOnce(CopySortList, SortList{1, sorts}, 0);
    failOnce(CopyEntryListFieldList, EntryListFieldList{1, fields}, 0);
    failOnce(CopyIndexList, IndexList{1, index}, 0);
    failOnce(CopyPermissionList, PermissionList{1, perms}, 300);
    failOnce(CopyFlagList, FlagList{2, flags}, 300);
    failOnce(CopyEnumItemList, EnumItemList{1, items}, 300);

    // Null sources: the identifiers of a request leave the destination alone, the
    // others empty it; an empty one is copied as it stands, with a null array.
    alloc::Window w;
    IdList idDest{5, ids.data()};
    NameList nameDest{5, names.data()};
    const IdList emptyIds{0, ids.data()};
    EXPECT_EQ(CopyIdList(&idDest, nullptr) + CopyNameList(&nameDest, nullptr), 0u);
    EXPECT_EQ(idDest.items, ids.data());
    EXPECT_TRUE(nameDest.numItems == 0 && nameDest.items == nullptr);
    EXPECT_EQ(CopyIdList(&idDest, &emptyIds), 0u);
    EXPECT_TRUE(idDest.numItems == 0 && idDest.items == nullptr);
    EXPECT_EQ(CopyIdList(nullptr, nullptr) + CopyNameList(nullptr, nullptr), 0u);
    EXPECT_EQ(w.allocations(), 0u);
}

TEST(ValueLists, DeepCopyReleaseAndOutOfMemory) {
    Sources s;
    std::vector<Value> values = s.withMemory();
    values.push_back(scalar(2, 42));
    std::vector<FieldValue> fields;
    for (size_t i = 0; i < values.size(); ++i) fields.push_back({static_cast<uint32_t>(100 + i), values[i]});
    const ValueList list{static_cast<uint32_t>(values.size()), values.data()};
    const FieldValueList fieldList{static_cast<uint32_t>(fields.size()), fields.data()};
    // A failed copy leaves an empty list; in a complete one every payload but the
    // integer's points to memory of the copy's own.
    auto empty = [](const auto& copy) {
        EXPECT_EQ(copy.numItems, 0u);
        EXPECT_EQ(copy.items, nullptr);
    };
    auto own = [&](const Value& copy, size_t i) {
        EXPECT_EQ(copy.dataType, values[i].dataType);
        EXPECT_EQ(copy.payload.ptr == values[i].payload.ptr, i + 1 == values.size()) << i;
    };
    auto valuesCopied = [&](const ValueList& c) {
        ASSERT_EQ(c.numItems, values.size());
        for (size_t i = 0; i < values.size(); ++i) own(c.items[i], i);
        EXPECT_STREQ(c.items[0].payload.text, "some text");
    };
    auto fieldsCopied = [&](const FieldValueList& c) {
        ASSERT_EQ(c.numItems, fields.size());
        for (size_t i = 0; i < fields.size(); ++i) {
            EXPECT_EQ(c.items[i].fieldId, 100 + i);
            own(c.items[i].value, i);
        }
    };
    EXPECT_GT(copies::sweep<ValueList>(CopyValueList, ReleaseValueList, &list, valuesCopied, empty, true), values.size());
    copies::sweep<FieldValueList>(CopyFieldValueList, ReleaseFieldValueList, &fieldList, fieldsCopied, empty, true);

    // Null and empty sources give empty lists without an allocation.
    const ValueList emptyValues{0, values.data()};
    const FieldValueList emptyFields{0, fields.data()};
    alloc::Window w;
    for (bool null : {false, true}) {
        ValueList copy = list;
        FieldValueList fieldCopy = fieldList;
        EXPECT_EQ(CopyValueList(&copy, null ? nullptr : &emptyValues), 0u);
        EXPECT_EQ(CopyFieldValueList(&fieldCopy, null ? nullptr : &emptyFields), 0u);
        empty(copy);
        empty(fieldCopy);
    }
    EXPECT_EQ(w.allocations(), 0u);
}

TEST(ResultLists, ReleaseEveryLevel) {
    alloc::Window w;
    auto heap = [](auto... items) {
        using T = std::common_type_t<decltype(items)...>;
        auto* p = static_cast<T*>(std::malloc(sizeof...(items) * sizeof(T)));
        size_t i = 0;
        ((p[i++] = items), ...);
        return p;
    };
    auto fieldValues = [&](const char* s) {
        return FieldValueList{2, heap(FieldValue{1, pointing(4, strdup(s))}, FieldValue{2, scalar(2, 7)})};
    };
    auto entryIds = [] { return EntryIdList{1, static_cast<EntryId*>(std::calloc(1, sizeof(EntryId)))}; };

    FieldValueListList rows{2, heap(fieldValues("a"), fieldValues("b"))};
    ReleaseFieldValueListList(&rows, 0);
    EXPECT_EQ(rows.items, nullptr);
    auto* entries = heap(EntryFieldValuesList{1, heap(EntryFieldValues{entryIds(), heap(fieldValues("c"))})});
    ReleaseEntryFieldValuesList(entries, 1);
    IdListList idLists{3, heap(IdList{2, heap(1u, 2u)}, IdList{0, nullptr}, IdList{1, heap(3u)})};
    ReleaseIdListList(&idLists, 0);
    EntryIdListList entryIdLists{1, heap(entryIds())};
    ReleaseEntryIdListList(&entryIdLists, 0);
    TextPairList pairs{2, heap(TextPair{1, strdup("x"), nullptr}, TextPair{2, strdup("y"), strdup("z")})};
    ReleaseTextPairList(&pairs, 0);
    EXPECT_EQ(pairs.numItems, 0u);

    // Multi-form rows, their columns and the columns' values.
    auto column = [](const char* s) { return MultiFieldValue{"A", 8, 1, pointing(4, strdup(s))}; };
    MultiFieldValueList row{2, heap(column("v"), column("w"))};
    ReleaseMultiFieldValueList(&row, 0);
    EXPECT_EQ(row.items, nullptr);
    MultiFieldValueListList multiRows{1, heap(MultiFieldValueList{1, heap(column("x"))})};
    ReleaseMultiFieldValueListList(&multiRows, 0);
    ReleaseMultiFieldValueListList(&multiRows, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}
