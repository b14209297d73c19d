// Entry operations: what the host receives, what the caller gets back, the frame
// variant each one follows, their own checks and every allocation failure.
#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/support/byte_order.h"

#include <functional>
#include <map>
#include <set>
#include <string>

#include "tests/support/calls.h"
#include "tests/support/raw.h"
#include "types/types.h"

using namespace testing_support;
using fake::Event;

namespace {

constexpr uint32_t kGetEntry = 12224, kGetEntryBLOB = 12232, kGetMultiple = 12240, kSetEntry = 12248,
                   kCreateEntry = 12256, kDeleteEntry = 12264, kMergeEntry = 12272, kGetList = 12280,
                   kServiceEntry = 12296, kGetListWithFields = 12824, kMultiSchema = 13328;

char schema[] = "HelpDesk";
char textA[] = "first value";
char textB[] = "second value";

// Caller-side arguments.
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
    Args() {
        relOp.operation = 1;
        relOp.left.tag = ZVI_OPERAND_FIELD;
        relOp.left.u.id = 8;
        relOp.right.tag = ZVI_OPERAND_VALUE;
        relOp.right.u.value = values[0].value;
        qualifier.operation = ZVI_QUAL_REL_OP;
        qualifier.u.relOp = &relOp;
        // The caller's padding (bytes 18 and 19 of a list field) holds garbage, which
        // the copies must not hand on.
        for (EntryListField& f : listItems) raw::put<uint16_t>(&f, 18, 0xA5A5);
    }
};

struct MultiArgs {
    MultiFromItem from[2] = {{ZVI_MULTI_FROM_FORM, {"HelpDesk"}, "H", 0, nullptr},
                             {ZVI_MULTI_FROM_FORM, {"People"}, "P", 1, nullptr}};
    MultiFromList fromList{2, from};
    MultiFieldItem fieldItems[2] = {{"H", 1, 0}, {"P", 8, 0}};
    MultiFieldItemList fields{2, fieldItems};
    MultiFieldItem sortItems[1] = {{"H", 3, 2}};
    MultiFieldItemList sort{1, sortItems};
    MultiFieldRef groupItems[1] = {{"P", 8}};
    MultiFieldRefList groupBy{1, groupItems};
    MultiRelationalOp relOp{};
    MultiQualifier qualifier{};
    MultiQualifier groupQualifier{};
    MultiArgs() {
        relOp.operation = 1;
        relOp.left.tag = ZVI_MULTI_OPERAND_FIELD;
        std::strcpy(relOp.left.u.field.alias, "H");
        relOp.right.tag = ZVI_MULTI_OPERAND_VALUE;
        relOp.right.u.value = textValue(0, textA).value;
        qualifier.operation = ZVI_QUAL_REL_OP;
        qualifier.u.relOp = &relOp;
        groupQualifier.operation = ZVI_MULTI_QUAL_FIELD;
        std::strcpy(groupQualifier.u.field.alias, "P");
    }
};

// Host-side results, on the heap as the server returns them.
EntryListItemList hostItems() {
    EntryListItemList list{2, static_cast<EntryListItem*>(std::calloc(2, sizeof(EntryListItem)))};
    for (uint32_t i = 0; i < 2; ++i) {
        list.items[i].entryId = EntryIdList{1, static_cast<EntryId*>(std::calloc(1, sizeof(EntryId)))};
        list.items[i].entryText = fake::text(i ? "second entry" : "first entry");
    }
    return list;
}

EntryFieldValuesList* hostEntryValues() {
    auto* list = static_cast<EntryFieldValuesList*>(std::calloc(1, sizeof(EntryFieldValuesList)));
    *list = EntryFieldValuesList{1, static_cast<EntryFieldValues*>(std::calloc(1, sizeof(EntryFieldValues)))};
    list->items[0].values = static_cast<FieldValueList*>(std::malloc(sizeof(FieldValueList)));
    *list->items[0].values = hostValues(2);
    return list;
}

