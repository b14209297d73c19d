// The entry, server, transaction and workflow-context operations over one table: the bytes the host
// receives and returns at typed-in offsets, the frame variant of each, every allocation failure.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "platform/zvrpc.h"
#include "tests/support/calls.h"
#include "tests/support/raw.h"

using namespace testing_support;
using fake::Event;

namespace {

char form[] = "HelpDesk", textA[] = "first value", sqlText[] = "select 1";
const char newId[] = "XXXXXXXXXXXXXXXY";  // all 16 bytes: cut to 15
const std::string traceArgument(2000, 'y'), traceText = '<' + traceArgument.substr(0, 1002);  // strlen + 999
int contextTarget, x, y, z;
WorkflowContext const wfContext = &contextTarget;

// The caller's arguments: lists whose first items start with words of their own.
EntryId idItems[2] = {"100000000000001", "200000000000002"};
EntryIdList ids{2, idItems};
uint32_t fieldItems[3] = {1, 7, 536870913};
IdList fields{3, fieldItems};
FieldValue valueItems[2] = {textValue(7, textA), textValue(8, textA)};
FieldValueList values{2, valueItems};
Qualifier leaf{}, qualifier{ZVI_QUAL_NOT, {{&leaf, nullptr}}};
EntryListField listItems[1] = {{9, 20, "|"}};
EntryListFieldList listFields{1, listItems};
SortItem sortItems[1] = {{3, 2}};
SortList sortList{1, sortItems};
EntryIdListList idLists{1, &ids};  // the caller's array, borrowed
ValueList inputs{1, &valueItems[0].value};
KeywordRecord keyword{{0x0102030405060708u, 0x1112131415161718u}};
TraceRecord trace{{0xA1A2A3A4A5A6A7A8u, 0xB1B2B3B4B5B6B7B8u}};
uint64_t word = 0xCAFEF00DDEADBEEFu;
MultiFromItem from[1] = {{ZVI_MULTI_FROM_FORM, {"HelpDesk"}, "H", 0, nullptr}};
MultiFromList fromList{1, from};
MultiFieldItem multiItems[1] = {{"H", 1, 0}};
MultiFieldItemList multiFields{1, multiItems};
MultiFieldRef groupItems[1] = {{"P", 8}};
MultiFieldRefList groupBy{1, groupItems};
MultiQualifier multiQualifier = [] {  // the field "P", held inline
    MultiQualifier q{ZVI_MULTI_QUAL_FIELD, {}};
    std::strcpy(q.u.field.alias, "P");
    return q;
}();

// The frame variant: takes a control record, writes the context words back, keeps the caller's status list,
// hands the host's messages over on failure too, makes the thread's allocation context, hands a new entry's
// identifier back, empties it before the status test.
enum : unsigned {
    kControl = 1, kWriteBack = 2, kKeep = 4, kHostOnFail = 8, kAllocStep = 16, kNewId = 32, kIdFirst = 64,
    kStandard = kControl | kWriteBack | kAllocStep, kKeeping = kStandard | kKeep | kHostOnFail,
    kCreating = kStandard | kNewId | kIdFirst, kWorkflowNoStep = kKeep | kHostOnFail,
    kWorkflow = kWorkflowNoStep | kAllocStep,
};

// A request field holds: Word, the 32-bit value given; Wide, the 64-bit value (a borrowed pointer); Text, an
// equal text; Copy, the caller's first word, and at +8 a block of its own starting with the caller's first
// word. The Want kinds: the same with the optional arguments (Want: 1), zeros without. Form, Context: borrowed.
enum Sent { Word, Wide, Text, Copy, Want, WantWide, WantText, WantCopy, Form, Context };
// A result field the host writes: Number, the value; Count, the same for the caller's number output; Id, a
// new identifier; a zeroed 64-byte block the caller gets copied (Block), in a list of one whose item moves
// to an array of the library's (Items), or as it is: Handed, in a List of one, or Held in a host's holder.
enum Answer { Number, Count, Id, Block, Items, Handed, List, Held };
template <class Kind>
struct At {
    At(uint64_t at, Kind what, uint64_t value = 1) : at(at), value(value), what(what) {}
    template <class P>
    At(uint64_t at, Kind what, P* p) : At(at, what, reinterpret_cast<uint64_t>(p)) {}
    uint64_t at, value;
    Kind what;
};
using Field = At<Sent>;
using Reply = At<Answer>;
using T = class OperationsTest;
struct Row {
    const char* failureText;  // detail of 9905; also names the row
    uint32_t slot, opcode;    // opcode 0: called without the hooks
    unsigned variant;
    size_t statusAt;              // offset of the result's status list
    std::vector<Field> sent;      // the request's fields
    std::vector<Reply> replies;   // the result's fields, written by the host
    uint32_t (*call)(T&);         // with the status list t.s and the outputs of t.out()
};
class OperationsTest : public HostTest {
public:
    // The row's host: checks the request and answers when it succeeds; adds a note.
    void serve(const Row& row, bool succeeds, bool checks = true) {
        host.on(row.slot, [this, &row, succeeds, checks](void* q, void* r) {
            for (const Field& f : row.sent)
                if (succeeds && checks) expectSent(static_cast<const char*>(q), f);
            for (const Reply& a : row.replies)
                if (succeeds) answer(static_cast<char*>(r), a);
            fake::addMessage(statusAt(r, row.statusAt), ZVI_NOTE, 77, "host note");
            return succeeds ? 1u : 0u;
        });
    }
    // The host answers with a heap copy of bytes, counted at `at`, and a note in its status list.
    void answerBytes(uint32_t slot, size_t at, const std::string& bytes, size_t statusOffset) {
        host.on(slot, [=](void*, void* r) {
            fake::addMessage(statusAt(r, statusOffset), ZVI_NOTE, 78, "host note");
            const uint32_t n = static_cast<uint32_t>(bytes.size());
            raw::putList(r, at, n, n ? std::memcpy(std::malloc(n), bytes.data(), n) : nullptr);
            return 1u;
        });
    }
    void expectSent(const char* q, Field f) {
        SCOPED_TRACE("request offset " + std::to_string(f.at));
        if (f.what >= Form) f = {f.at, Wide, f.what == Form ? static_cast<void*>(form) : wfContext};
        const bool given = f.what < Want || want;
        if (f.what >= Want) f.what = static_cast<Sent>(f.what - Want);
        if (f.what == Word) {
            EXPECT_EQ(raw::u32(q, f.at), given ? f.value : 0u);
        } else if (!given) {
            EXPECT_TRUE(raw::zero(q, f.at, f.at + (f.what == Copy ? 16 : 8)));
        } else if (f.what == Wide) {
            EXPECT_EQ(raw::get<uint64_t>(q, f.at), f.value);
        } else if (f.what == Text) {
            EXPECT_STREQ(raw::text(q, f.at), reinterpret_cast<const char*>(f.value));
        } else {
            const auto* caller = reinterpret_cast<const char*>(f.value);
            EXPECT_EQ(raw::u32(q, f.at), raw::u32(caller, 0));
            ASSERT_NE(raw::ptr(q, f.at + 8), nullptr);
            EXPECT_NE(raw::ptr(q, f.at + 8), raw::ptr(caller, 8));
            EXPECT_EQ(raw::u32(raw::ptr(q, f.at + 8), 0), raw::u32(raw::ptr(caller, 8), 0));
        }
    }
    void answer(char* r, const Reply& a) {
        if (a.what <= Count) return raw::put(r, a.at, static_cast<uint32_t>(a.value));
        if (a.what == Id) return (void)std::memcpy(r + a.at, newId, 16);
        void* block = std::calloc(1, 64);
        if (a.what >= Handed) handed = block;
        if (a.what == Held) raw::putList(block = std::calloc(1, 16), 0, 1, handed);  // the holder
        if (a.what == List || a.what == Items) return raw::putList(r, a.at, 1, block);
        raw::put(r, a.at, block);
    }

