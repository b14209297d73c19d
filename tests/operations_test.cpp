// Every operation of the entry, server, transaction and workflow-context families
// over one table: the bytes the host receives and what it returns, read and written at
// the offsets of the record tables (typed in here, never taken from our headers); the
// frame variant of each; every allocation failure. Then what each family does apart.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <thread>

#include "platform/zvrpc.h"
#include "tests/support/calls.h"
#include "tests/support/raw.h"
#include "types/types.h"

using namespace testing_support;
using fake::Event;

namespace {

// Offsets the tests read or write beside the rows' field lists, from the record tables.
// clang-format off
namespace at {
namespace GetList {  // both single-form list operations; the second line: ZVIGetListEntry's result
constexpr size_t schema = 168, qualifier = 176, listFields = 200, sort = 216, first = 232, max = 236, locale = 240,
                 wantCount = 244, entries = 168, matches = 184;
}
namespace GetEntryBLOB { constexpr size_t byteCount = 168, data = 176, status = 184; }
namespace MultiSchema {
constexpr size_t from = 168, fields = 184, qualifier = 200, sort = 472, first = 488, max = 492, useLocale = 496,
                 wantCount = 500, groupBy = 504, groupQualifier = 520;
}
namespace WriteTraceLog {
constexpr size_t value1 = 168, value2 = 172, flag1 = 176, record = 184, flag2 = 200, text = 208;
}
namespace BeginTransaction { constexpr size_t handleLength = 168, handleBytes = 176; }
}  // namespace at
// clang-format on

char form[] = "HelpDesk", textA[] = "first value", textB[] = "second value", sqlText[] = "select 1";
const char zeros[16] = {};
int contextTarget, x, y, z;
WorkflowContext const wfContext = &contextTarget;

// The caller's arguments.
struct Args {
    EntryId ids[2] = {"000000000000001", "000000000000002"};
    EntryIdList entryIds{2, ids};
    uint32_t fields[3] = {1, 7, 536870913};
    IdList fieldIds{3, fields};
    FieldValue values[2] = {textValue(7, textA), textValue(8, textB)};
    FieldValueList fieldValues{2, values};
    RelationalOp relOp{};
    Qualifier qualifier{};
    EntryListField listItems[2] = {{1, 20, "|"}, {8, 40, ","}};
    EntryListFieldList listFields{2, listItems};
    SortItem sortItems[1] = {{3, 2}};
    SortList sortList{1, sortItems};
    EntryIdList idListItems[2] = {{2, ids}, {1, ids}};
    EntryIdListList idLists{2, idListItems};
    Value inputs[2] = {};
    ValueList inputList{2, inputs};
    KeywordRecord keyword{{0x0102030405060708u, 0x1112131415161718u}};
    TraceRecord trace{{0xA1A2A3A4A5A6A7A8u, 0xB1B2B3B4B5B6B7B8u}};
    uint64_t word = 0xCAFEF00DDEADBEEFu;
    MultiFromItem from[2] = {{ZVI_MULTI_FROM_FORM, {"HelpDesk"}, "H", 0, nullptr},
                             {ZVI_MULTI_FROM_FORM, {"People"}, "P", 1, nullptr}};
    MultiFromList fromList{2, from};
    MultiFieldItem multiFields[2] = {{"H", 1, 0}, {"P", 8, 0}};
    MultiFieldItemList multiFieldList{2, multiFields};
    MultiFieldItem multiSortItems[1] = {{"H", 3, 2}};
    MultiFieldItemList multiSort{1, multiSortItems};
    MultiFieldRef groupItems[1] = {{"P", 8}};
    MultiFieldRefList groupBy{1, groupItems};
    MultiRelationalOp multiRelOp{};
    MultiQualifier multiQualifier{};
    MultiQualifier groupQualifier{};
    Args() {
        relOp.operation = 1;
        relOp.left.tag = ZVI_OPERAND_FIELD;
        relOp.left.u.id = 8;
        relOp.right.tag = ZVI_OPERAND_VALUE;
        relOp.right.u.value = values[0].value;
        qualifier.operation = ZVI_QUAL_REL_OP;
        qualifier.u.relOp = &relOp;
        // Garbage in the caller's padding (bytes 18 and 19 of a list field) is not handed on.
        for (EntryListField& f : listItems) raw::put<uint16_t>(&f, 18, 0xA5A5);
        inputs[0].dataType = ZVI_DATA_INTEGER;
        inputs[0].payload.i = -5;
        inputs[1] = values[0].value;
        multiRelOp.operation = 1;
        multiRelOp.left.tag = ZVI_MULTI_OPERAND_FIELD;
        std::strcpy(multiRelOp.left.u.field.alias, "H");
        multiRelOp.right.tag = ZVI_MULTI_OPERAND_VALUE;
        multiRelOp.right.u.value = values[0].value;
        multiQualifier.operation = ZVI_QUAL_REL_OP;
        multiQualifier.u.relOp = &multiRelOp;
        groupQualifier.operation = ZVI_MULTI_QUAL_FIELD;
        std::strcpy(groupQualifier.u.field.alias, "P");
    }
};

// Host-side results, on the heap as the server returns them.
template <class List>
List heapList(uint32_t n) {
    return List{n, static_cast<decltype(List::items)>(std::calloc(n, sizeof *List::items))};
}
template <class T>
T* onHeap(const T& value) {
    return static_cast<T*>(std::memcpy(std::malloc(sizeof(T)), &value, sizeof(T)));
}
EntryListItemList hostItems() {
    auto list = heapList<EntryListItemList>(2);
    for (uint32_t i = 0; i < 2; ++i) {
        list.items[i].entryId = heapList<EntryIdList>(1);
        list.items[i].entryText = fake::text(i ? "second entry" : "first entry");
    }
    return list;
}
void releaseItems(EntryListItemList& list) {
    for (uint32_t i = 0; i < list.numItems; ++i) {
        zvi::ReleaseEntryIdList(&list.items[i].entryId, 0);
        std::free(list.items[i].entryText);
    }
    std::free(list.items);
}
EntryFieldValuesList hostEntryValues() {
    auto list = heapList<EntryFieldValuesList>(1);
    list.items[0].values = onHeap(hostValues(2));
    return list;
}
MultiFieldValueListList hostRows() {
    auto rows = heapList<MultiFieldValueListList>(1);
    rows.items[0] = heapList<MultiFieldValueList>(1);
    rows.items[0].items[0].value = textValue(0, fake::text("row value")).value;
    return rows;
}
template <class List>
List hostIdValues(const char* q, size_t at) {  // (identifier, text) items for the identifiers asked for
    const raw::List ids = raw::list(q, at);
    auto list = heapList<List>(ids.count);
    for (uint32_t i = 0; i < ids.count; ++i) {
        raw::put(&list.items[i], 0, static_cast<uint32_t*>(ids.items)[i]);
        list.items[i].value = textValue(0, fake::text("info")).value;
    }
    return list;
}
// Entry data as the host returns it: the header in network byte order, then the data.
void hostBlob(char* r, uint32_t compressed, uint32_t storedLength, const std::string& data, uint32_t byteCount = 0) {
    const uint32_t count = byteCount ? byteCount : static_cast<uint32_t>(8 + data.size());
    auto* block = static_cast<uint8_t*>(std::calloc(count + 8 + data.size(), 1));
    const uint32_t header[2] = {htonl(compressed), htonl(storedLength)};
    std::memcpy(block, header, 8);
    std::memcpy(block + 8, data.data(), data.size());
    raw::put(r, at::GetEntryBLOB::byteCount, count);
    raw::put(r, at::GetEntryBLOB::data, block);
}

// The frame variant of an operation, from the variant table.
enum : unsigned {
    kControl = 1,     // takes a control record: caller information, conversion
    kWriteBack = 2,   // writes the context words back on success
    kKeep = 4,        // keeps the caller's status list
    kHostOnFail = 8,  // hands the host's messages over on failure too
    kAllocStep = 16,  // makes the thread's allocation context
    kStandard = kControl | kWriteBack | kAllocStep,
    kKeeping = kStandard | kKeep | kHostOnFail,
    kWorkflow = kKeep | kHostOnFail | kAllocStep,
};

// What a request field must hold.
enum Sent {
    Word,       // the 32-bit value given
    Want,       // the value (1 unless given) when the caller gave the optional arguments, else 0
    Pointer,    // the pointer given, borrowed
    Form,       // the caller's form name, borrowed
    Context,    // the workflow context
    IdLists,    // the caller's array of identifier lists, borrowed
    RelOp,      // the caller's qualifier node when one is given, borrowed
    EntryIds,   // a copy of the caller's entry identifiers
    FieldIds,   // a copy of the caller's field identifiers
    Values,     // a deep copy of the caller's field values (empty when none are given)
    AllValues,  // the same, given whatever the row's want
};
struct Field {
    size_t at;
    Sent what;
    uint64_t value = 1;
};
uint64_t address(const void* p) { return reinterpret_cast<uint64_t>(p); }
std::vector<Field> sends(std::initializer_list<Field> fields) { return fields; }

class OperationsTest;
using T = OperationsTest;
struct Row {
    const char* failureText;  // detail of 9905; also names the row
    uint32_t slot, opcode;    // opcode 0: called without the hooks
    unsigned variant;
    size_t statusAt;          // offset of the result's status list
    std::vector<Field> sent;  // the request's fields, typed in from the record's table
    // Calls the operation, notes what it handed over in Got and releases it.
    std::function<uint32_t(T&, StatusList*, Got&)> call;
    // Checks the rest of the request (when the fixture is strict) and writes the host's answer.
    std::function<void(T&, const char* q, char* r)> host = [](T&, const char*, char*) {};
};

const std::vector<Row>& operations();

class OperationsTest : public HostTest {
public:
    void SetUp() override {
        HostTest::SetUp();
        for (const Row& row : operations()) serve(row);
    }
    void serve(const Row& row) {
        host.on(row.slot, [this, row](void* q, void* r) {
            expectSent(static_cast<const char*>(q), row.sent);
            row.host(*this, static_cast<const char*>(q), static_cast<char*>(r));
            return answer;
        });
    }
    void expectSent(const char* q, const std::vector<Field>& fields) {
        for (const Field& f : fields) {
            if (!strict) return;
            SCOPED_TRACE("request offset " + std::to_string(f.at));
            const void* borrowed[] = {reinterpret_cast<void*>(f.value), form, wfContext, a.idListItems,
                                      want ? &a.relOp : nullptr};  // from Pointer to RelOp
            if (f.what == Word || f.what == Want) {
                EXPECT_EQ(raw::u32(q, f.at), f.what == Word || want ? f.value : 0u);
            } else if (f.what <= RelOp) {
                EXPECT_EQ(raw::ptr(q, f.at), borrowed[f.what - Pointer]);
            } else if (f.what == EntryIds) {
                expectCopy(raw::get<EntryIdList>(q, f.at), a.entryIds);
            } else if (f.what == FieldIds) {
                expectCopy(raw::get<IdList>(q, f.at), a.fieldIds);
            } else if (want || f.what == AllValues) {
                expectValuesCopy(raw::get<FieldValueList>(q, f.at), a.fieldValues);
            } else {
                EXPECT_TRUE(raw::zero(q, f.at, f.at + 16)) << "a missing list reaches the host empty";
            }
        }
    }
    // The request of both single-form list operations.
    void checkListRequest(const char* q, bool count) {
        using namespace at::GetList;
        if (!strict) return;
        EXPECT_EQ(raw::text(q, schema), form);
        EXPECT_EQ(raw::u32(q, qualifier), want ? 4u : 0u) << "operation 0 when none is given";
        if (want) {
            const auto* node = static_cast<const RelationalOp*>(raw::ptr(q, qualifier + 8));
            ASSERT_NE(node, nullptr);
            EXPECT_NE(node, &a.relOp) << "the tree is a deep copy";
            EXPECT_EQ(node->left.u.id, 8u);
        } else {
            EXPECT_TRUE(raw::zero(q, qualifier, qualifier + 24));
        }
        expectCopy(raw::get<EntryListFieldList>(q, listFields), a.listFields);
        expectCopy(raw::get<SortList>(q, sort), a.sortList);
        EXPECT_EQ(raw::u32(q, first), 10u);
        EXPECT_EQ(raw::u32(q, max), 20u);
        EXPECT_EQ(raw::u8(q, locale), 1u);
        EXPECT_EQ(raw::u32(q, wantCount), count ? 1u : 0u);
        EXPECT_TRUE(raw::zero(q, 152, 160));
    }
    // The host's answer of a list to be handed over, noted as handed.
    template <class List>
    void answerList(char* r, size_t at, const List& list) {
        raw::putList(r, at, list.numItems, handed = list.items);
    }
    // A new entry's identifier, all 16 bytes, as the host writes it.
    void answerId(char* r, size_t at) { std::memcpy(r + at, newId.data(), 16); }
    FieldValueList* values() { return want ? &a.fieldValues : nullptr; }
    template <class Output>
    Output* out(Output& output) {
        return want ? &output : nullptr;
    }
    ControlRecord* ctl() { return &control; }