MultiFieldValueListList* hostRows() {
    auto* rows = static_cast<MultiFieldValueListList*>(std::calloc(1, sizeof(MultiFieldValueListList)));
    *rows = MultiFieldValueListList{1, static_cast<MultiFieldValueList*>(std::calloc(1, sizeof(MultiFieldValueList)))};
    rows->items[0] = MultiFieldValueList{1, static_cast<MultiFieldValue*>(std::calloc(1, sizeof(MultiFieldValue)))};
    rows->items[0].items[0].value = textValue(0, fake::text("row value")).value;
    return rows;
}

void releaseItems(EntryListItemList& list) {
    for (uint32_t i = 0; i < list.numItems; ++i) {
        zvi::ReleaseEntryIdList(&list.items[i].entryId, 0);
        std::free(list.items[i].entryText);
    }
    std::free(list.items);
}

// Entry data as the host returns it: the header in network byte order, then the data.
void hostBlob(GetEntryBLOBResult& r, uint32_t compressed, uint32_t storedLength, const std::string& data) {
    r.byteCount = static_cast<uint32_t>(8 + data.size());
    r.data = static_cast<uint8_t*>(std::malloc(r.byteCount));
    const uint32_t header[2] = {htonl(compressed), htonl(storedLength)};
    std::memcpy(r.data, header, 8);
    std::memcpy(r.data + 8, data.data(), data.size());
}

// An RFC 1950 stream that does not end: its header, then the same fully flushed block
// of 1 MiB of zeros `blocks` times, and no final block.
std::string endlessZeros(size_t blocks) {
    std::string zeros(1 << 20, '\0'), out(2 * compressBound(zeros.size()), '\0');
    z_stream z{};
    deflateInit(&z, 1);
    auto flushed = [&] {
        z.next_in = reinterpret_cast<Bytef*>(&zeros[0]);
        z.avail_in = static_cast<uInt>(zeros.size());
        z.next_out = reinterpret_cast<Bytef*>(&out[0]);
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, Z_FULL_FLUSH);
        return out.substr(0, out.size() - z.avail_out);
    };
    std::string stream = flushed();
    const std::string block = flushed();  // the state is reset after each full flush
    deflateEnd(&z);
    while (--blocks) stream += block;
    return stream;
}

void warn(StatusList& s) { fake::addMessage(s, ZVI_WARNING, 77, "host warning"); }

struct Op {
    const char* name;
    uint32_t slot;
    uint32_t opcode;
    uint32_t statusAt;  // offset of the result's status list
    bool keepsCallerStatus;
    bool keepsHostMessages;
    const char* failureText;
    std::function<uint32_t(ControlRecord*, StatusList*, Got&)> call;
    // Outcomes under allocation failures: the code and messages, what was handed over
    // (out), what the host was sent, the matches, the exist list's length (value) and
    // "back" when the context words were written back.
    std::set<std::string> sweep;
};

