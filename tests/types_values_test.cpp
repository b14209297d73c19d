// Values, flat lists and lists of values: what a copy duplicates, what it shares, how
// much room it takes, and what it leaves when the heap runs out.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/alloc_injector.h"
#include "types/types.h"

using namespace zvi;

namespace {

Value text(uint32_t dataType, const char* s) {
    Value v{};
    v.dataType = dataType;
    v.payload.text = const_cast<char*>(s);
    return v;
}

Value scalar(uint32_t dataType, uint64_t bits) {
    Value v{};
    v.dataType = dataType;
    std::memcpy(&v.payload, &bits, sizeof bits);
    return v;
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
    IntPair pairs[3] = {{1, 2}, {3, 4}, {5, 6}};
    IntPairList intPairs{3, pairs};
    Attachment shared{const_cast<char*>("shared"), 0, 0, {}};

    Sources() {
        bufferAttachment.locator.u.mem.bufSize = 3;
        bufferAttachment.locator.u.mem.buffer = buffer;
        emptyBuffer.locator.u.mem.buffer = buffer;  // a size of 0 makes it no locator
        fileAttachment.locator.u.fileName = const_cast<char*>("/tmp/data.bin");
    }

    std::vector<Value> withMemory() {
        std::vector<Value> v;
        for (uint32_t t : {4u, 5u, 10u, 42u, 43u}) v.push_back(text(t, "some text"));
        Value b{ZVI_DATA_BYTES, {}};
        b.payload.byteList = &byteList;
        v.push_back(b);
        for (Attachment* a : {&bufferAttachment, &fileAttachment, &emptyBuffer, &namelessFile}) {
            Value x{ZVI_DATA_ATTACHMENT, {}};
            x.payload.attachment = a;
            v.push_back(x);
        }
        for (CurrencyValue* c : {&currency, &bareCurrency}) {
            Value x{ZVI_DATA_CURRENCY, {}};
            x.payload.currency = c;
            v.push_back(x);
        }
        Value p{ZVI_DATA_INT_PAIRS, {}};
        p.payload.intPairs = &intPairs;
        v.push_back(p);
        return v;
    }
};

}  // namespace