    Args a;
    bool want = true;                                // the calls get their optional arguments and outputs
    bool strict = true;                              // the host checks what it receives (off while copies may fail)
    uint32_t answer = 1;                             // what the host's routines return
    void* handed = nullptr;                          // what the host returned to be handed over
    std::string newId = std::string(15, 'X') + 'Y';  // all 16 bytes: cut to 15
    std::string blob = "plain\0data";
};

// Calls with an output list (when wanted), notes and releases what it got.
template <class List>
List listOf(void (*)(List*, uint8_t));
template <auto release, class F>
uint32_t taking(T& t, Got& g, F call) {
    decltype(listOf(release)) v{};
    return g.take<release>(v, call(t.out(v)));
}

const std::vector<Row>& operations() {
    static const std::vector<Row> table = {
        // Entries.
        {"ZVIGetEntry", 12224, 1, kKeeping, 184, sends({{168, Form}, {176, EntryIds}, {192, FieldIds}, {208, Want}}),
         [](T& t, StatusList* s, Got& g) {
             return taking<zvi::ReleaseFieldValueList>(
                 t, g, [&](auto* out) { return ZVIGetEntry(t.ctl(), form, &t.a.entryIds, &t.a.fieldIds, out, s); });
         },
         [](T& t, const char*, char* r) { t.answerList(r, 168, hostValues(2)); }},
        {"ZVISetEntry", 12248, 2, kStandard, 168,
         sends({{168, Form}, {176, EntryIds}, {192, AllValues}, {208, Word, 0xA1}, {212, Word, 0xA2}}),
         [](T& t, StatusList* s, Got&) {
             return ZVISetEntry(t.ctl(), form, &t.a.entryIds, &t.a.fieldValues, 0xA1, 0xA2, s);
         }},
        {"ZVICreateEntry", 12256, 3, kStandard, 184, sends({{168, Form}, {176, Values}}),
         [](T& t, StatusList* s, Got& g) {
             return g.takeId(ZVICreateEntry(t.ctl(), form, t.values(), t.want ? g.id : nullptr, s));
         },
         [](T& t, const char*, char* r) { t.answerId(r, 168); }},
        {"ZVIDeleteEntry", 12264, 4, kStandard, 168, sends({{168, Form}, {176, EntryIds}, {192, Word, 0xD0}}),
         [](T& t, StatusList* s, Got&) { return ZVIDeleteEntry(t.ctl(), form, &t.a.entryIds, 0xD0, s); }},
        {"ZVIMergeEntry", 12272, 37, kStandard, 184, sends({{168, Form}, {176, AllValues}, {192, Word, 0x33}}),
         [](T& t, StatusList* s, Got& g) {
             return g.takeId(ZVIMergeEntry(t.ctl(), form, &t.a.fieldValues, 0x33, t.want ? g.id : nullptr, s));
         },
         [](T& t, const char* q, char* r) {
             if (t.strict) {
                 EXPECT_TRUE(raw::zero(q, 196, 232));
             }
             t.answerId(r, 168);
         }},
        {"ZVIGetListEntry", 12280, 5, kStandard, 192, sends({}),
         [](T& t, StatusList* s, Got& g) {
             EntryListItemList e{};
             const uint32_t rc = ZVIGetListEntry(t.ctl(), form, t.want ? &t.a.qualifier : nullptr, &t.a.listFields,
                                                 &t.a.sortList, 10, 20, 1, &e, t.out(g.numMatches), s);
             g.items = e.items;
             g.numItems = e.numItems;
             releaseItems(e);
             return rc;
         },
         [](T& t, const char* q, char* r) {
             t.checkListRequest(q, t.want);
             const EntryListItemList items = hostItems();
             raw::putList(r, at::GetList::entries, items.numItems, items.items);
             raw::put(r, at::GetList::matches, 42u);
         }},
        {"ZVIGetListEntryEithFields", 12824, 73, kStandard, 184, sends({}),
         [](T& t, StatusList* s, Got& g) {
             return taking<zvi::ReleaseEntryFieldValuesList>(t, g, [&](auto* out) {
                 return ZVIGetListEntryWithFields(t.ctl(), form, t.want ? &t.a.qualifier : nullptr, &t.a.listFields,
                                                  &t.a.sortList, 10, 20, 1, out, &g.numMatches, s);
             });
         },
         [](T& t, const char* q, char* r) {
             t.checkListRequest(q, true);  // the count is asked for also without the entries
             EntryFieldValuesList* list = onHeap(hostEntryValues());
             t.handed = list->items;
             raw::put(r, 168, 12u);
             raw::put(r, 176, list);
         }},
        {"ZVIGetMultipleEntries", 12240, 67, kStandard, 208,
         sends({{168, Form}, {176, Word, 2}, {184, IdLists}, {192, FieldIds}, {208, Want}, {152, Word, 0}}),
         [](T& t, StatusList* s, Got& g) {
             ExistList exist{};
             const uint32_t rc = taking<zvi::ReleaseFieldValueListList>(t, g, [&](auto* out) {
                 return ZVIGetMultipleEntries(t.ctl(), form, &t.a.idLists, &t.a.fieldIds, &exist, out, s);
             });
             g.value = exist.numItems;
             std::free(exist.items);
             return rc;
         },
         [](T& t, const char*, char* r) {
             raw::putList(r, 168, 2, std::calloc(2, 1));
             t.answerList(r, 184, FieldValueListList{1, onHeap(hostValues(2))});
         }},
        {"ZVIGetEntryBLOB", 12232, 80, kStandard | kHostOnFail, 184,
         sends({{168, Form}, {176, EntryIds}, {192, Word, 536870920}, {152, Word, 0}, {156, Word, 0}}),
         [](T& t, StatusList* s, Got& g) {
             Locator loc{ZVI_LOC_BUFFER, {}};
             const uint32_t rc = ZVIGetEntryBLOB(t.ctl(), form, &t.a.entryIds, 536870920, &loc, s);
             g.numItems = loc.u.mem.bufSize;
             if (loc.u.mem.buffer) {
                 EXPECT_EQ(std::string(reinterpret_cast<char*>(loc.u.mem.buffer), g.numItems), t.blob);
             }
             std::free(g.items = loc.u.mem.buffer);
             return rc;
         },
         [](T& t, const char*, char* r) { hostBlob(r, 0, 0, t.blob); }},
        {"ZVIServiceEntry", 12296, 5, kStandard | kHostOnFail, 184,
         sends({{168, Form}, {176, EntryIds}, {192, AllValues}, {208, FieldIds}, {224, Want}}),
         [](T& t, StatusList* s, Got& g) {
             return taking<zvi::ReleaseFieldValueList>(t, g, [&](auto* out) {
                 return ZVIServiceEntry(t.ctl(), form, &t.a.entryIds, &t.a.fieldValues, &t.a.fieldIds, out, s);
             });
         },
         [](T& t, const char*, char* r) { t.answerList(r, 168, hostValues(2)); }},
        {"ZVIGetListEntryWithMultiSchemaFields", 13328, 171, kStandard | kHostOnFail, 184,
         sends({{at::MultiSchema::qualifier, Want, 4},
                {at::MultiSchema::groupQualifier, Want, 5},
                {at::MultiSchema::first, Word, 5},
                {at::MultiSchema::max, Word, 50},
                {at::MultiSchema::useLocale, Word, 0} /* not passed on */,
                {at::MultiSchema::wantCount, Want}}),
         [](T& t, StatusList* s, Got& g) {
             const bool w = t.want;
             return taking<zvi::ReleaseMultiFieldValueListList>(t, g, [&](auto* out) {
                 return ZVIGetListEntryWithMultiSchemaFields(
                     t.ctl(), &t.a.fromList, &t.a.multiFieldList, w ? &t.a.multiQualifier : nullptr, &t.a.multiSort, 5,
                     50, 1, &t.a.groupBy, w ? &t.a.groupQualifier : nullptr, out, t.out(g.numMatches), s);
             });
         },
         [](T& t, const char* q, char* r) {
             using namespace at::MultiSchema;
             if (t.strict) {
                 expectCopy(raw::get<MultiFromList>(q, from), t.a.fromList);
                 expectCopy(raw::get<MultiFieldItemList>(q, fields), t.a.multiFieldList);
                 expectCopy(raw::get<MultiFieldItemList>(q, sort), t.a.multiSort);
                 expectCopy(raw::get<MultiFieldRefList>(q, groupBy), t.a.groupBy);
                 if (t.want) {
                     EXPECT_NE(raw::ptr(q, qualifier + 8), &t.a.multiRelOp) << "the tree is a deep copy";
                 }
                 EXPECT_STREQ(raw::inlineText(q, groupQualifier + 8), t.want ? "P" : "");
             }
             MultiFieldValueListList* list = onHeap(hostRows());
             t.handed = list->items;
             raw::put(r, 168, 1u);
             raw::put(r, 176, list);
         }},
        // Server information and utilities.
        {"ZVIGetServerInfo", 12616, 36, kStandard, 184, sends({{168, FieldIds}}),
         [](T& t, StatusList* s, Got& g) {
             return taking<zvi::ReleaseValueItems<ServerInfoList>>(
                 t, g, [&](auto* out) { return ZVIGetServerInfo(t.ctl(), &t.a.fieldIds, out, s); });
         },
         [](T& t, const char* q, char* r) { t.answerList(r, 168, hostIdValues<ServerInfoList>(q, 168)); }},
        {"ZVIExecuteProcess", 12696, 61, kStandard, 192, sends({{168, Pointer, address(sqlText)}, {176, Want}}),
         [](T& t, StatusList* s, Got& g) {
             char* text = nullptr;
             const uint32_t rc = ZVIExecuteProcess(t.ctl(), sqlText, t.out(g.value), t.out(text), s);
             if (text) {
                 EXPECT_STREQ(text, "output");
             }
             std::free(g.items = text);
             return rc;
         },
         [](T& t, const char*, char* r) {
             raw::put(r, 168, 3u);                                                   // returnStatus
             raw::put(r, 184, static_cast<char*>(t.handed = fake::text("output")));  // returnText
         }},
        {"ZVIGetListSQL", 12688, 59, kStandard, 192,
         sends({{168, Pointer, address(sqlText)}, {176, Word, 250}, {180, Want}}),
         [](T& t, StatusList* s, Got& g) {
             ValueListList rows{};  // required: always given
             const uint32_t rc = ZVIGetListSQL(t.ctl(), sqlText, 250, &rows, t.out(g.numMatches), s);
             if (t.want) g.items = rows.items;
             std::free(rows.items);
             return rc;
         },
         [](T& t, const char*, char* r) {
             raw::putList(r, 168, 1, t.handed = std::calloc(1, sizeof(ValueList)));
             raw::put(r, 184, 40u);
         }},
        {"ZVIWriteTraceLog", 13552, 0, kKeeping, 168,
         sends({{at::WriteTraceLog::value1, Word, 11}, {at::WriteTraceLog::value2, Word, 22}}),
         [](T& t, StatusList* s, Got&) {
             return ZVIWriteTraceLog(t.ctl(), 11, 22, 1, t.out(t.a.trace), 2, s, "entry %s: %d fields", "000001", 12);
         },
         [](T& t, const char* q, char*) {
             using namespace at::WriteTraceLog;
             if (!t.strict) return;
             EXPECT_EQ(raw::u8(q, flag1), 1u);
             EXPECT_EQ(std::memcmp(q + record, t.want ? static_cast<const void*>(&t.a.trace) : zeros, 16), 0);
             EXPECT_EQ(raw::u8(q, flag2), 2u);
             EXPECT_STREQ(raw::text(q, text), "entry 000001: 12 fields");
         }},
        {"ZVIGetServerProps", 13448, 0, kControl | kHostOnFail, 184, sends({{168, FieldIds}}),
         [](T& t, StatusList* s, Got& g) {
             return taking<zvi::ReleaseValueItems<PropList>>(
                 t, g, [&](auto* out) { return ZVIGetServerProps(t.ctl(), &t.a.fieldIds, out, s); });
         },
         [](T& t, const char* q, char* r) { t.answerList(r, 168, hostIdValues<PropList>(q, 168)); }},
        {"ZVICheckStringForKeyword", 13536, 0, kKeep | kHostOnFail | kAllocStep, 0, sends({}),
         [](T& t, StatusList* s, Got&) {
             return ZVICheckStringForKeyword(0x8877665544332211u, t.out(t.a.keyword), t.out(t.a.word), s);
         },
         [](T& t, const char* q, char*) {
             if (!t.strict) return;  // the arguments' bytes at 0, 8 and 24
             EXPECT_EQ(raw::get<uint64_t>(q, 0), 0x8877665544332211u);
             EXPECT_EQ(std::memcmp(q + 8, t.want ? static_cast<const void*>(&t.a.keyword) : zeros, 16), 0);
             EXPECT_EQ(raw::get<uint64_t>(q, 24), t.want ? t.a.word : 0u);
         }},
        // Transactions.
        {"ZVIBulkTranBegin", 13456, 0, kKeeping, 168, sends({}),
         [](T& t, StatusList* s, Got&) { return ZVIBulkTranBegin(t.ctl(), s); }},
        {"ZVIBulkTranCommit", 13472, 0, kKeeping, 168, sends({}),
         [](T& t, StatusList* s, Got&) { return ZVIBulkTranCommit(t.ctl(), s); }},
        {"ZVIBulkTranRollback", 13464, 0, kKeeping, 168, sends({}),
         [](T& t, StatusList* s, Got&) { return ZVIBulkTranRollback(t.ctl(), s); }},
        {"ZVIBeginTransaction", 13648, 0, kStandard | kKeep, 184, sends({}),
         [](T& t, StatusList* s, Got& g) {
             char* handle = nullptr;
             const uint32_t rc = ZVIBeginClientManagedTransaction(t.ctl(), t.out(handle), s);
             if (handle) {
                 EXPECT_STREQ(handle, "tx-handle");
             }
             std::free(handle);
             g.numItems = handle != nullptr;
             return rc;
         },
         [](T&, const char*, char* r) {
             raw::put(r, at::BeginTransaction::handleLength, 9u);
             raw::put(r, at::BeginTransaction::handleBytes, std::memcpy(std::malloc(9), "tx-handle", 9));
             raw::put(r, 8, fake::text("host text"));  // released with the result
         }},
        {"ZVIEndTransaction", 13656, 0, kKeeping, 168, sends({{168, Word, 7}}),
         [](T& t, StatusList* s, Got&) { return ZVIEndClientManagedTransaction(t.ctl(), 7, s); }},
        // Workflow context.
        {"ZVIWfCreateEntry", 13512, 0, kWorkflow & ~kAllocStep, 16, sends({{0, Context}, {8, Values}, {24, Word, 11}}),
         [](T& t, StatusList* s, Got& g) {
             return g.takeId(ZVIWfCreateEntry(wfContext, t.values(), t.want ? g.id : nullptr, 11, s));
         },
         [](T& t, const char*, char* r) { t.answerId(r, 0); }},
        {"ZVIWfSetCurrEntry", 13496, 0, kWorkflow, 0, sends({{0, AllValues}, {16, Word, 12}}),
         [](T& t, StatusList* s, Got&) { return ZVIWfSetCurrEntry(&t.a.fieldValues, 12, s); }},
        {"ZVIWfSetEntry", 13504, 0, kWorkflow & ~kAllocStep, 0,
         sends({{0, Context}, {8, EntryIds}, {24, AllValues}, {40, Word, 13}}),
         [](T& t, StatusList* s, Got&) { return ZVIWfSetEntry(wfContext, &t.a.entryIds, &t.a.fieldValues, 13, s); }},
        {"ZVIWfGetEntry", 13560, 0, kWorkflow, 16, sends({{0, Context}, {8, EntryIds}, {24, FieldIds}, {40, Want}}),
         [](T& t, StatusList* s, Got& g) {
             return taking<zvi::ReleaseFieldValueList>(
                 t, g, [&](auto* out) { return ZVIWfGetEntry(wfContext, &t.a.entryIds, &t.a.fieldIds, out, s); });
         },
         [](T& t, const char*, char* r) { t.answerList(r, 0, hostValues(1)); }},
        {"ZVIWfDeleteEntry", 13568, 0, kWorkflow, 0, sends({{0, Context}, {8, EntryIds}, {24, Word, 14}}),
         [](T& t, StatusList* s, Got&) { return ZVIWfDeleteEntry(wfContext, &t.a.entryIds, 14, s); }},
        // The qualifier record is copied, its nodes are the caller's; at 76, 1: the entries, 2: the count.
        {"ZVIWfGetListEntryWithFields", 13520, 0, kWorkflow, 24,
         sends({{0, Context}, {8, Want, 4}, {16, RelOp}, {64, Word, 3}, {68, Word, 30}}),
         [](T& t, StatusList* s, Got& g) {
             return taking<zvi::ReleaseEntryFieldValuesList>(t, g, [&](auto* out) {
                 return ZVIWfGetListEntryWithFields(wfContext, t.want ? &t.a.qualifier : nullptr, &t.a.listFields,
                                                    &t.a.sortList, 3, 30, 1, out, t.want ? nullptr : &g.numMatches, s);
             });
         },
         [](T& t, const char* q, char* r) {
             if (t.strict) {
                 expectCopy(raw::get<EntryListFieldList>(q, 32), t.a.listFields);
                 expectCopy(raw::get<SortList>(q, 48), t.a.sortList);
                 EXPECT_EQ(raw::u8(q, 72), 1u);
                 EXPECT_EQ(raw::u32(q, 76), t.want ? 1u : 2u);
             }
             t.answerList(r, 0, hostEntryValues());
             raw::put(r, 16, 17u);
         }},
        {"ZVIWfSetFilterPhasing", 13632, 0, kWorkflow, 0, sends({{0, Word, 0xABCD}}),
         [](T&, StatusList* s, Got&) { return ZVIWfSetFilterPhasing(0xABCD, s); }},
        {"ZVIWfFilterAPI", 13640, 0, kWorkflow & ~kAllocStep, 16, sends({{0, Context}, {8, Want, 2}}),
         [](T& t, StatusList* s, Got& g) {
             Value v{};
             const uint32_t rc = ZVIWfFilterAPI(wfContext, t.want ? &t.a.inputList : nullptr, t.out(v), s);
             g.items = v.payload.text;
             zvi::ReleaseValue(&v, 0);
             return rc;
         },
         [](T& t, const char* q, char* r) {
             const raw::List in = raw::list(q, 8);
             if (t.strict && t.want) {
                 EXPECT_NE(in.items, t.a.inputs);
                 EXPECT_EQ(raw::get<int32_t>(in.items, 8), -5);
                 EXPECT_NE(raw::text(in.items, 24), textA);
                 EXPECT_STREQ(raw::text(in.items, 24), textA);
             } else if (t.strict) {
                 EXPECT_EQ(in.items, nullptr) << "no inputs: an empty list";
             }
             const Value v = textValue(0, fake::text("answer")).value;
             std::memcpy(r, &v, 16);
             t.handed = v.payload.text;
         }},
        {"ZVIZVLoadQualifierStruct", 13480, 0, kControl | kKeep | kHostOnFail | kAllocStep, 24,
         sends({{168, Pointer, address(&x)}, {176, Pointer, address(&y)}, {184, Pointer, address(&z)}}),
         [](T& t, StatusList* s, Got& g) {
             Qualifier q{};
             const uint32_t rc = ZVIZVLoadQualifierStruct(t.ctl(), &x, &y, &z, t.out(q), s);
             g.items = q.u.child;
             zvi::ReleaseQualifier(&q, 0);
             return rc;
         },
         [](T& t, const char*, char* r) {
             raw::put(r, 0, uint32_t{ZVI_QUAL_NOT});
             raw::put(r, 8, t.handed = std::calloc(1, sizeof(Qualifier)));
         }},
        {"ZVIQueueInternalCall", 13576, 0, kControl | kHostOnFail | kAllocStep, 168,
         sends({{168, Word, 0xA1}, {172, Word, 0xA2}, {176, Word, 0xA3}}),
         [](T& t, StatusList* s, Got&) { return ZVIQueueInternalCall(t.ctl(), 0xA1, 0xA2, 0xA3, s); }},
        {"ZVIAddTimedCall", 13584, 0, kStandard | kHostOnFail, 176,
         sends({{168, Pointer, address(&x)},
                {176, Pointer, address(&y)},
                {184, Pointer, address(&z)},
                {192, Word, 0xB4}}),
         [](T& t, StatusList* s, Got& g) { return ZVIAddTimedCall(t.ctl(), &x, &y, &z, 0xB4, t.out(g.value), s); },
         [](T&, const char*, char* r) { raw::put(r, 168, 4711u); }},
        {"ZVIRemoveTimedCall", 13592, 0, kStandard | kHostOnFail, 168, sends({{168, Word, 4711}}),
         [](T& t, StatusList* s, Got&) { return ZVIRemovedTimedCall(t.ctl(), 4711, s); }},
    };
    return table;
}

bool emptiesNewIdFirst(const Row& row) {
    return row.failureText == std::string("ZVICreateEntry") || row.failureText == std::string("ZVIMergeEntry");
}

// Every operation with and without its optional arguments, the host failing, warning or
// silent: the host receives what the caller gave (its checks are in the table); what it
// returns moves to the caller, an output nobody asked for is released and so is every
// holder of the host's; the messages that reach the caller, the hooks around the
// routine, the context words, the new identifier emptied first; no status list, no
// call; the thread's allocation context.
TEST_F(OperationsTest, EveryOperationFollowsItsFrameVariant) {
    // The numbers handed back: with the optional outputs, then without.
    struct Numbers {
        uint32_t matches, value, matchesUnwanted, valueUnwanted;
    };
    const std::map<std::string, Numbers> numbers = {{"ZVIGetListEntry", {42, 0, 0, 0}},
                                                    {"ZVIGetListEntryWithMultiSchemaFields", {1, 0, 0, 0}},
                                                    {"ZVIGetListSQL", {40, 0, 0, 0}},
                                                    {"ZVIExecuteProcess", {0, 3, 0, 0}},
                                                    {"ZVIAddTimedCall", {0, 4711, 0, 0}},
                                                    {"ZVIGetMultipleEntries", {0, 2, 0, 2}},
                                                    {"ZVIGetListEntryEithFields", {12, 0, 12, 0}},
                                                    {"ZVIWfGetListEntryWithFields", {0, 0, 17, 0}}};
    enum Mode { Fails, Warns, Silent };
    for (const Row& row : operations()) {
        const auto n = numbers.find(row.failureText);
        const Numbers number = n == numbers.end() ? Numbers{} : n->second;
        const bool makesId = emptiesNewIdFirst(row) || row.failureText == std::string("ZVIWfCreateEntry");
        for (bool w : {true, false})
            for (Mode mode : {Fails, Warns, Silent}) {
                SCOPED_TRACE(std::string(row.failureText) + (w ? "" : ", without the optional arguments") +
                             (mode == Fails   ? ", host fails"
                              : mode == Warns ? ", warns"
                                              : ""));
                want = w;
                handed = nullptr;
                host.on(row.slot, [this, &row, mode](void* q, void* r) {
                    if (mode != Fails) {
                        expectSent(static_cast<const char*>(q), row.sent);
                        row.host(*this, static_cast<const char*>(q), static_cast<char*>(r));
                    }
                    if (mode != Silent) fake::addMessage(statusAt(r, row.statusAt), ZVI_WARNING, 77, "host warning");
                    return mode == Fails ? 0u : 1u;
                });
                control.contextWord0 = 5;
                control.contextWord1 = 6;
                // The caller's note, or a warning when the host is silent: it alone makes the code 1.
                const uint32_t callerType = mode == Silent ? ZVI_WARNING : ZVI_NOTE;
                StatusList s{};
                zvi::appendStatus(&s, callerType, 54, "earlier");
                StatusList before = s;
                host.clearEvents();
                Got g;
                std::strcpy(g.id, "previous");
                alloc::Window window;
                const uint32_t rc = row.call(*this, &s, g);

                std::vector<Message> expected;
                if (mode == Fails) expected.push_back(catalogMessage(ZVI_ERROR, 9905, row.failureText));
                if (mode == Warns || (mode == Fails && row.variant & kHostOnFail))
                    expected.push_back({ZVI_WARNING, 77, "host warning", "", false});
                if (row.variant & kKeep)
                    expected.push_back(catalogMessage(callerType, 54, "earlier"));
                else
                    zvi::releaseStatusList(&before, 0);  // dropped by the reset
                EXPECT_EQ(rc, mode == Fails ? 2u : expected.empty() ? 0u : 1u);
                EXPECT_EQ(messages(s), expected);
                zvi::releaseStatusList(&s, 0);
                EXPECT_EQ(window.liveBlocks(), 0u) << "host holders and messages freed, unwanted outputs released";
                std::vector<Event> events;
                if (row.variant & kControl) events.push_back({Event::CallerInfo, 1});
                if (row.opcode) events.push_back({Event::Enter, row.opcode});
                events.push_back({Event::Service, row.slot});
                if (row.opcode) events.push_back({Event::Leave, 0});
                EXPECT_EQ(host.events(), events);
                const bool back = mode != Fails && row.variant & kWriteBack;
                EXPECT_EQ(control.contextWord0, back ? host.contextWord0 : 5) << "written back on success only";
                EXPECT_EQ(control.contextWord1, back ? host.contextWord1 : 6);
                if (mode == Fails) {
                    EXPECT_STREQ(g.id, w && emptiesNewIdFirst(row) ? "" : "previous");
                } else {
                    if (handed) {
                        EXPECT_EQ(g.items, w ? handed : nullptr) << "moved, not copied";
                    }
                    EXPECT_EQ(g.numMatches, w ? number.matches : number.matchesUnwanted);
                    EXPECT_EQ(g.value, w ? number.value : number.valueUnwanted);
                    EXPECT_EQ(std::string(g.id), w && makesId ? newId.substr(0, 15) : "previous");
                }
                host.clearEvents();
                std::strcpy(g.id, "previous");
                EXPECT_EQ(row.call(*this, nullptr, g), 4u);
                EXPECT_TRUE(host.events().empty());
                EXPECT_STREQ(g.id, w && emptiesNewIdFirst(row) ? "" : "previous") << "emptied before the status test";
            }
        serve(row);
        bool hasContext = false;
        std::thread([&] {
            StatusList s{};
            Got g;
            row.call(*this, &s, g);
            hasContext = zvi::rpc::getThreadContext() != nullptr;
            zvi::releaseStatusList(&s, 0);
        }).join();
        EXPECT_EQ(hasContext, (row.variant & kAllocStep) != 0) << row.failureText << ": the allocation-context step";
    }
}

// Every operation under every failure of the library's allocations, one at a time or
// all at once, ends in a defined code with a releasable list and leaves nothing behind;
// operator new is never used.
TEST_F(OperationsTest, EveryAllocationFailureEndsInADefinedOutcome) {
    // A from item with a nested query and a join qualifier gives the copy more to fail.
    MultiQuery nested{};
    std::strcpy(nested.queryName, "inner");
    nested.fromList = MultiFromList{1, a.from};
    a.from[1].fromType = ZVI_MULTI_FROM_QUERY;
    a.from[1].u.query = &nested;
    a.from[0].joinQualifier = &a.groupQualifier;
    strict = false;
    for (const Row& row : operations()) {
        SCOPED_TRACE(row.failureText);
        alloc::sweep([&](const alloc::Window& w) {
            StatusList s{};
            {
                alloc::Paused p;
                zvi::appendStatus(&s, ZVI_NOTE, 54, "earlier");
            }
            StatusList before = s;
            Got g;
            const uint32_t rc = row.call(*this, &s, g);
            EXPECT_TRUE(w.failed() ? rc <= 3 || rc == 300 : rc == 0) << rc;
            EXPECT_EQ(w.newAllocations(), 0u);
            zvi::releaseStatusList(&s, 0);
            if (!(row.variant & kKeep)) zvi::releaseStatusList(&before, 0);  // dropped by the reset
        });
        alloc::Window w(alloc::kEvery);
        StatusList s{};
        Got g;
        const uint32_t rc = row.call(*this, &s, g);
        EXPECT_TRUE(rc <= 3 || rc == 300) << rc;
        zvi::releaseStatusList(&s, 0);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
}

// Checks of the caller's arguments that end a call before the host is reached.
TEST_F(OperationsTest, CallsThatEndBeforeTheHost) {
    FieldValueList empty{0, a.values};
    for (FieldValueList* values : {static_cast<FieldValueList*>(nullptr), &empty})
        EXPECT_EQ(ZVISetEntry(&control, form, &a.entryIds, values, 1, 2, &status), 0u) << "nothing to set";
    EXPECT_EQ(status.numItems, 0u);
    char noText[] = "", file[] = "/tmp/x";
    ValueList stale[1] = {};
    ValueListList rows{4, stale};
    FieldValueListList lists{5, nullptr};
    Locator fileLoc{ZVI_LOC_FILENAME, {}};
    fileLoc.u.fileName = file;
    const char* const buffer = "Must be ZV_LOC_BUFFER";
    const std::tuple<std::function<uint32_t()>, uint32_t, const char*> cases[] = {
        {[&] { return ZVIGetMultipleEntries(&control, form, nullptr, &a.fieldIds, nullptr, &lists, &status); }, 292,
         nullptr},
        {[&] { return ZVIGetEntryBLOB(&control, form, &a.entryIds, 4, &fileLoc, &status); }, 8700, buffer},
        {[&] { return ZVIGetEntryBLOB(&control, form, &a.entryIds, 4, nullptr, &status); }, 8700, buffer},
        {[&] { return ZVIGetListSQL(&control, nullptr, 10, &rows, nullptr, &status); }, 261, nullptr},
        {[&] { return ZVIGetListSQL(&control, noText, 10, nullptr, nullptr, &status); }, 261, nullptr},
        {[&] { return ZVIGetListSQL(&control, sqlText, 10, nullptr, nullptr, &status); }, 105, nullptr},
        {[&] { return ZVIExecuteProcess(&control, nullptr, nullptr, nullptr, &status); }, 117, nullptr},
    };
    for (const auto& [call, number, detail] : cases) {
        EXPECT_EQ(call(), 2u);
        EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(ZVI_ERROR, number, detail)}));
        zvi::releaseStatusList(&status, 0);
    }
    EXPECT_EQ(lists.numItems, 0u) << "cleared before the check";
    EXPECT_EQ(rows.numItems, 0u) << "cleared before the check";
    EXPECT_EQ(fileLoc.u.fileName, file);
    EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}}))
        << "only the last check comes after the control conversion";
}