// A host that checks every request against the caller's arguments (copies that may
// be dropped only while `strict`), notes what it was sent and answers on the heap.
class EntriesTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        serve<GetEntryRequest, GetEntryResult>(kGetEntry, [this](auto& q, auto& r) {
            EXPECT_EQ(q.schema, schema);
            expectCopy(q.entryId, a.entryIds);
            expectCopy(q.fieldIds, a.fieldIds);
            EXPECT_EQ(q.wantValues, want ? 1u : 0u);
            handed = (r.values = hostValues(2)).items;
            warn(r.status);
        });
        serve<SetEntryRequest, SetEntryResult>(kSetEntry, [this](auto& q, auto&) {
            EXPECT_EQ(q.schema, schema);
            expectCopy(q.entryId, a.entryIds);
            sentValues(q.fieldValues);
            EXPECT_EQ(q.auxValue1, 0xA1u);
            EXPECT_EQ(q.auxValue2, 0xA2u);
        });
        serve<DeleteEntryRequest, DeleteEntryResult>(kDeleteEntry, [this](auto& q, auto&) {
            EXPECT_EQ(q.schema, schema);
            expectCopy(q.entryId, a.entryIds);
            EXPECT_EQ(q.deleteOption, 0xD0u);
        });
        auto newEntry = [this](auto& q, auto& r) {
            EXPECT_EQ(q.schema, schema);
            sentValues(q.fieldValues);
            std::memcpy(r.entryId, newId.data(), std::min<size_t>(16, newId.size() + 1));
        };
        serve<CreateEntryRequest, CreateEntryResult>(kCreateEntry, newEntry);
        serve<MergeEntryRequest, MergeEntryResult>(kMergeEntry, [newEntry](auto& q, auto& r) {
            const uint8_t zero[36] = {};
            EXPECT_EQ(q.mergeType, 0x33u);
            EXPECT_EQ(std::memcmp(q.reserved, zero, sizeof zero), 0);
            newEntry(q, r);
        });
        serve<ServiceEntryRequest, ServiceEntryResult>(kServiceEntry, [this](auto& q, auto& r) {
            EXPECT_EQ(q.schema, schema);
            expectCopy(q.entryId, a.entryIds);
            sentValues(q.inputValues);
            expectCopy(q.outputFieldIds, a.fieldIds);
            EXPECT_EQ(q.wantValues, want ? 1u : 0u);
            handed = (r.values = hostValues(2)).items;
        });
        serve<GetListEntryRequest, GetListEntryResult>(kGetList, [this](auto& q, auto& r) {
            checkListRequest(q, want);
            r.entries = hostItems();
            r.numMatches = 42;
            warn(r.status);
        });
        serve<GetListEntryWithFieldsRequest, GetListEntryWithFieldsResult>(
            kGetListWithFields, [this](auto& q, auto& r) {
                checkListRequest(q, true);  // the count is asked for also without the entries
                handed = (r.entries = hostEntryValues())->items;
                r.numMatches = 12;
            });
        serve<GetMultipleEntriesRequest, GetMultipleEntriesResult>(kGetMultiple, [this](auto& q, auto& r) {
            EXPECT_EQ(q.schema, schema);
            EXPECT_EQ(q.entryIds.numItems, 2u);
            EXPECT_EQ(q.entryIds.items, a.idListItems) << "the caller's items, not a copy";
            sent = q.fieldIds.numItems;
            if (strict) expectCopy(q.fieldIds, a.fieldIds);
            EXPECT_EQ(q.wantValues, want ? 1u : 0u);
            EXPECT_EQ(q.control.word152, 0u);
            handedFlags = (r.existList = ExistList{2, static_cast<uint8_t*>(std::calloc(2, 1))}).items;
            r.values = FieldValueListList{1, static_cast<FieldValueList*>(std::calloc(1, sizeof(FieldValueList)))};
            handed = r.values.items;
            r.values.items[0] = hostValues(2);
        });
        serve<GetEntryBLOBRequest, GetEntryBLOBResult>(kGetEntryBLOB, [this](auto& q, auto& r) {
            EXPECT_EQ(q.schema, schema);
            expectCopy(q.entryId, a.entryIds);
            EXPECT_EQ(q.fieldId, 536870920u);
            EXPECT_EQ(q.control.word152, 0u);
            EXPECT_EQ(q.control.word156, 0);
            hostBlob(r, 1, static_cast<uint32_t>(packed.size()), packed);
            warn(r.status);
        });
        serve<GetListEntryWithMultiSchemaFieldsRequest, GetListEntryWithMultiSchemaFieldsResult>(
            kMultiSchema, [this](auto& q, auto& r) {
                if (strict) checkMultiRequest(q);
                handed = (r.rows = hostRows())->items;
                r.numMatches = 1;
            });
    }
    template <class Req, class Res, class F>
    void serve(uint32_t slot, F fill) {
        host.on(slot, [this, fill](void* q, void* r) {
            fill(*static_cast<Req*>(q), *static_cast<Res*>(r));
            return answer;
        });
    }
    // Values a failed copy drops: a copy of the caller's, or an empty list for none.
    void sentValues(const FieldValueList& v) {
        sent = v.numItems;
        if (!strict) return;
        if (sent) {
            expectValuesCopy(v, a.fieldValues);
        } else {
            EXPECT_EQ(v.items, nullptr) << "a missing list reaches the host empty";
        }
    }
    template <class Request>
    void checkListRequest(const Request& q, bool count) {
        EXPECT_EQ(q.schema, schema);
        if (want) {
            EXPECT_EQ(q.qualifier.operation, 4u);
            ASSERT_NE(q.qualifier.u.relOp, nullptr);
            EXPECT_NE(q.qualifier.u.relOp, &a.relOp) << "the tree is a deep copy";
            EXPECT_EQ(q.qualifier.u.relOp->left.u.id, 8u);
        } else {
            const Qualifier none{};
            EXPECT_EQ(std::memcmp(&q.qualifier, &none, sizeof none), 0) << "operation 0 when none is given";
        }
        sent = q.listFields.numItems;  // a list-field or sort copy that fails is dropped silently
        if (strict) {
            expectCopy(q.listFields, a.listFields);
            expectCopy(q.sortList, a.sortList);
        }
        EXPECT_EQ(q.firstRetrieve, 10u);
        EXPECT_EQ(q.maxRetrieve, 20u);
        EXPECT_EQ(q.useLocale, 1u);
        EXPECT_EQ(q.wantCount, count ? 1u : 0u);
        EXPECT_EQ(q.control.word152, 0u);
        EXPECT_EQ(q.control.word156, 0);
    }
    void checkMultiRequest(const GetListEntryWithMultiSchemaFieldsRequest& q) {
        expectCopy(q.fromList, m.fromList);
        expectCopy(q.fields, m.fields);
        expectCopy(q.sortList, m.sort);
        expectCopy(q.groupBy, m.groupBy);
        EXPECT_EQ(q.qualifier.operation, want ? 4u : 0u);
        if (want) {
            EXPECT_NE(q.qualifier.u.relOp, &m.relOp) << "the tree is a deep copy";
        }
        EXPECT_EQ(q.groupQualifier.operation, want ? 5u : 0u);
        EXPECT_STREQ(q.groupQualifier.u.field.alias, want ? "P" : "");
        EXPECT_EQ(q.firstRetrieve, 5u);
        EXPECT_EQ(q.maxRetrieve, 50u);
        EXPECT_EQ(q.reserved, 0u) << "useLocale is not passed on";
        EXPECT_EQ(q.wantCount, want ? 1u : 0u);
        EXPECT_EQ(q.control.word152, 0u);
        EXPECT_EQ(q.control.word156, 0);
    }
    std::string describe(uint32_t rc, const StatusList& s, const Got& g) {
        const std::string o = outcome(rc, s, g, sent);
        return control.contextWord0 == host.contextWord0 ? o + ", back" : o;
    }
    FieldValueList* values() { return want ? &a.fieldValues : nullptr; }
    std::vector<Op> ops();

    Args a;
    MultiArgs m;
    bool want = true;     // the calls get their optional arguments and outputs
    bool strict = true;   // the host checks the copies a failed allocation may drop
    uint32_t answer = 1;  // what the host's routines return
    std::string newId = std::string(15, 'X') + 'Y';               // what a create or merge returns
    const std::string packed = deflated(std::string(5000, 'q'));  // the entry data returned
    uint32_t sent = 99;                                           // items the host was sent
    void* handed = nullptr;                                       // the array the host returned
    void* handedFlags = nullptr;
};