    // An output, zeroed, given with the optional arguments (or when required); what the host's answer left at
    // its pointer (a list's items, a value's text, a qualifier's child, a text) is freed after the call.
    template <class O>
    O* out(bool required = false, size_t at = 8, uint32_t firstWord = 0) {
        char* output = static_cast<char*>(std::memset(outputs[used], 0, sizeof outputs[0]));
        raw::put(output, 0, firstWord);
        pointerAt[used++] = at;
        return want || required ? reinterpret_cast<O*>(output + (sizeof(O) == 8 ? 8 : 0)) : nullptr;
    }
    template <class O>
    O* out(O& o) { return want ? &o : nullptr; }
    char* id() { return want ? g.id : nullptr; }
    // Calls the row's operation; notes what the caller received of the host's as it is.
    uint32_t call(const Row& row, StatusList* list) {
        s = list;
        handed = nullptr;
        g = Got{nullptr, 0, "previous"};
        const uint32_t rc = row.call(*this);
        for (int i = 0; i < used; ++i) {
            void* p = raw::ptr(outputs[i], pointerAt[i]);
            if (p && p == handed) g.items = p;
            std::free(p);
        }
        used = 0;
        return rc;
    }

    bool want = true;  // the calls get their optional arguments and outputs
    ControlRecord* c = &control;
    StatusList* s = nullptr;         // the status list of the call
    Got g;                           // what it handed over
    void* handed = nullptr;          // what the host returned for the caller as it is
    alignas(8) char outputs[2][24];  // the outputs of the call, with the offsets of their pointers
    size_t pointerAt[2];
    int used = 0;
};

// clang-format off
const std::vector<Row>& operations() {
    // The request of both single-form list operations.
    static const std::vector<Field> list = {{168, Form}, {176, WantCopy, &qualifier}, {200, Copy, &listFields},
        {216, Copy, &sortList}, {232, Word, 10}, {236, Word, 20}, {240, Word, 1}, {244, Want}};
    static const std::vector<Row> table = {
        {"ZVIGetEntry", 12224, 1, kKeeping, 184, {{168, Form}, {176, Copy, &ids}, {192, Copy, &fields}, {208, Want}},
         {{168, List}}, [](T& t) { return ZVIGetEntry(t.c, form, &ids, &fields, t.out<FieldValueList>(), t.s); }},
        {"ZVISetEntry", 12248, 2, kStandard, 168,
         {{168, Form}, {176, Copy, &ids}, {192, Copy, &values}, {208, Word, 0xA1}, {212, Word, 0xA2}}, {},
         [](T& t) { return ZVISetEntry(t.c, form, &ids, &values, 0xA1, 0xA2, t.s); }},
        {"ZVICreateEntry", 12256, 3, kCreating, 184, {{168, Form}, {176, WantCopy, &values}}, {{168, Id}},
         [](T& t) { return ZVICreateEntry(t.c, form, t.out(values), t.id(), t.s); }},
        {"ZVIDeleteEntry", 12264, 4, kStandard, 168, {{168, Form}, {176, Copy, &ids}, {192, Word, 0xD0}}, {},
         [](T& t) { return ZVIDeleteEntry(t.c, form, &ids, 0xD0, t.s); }},
        {"ZVIMergeEntry", 12272, 37, kCreating, 184, {{168, Form}, {176, Copy, &values}, {192, Word, 0x33}},
         {{168, Id}}, [](T& t) { return ZVIMergeEntry(t.c, form, &values, 0x33, t.id(), t.s); }},
        {"ZVIGetListEntry", 12280, 5, kStandard, 192, list, {{168, Items}, {184, Count, 42}},
         [](T& t) { return ZVIGetListEntry(t.c, form, t.out(qualifier), &listFields, &sortList, 10, 20, 1,
                                           t.out<EntryListItemList>(true), t.out(t.g.value), t.s); }},
        {"ZVIGetListEntryEithFields", 12824, 73, kStandard, 184, list, {{168, Count, 12}, {176, Held}},
         [](T& t) { return ZVIGetListEntryWithFields(t.c, form, t.out(qualifier), &listFields, &sortList, 10, 20, 1,
                                                     t.out<EntryFieldValuesList>(), t.out(t.g.value), t.s); }},
        {"ZVIGetMultipleEntries", 12240, 67, kStandard, 208,
         {{168, Form}, {176, Word, 1}, {184, Wide, &ids}, {192, Copy, &fields}, {208, Want}},
         {{168, List}, {184, List}}, [](T& t) { return ZVIGetMultipleEntries(t.c, form, &idLists, &fields,
                                                      t.out<ExistList>(true), t.out<FieldValueListList>(), t.s); }},
        {"ZVIGetEntryBLOB", 12232, 80, kStandard | kHostOnFail, 184, {{168, Form}, {176, Copy, &ids}, {192, Word, 9}},
         {{168, Number, 12}, {176, Block}},
         [](T& t) { return ZVIGetEntryBLOB(t.c, form, &ids, 9, t.out<Locator>(true, 16, ZVI_LOC_BUFFER), t.s); }},
        {"ZVIServiceEntry", 12296, 5, kStandard | kHostOnFail, 184,
         {{168, Form}, {176, Copy, &ids}, {192, Copy, &values}, {208, Copy, &fields}, {224, Want}}, {{168, List}},
         [](T& t) { return ZVIServiceEntry(t.c, form, &ids, &values, &fields, t.out<FieldValueList>(), t.s); }},
        // The eighth argument is not passed on: 496 stays 0.
        {"ZVIGetListEntryWithMultiSchemaFields", 13328, 171, kStandard | kHostOnFail, 184,
         {{168, Copy, &fromList}, {184, Copy, &multiFields}, {200, Want, 5}, {208, Want, 'P'},
          {472, Copy, &multiFields}, {488, Word, 5}, {492, Word, 50}, {496, Word, 0}, {500, Want},
          {504, Copy, &groupBy}, {520, Want, 5}, {528, Want, 'P'}}, {{168, Count, 12}, {176, Held}},
         [](T& t) { return ZVIGetListEntryWithMultiSchemaFields(t.c, &fromList, &multiFields, t.out(multiQualifier),
             &multiFields, 5, 50, 1, &groupBy, t.out(multiQualifier), t.out<MultiFieldValueListList>(),
             t.out(t.g.value), t.s); }},
        {"ZVIGetServerInfo", 12616, 36, kStandard, 184, {{168, Copy, &fields}}, {{168, List}},
         [](T& t) { return ZVIGetServerInfo(t.c, &fields, t.out<ServerInfoList>(), t.s); }},
        {"ZVIExecuteProcess", 12696, 61, kStandard, 192, {{168, Wide, sqlText}, {176, Want}},
         {{168, Count, 3}, {184, Handed}},
         [](T& t) { return ZVIExecuteProcess(t.c, sqlText, t.out(t.g.value), t.out<char*>(), t.s); }},
        {"ZVIGetListSQL", 12688, 59, kStandard, 192, {{168, Wide, sqlText}, {176, Word, 250}, {180, Want}},
         {{168, List}, {184, Count, 40}},
         [](T& t) { return ZVIGetListSQL(t.c, sqlText, 250, t.out<ValueListList>(true), t.out(t.g.value), t.s); }},
        {"ZVIWriteTraceLog", 13552, 0, kKeeping, 168, {{168, Word, 11}, {172, Word, 22}, {176, Word, 1},
          {184, Want, 0xA5A6A7A8}, {196, Want, 0xB1B2B3B4}, {200, Word, 2}, {208, WantText, traceText.c_str()}}, {},
         [](T& t) { return ZVIWriteTraceLog(t.c, 11, 22, 1, t.out(trace), 2, t.s, t.want ? "<%s>" : nullptr,
                                            traceArgument.c_str()); }},
        {"ZVIGetServerProps", 13448, 0, kControl | kHostOnFail, 184, {{168, Copy, &fields}}, {{168, List}},
         [](T& t) { return ZVIGetServerProps(t.c, &fields, t.out<PropList>(), t.s); }},
        {"ZVICheckStringForKeyword", 13536, 0, kKeep | kHostOnFail | kAllocStep, 0,
         {{0, Wide, 0x8877665544332211u}, {16, WantWide, 0x1112131415161718u}, {24, WantWide, 0xCAFEF00DDEADBEEFu}},
         {}, [](T& t) { return ZVICheckStringForKeyword(0x8877665544332211u, t.out(keyword), t.out(word), t.s); }},
        // Transactions. The host's texts in the control head are released with the result.
        {"ZVIBulkTranBegin", 13456, 0, kKeeping, 168, {}, {}, [](T& t) { return ZVIBulkTranBegin(t.c, t.s); }},
        {"ZVIBulkTranCommit", 13472, 0, kKeeping, 168, {}, {}, [](T& t) { return ZVIBulkTranCommit(t.c, t.s); }},
        {"ZVIBulkTranRollback", 13464, 0, kKeeping, 168, {}, {}, [](T& t) { return ZVIBulkTranRollback(t.c, t.s); }},
        {"ZVIBeginTransaction", 13648, 0, kStandard | kKeep, 184, {}, {{168, Number, 2}, {176, Block}, {8, Block}},
         [](T& t) { return ZVIBeginClientManagedTransaction(t.c, t.out<char*>(), t.s); }},
        {"ZVIEndTransaction", 13656, 0, kKeeping, 168, {{168, Word, 7}}, {},
         [](T& t) { return ZVIEndClientManagedTransaction(t.c, 7, t.s); }},
        {"ZVIWfCreateEntry", 13512, 0, kWorkflowNoStep | kNewId, 16,
         {{0, Context}, {8, WantCopy, &values}, {24, Word, 11}}, {{0, Id}},
         [](T& t) { return ZVIWfCreateEntry(wfContext, t.out(values), t.id(), 11, t.s); }},
        {"ZVIWfSetCurrEntry", 13496, 0, kWorkflow, 0, {{0, Copy, &values}, {16, Word, 12}}, {},
         [](T& t) { return ZVIWfSetCurrEntry(&values, 12, t.s); }},
        {"ZVIWfSetEntry", 13504, 0, kWorkflowNoStep, 0,
         {{0, Context}, {8, Copy, &ids}, {24, Copy, &values}, {40, Word, 13}}, {},
         [](T& t) { return ZVIWfSetEntry(wfContext, &ids, &values, 13, t.s); }},
        {"ZVIWfGetEntry", 13560, 0, kWorkflow, 16, {{0, Context}, {8, Copy, &ids}, {24, Copy, &fields}, {40, Want}},
         {{0, List}}, [](T& t) { return ZVIWfGetEntry(wfContext, &ids, &fields, t.out<FieldValueList>(), t.s); }},
        {"ZVIWfDeleteEntry", 13568, 0, kWorkflow, 0, {{0, Context}, {8, Copy, &ids}, {24, Word, 14}}, {},
         [](T& t) { return ZVIWfDeleteEntry(wfContext, &ids, 14, t.s); }},
        // The qualifier record is the caller's, by value; at 76 bit 1: the entries, bit 2: the count.
        {"ZVIWfGetListEntryWithFields", 13520, 0, kWorkflow, 24,
         {{0, Context}, {8, Want, 3}, {16, WantWide, &leaf}, {32, Copy, &listFields}, {48, Copy, &sortList},
          {64, Word, 3}, {68, Word, 30}, {72, Word, 1}, {76, Want, 3}}, {{0, List}, {16, Count, 17}},
         [](T& t) { return ZVIWfGetListEntryWithFields(wfContext, t.out(qualifier), &listFields, &sortList, 3, 30, 1,
                                                       t.out<EntryFieldValuesList>(), t.out(t.g.value), t.s); }},
        {"ZVIWfSetFilterPhasing", 13632, 0, kWorkflow, 0, {{0, Word, 0xABCD}}, {},
         [](T& t) { return ZVIWfSetFilterPhasing(0xABCD, t.s); }},
        {"ZVIWfFilterAPI", 13640, 0, kWorkflowNoStep, 16, {{0, Context}, {8, WantCopy, &inputs}},
         {{0, Number, ZVI_DATA_TEXT}, {8, Handed}},
         [](T& t) { return ZVIWfFilterAPI(wfContext, t.out(inputs), t.out<Value>(), t.s); }},
        {"ZVIZVLoadQualifierStruct", 13480, 0, kControl | kKeep | kHostOnFail | kAllocStep, 24,
         {{168, Wide, &x}, {176, Wide, &y}, {184, Wide, &z}}, {{0, Number, ZVI_QUAL_NOT}, {8, Handed}},
         [](T& t) { return ZVIZVLoadQualifierStruct(t.c, &x, &y, &z, t.out<Qualifier>(), t.s); }},
        {"ZVIQueueInternalCall", 13576, 0, kControl | kHostOnFail | kAllocStep, 168,
         {{168, Word, 0xA1}, {172, Word, 0xA2}, {176, Word, 0xA3}}, {},
         [](T& t) { return ZVIQueueInternalCall(t.c, 0xA1, 0xA2, 0xA3, t.s); }},
        {"ZVIAddTimedCall", 13584, 0, kStandard | kHostOnFail, 176,
         {{168, Wide, &x}, {176, Wide, &y}, {184, Wide, &z}, {192, Word, 0xB4}}, {{168, Count, 4711}},
         [](T& t) { return ZVIAddTimedCall(t.c, &x, &y, &z, 0xB4, t.out(t.g.value), t.s); }},
        {"ZVIRemoveTimedCall", 13592, 0, kStandard | kHostOnFail, 168, {{168, Word, 4711}}, {},
         [](T& t) { return ZVIRemovedTimedCall(t.c, 4711, t.s); }},
    };
    return table;
}
// clang-format on

// Every operation with and without its optional arguments, the host failing or not: what the host receives and
// returns, messages, hooks, context words, outputs moved or emptied, the allocation context; then every
// allocation failure: a defined code, a releasable list, nothing left behind, no operator new.
TEST_F(OperationsTest, EveryOperationFollowsItsFrameVariant) {
    for (const Row& row : operations()) {
        uint64_t count = 0;  // the number the caller's optional output receives
        for (const Reply& a : row.replies) count += a.what == Count ? a.value : 0;
        for (bool w : {true, false})
            for (bool fails : {true, false}) {
                SCOPED_TRACE(std::string(row.failureText) + (w ? "" : ", no options") + (fails ? ", failing" : ""));
                want = w;
                serve(row, !fails);
                control.contextWord0 = control.contextWord1 = 5;
                StatusList list{};
                zvi::appendStatus(&list, ZVI_WARNING, 54, "earlier");
                StatusList before = list;
                host.clearEvents();
                alloc::Window window;
                const uint32_t rc = call(row, &list);
                std::vector<Message> expected{{ZVI_NOTE, 77, "host note", "", false}};
                if (fails && !(row.variant & kHostOnFail)) expected.clear();
                if (row.variant & kKeep) expected.insert(expected.begin(), catalogMessage(ZVI_WARNING, 54, "earlier"));
                if (fails) expected.insert(expected.begin(), catalogMessage(ZVI_ERROR, 9905, row.failureText));
                if (!(row.variant & kKeep)) zvi::releaseStatusList(&before, 0);  // dropped unreleased
                EXPECT_EQ(rc, fails ? 2u : row.variant & kKeep ? 1u : 0u);
                EXPECT_EQ(messages(list), expected);
                zvi::releaseStatusList(&list, 0);
                EXPECT_EQ(window.liveBlocks(), 0u);
                std::vector<Event> events{{Event::Service, row.slot}};
                if (row.opcode) events = {{Event::Enter, row.opcode}, events[0], {Event::Leave, 0}};
                if (row.variant & kControl) events.insert(events.begin(), {Event::CallerInfo, 1});
                EXPECT_EQ(host.events(), events);
                const bool back = !fails && row.variant & kWriteBack;
                EXPECT_EQ(control.contextWord0, back ? host.contextWord0 : 5);
                EXPECT_EQ(control.contextWord1, back ? host.contextWord1 : 5);
                const std::string first = w && row.variant & kIdFirst ? "" : "previous";
                EXPECT_EQ(g.id, w && !fails && row.variant & kNewId ? std::string(newId, 15) : first);
                EXPECT_TRUE(!w || g.items == handed) << "moved, not copied";
                EXPECT_EQ(g.value, w && !fails ? count : 0u);
                EXPECT_EQ(call(row, nullptr), 4u);
                EXPECT_EQ(g.id, first) << "emptied before the status test";
            }
        zvi::rpc::installContext(nullptr);
        call(row, &status);
        EXPECT_EQ(zvi::rpc::getThreadContext() != nullptr, (row.variant & kAllocStep) != 0) << row.failureText;
        zvi::ensureThreadAllocator();
        zvi::releaseStatusList(&status, 0);
        serve(row, true, false);  // copies that fail reach the host empty
        alloc::sweep([&](const alloc::Window& w) {
            StatusList list{};
            zvi::appendStatus(&list, ZVI_NOTE, 54, "earlier");  // may fail too
            StatusList before = list;
            const uint32_t rc = call(row, &list);
            EXPECT_TRUE(w.failed() ? rc <= 3 || rc == 300 : rc == 0) << row.failureText << ": " << rc;
            for (const Message& m : messages(list))  // what no memory adds: errors, with the call's text or none
                EXPECT_TRUE((m.number != 300 && m.number != 154) ||
                            (m.type == ZVI_ERROR && (m.detail.empty() || m.detail == row.failureText)))
                    << m;
            EXPECT_EQ(w.newAllocations(), 0u);
            zvi::releaseStatusList(&list, 0);
            if (!(row.variant & kKeep)) zvi::releaseStatusList(&before, 0);
        });
    }
}

// Checks of the caller's arguments that end a call before the host; outputs emptied first.
TEST_F(OperationsTest, CallsThatEndBeforeTheHost) {
    EXPECT_EQ(ZVISetEntry(&control, form, &ids, nullptr, 1, 2, &status), 0u);  // nothing to set
    char file[] = "/tmp/x";
    ValueListList rows{4, nullptr};
    FieldValueListList lists{5, nullptr};
    EntryListItemList entries{7, nullptr};
    Locator fileLoc{ZVI_LOC_FILENAME, {file}};
    const auto ends = [&](uint32_t rc, uint32_t number, const char* detail = nullptr) {
        EXPECT_EQ(rc, 2u);
        EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(ZVI_ERROR, number, detail)}));
        zvi::releaseStatusList(&status, 0);
    };
    ends(ZVIGetMultipleEntries(&control, form, nullptr, &fields, nullptr, &lists, &status), 292);
    ends(ZVIGetEntryBLOB(&control, form, &ids, 4, &fileLoc, &status), 8700, "Must be ZV_LOC_BUFFER");
    ends(ZVIGetEntryBLOB(&control, form, &ids, 4, nullptr, &status), 8700, "Must be ZV_LOC_BUFFER");
    ends(ZVIGetListSQL(&control, nullptr, 10, &rows, nullptr, &status), 261);
    ends(ZVIGetListSQL(&control, sqlText, 10, nullptr, nullptr, &status), 105);
    ends(ZVIExecuteProcess(&control, nullptr, nullptr, nullptr, &status), 117);
    EXPECT_EQ(ZVIGetListEntry(&control, form, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr, nullptr), 4u);
    EXPECT_EQ(lists.numItems + rows.numItems + entries.numItems, 0u);
    EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}})) << "only ZVIExecuteProcess converts first";
}