TEST_F(OperationsTest, GetListEntryMovesTheItemsIntoANewArray) {
    EntryListItem *fromHost = nullptr, first{};
    host.on(12280, [&](void*, void* r) {
        const EntryListItemList items = hostItems();
        raw::putList(r, at::GetList::entries, items.numItems, fromHost = items.items);
        first = items.items[0];
        return 1u;
    });
    EntryListItem sentinel{};
    EntryListItemList entries{7, &sentinel};
    EXPECT_EQ(ZVIGetListEntry(&control, form, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr, nullptr), 4u);
    EXPECT_EQ(entries.numItems, 0u) << "emptied before the status test";
    EXPECT_EQ(ZVIGetListEntry(&control, form, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr, &status), 0u);
    ASSERT_EQ(entries.numItems, 2u);
    EXPECT_NE(entries.items, fromHost) << "a new array of the library's own";
    EXPECT_EQ(entries.items[0].entryId.items, first.entryId.items) << "the items move whole";
    EXPECT_EQ(entries.items[0].entryText, first.entryText);
    EXPECT_STREQ(entries.items[1].entryText, "second entry");
    releaseItems(entries);

    host.on(12280, [](void*, void*) { return 1u; });
    alloc::Window w;
    EXPECT_EQ(ZVIGetListEntry(&control, form, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr, &status), 0u);
    EXPECT_EQ(entries.numItems, 0u);
    EXPECT_EQ(entries.items, nullptr);
    EXPECT_EQ(w.allocations(), 0u) << "no array for no items";
}