std::vector<Op> EntriesTest::ops() {
    return {
        {"ZVIGetEntry", kGetEntry, 1, 184, true, true, "ZVIGetEntry",
         [this](ControlRecord* c, StatusList* s, Got& g) {
             FieldValueList v{};
             return g.take<zvi::ReleaseFieldValueList>(
                 v, ZVIGetEntry(c, schema, &a.entryIds, &a.fieldIds, want ? &v : nullptr, s));
         },
         {"300: 54/earlier", "1: 77 54/earlier, out 2, back", "2: 154 77, out 2, back"}},
        {"ZVISetEntry", kSetEntry, 2, 168, false, false, "ZVISetEntry",
         [this](ControlRecord* c, StatusList* s, Got&) {
             return ZVISetEntry(c, schema, &a.entryIds, &a.fieldValues, 0xA1, 0xA2, s);
         },
         {"300:", "0:, sent 0, back", "0:, sent 2, back"}},
        {"ZVICreateEntry", kCreateEntry, 3, 184, false, false, "ZVICreateEntry",
         [this](ControlRecord* c, StatusList* s, Got& g) {
             return g.takeId(ZVICreateEntry(c, schema, values(), want ? g.id : nullptr, s));
         },
         {"0:, out 15, sent 0, back", "0:, out 15, sent 2, back"}},
        {"ZVIDeleteEntry", kDeleteEntry, 4, 168, false, false, "ZVIDeleteEntry",
         [this](ControlRecord* c, StatusList* s, Got&) { return ZVIDeleteEntry(c, schema, &a.entryIds, 0xD0, s); },
         {"300:", "0:, back"}},
        {"ZVIMergeEntry", kMergeEntry, 37, 184, false, false, "ZVIMergeEntry",
         [this](ControlRecord* c, StatusList* s, Got& g) {
             return g.takeId(ZVIMergeEntry(c, schema, values(), 0x33, want ? g.id : nullptr, s));
         },
         {"0:, out 15, sent 0, back", "0:, out 15, sent 2, back"}},
        {"ZVIGetListEntry", kGetList, 5, 192, false, false, "ZVIGetListEntry",
         [this](ControlRecord* c, StatusList* s, Got& g) {
             EntryListItemList v{};
             const uint32_t rc = ZVIGetListEntry(c, schema, want ? &a.qualifier : nullptr, &a.listFields,
                                                 &a.sortList, 10, 20, 1, want ? &v : nullptr,
                                                 want ? &g.numMatches : nullptr, s);
             g.items = v.items;
             g.numItems = v.numItems;
             releaseItems(v);
             return rc;
         },
         {"2: 9905/ZVIGetListEntry", "2: 300, sent 2", "1: 77, out 2, sent 0, matches 42, back",
          "1: 77, out 2, sent 2, matches 42, back"}},
        {"ZVIGetListEntryWithFields", kGetListWithFields, 73, 184, false, false, "ZVIGetListEntryEithFields",
         [this](ControlRecord* c, StatusList* s, Got& g) {
             EntryFieldValuesList v{};
             return g.take<zvi::ReleaseEntryFieldValuesList>(
                 v, ZVIGetListEntryWithFields(c, schema, want ? &a.qualifier : nullptr, &a.listFields, &a.sortList,
                                              10, 20, 1, want ? &v : nullptr, &g.numMatches, s));
         },
         {"2: 9905/ZVIGetListEntryEithFields", "0:, out 1, sent 0, matches 12, back",
          "0:, out 1, sent 2, matches 12, back"}},
        {"ZVIGetMultipleEntries", kGetMultiple, 67, 208, false, false, "ZVIGetMultipleEntries",
         [this](ControlRecord* c, StatusList* s, Got& g) {
             ExistList exist{9, nullptr};
             FieldValueListList v{9, nullptr};
             const uint32_t rc =
                 ZVIGetMultipleEntries(c, schema, &a.idLists, &a.fieldIds, &exist, want ? &v : nullptr, s);
             g.value = exist.numItems;
             std::free(g.second = exist.items);
             return g.take<zvi::ReleaseFieldValueListList>(v, rc);
         },
         {"0:, out 1, sent 0, value 2, back", "0:, out 1, sent 3, value 2, back"}},
        {"ZVIGetEntryBLOB", kGetEntryBLOB, 80, 184, false, true, "ZVIGetEntryBLOB",
         [this](ControlRecord* c, StatusList* s, Got& g) {
             Locator loc{ZVI_LOC_BUFFER, {}};
             const uint32_t rc = ZVIGetEntryBLOB(c, schema, &a.entryIds, 536870920, &loc, s);
             g.numItems = loc.u.mem.bufSize;
             std::free(g.items = loc.u.mem.buffer);
             return rc;
         },
         {"300:", "2: 300 77", "2: 160/ZVIGetEntryBlob 77", "1: 77, out 5000, back"}},
        {"ZVIServiceEntry", kServiceEntry, 5, 184, false, true, "ZVIServiceEntry",
         [this](ControlRecord* c, StatusList* s, Got& g) {
             FieldValueList v{};
             return g.take<zvi::ReleaseFieldValueList>(
                 v, ZVIServiceEntry(c, schema, &a.entryIds, &a.fieldValues, &a.fieldIds, want ? &v : nullptr, s));
         },
         {"300:", "0:, out 2, sent 0, back", "0:, out 2, sent 2, back"}},
        {"ZVIGetListEntryWithMultiSchemaFields", kMultiSchema, 171, 184, false, true,
         "ZVIGetListEntryWithMultiSchemaFields",
         [this](ControlRecord* c, StatusList* s, Got& g) {
             MultiFieldValueListList rows{4, nullptr};
             return g.take<zvi::ReleaseMultiFieldValueListList>(
                 rows, ZVIGetListEntryWithMultiSchemaFields(c, &m.fromList, &m.fields, want ? &m.qualifier : nullptr,
                                                            &m.sort, 5, 50, 1, &m.groupBy,
                                                            want ? &m.groupQualifier : nullptr, want ? &rows : nullptr,
                                                            want ? &g.numMatches : nullptr, s));
         },
         {"2: 300/ZVIGetListEntryWithMultiSchemaFields", "0:, out 1, matches 1, back"}},
    };
}