// The data is handed over (expanded when its header says so) or, when the host's answer cannot be read
// within what it returned, the call fails after the host's messages, without the context words.
TEST_F(OperationsTest, GetEntryBLOBHandsOverTheDataOrFails) {
    const auto data = [](uint32_t compressed, uint32_t stored, const std::string& bytes) {
        const uint32_t header[2] = {htonl(compressed), htonl(stored)};  // in network byte order
        return std::string(reinterpret_cast<const char*>(header), 8) + bytes;
    };
    const std::string text(100, 't'), packed = deflated(text), plain("plain\0bytes", 11);
    const uint32_t size = static_cast<uint32_t>(packed.size());
    const Message notExpanded = catalogMessage(ZVI_ERROR, 160, "ZVIGetEntryBlob"), none{};  // none: handed over
    const std::tuple<std::string, std::string, Message> cases[] = {
        {data(0, 0, plain), plain, none}, {data(1, size, packed), text, none},
        {"", "", catalogMessage(ZVI_ERROR, 9905, "ZVIGetEntryBLOB -- output buffer NULL")},
        {data(0, 0, "").substr(0, 5), "", notExpanded}, {data(1, size - 1, packed), "", notExpanded}};
    for (const auto& [block, expected, failure] : cases) {
        SCOPED_TRACE(block.size());
        answerBytes(12232, 168, block, 184);  // the entry data (count, pointer at 176), the status list
        Locator loc{ZVI_LOC_BUFFER, {}};
        control.contextWord0 = 3;
        alloc::Window w;
        const bool fails = failure.number != 0;
        EXPECT_EQ(ZVIGetEntryBLOB(&control, form, &ids, 1, &loc, &status), fails ? 2u : 0u);
        const Message note{ZVI_NOTE, 78, "host note", "", false};
        EXPECT_EQ(messages(status), (fails ? std::vector<Message>{failure, note} : std::vector<Message>{note}));
        EXPECT_EQ(control.contextWord0, fails ? 3 : host.contextWord0);
        const auto* got = reinterpret_cast<const char*>(loc.u.mem.buffer);
        EXPECT_EQ(got ? std::string(got, loc.u.mem.bufSize + 1) : "none", fails ? "none" : expected + '\0');
        std::free(loc.u.mem.buffer);
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(w.liveBlocks(), 0u) << "the host's data is freed";
    }
}