TEST(CopyValue, DuplicatesTextsAndKeepsScalars) {
    for (uint32_t type : {4u, 5u, 10u, 42u, 43u}) {
        const char* source = "hello";
        Value from = text(type, source), to{};
        alloc::Window w;
        ASSERT_EQ(CopyValue(&to, &from), 0u);
        EXPECT_EQ(to.dataType, type);
        EXPECT_NE(to.payload.text, source);
        EXPECT_STREQ(to.payload.text, "hello");
        EXPECT_EQ(w.sizes(), std::vector<size_t>{6});
        ReleaseValue(&to, 0);
        EXPECT_EQ(to.dataType, 0u);
        EXPECT_EQ(to.payload.ptr, nullptr);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
    // A null text stays null; scalars and unknown tags are the caller's 8 bytes.
    for (Value from : {text(4, nullptr), scalar(0, 0), scalar(1, 7), scalar(2, 0xfffffffe), scalar(3, 0x400921fb54442d18),
                       scalar(6, 3), scalar(7, 1700000000), scalar(8, 5), scalar(13, 1), scalar(14, 2), scalar(30, 9),
                       scalar(40, 11), scalar(77, 0x1122334455667788)}) {
        Value to{};
        alloc::Window w;
        ASSERT_EQ(CopyValue(&to, &from), 0u);
        EXPECT_EQ(std::memcmp(&to, &from, sizeof to), 0) << from.dataType;
        ReleaseValue(&to, 0);
        EXPECT_EQ(w.allocations(), 0u);
    }
}

TEST(CopyValue, DuplicatesRecordsBehindPayloads) {
    Sources s;
    alloc::Window w;
    Value from{ZVI_DATA_BYTES, {}}, to{};
    from.payload.byteList = &s.byteList;
    ASSERT_EQ(CopyValue(&to, &from), 0u);
    ASSERT_NE(to.payload.byteList, &s.byteList);
    EXPECT_EQ(to.payload.byteList->kind, 7u);
    ASSERT_NE(to.payload.byteList->bytes, s.bytes);
    EXPECT_EQ(std::memcmp(to.payload.byteList->bytes, s.bytes, 5), 0);
    EXPECT_EQ(w.sizes(), (std::vector<size_t>{24, 5}));
    ReleaseValue(&to, 0);

    from.payload.byteList = &s.emptyBytes;  // no bytes: a null pointer, not the caller's
    ASSERT_EQ(CopyValue(&to, &from), 0u);
    EXPECT_EQ(to.payload.byteList->bytes, nullptr);
    ReleaseValue(&to, 0);

    from = {ZVI_DATA_ATTACHMENT, {}};
    from.payload.attachment = &s.bufferAttachment;
    ASSERT_EQ(CopyValue(&to, &from), 0u);
    Attachment* a = to.payload.attachment;
    EXPECT_STREQ(a->name, "report.txt");
    EXPECT_NE(a->name, s.bufferAttachment.name);
    EXPECT_EQ(a->origSize, 3);
    EXPECT_EQ(a->locator.locType, uint32_t{ZVI_LOC_BUFFER});
    EXPECT_EQ(a->locator.u.mem.bufSize, 3u);
    EXPECT_NE(a->locator.u.mem.buffer, s.buffer);
    EXPECT_EQ(std::memcmp(a->locator.u.mem.buffer, s.buffer, 3), 0);
    ReleaseValue(&to, 0);

    from.payload.attachment = &s.fileAttachment;
    ASSERT_EQ(CopyValue(&to, &from), 0u);
    EXPECT_STREQ(to.payload.attachment->locator.u.fileName, "/tmp/data.bin");
    EXPECT_NE(to.payload.attachment->locator.u.fileName, s.fileAttachment.locator.u.fileName);
    ReleaseValue(&to, 0);

    // A buffer of size 0 and a file without a name both become no locator.
    for (Attachment* empty : {&s.emptyBuffer, &s.namelessFile}) {
        from.payload.attachment = empty;
        ASSERT_EQ(CopyValue(&to, &from), 0u);
        EXPECT_EQ(to.payload.attachment->locator.locType, uint32_t{ZVI_LOC_NONE});
        EXPECT_EQ(to.payload.attachment->locator.u.mem.bufSize, 0u);
        EXPECT_EQ(to.payload.attachment->locator.u.mem.buffer, nullptr);
        ReleaseValue(&to, 0);
    }

    from = {ZVI_DATA_CURRENCY, {}};
    from.payload.currency = &s.currency;
    ASSERT_EQ(CopyValue(&to, &from), 0u);
    CurrencyValue* c = to.payload.currency;
    EXPECT_STREQ(c->value, "12.25");
    EXPECT_NE(c->value, s.currency.value);
    EXPECT_STREQ(c->currencyCode, "USD");
    EXPECT_EQ(c->conversionDate, 20240101);
    ASSERT_EQ(c->funcList.numItems, 2u);
    EXPECT_NE(c->funcList.items, s.functional);
    EXPECT_STREQ(c->funcList.items[0].value, "1.50");
    EXPECT_NE(c->funcList.items[0].value, s.functional[0].value);
    EXPECT_STREQ(c->funcList.items[1].currencyCode, "GBP");
    EXPECT_EQ(c->funcList.items[1].value, nullptr);
    ReleaseValue(&to, 0);

    from.payload.currency = &s.bareCurrency;  // no function list: none of the caller's array
    ASSERT_EQ(CopyValue(&to, &from), 0u);
    EXPECT_EQ(to.payload.currency->funcList.numItems, 0u);
    EXPECT_EQ(to.payload.currency->funcList.items, nullptr);
    ReleaseValue(&to, 0);

    from = {ZVI_DATA_INT_PAIRS, {}};
    from.payload.intPairs = &s.intPairs;
    ASSERT_EQ(CopyValue(&to, &from), 0u);
    ASSERT_EQ(to.payload.intPairs->numItems, 3u);
    EXPECT_NE(to.payload.intPairs->items, s.pairs);
    EXPECT_EQ(to.payload.intPairs->items[2].second, 6);
    ReleaseValue(&to, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyValue, SharesRecordsOfTags49And50) {
    Sources s;
    for (uint32_t type : {49u, 50u}) {
        Value from{type, {}}, to{};
        from.payload.attachment = &s.shared;
        alloc::Window w;
        ASSERT_EQ(CopyValue(&to, &from), 0u);
        EXPECT_EQ(to.payload.attachment, &s.shared);
        ReleaseValue(&to, 0);  // would crash freeing a caller's stack record
        EXPECT_EQ(w.allocations(), 0u);
    }
}

TEST(CopyValue, OutOfMemoryLeavesAReleasableValue) {
    Sources s;
    for (const Value& from : s.withMemory()) {
        alloc::sweep([&](const alloc::Window& w) {
            Value to;
            std::memset(&to, 0xab, sizeof to);
            const uint32_t code = CopyValue(&to, &from);
            // Texts of a currency value that cannot be duplicated are dropped silently.
            if (w.failed() && from.dataType != ZVI_DATA_CURRENCY) { EXPECT_EQ(code, 300u) << from.dataType; }
            if (!w.failed()) { EXPECT_EQ(code, 0u); }
            ReleaseValue(&to, 0);
        });
    }
}

TEST(CopyValue, CurrencyFailuresFollowTheirOwnRules) {
    Sources s;
    Value from{ZVI_DATA_CURRENCY, {}};
    from.payload.currency = &s.currency;
    // 1: the holder, 2: the value text, 3: the function array, 4 and on: element texts.
    {
        alloc::Window w(2);
        Value to{};
        EXPECT_EQ(CopyValue(&to, &from), 0u);
        EXPECT_EQ(to.payload.currency->value, nullptr);
        EXPECT_EQ(to.payload.currency->funcList.numItems, 2u);
        ReleaseValue(&to, 0);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
    {
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
}

TEST(FlatLists, RoomAndZeroFill) {
    std::vector<ObjectName> names(25);
    for (size_t i = 0; i < names.size(); ++i) std::snprintf(names[i], sizeof(ObjectName), "Form%zu", i);
    NameList nameSource{25, names.data()}, nameCopy{};
    std::vector<uint32_t> ids(100);
    for (uint32_t i = 0; i < 100; ++i) ids[i] = 1000 + i;
    IdList idSource{100, ids.data()}, idCopy{};

    alloc::Window w;
    ASSERT_EQ(CopyNameList(&nameCopy, &nameSource), 0u);
    ASSERT_EQ(CopyIdList(&idCopy, &idSource), 0u);
    EXPECT_EQ(w.sizes(), (std::vector<size_t>{30 * 255, 200 * 4}));
    EXPECT_EQ(nameCopy.numItems, 25u);
    EXPECT_STREQ(nameCopy.items[24], "Form24");
    EXPECT_EQ(nameCopy.items[29][0], '\0');
    EXPECT_EQ(idCopy.items[99], 1099u);
    EXPECT_EQ(idCopy.items[199], 0u);
    ReleaseNameList(&nameCopy, 0);
    ReleaseIdList(&idCopy, 0);

    // Exact variants; a count of 10 gets 20 names.
    nameSource.numItems = 10;
    idSource.numItems = 3;
    ASSERT_EQ(CopyNameList(&nameCopy, &nameSource), 0u);
    ASSERT_EQ(CopyIdListExact(&idCopy, &idSource), 0u);
    ReleaseIdList(&idCopy, 0);
    ASSERT_EQ(CopyIdListZeroed(&idCopy, &idSource), 0u);
    EXPECT_EQ(std::vector<size_t>(w.sizes().begin() + 2, w.sizes().end()), (std::vector<size_t>{20 * 255, 12, 12}));
    ReleaseNameList(&nameCopy, 0);
    ReleaseIdList(&idCopy, 0);
    ReleaseIdList(&idCopy, 0);  // a second keep-holder release finds it empty
    EXPECT_EQ(w.liveBlocks(), 0u);

    // Other flat lists copy exactly, byte for byte.
    IndexDef index[2]{};
    index[1].numFields = 2;
    index[1].fieldIds[1] = 8;
    std::strcpy(index[1].indexName, "byOwner");
    IndexList indexSource{2, index}, indexCopy{};
    ASSERT_EQ(CopyIndexList(&indexCopy, &indexSource), 0u);
    EXPECT_EQ(w.sizes().back(), 2 * sizeof(IndexDef));
    EXPECT_EQ(std::memcmp(indexCopy.items, index, sizeof index), 0);
    ReleaseIndexList(&indexCopy, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(FlatLists, NullEmptyAndFailure) {
    uint32_t ids[3] = {1, 2, 3};
    EntryId entryIds[2] = {"000000000000001", "000000000000002"};

    // Null source: R100 leaves the destination alone, the others zero it.
    IdList idDest{5, ids};
    EXPECT_EQ(CopyIdList(&idDest, nullptr), 0u);
    EXPECT_EQ(idDest.items, ids);
    EXPECT_EQ(CopyIdList(nullptr, nullptr), 0u);
    NameList nameDest{5, nullptr};
    EXPECT_EQ(CopyNameList(&nameDest, nullptr), 0u);
    EXPECT_EQ(nameDest.numItems, 0u);
    EXPECT_EQ(CopyNameList(nullptr, nullptr), 0u);

    // Empty R100 source: the 16 bytes copied, the array pointer dropped.
    IdList empty{0, ids};
    EXPECT_EQ(CopyIdList(&idDest, &empty), 0u);
    EXPECT_EQ(idDest.numItems, 0u);
    EXPECT_EQ(idDest.items, nullptr);

    IdList idSource{3, ids};
    EntryIdList entrySource{2, entryIds};
    SortItem sorts[1] = {{1, 2}};
    SortList sortSource{1, sorts};
    EntryListField fields[1] = {{1, 20, "|"}};
    EntryListFieldList fieldSource{1, fields};
    IndexDef indexes[1]{};
    IndexList indexSource{1, indexes};
    Permission perms[1] = {{3, 1}};
    PermissionList permSource{1, perms};
    uint8_t flags[2] = {1, 0};
    FlagList flagSource{2, flags};
    EnumItem items[1] = {{"Open", 0}};
    EnumItemList enumSource{1, items};

    // The only allocation fails: 300 with an empty list, or silently dropped lists.
    alloc::Window w(1);
    IdList id;
    EXPECT_EQ(CopyIdList(&id, &idSource), 300u);
    EXPECT_EQ(id.numItems, 0u);
    EXPECT_EQ(id.items, nullptr);
    for (auto copy : {CopyIdListExact, CopyIdListZeroed}) {
        alloc::Window again(1);
        EXPECT_EQ(copy(&id, &idSource), 300u);
        EXPECT_EQ(id.numItems, 0u);
    }
    alloc::Window w2(1);
    EntryIdList entry;
    EXPECT_EQ(CopyEntryIdList(&entry, &entrySource), 300u);
    EXPECT_EQ(entry.numItems, 2u);  // the count stays as copied
    EXPECT_EQ(entry.items, nullptr);
    ReleaseEntryIdList(&entry, 0);
    alloc::Window w3(1);
    SortList sort;
    EXPECT_EQ(CopySortList(&sort, &sortSource), 0u);
    EXPECT_EQ(sort.numItems, 0u);
    alloc::Window w4(1);
    EntryListFieldList field;
    EXPECT_EQ(CopyEntryListFieldList(&field, &fieldSource), 0u);
    EXPECT_EQ(field.items, nullptr);
    alloc::Window w5(1);
    IndexList index;
    EXPECT_EQ(CopyIndexList(&index, &indexSource), 0u);
    EXPECT_EQ(index.numItems, 0u);
    alloc::Window w6(1);
    PermissionList perm;
    EXPECT_EQ(CopyPermissionList(&perm, &permSource), 300u);
    EXPECT_EQ(perm.items, nullptr);
    alloc::Window w7(1);
    FlagList flag;
    EXPECT_EQ(CopyFlagList(&flag, &flagSource), 300u);
    alloc::Window w8(1);
    EnumItemList enumList;
    EXPECT_EQ(CopyEnumItemList(&enumList, &enumSource), 300u);
    EXPECT_EQ(enumList.numItems, 0u);
}

TEST(ValueLists, DeepCopyAndRelease) {
    Sources s;
    std::vector<Value> values = s.withMemory();
    values.push_back(scalar(2, 42));
    ValueList source{static_cast<uint32_t>(values.size()), values.data()}, copy{};
    std::vector<FieldValue> fields;
    for (size_t i = 0; i < values.size(); ++i) fields.push_back({static_cast<uint32_t>(100 + i), values[i]});
    FieldValueList fieldSource{static_cast<uint32_t>(fields.size()), fields.data()}, fieldCopy{};

    alloc::Window w;
    ASSERT_EQ(CopyValueList(&copy, &source), 0u);
    ASSERT_EQ(CopyFieldValueList(&fieldCopy, &fieldSource), 0u);
    ASSERT_EQ(copy.numItems, values.size());
    EXPECT_STREQ(copy.items[0].payload.text, "some text");
    EXPECT_NE(copy.items[0].payload.text, values[0].payload.text);
    EXPECT_EQ(copy.items[values.size() - 1].payload.i, 42);
    ASSERT_EQ(fieldCopy.numItems, fields.size());
    EXPECT_EQ(fieldCopy.items[3].fieldId, 103u);
    EXPECT_STREQ(fieldCopy.items[3].value.payload.text, "some text");
    EXPECT_NE(fieldCopy.items[5].value.payload.byteList, &s.byteList);
    ReleaseValueList(&copy, 0);
    ReleaseFieldValueList(&fieldCopy, 0);
    EXPECT_EQ(copy.items, nullptr);
    EXPECT_EQ(fieldCopy.numItems, 0u);
    ReleaseValueList(&copy, 0);
    ReleaseFieldValueList(&fieldCopy, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);

    // Null and empty sources give empty lists without an allocation.
    ValueList emptyValues{0, values.data()};
    EXPECT_EQ(CopyValueList(&copy, &emptyValues), 0u);
    EXPECT_EQ(copy.items, nullptr);
    EXPECT_EQ(CopyValueList(&copy, nullptr), 0u);
    EXPECT_EQ(CopyFieldValueList(&fieldCopy, nullptr), 0u);
    EXPECT_EQ(fieldCopy.items, nullptr);
    FieldValueList emptyFields{0, fields.data()};
    const size_t before = w.allocations();
    EXPECT_EQ(CopyFieldValueList(&fieldCopy, &emptyFields), 0u);
    EXPECT_EQ(CopyValueList(&copy, &emptyValues), 0u);
    EXPECT_EQ(w.allocations(), before);
}

TEST(ValueLists, OutOfMemoryLeavesThemEmpty) {
    Sources s;
    std::vector<Value> values = s.withMemory();
    ValueList source{static_cast<uint32_t>(values.size()), values.data()};
    std::vector<FieldValue> fields;
    for (const Value& v : values) fields.push_back({1, v});
    FieldValueList fieldSource{static_cast<uint32_t>(fields.size()), fields.data()};
    const size_t total = alloc::sweep([&](const alloc::Window& w) {
        ValueList copy;
        std::memset(&copy, 0xab, sizeof copy);
        const uint32_t code = CopyValueList(&copy, &source);
        if (code) {
            EXPECT_EQ(code, 300u);
            EXPECT_EQ(copy.numItems, 0u);
            EXPECT_EQ(copy.items, nullptr);
        }
        if (!w.failed()) { EXPECT_EQ(code, 0u); }
        ReleaseValueList(&copy, 0);
    });
    EXPECT_GT(total, values.size());
    alloc::sweep([&](const alloc::Window& w) {
        FieldValueList copy;
        std::memset(&copy, 0xab, sizeof copy);
        const uint32_t code = CopyFieldValueList(&copy, &fieldSource);
        if (!w.failed()) { EXPECT_EQ(code, 0u); }
        if (code) {
            EXPECT_EQ(code, 300u);
            EXPECT_EQ(copy.numItems, 0u);
            EXPECT_EQ(copy.items, nullptr);
        }
        ReleaseFieldValueList(&copy, 0);
    });
}

TEST(ResultLists, ReleaseEveryLevel) {
    alloc::Window w;
    auto dup = [](const char* s) { return strdup(s); };
    auto idList = [](uint32_t n) {
        IdList l{n, static_cast<uint32_t*>(std::calloc(n, sizeof(uint32_t)))};
        return l;
    };
    auto fieldValues = [&](const char* s) {
        auto* items = static_cast<FieldValue*>(std::calloc(2, sizeof(FieldValue)));
        items[0] = {1, text(4, dup(s))};
        items[1] = {2, scalar(2, 7)};
        return FieldValueList{2, items};
    };

    // Lists of lists, held inline or through a pointer.
    auto* rows = static_cast<FieldValueList*>(std::malloc(2 * sizeof(FieldValueList)));
    rows[0] = fieldValues("a");
    rows[1] = fieldValues("b");
    FieldValueListList rowList{2, rows};
    ReleaseFieldValueListList(&rowList, 0);
    EXPECT_EQ(rowList.items, nullptr);

    auto* entries = static_cast<EntryFieldValues*>(std::malloc(sizeof(EntryFieldValues)));
    entries[0].entryId = {1, static_cast<EntryId*>(std::calloc(1, sizeof(EntryId)))};
    entries[0].values = static_cast<FieldValueList*>(std::malloc(sizeof(FieldValueList)));
    *entries[0].values = fieldValues("c");
    auto* entryList = static_cast<EntryFieldValuesList*>(std::malloc(sizeof(EntryFieldValuesList)));
    *entryList = {1, entries};
    ReleaseEntryFieldValuesList(entryList, 1);

    auto* idLists = static_cast<IdList*>(std::malloc(3 * sizeof(IdList)));
    idLists[0] = idList(2);
    idLists[1] = {0, nullptr};
    idLists[2] = idList(1);
    IdListList idListList{3, idLists};
    ReleaseIdListList(&idListList, 0);

    auto* entryIdLists = static_cast<EntryIdList*>(std::malloc(sizeof(EntryIdList)));
    entryIdLists[0] = {1, static_cast<EntryId*>(std::calloc(1, sizeof(EntryId)))};
    EntryIdListList entryIdListList{1, entryIdLists};
    ReleaseEntryIdListList(&entryIdListList, 0);

    auto* pairs = static_cast<TextPair*>(std::malloc(2 * sizeof(TextPair)));
    pairs[0] = {1, dup("x"), nullptr};
    pairs[1] = {2, dup("y"), dup("z")};
    TextPairList pairList{2, pairs};
    ReleaseTextPairList(&pairList, 0);
    EXPECT_EQ(pairList.numItems, 0u);

    // Multi-form rows, their columns and the columns' values.
    auto* columns = static_cast<MultiFieldValue*>(std::malloc(2 * sizeof(MultiFieldValue)));
    for (int i = 0; i < 2; ++i) {
        std::strcpy(columns[i].alias, "A");
        columns[i].fieldId = 8;
        columns[i].option = 1;
        columns[i].value = text(4, dup("v"));
    }
    MultiFieldValueList row{2, columns};
    ReleaseMultiFieldValueList(&row, 0);
    EXPECT_EQ(row.items, nullptr);
    auto* kept = static_cast<MultiFieldValue*>(std::malloc(sizeof(MultiFieldValue)));
    std::strcpy(kept->alias, "B");
    kept->value = text(4, dup("w"));
    auto* rowsHeap = static_cast<MultiFieldValueList*>(std::malloc(sizeof(MultiFieldValueList)));
    *rowsHeap = {1, kept};
    MultiFieldValueListList multiRows{1, rowsHeap};
    ReleaseMultiFieldValueListList(&multiRows, 0);
    ReleaseMultiFieldValueListList(&multiRows, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}