// The caller's list, the host failing, warning or silent: what reaches the caller, the
// hooks around the routine and the context words.
TEST_F(EntriesTest, EveryOperationFollowsItsFrameVariant) {
    enum Mode { Fails, Warns, Silent };
    for (const Op& op : ops())
        for (Mode mode : {Fails, Warns, Silent}) {
            SCOPED_TRACE(std::string(op.name) + (mode == Fails ? ", host fails" : mode == Warns ? ", host warns" : ""));
            host.on(op.slot, [&op, mode](void*, void* r) {
                auto* blob = static_cast<GetEntryBLOBResult*>(r);
                if (mode != Fails && op.slot == kGetEntryBLOB) hostBlob(*blob, 0, 3, "abc");
                if (mode != Silent) warn(statusAt(r, op.statusAt));
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
            const uint32_t rc = op.call(&control, &s, g);

            std::vector<Message> expected;
            if (mode == Fails) expected.push_back(catalogMessage(ZVI_ERROR, 9905, op.failureText));
            if (mode == Warns || (mode == Fails && op.keepsHostMessages))
                expected.push_back({ZVI_WARNING, 77, "host warning", "", false});
            if (op.keepsCallerStatus) expected.push_back(catalogMessage(callerType, 54, "earlier"));
            else zvi::releaseStatusList(&before, 0);  // dropped by the reset
            EXPECT_EQ(rc, mode == Fails ? 2u : expected.empty() ? 0u : 1u);
            EXPECT_EQ(messages(s), expected);
            EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}, {Event::Enter, op.opcode},
                                                         {Event::Service, op.slot}, {Event::Leave, 0}}));
            EXPECT_EQ(control.contextWord0, mode != Fails ? host.contextWord0 : 5) << "written back on success only";
            EXPECT_EQ(control.contextWord1, mode != Fails ? host.contextWord1 : 6);
            zvi::releaseStatusList(&s, 0);
            EXPECT_EQ(op.call(&control, nullptr, g), 4u);
        }
}