// The data is handed over (expanded when the header says it is compressed) or, when the
// host's answer cannot be read without going beyond what it returned, the call fails.
TEST_F(OperationsTest, GetEntryBLOBHandsOverTheDataOrFails) {
    const std::string text = "The quick brown fox jumps over the lazy dog. The quick brown fox jumps again.";
    const std::string packed = deflated(text), plain("plain\0bytes", 11);
    const std::string zs = deflated(std::string(1000, 'z')), half = zs.substr(0, zs.size() / 2);
    const uint32_t size = static_cast<uint32_t>(packed.size());
    const Message notExpanded = catalogMessage(ZVI_ERROR, 160, "ZVIGetEntryBlob"), none{};
    struct Case {
        const char* name;
        uint32_t byteCount;  // 0: as built
        uint32_t compressed, storedLength;
        std::string data, expected;
        Message failure;  // number 0: handed over
    } cases[] = {
        {"plain data", 0, 0, 0, plain, plain, none},
        {"compressed data", 0, 1, size, packed, text, none},
        {"compressed with room to spare", 0, 0x01000000, size + 100, packed, text, none},
        {"header only, compressed: an empty input expands to nothing", 0, 1, 0, "", "", none},
        {"header only, plain", 0, 0, 0, "", "", none},
        {"no data", 0, 0, 0, "", "", catalogMessage(ZVI_ERROR, 9905, "ZVIGetEntryBLOB -- output buffer NULL")},
        {"shorter than its header", 5, 0, 0, "", "", notExpanded},
        {"stored length below the data", 0, 1, size - 1, packed, "", notExpanded},
        {"data that will not expand", 0, 1, 40, "this is not a compressed stream at all!!", "", notExpanded},
        {"a truncated stream", 0, 1, 200, half, "", notExpanded},
    };
    const Message hostNote{ZVI_NOTE, 78, "host note", "", false};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.on(12232, [&](void*, void* r) {
            fake::addMessage(statusAt(r, at::GetEntryBLOB::status), ZVI_NOTE, 78, "host note");
            if (std::string(c.name) != "no data")
                hostBlob(static_cast<char*>(r), c.compressed, c.storedLength, c.data, c.byteCount);
            return 1u;
        });
        Locator loc{ZVI_LOC_BUFFER, {}};
        control.contextWord0 = 3;
        alloc::Window w;
        const bool fails = c.failure.number != 0;
        EXPECT_EQ(ZVIGetEntryBLOB(&control, form, &a.entryIds, 1, &loc, &status), fails ? 2u : 0u);
        std::vector<Message> expected{hostNote};
        if (fails) expected.insert(expected.begin(), c.failure);
        EXPECT_EQ(messages(status), expected);
        EXPECT_EQ(control.contextWord0, fails ? 3 : host.contextWord0) << "written back when the data is handed over";
        ASSERT_EQ(loc.u.mem.bufSize, c.expected.size());
        ASSERT_EQ(loc.u.mem.buffer == nullptr, fails);
        if (!fails) {
            const std::string got(reinterpret_cast<char*>(loc.u.mem.buffer), loc.u.mem.bufSize + 1);
            EXPECT_EQ(got, c.expected + '\0') << "terminated";
        }
        std::free(loc.u.mem.buffer);
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(w.liveBlocks(), 0u) << "the host's data is freed";
    }
}