// The handle is a terminated copy of the host's bytes; an empty one leaves the caller's pointer.
// End empties the text of the first handle property only, in the caller's memory, on success only.
TEST_F(OperationsTest, TransactionHandles) {
    char kept[] = "previous", *handle = nullptr;
    answerBytes(13648, 168, std::string("tx\0-42", 6), 184);  // the handle (length, pointer at 176)
    EXPECT_EQ(ZVIBeginClientManagedTransaction(&control, &handle, &status), 0u);
    EXPECT_EQ(std::string(handle, 7), std::string("tx\0-42\0", 7));
    std::free(std::exchange(handle, kept));
    answerBytes(13648, 168, "", 184);
    EXPECT_EQ(ZVIBeginClientManagedTransaction(&control, &handle, &status), 0u);
    EXPECT_EQ(handle, kept);
    char other[] = "other", first[] = "tx-1", second[] = "tx-2";
    Prop props[] = {
        {7, textValue(0, other).value}, {60037, textValue(0, first).value}, {60037, textValue(0, second).value}};
    control.pairList = {3, props};
    for (uint32_t answer : {0u, 1u}) {
        host.on(13656, [=](void*, void*) { return answer; });
        ZVIEndClientManagedTransaction(&control, 7, &status);
        EXPECT_STREQ(first, answer ? "" : "tx-1");
    }
    EXPECT_STREQ(second, "tx-2");
}

}  // namespace