// With and without the optional arguments: the host receives copies of the caller's
// lists (checked by the fixture's host; identifier lists get room for 100 more) and
// what it returns moves to the caller; an output nobody asked for is released.
TEST_F(EntriesTest, RequestsCarryCopiesAndOutputsMove) {
    const size_t idBlock = 100 * sizeof(uint32_t);
    std::map<std::string, std::vector<size_t>> firstBlocks = {
        {"ZVIGetEntry", {sizeof a.ids, idBlock}}, {"ZVIServiceEntry", {sizeof a.ids, idBlock, 2 * sizeof(FieldValue)}}};
    for (const Op& op : ops())
        for (bool w : {true, false}) {
            SCOPED_TRACE(std::string(op.name) + (w ? "" : ", without the optional arguments"));
            want = w;
            handed = handedFlags = nullptr;
            host.clearEvents();
            Got g;
            alloc::Window window;
            op.call(&control, &status, g);
            zvi::releaseStatusList(&status, 0);
            EXPECT_EQ(host.calls(op.slot), 1);
            EXPECT_EQ(window.liveBlocks(), 0u) << "host holders freed, outputs nobody asked for released";
            if (handed) {
                EXPECT_EQ(g.items, w ? handed : nullptr) << "moved, not copied";
            }
            EXPECT_EQ(g.second, handedFlags);
            if (op.slot == kGetListWithFields) {
                EXPECT_EQ(g.numMatches, 12u) << "the count, with or without the entries";
            }
            const auto& blocks = firstBlocks[op.name];
            ASSERT_GE(window.sizes().size(), blocks.size());
            for (size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(window.sizes()[i], blocks[i]) << i;
        }
}

// Every operation under every failure of the library's allocations ends in one of its
// defined outcomes, and nothing is left behind.
TEST_F(EntriesTest, EveryAllocationFailureEndsInADefinedOutcome) {
    // A from item with a nested query and a join qualifier gives the copy more to fail.
    MultiQuery nested{};
    std::strcpy(nested.queryName, "inner");
    nested.fromList = MultiFromList{1, m.from};
    m.from[1].fromType = ZVI_MULTI_FROM_QUERY;
    m.from[1].u.query = &nested;
    m.from[0].joinQualifier = &m.groupQualifier;
    strict = false;
    for (const Op& op : ops()) {
        SCOPED_TRACE(op.name);
        std::set<std::string> seen;
        alloc::sweep([&](const alloc::Window&) {
            StatusList s{};
            {
                alloc::Paused p;
                zvi::appendStatus(&s, ZVI_NOTE, 54, "earlier");
            }
            StatusList before = s;
            Got g;
            sent = 99;
            control.contextWord0 = 0;
            seen.insert(describe(op.call(&control, &s, g), s, g));
            zvi::releaseStatusList(&s, 0);
            if (!op.keepsCallerStatus) zvi::releaseStatusList(&before, 0);  // dropped by the reset
        });
        EXPECT_EQ(seen, op.sweep);
    }
    // Without the exist list: 292, or 3 when even that message cannot be recorded.
    std::set<uint32_t> codes;
    alloc::sweep([&](const alloc::Window&) {
        StatusList s{};
        codes.insert(ZVIGetMultipleEntries(&control, schema, &a.idLists, &a.fieldIds, nullptr, nullptr, &s));
        zvi::releaseStatusList(&s, 0);
    });
    EXPECT_EQ(codes, (std::set<uint32_t>{2, 3}));
}

// Checks of the caller's arguments that end a call before the host is reached.
TEST_F(EntriesTest, CallsThatEndBeforeTheHost) {
    FieldValueList empty{0, a.values};
    for (FieldValueList* values : {static_cast<FieldValueList*>(nullptr), &empty})
        EXPECT_EQ(ZVISetEntry(&control, schema, &a.entryIds, values, 1, 2, &status), 0u) << "nothing to set";
    EXPECT_EQ(status.numItems, 0u);

    FieldValueListList values{5, nullptr};
    EXPECT_EQ(ZVIGetMultipleEntries(&control, schema, nullptr, &a.fieldIds, nullptr, &values, &status), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(ZVI_ERROR, 292)}));
    EXPECT_EQ(values.numItems, 0u) << "cleared before the check";
    zvi::releaseStatusList(&status, 0);

    char file[] = "/tmp/x";
    Locator fileLoc{ZVI_LOC_FILENAME, {}};
    fileLoc.u.fileName = file;
    for (Locator* loc : {&fileLoc, static_cast<Locator*>(nullptr)}) {
        EXPECT_EQ(ZVIGetEntryBLOB(&control, schema, &a.entryIds, 4, loc, &status), 2u);
        EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(ZVI_ERROR, 8700, "Must be ZV_LOC_BUFFER")}));
        zvi::releaseStatusList(&status, 0);
    }
    EXPECT_EQ(fileLoc.u.fileName, file);
    EXPECT_TRUE(host.events().empty()) << "not even the caller information reaches the host";
}