// The trace text is cut at strlen(format) + 999 characters and null without a format.
TEST_F(OperationsTest, TraceTextIsFormattedAndCut) {
    std::string seen;
    host.on(13552, [&](void* q, void*) {
        const char* text = raw::text(q, at::WriteTraceLog::text);
        seen = text ? text : "null";
        return 1u;
    });
    const std::string fits(999, 'x'), tooLong(5000, 'y');
    ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, "<%s>", fits.c_str());
    EXPECT_EQ(seen.size(), 1001u);
    ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, "<%s>", tooLong.c_str());
    EXPECT_EQ(seen.size(), 4u + 999);
    ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, nullptr);
    EXPECT_EQ(seen, "null");
}

// The handle is a new, terminated copy of the host's bytes, dropped with message 300
// when it cannot be allocated; an empty handle leaves the caller's pointer. End empties
// the text of the first handle property only, in the caller's memory, on success only.
TEST_F(OperationsTest, TransactionHandles) {
    std::string bytes("tx\0-42", 6);
    host.on(13648, [&](void*, void* r) {
        raw::put(r, at::BeginTransaction::handleLength, static_cast<uint32_t>(bytes.size()));
        if (!bytes.empty())
            raw::put(r, at::BeginTransaction::handleBytes, std::memcpy(std::malloc(6), bytes.data(), 6));
        return 1u;
    });
    char* handle = nullptr;
    EXPECT_EQ(ZVIBeginClientManagedTransaction(&control, &handle, &status), 0u);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(std::string(handle, 7), std::string("tx\0-42\0", 7));
    std::free(handle);
    int noMemory = 0;
    alloc::sweep([&](const alloc::Window&) {
        StatusList s{};
        handle = nullptr;
        const uint32_t rc = ZVIBeginClientManagedTransaction(&control, &handle, &s);
        if (s.numItems == 1 && s.entries[0].messageNum == 300) {
            EXPECT_EQ(rc, 2u);
            EXPECT_STREQ(s.entries[0].appendedText, "ZVIBeginTransaction");
            ++noMemory;
        }
        std::free(handle);
        zvi::releaseStatusList(&s, 0);
    });
    EXPECT_EQ(noMemory, 1);
    bytes.clear();
    char kept[] = "previous";
    handle = kept;
    EXPECT_EQ(ZVIBeginClientManagedTransaction(&control, &handle, &status), 0u);
    EXPECT_EQ(handle, kept);

    char other[] = "other", first[] = "tx-1", second[] = "tx-2";
    Prop props[] = {
        {7, textValue(0, other).value}, {60037, textValue(0, first).value}, {60037, textValue(0, second).value}};
    control.pairList = {3, props};
    answer = 0;
    EXPECT_EQ(ZVIEndClientManagedTransaction(&control, 7, &status), 2u);
    EXPECT_STREQ(first, "tx-1") << "not on failure";
    answer = 1;
    EXPECT_EQ(ZVIEndClientManagedTransaction(&control, 7, &status), 2u) << "the earlier error stays";
    EXPECT_STREQ(first, "");
    EXPECT_STREQ(second, "tx-2");
    EXPECT_STREQ(other, "other");
    std::strcpy(first, "tx-1");
    props[1].value = Value{ZVI_DATA_INTEGER, {}};
    EXPECT_EQ(ZVIEndClientManagedTransaction(&control, 7, &status), 2u);
    EXPECT_STREQ(second, "tx-2") << "a first handle property without a text is left alone";
}

}  // namespace