// The identifier is emptied first (also when the call ends early or the host fails); a
// host that fills all 16 bytes is cut to 15 characters.
TEST_F(EntriesTest, CreateAndMergeHandBackTheNewIdentifierAsAString) {
    for (const Op& op : ops()) {
        if (op.slot != kCreateEntry && op.slot != kMergeEntry) continue;
        SCOPED_TRACE(op.name);
        for (uint32_t hostAnswer : {1u, 0u}) {
            answer = hostAnswer;
            Got g;
            std::strcpy(g.id, "previous");
            EXPECT_EQ(op.call(&control, nullptr, g), 4u);
            EXPECT_STREQ(g.id, "");
            std::strcpy(g.id, "previous");
            EXPECT_EQ(op.call(&control, &status, g), hostAnswer ? 0u : 2u);
            EXPECT_EQ(std::string(g.id), hostAnswer ? newId.substr(0, 15) : "");
            zvi::releaseStatusList(&status, 0);
        }
    }
}

TEST_F(EntriesTest, GetListEntryMovesTheItemsIntoANewArray) {
    EntryListItem* fromHost = nullptr;
    EntryListItem first{};
    host.on<GetListEntryRequest, GetListEntryResult>(kGetList, [&](GetListEntryRequest&, GetListEntryResult& r) {
        fromHost = (r.entries = hostItems()).items;
        first = r.entries.items[0];
        return 1u;
    });
    EntryListItemList entries{};
    EXPECT_EQ(ZVIGetListEntry(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr, &status), 0u);
    ASSERT_EQ(entries.numItems, 2u);
    EXPECT_NE(entries.items, fromHost) << "a new array of the library's own";
    EXPECT_EQ(entries.items[0].entryId.items, first.entryId.items) << "the items move whole";
    EXPECT_EQ(entries.items[0].entryText, first.entryText);
    EXPECT_STREQ(entries.items[1].entryText, "second entry");
    releaseItems(entries);
}

TEST_F(EntriesTest, ListsTheHostLeavesEmptyReachTheCallerEmpty) {
    EntryListItem sentinel{};
    EntryListItemList entries{7, &sentinel};
    EXPECT_EQ(ZVIGetListEntry(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr, nullptr), 4u);
    EXPECT_EQ(entries.numItems, 0u) << "emptied before the status test";

    host.on(kGetList, [](void*, void*) { return 1u; });
    host.on(kGetListWithFields, [](void*, void*) { return 1u; });
    entries = EntryListItemList{7, &sentinel};
    alloc::Window w;
    EXPECT_EQ(ZVIGetListEntry(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr, &status), 0u);
    EXPECT_EQ(entries.numItems, 0u);
    EXPECT_EQ(entries.items, nullptr);
    EXPECT_EQ(w.allocations(), 0u) << "no array for no items";
    EntryFieldValuesList withFields{3, nullptr};
    EXPECT_EQ(ZVIGetListEntryWithFields(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, &withFields, nullptr,
                                        &status), 0u);
    EXPECT_EQ(withFields.numItems, 0u);
}

// The data is handed over (expanded when the header says it is compressed) or, when the
// host's answer cannot be read without going beyond what it returned, the call fails.
TEST_F(EntriesTest, GetEntryBLOBHandsOverTheDataOrFails) {
    const std::string text = "The quick brown fox jumps over the lazy dog. The quick brown fox jumps again.";
    const std::string packed = deflated(text), plain("plain\0bytes", 11), bomb = endlessZeros(257);
    const std::string zs = deflated(std::string(1000, 'z')), half = zs.substr(0, zs.size() / 2);
    const uint32_t size = static_cast<uint32_t>(packed.size());
    const Message notExpanded = catalogMessage(ZVI_ERROR, 160, "ZVIGetEntryBlob"), none{};
    struct Case {
        const char* name;
        uint32_t byteCount;  // 0: as built
        uint32_t compressed;
        uint32_t storedLength;
        std::string data;
        std::string expected;
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
        {"a stream that does not end (257 MiB)", 0, 1, static_cast<uint32_t>(bomb.size()), bomb, "", notExpanded},
    };
    const Message hostNote{ZVI_NOTE, 78, "host note", "", false};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.on<GetEntryBLOBRequest, GetEntryBLOBResult>(kGetEntryBLOB, [&](auto&, GetEntryBLOBResult& r) {
            fake::addMessage(r.status, ZVI_NOTE, 78, "host note");
            if (std::string(c.name) == "no data") return 1u;
            hostBlob(r, c.compressed, c.storedLength, c.data);
            if (c.byteCount) {  // a block exactly as long as the host claims
                r.byteCount = c.byteCount;
                r.data = static_cast<uint8_t*>(std::realloc(r.data, c.byteCount));
            }
            return 1u;
        });
        Locator loc{ZVI_LOC_BUFFER, {}};
        control.contextWord0 = 3;
        alloc::Window w;
        const bool fails = c.failure.number != 0;
        EXPECT_EQ(ZVIGetEntryBLOB(&control, schema, &a.entryIds, 1, &loc, &status), fails ? 2u : 0u);
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

}  // namespace
