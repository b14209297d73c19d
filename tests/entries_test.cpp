// Entry operations: what the host receives, what the caller gets back, the frame
// variant each one follows, their own checks and every allocation failure.
#include <gtest/gtest.h>
#include <zlib.h>

#include <arpa/inet.h>

#include <functional>
#include <set>
#include <string>

#include "tests/support/fixtures.h"
#include "types/types.h"

using namespace testing_support;
using fake::Event;

namespace {

constexpr uint32_t kGetEntry = 12224, kGetEntryBLOB = 12232, kGetMultiple = 12240, kSetEntry = 12248,
                   kCreateEntry = 12256, kMergeEntry = 12272, kGetList = 12280, kServiceEntry = 12296,
                   kGetListWithFields = 12824, kMultiSchema = 13328;

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

    static FieldValue textValue(uint32_t id, char* text) {
        FieldValue v{};
        v.fieldId = id;
        v.value.dataType = ZVI_DATA_TEXT;
        v.value.payload.text = text;
        return v;
    }
};

// Host-side results, on the heap as the server returns them.
FieldValueList hostValues(uint32_t firstId = 1) {
    FieldValueList list{2, static_cast<FieldValue*>(std::calloc(2, sizeof(FieldValue)))};
    for (uint32_t i = 0; i < 2; ++i) {
        list.items[i].fieldId = firstId + i;
        list.items[i].value.dataType = ZVI_DATA_TEXT;
        list.items[i].value.payload.text = fake::text("host text");
    }
    return list;
}

EntryIdList hostIds(const char* id) {
    EntryIdList list{1, static_cast<EntryId*>(std::calloc(1, sizeof(EntryId)))};
    std::snprintf(list.items[0], sizeof(EntryId), "%s", id);
    return list;
}

EntryFieldValuesList* hostEntryValues() {
    auto* list = static_cast<EntryFieldValuesList*>(std::calloc(1, sizeof(EntryFieldValuesList)));
    list->numItems = 2;
    list->items = static_cast<EntryFieldValues*>(std::calloc(2, sizeof(EntryFieldValues)));
    for (uint32_t i = 0; i < 2; ++i) {
        list->items[i].entryId = hostIds(i ? "000000000000002" : "000000000000001");
        list->items[i].values = static_cast<FieldValueList*>(std::malloc(sizeof(FieldValueList)));
        *list->items[i].values = hostValues();
    }
    return list;
}

// Entry data as the host returns it: the header in network byte order, then the data.
void hostBlob(GetEntryBLOBResult& r, uint32_t compressed, uint32_t storedLength, const std::string& data) {
    r.byteCount = static_cast<uint32_t>(8 + data.size());
    r.data = static_cast<uint8_t*>(std::malloc(r.byteCount));
    const uint32_t header[2] = {htonl(compressed), htonl(storedLength)};
    std::memcpy(r.data, header, 8);
    std::memcpy(r.data + 8, data.data(), data.size());
}

std::string deflated(const std::string& text) {
    uLongf size = compressBound(text.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(text.data()), text.size());
    out.resize(size);
    return out;
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

Message hostWarning() { return {ZVI_WARNING, 77, "host warning", "", false}; }

class EntriesTest : public HostTest {
protected:
    // A host message the call must hand over (or drop).
    template <class Res>
    static void warn(Res& r) {
        fake::addMessage(r.status, ZVI_WARNING, 77, "host warning");
    }
    std::vector<Event> framed(uint32_t opcode, uint32_t slot) {
        return {{Event::CallerInfo, 1}, {Event::Enter, opcode}, {Event::Service, slot}, {Event::Leave, 0}};
    }
    Args a;
};

// --- the frame variant of every operation ------------------------------------------

struct Variant {
    const char* name;
    uint32_t slot;
    uint32_t opcode;
    uint32_t statusAt;  // offset of the result's status list
    bool keepsCallerStatus;
    bool keepsHostMessages;
    const char* failureText;
    std::function<uint32_t(ControlRecord*, StatusList*)> call;
};

std::vector<Variant> variants(Args& a) {
    return {
        {"ZVIGetEntry", kGetEntry, 1, 184, true, true, "ZVIGetEntry",
         [&](ControlRecord* c, StatusList* s) { return ZVIGetEntry(c, schema, &a.entryIds, &a.fieldIds, nullptr, s); }},
        {"ZVISetEntry", kSetEntry, 2, 168, false, false, "ZVISetEntry",
         [&](ControlRecord* c, StatusList* s) { return ZVISetEntry(c, schema, &a.entryIds, &a.fieldValues, 0, 0, s); }},
        {"ZVICreateEntry", kCreateEntry, 3, 184, false, false, "ZVICreateEntry",
         [&](ControlRecord* c, StatusList* s) { return ZVICreateEntry(c, schema, &a.fieldValues, nullptr, s); }},
        {"ZVIDeleteEntry", 12264, 4, 168, false, false, "ZVIDeleteEntry",
         [&](ControlRecord* c, StatusList* s) { return ZVIDeleteEntry(c, schema, &a.entryIds, 0, s); }},
        {"ZVIMergeEntry", kMergeEntry, 37, 184, false, false, "ZVIMergeEntry",
         [&](ControlRecord* c, StatusList* s) { return ZVIMergeEntry(c, schema, &a.fieldValues, 3, nullptr, s); }},
        {"ZVIGetListEntry", kGetList, 5, 192, false, false, "ZVIGetListEntry",
         [&](ControlRecord* c, StatusList* s) {
             return ZVIGetListEntry(c, schema, nullptr, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, s);
         }},
        {"ZVIGetListEntryWithFields", kGetListWithFields, 73, 184, false, false, "ZVIGetListEntryEithFields",
         [&](ControlRecord* c, StatusList* s) {
             return ZVIGetListEntryWithFields(c, schema, nullptr, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, s);
         }},
        {"ZVIGetMultipleEntries", kGetMultiple, 67, 208, false, false, "ZVIGetMultipleEntries",
         [&](ControlRecord* c, StatusList* s) {
             ExistList exist{};
             return ZVIGetMultipleEntries(c, schema, nullptr, nullptr, &exist, nullptr, s);
         }},
        {"ZVIGetEntryBLOB", kGetEntryBLOB, 80, 184, false, true, "ZVIGetEntryBLOB",
         [&](ControlRecord* c, StatusList* s) {
             Locator loc{ZVI_LOC_BUFFER, {}};
             uint32_t rc = ZVIGetEntryBLOB(c, schema, &a.entryIds, 9, &loc, s);
             std::free(loc.u.mem.buffer);
             return rc;
         }},
        {"ZVIServiceEntry", kServiceEntry, 5, 184, false, true, "ZVIServiceEntry",
         [&](ControlRecord* c, StatusList* s) {
             return ZVIServiceEntry(c, schema, &a.entryIds, nullptr, nullptr, nullptr, s);
         }},
        {"ZVIGetListEntryWithMultiSchemaFields", kMultiSchema, 171, 184, false, true,
         "ZVIGetListEntryWithMultiSchemaFields",
         [&](ControlRecord* c, StatusList* s) {
             return ZVIGetListEntryWithMultiSchemaFields(c, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, nullptr,
                                                         nullptr, nullptr, nullptr, s);
         }},
    };
}

StatusList& statusAt(void* result, uint32_t offset) {
    return *reinterpret_cast<StatusList*>(static_cast<char*>(result) + offset);
}

// Caller's list [note], host's list [warning], the host failing or not: what reaches the
// caller, the hooks around the routine and the context words.
TEST_F(EntriesTest, EveryOperationFollowsItsFrameVariant) {
    for (const Variant& v : variants(a))
        for (uint32_t ok : {0u, 1u}) {
            SCOPED_TRACE(std::string(v.name) + (ok ? "" : ", host fails"));
            host.on(v.slot, [&v, ok](void*, void* r) {
                if (ok && v.slot == kGetEntryBLOB) hostBlob(*static_cast<GetEntryBLOBResult*>(r), 0, 3, "abc");
                fake::addMessage(statusAt(r, v.statusAt), ZVI_WARNING, 77, "host warning");
                return ok;
            });
            control.contextWord0 = 5;
            control.contextWord1 = 6;
            StatusList s{};
            zvi::appendStatus(&s, ZVI_NOTE, 54, "earlier");
            StatusList before = s;
            host.clearEvents();
            EXPECT_EQ(v.call(&control, &s), ok ? 1u : 2u);

            std::vector<Message> expected;
            if (!ok) expected.push_back(catalogMessage(ZVI_ERROR, 9905, v.failureText));
            if (ok || v.keepsHostMessages) expected.push_back(hostWarning());
            if (v.keepsCallerStatus) expected.push_back(catalogMessage(ZVI_NOTE, 54, "earlier"));
            else zvi::releaseStatusList(&before, 0);  // dropped by the reset
            EXPECT_EQ(messages(s), expected);
            EXPECT_EQ(host.events(), framed(v.opcode, v.slot));
            EXPECT_EQ(control.contextWord0, ok ? host.contextWord0 : 5) << "written back on success only";
            EXPECT_EQ(control.contextWord1, ok ? host.contextWord1 : 6);
            zvi::releaseStatusList(&s, 0);
            EXPECT_EQ(v.call(&control, nullptr), 4u);
        }
}

// --- single entries ----------------------------------------------------------------

TEST_F(EntriesTest, GetEntryCopiesItsListsAndMovesTheValues) {
    FieldValue* hostItems = nullptr;
    uint32_t wanted = 9;
    host.on<GetEntryRequest, GetEntryResult>(kGetEntry, [&](GetEntryRequest& q, GetEntryResult& r) {
        wanted = q.wantValues;
        r.values = hostValues();  // also when not asked for: the library releases it
        hostItems = r.values.items;
        if (!wanted) return 1u;
        EXPECT_EQ(q.schema, schema);
        EXPECT_NE(q.entryId.items, a.ids);
        EXPECT_EQ(q.entryId.numItems, 2u);
        EXPECT_EQ(std::memcmp(q.entryId.items, a.ids, sizeof a.ids), 0);
        EXPECT_NE(q.fieldIds.items, a.fields);
        EXPECT_EQ(q.fieldIds.numItems, 3u);
        EXPECT_EQ(std::memcmp(q.fieldIds.items, a.fields, sizeof a.fields), 0);
        return 1u;
    });
    FieldValueList values{};
    {
        alloc::Window w;
        EXPECT_EQ(ZVIGetEntry(&control, schema, &a.entryIds, &a.fieldIds, &values, &status), 0u);
        ASSERT_GE(w.sizes().size(), 2u);
        EXPECT_EQ(w.sizes()[0], sizeof a.ids);
        EXPECT_EQ(w.sizes()[1], 100 * sizeof(uint32_t)) << "identifier lists get room for 100 more";
    }
    EXPECT_EQ(wanted, 1u);
    EXPECT_EQ(values.numItems, 2u);
    EXPECT_EQ(values.items, hostItems) << "moved, not copied";
    zvi::ReleaseFieldValueList(&values, 0);

    zvi::appendStatus(&status, ZVI_WARNING, 54, "earlier");
    alloc::Window w;
    EXPECT_EQ(ZVIGetEntry(&control, schema, nullptr, nullptr, nullptr, &status), 1u) << "the caller's warning stays";
    EXPECT_EQ(wanted, 0u);
    EXPECT_EQ(w.liveBlocks(), 0u) << "values the caller did not ask for are released";
}

TEST_F(EntriesTest, SetEntryWithNothingToSetReturnsAtOnce) {
    FieldValueList empty{0, a.values};
    for (FieldValueList* values : {static_cast<FieldValueList*>(nullptr), &empty}) {
        EXPECT_EQ(ZVISetEntry(&control, schema, &a.entryIds, values, 1, 2, &status), 0u);
        EXPECT_EQ(status.numItems, 0u);
        EXPECT_TRUE(host.events().empty()) << "not even the caller information reaches the host";
    }
}

TEST_F(EntriesTest, SetEntryCopiesIdsAndValues) {
    host.on<SetEntryRequest, SetEntryResult>(kSetEntry, [&](SetEntryRequest& q, SetEntryResult&) {
        EXPECT_EQ(q.schema, schema);
        EXPECT_NE(q.entryId.items, a.ids);
        EXPECT_EQ(std::memcmp(q.entryId.items, a.ids, sizeof a.ids), 0);
        EXPECT_EQ(q.fieldValues.numItems, 2u);
        EXPECT_NE(q.fieldValues.items, a.values);
        EXPECT_EQ(q.fieldValues.items[1].fieldId, 8u);
        EXPECT_NE(q.fieldValues.items[1].value.payload.text, textB);
        EXPECT_STREQ(q.fieldValues.items[1].value.payload.text, textB);
        EXPECT_EQ(q.auxValue1, 0xA1u);
        EXPECT_EQ(q.auxValue2, 0xA2u);
        return 1u;
    });
    EXPECT_EQ(ZVISetEntry(&control, schema, &a.entryIds, &a.fieldValues, 0xA1, 0xA2, &status), 0u);
    EXPECT_EQ(host.calls(kSetEntry), 1);
}

TEST_F(EntriesTest, CreateAndMergeHandBackTheNewIdentifierAsAString) {
    struct Case {
        const char* name;
        uint32_t slot;
        std::function<uint32_t(FieldValueList*, char*, StatusList*)> call;
    };
    Case cases[] = {
        {"ZVICreateEntry", kCreateEntry,
         [&](FieldValueList* v, char* id, StatusList* s) { return ZVICreateEntry(&control, schema, v, id, s); }},
        {"ZVIMergeEntry", kMergeEntry,
         [&](FieldValueList* v, char* id, StatusList* s) { return ZVIMergeEntry(&control, schema, v, 4, id, s); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string hostId = "000000000000042";
        FieldValueList seen{1, nullptr};
        host.on(c.slot, [&](void* q, void* r) {
            std::memcpy(static_cast<NewEntryResult*>(r)->entryId, hostId.data(), std::min<size_t>(16, hostId.size() + 1));
            seen = static_cast<CreateEntryRequest*>(q)->fieldValues;  // both requests hold it at 176
            return hostId == "fail" ? 0u : 1u;
        });
        char id[16] = "previous";
        EXPECT_EQ(c.call(&a.fieldValues, id, nullptr), 4u);
        EXPECT_EQ(id[0], '\0') << "emptied before the status test";

        std::strcpy(id, "previous");
        EXPECT_EQ(c.call(nullptr, id, &status), 0u);
        EXPECT_STREQ(id, "000000000000042");
        EXPECT_EQ(seen.numItems, 0u) << "a missing list reaches the host empty";
        EXPECT_EQ(seen.items, nullptr);

        hostId = std::string(16, 'X');  // a host that fills all 16 bytes
        EXPECT_EQ(c.call(&a.fieldValues, id, &status), 0u);
        EXPECT_EQ(std::string(id), std::string(15, 'X'));

        hostId = "fail";
        std::strcpy(id, "previous");
        EXPECT_EQ(c.call(&a.fieldValues, id, &status), 2u);
        EXPECT_STREQ(id, "");
        zvi::releaseStatusList(&status, 0);
    }
}

TEST_F(EntriesTest, MergeEntrySendsTheMergeTypeAndZeroTail) {
    host.on<MergeEntryRequest, MergeEntryResult>(kMergeEntry, [&](MergeEntryRequest& q, MergeEntryResult&) {
        EXPECT_EQ(q.schema, schema);
        EXPECT_EQ(q.mergeType, 0x33u);
        const uint8_t zero[36] = {};
        EXPECT_EQ(std::memcmp(q.reserved, zero, sizeof zero), 0);
        EXPECT_STREQ(q.fieldValues.items[0].value.payload.text, textA);
        EXPECT_NE(q.fieldValues.items[0].value.payload.text, textA);
        return 1u;
    });
    char id[16];
    EXPECT_EQ(ZVIMergeEntry(&control, schema, &a.fieldValues, 0x33, id, &status), 0u);
}

TEST_F(EntriesTest, ServiceEntryCopiesInOrderAndMovesTheOutput) {
    FieldValue* hostItems = nullptr;
    host.on<ServiceEntryRequest, ServiceEntryResult>(kServiceEntry, [&](ServiceEntryRequest& q, ServiceEntryResult& r) {
        EXPECT_EQ(q.schema, schema);
        EXPECT_EQ(std::memcmp(q.entryId.items, a.ids, sizeof a.ids), 0);
        EXPECT_EQ(q.inputValues.numItems, 2u);
        EXPECT_STREQ(q.inputValues.items[0].value.payload.text, textA);
        EXPECT_EQ(q.outputFieldIds.numItems, 3u);
        EXPECT_EQ(q.outputFieldIds.items[2], 536870913u);
        EXPECT_EQ(q.wantValues, hostItems ? 0u : 1u);
        r.values = hostValues();
        if (!hostItems) hostItems = r.values.items;
        return 1u;
    });
    FieldValueList out{};
    {
        alloc::Window w;
        EXPECT_EQ(ZVIServiceEntry(&control, schema, &a.entryIds, &a.fieldValues, &a.fieldIds, &out, &status), 0u);
        ASSERT_GE(w.sizes().size(), 3u);
        EXPECT_EQ(w.sizes()[0], sizeof a.ids) << "entry ids first";
        EXPECT_EQ(w.sizes()[1], 100 * sizeof(uint32_t)) << "then the output field ids";
        EXPECT_EQ(w.sizes()[2], 2 * sizeof(FieldValue)) << "then the input values";
    }
    EXPECT_EQ(out.items, hostItems);
    zvi::ReleaseFieldValueList(&out, 0);

    alloc::Window w;
    EXPECT_EQ(ZVIServiceEntry(&control, schema, &a.entryIds, &a.fieldValues, &a.fieldIds, nullptr, &status), 0u);
    EXPECT_EQ(w.liveBlocks(), 0u) << "an output nobody asked for is released";
}

// --- lists of entries --------------------------------------------------------------

struct QualifierArgs {
    RelationalOp relOp{};
    Qualifier qualifier{};
    EntryListField listItems[2] = {{1, 20, "|"}, {8, 40, ","}};
    EntryListFieldList listFields{2, listItems};
    SortItem sortItems[1] = {{3, 2}};
    SortList sortList{1, sortItems};
    QualifierArgs() {
        relOp.operation = 1;
        relOp.left.tag = ZVI_OPERAND_FIELD;
        relOp.left.u.id = 8;
        relOp.right.tag = ZVI_OPERAND_VALUE;
        relOp.right.u.value.dataType = ZVI_DATA_TEXT;
        relOp.right.u.value.payload.text = textA;
        qualifier.operation = ZVI_QUAL_REL_OP;
        qualifier.u.relOp = &relOp;
    }
};

void releaseItems(EntryListItemList& list) {
    for (uint32_t i = 0; i < list.numItems; ++i) {
        zvi::ReleaseEntryIdList(&list.items[i].entryId, 0);
        std::free(list.items[i].entryText);
    }
    std::free(list.items);
    list = EntryListItemList{};
}

void hostItems(GetListEntryResult& r, uint32_t n) {
    r.entries.numItems = n;
    r.entries.items = static_cast<EntryListItem*>(std::calloc(n, sizeof(EntryListItem)));
    for (uint32_t i = 0; i < n; ++i) {
        r.entries.items[i].entryId = hostIds(i ? "000000000000002" : "000000000000001");
        r.entries.items[i].entryText = fake::text(i ? "second entry" : "first entry");
    }
    r.numMatches = 40 + n;
}

TEST_F(EntriesTest, ListRequestsCarryCopiesOfQualifierFieldsAndSort) {
    QualifierArgs qa;
    auto check = [&](GetListEntryRequest& q, bool withQualifier, bool withCount) {
        EXPECT_EQ(q.schema, schema);
        if (withQualifier) {
            EXPECT_EQ(q.qualifier.operation, 4u);
            ASSERT_NE(q.qualifier.u.relOp, nullptr);
            EXPECT_NE(q.qualifier.u.relOp, &qa.relOp) << "the tree is a deep copy";
            EXPECT_EQ(q.qualifier.u.relOp->left.u.id, 8u);
            EXPECT_NE(q.qualifier.u.relOp->right.u.value.payload.text, textA);
            EXPECT_STREQ(q.qualifier.u.relOp->right.u.value.payload.text, textA);
        } else {
            const Qualifier none{};
            EXPECT_EQ(std::memcmp(&q.qualifier, &none, sizeof none), 0) << "operation 0 when none is given";
        }
        EXPECT_NE(q.listFields.items, qa.listItems);
        EXPECT_EQ(std::memcmp(q.listFields.items, qa.listItems, sizeof qa.listItems), 0);
        EXPECT_NE(q.sortList.items, qa.sortItems);
        EXPECT_EQ(q.sortList.items[0].sortOrder, 2u);
        EXPECT_EQ(q.firstRetrieve, 10u);
        EXPECT_EQ(q.maxRetrieve, 20u);
        EXPECT_EQ(q.useLocale, 1u);
        EXPECT_EQ(q.wantCount, withCount ? 1u : 0u);
        EXPECT_EQ(q.control.word152, 0u);
        EXPECT_EQ(q.control.word156, 0);
    };
    for (bool withQualifier : {true, false})
        for (bool withCount : {true, false}) {
            uint32_t count = 0;
            uint32_t* numMatches = withCount ? &count : nullptr;
            Qualifier* qualifier = withQualifier ? &qa.qualifier : nullptr;
            host.on<GetListEntryRequest, GetListEntryResult>(kGetList, [&](GetListEntryRequest& q, GetListEntryResult&) {
                check(q, withQualifier, withCount);
                return 1u;
            });
            host.on<GetListEntryWithFieldsRequest, GetListEntryWithFieldsResult>(
                kGetListWithFields, [&](GetListEntryWithFieldsRequest& q, GetListEntryWithFieldsResult&) {
                    check(q, withQualifier, withCount);
                    return 1u;
                });
            EXPECT_EQ(ZVIGetListEntry(&control, schema, qualifier, &qa.listFields, &qa.sortList, 10, 20, 1, nullptr,
                                      numMatches, &status), 0u);
            EXPECT_EQ(ZVIGetListEntryWithFields(&control, schema, qualifier, &qa.listFields, &qa.sortList, 10, 20,
                                                1, nullptr, numMatches, &status), 0u);
        }
    EXPECT_EQ(host.calls(kGetList), 4);
    EXPECT_EQ(host.calls(kGetListWithFields), 4);
}

TEST_F(EntriesTest, GetListEntryMovesTheItemsIntoANewArray) {
    EntryListItem* hostArray = nullptr;
    EntryIdList firstIds{};
    char* firstText = nullptr;
    host.on<GetListEntryRequest, GetListEntryResult>(kGetList, [&](GetListEntryRequest&, GetListEntryResult& r) {
        hostItems(r, 2);
        hostArray = r.entries.items;
        firstIds = r.entries.items[0].entryId;
        firstText = r.entries.items[0].entryText;
        return 1u;
    });
    EntryListItemList entries{};
    uint32_t numMatches = 0;
    EXPECT_EQ(ZVIGetListEntry(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, &entries, &numMatches, &status),
              0u);
    ASSERT_EQ(entries.numItems, 2u);
    EXPECT_NE(entries.items, hostArray) << "a new array of the library's own";
    EXPECT_EQ(entries.items[0].entryId.items, firstIds.items) << "the items move whole";
    EXPECT_EQ(entries.items[0].entryText, firstText);
    EXPECT_STREQ(entries.items[1].entryText, "second entry");
    EXPECT_EQ(numMatches, 42u);
    releaseItems(entries);

    alloc::Window w;
    EXPECT_EQ(ZVIGetListEntry(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, &status), 0u);
    EXPECT_EQ(w.liveBlocks(), 0u) << "items nobody asked for are released";
}

TEST_F(EntriesTest, GetListEntryWithoutMatchesGivesAnEmptyList) {
    EntryListItem sentinel{};
    EntryListItemList entries{7, &sentinel};
    EXPECT_EQ(ZVIGetListEntry(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr, nullptr), 4u);
    EXPECT_EQ(entries.numItems, 0u) << "emptied before the status test";

    alloc::Window w;
    EXPECT_EQ(ZVIGetListEntry(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr, &status), 0u);
    EXPECT_EQ(entries.numItems, 0u);
    EXPECT_EQ(entries.items, nullptr);
    EXPECT_EQ(w.allocations(), 0u) << "no array for no items";
}

TEST_F(EntriesTest, GetListEntryWithFieldsHandsTheHostsListOver) {
    EntryFieldValues* hostArray = nullptr;
    bool giveNone = false;
    host.on<GetListEntryWithFieldsRequest, GetListEntryWithFieldsResult>(
        kGetListWithFields, [&](GetListEntryWithFieldsRequest&, GetListEntryWithFieldsResult& r) {
            r.numMatches = 12;
            if (giveNone) return 1u;
            r.entries = hostEntryValues();
            hostArray = r.entries->items;
            return 1u;
        });
    EntryFieldValuesList entries{};
    uint32_t numMatches = 0;
    {
        alloc::Window w;
        EXPECT_EQ(ZVIGetListEntryWithFields(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, &entries,
                                            &numMatches, &status), 0u);
        EXPECT_EQ(entries.numItems, 2u);
        EXPECT_EQ(entries.items, hostArray);
        EXPECT_EQ(numMatches, 12u);
        zvi::ReleaseEntryFieldValuesList(&entries, 0);
        EXPECT_EQ(w.liveBlocks(), 0u) << "the host's holder is freed by the library";
    }
    {
        alloc::Window w;
        numMatches = 0;
        EXPECT_EQ(ZVIGetListEntryWithFields(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, nullptr,
                                            &numMatches, &status), 0u);
        EXPECT_EQ(numMatches, 12u);
        EXPECT_EQ(w.liveBlocks(), 0u) << "the whole list is released when not asked for";
    }
    giveNone = true;
    entries = EntryFieldValuesList{3, nullptr};
    EXPECT_EQ(ZVIGetListEntryWithFields(&control, schema, nullptr, nullptr, nullptr, 0, 0, 0, &entries, nullptr,
                                        &status), 0u);
    EXPECT_EQ(entries.numItems, 0u);
}

// --- several entries at once -------------------------------------------------------

TEST_F(EntriesTest, GetMultipleEntriesRequiresTheExistList) {
    FieldValueListList values{5, nullptr};
    EXPECT_EQ(ZVIGetMultipleEntries(&control, schema, nullptr, &a.fieldIds, nullptr, &values, &status), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(ZVI_ERROR, 292)}));
    EXPECT_EQ(values.numItems, 0u) << "cleared before the check";
    EXPECT_TRUE(host.events().empty());
}

TEST_F(EntriesTest, GetMultipleEntriesSharesTheIdListsAndMovesBothOutputs) {
    EntryIdList lists[2] = {{2, a.ids}, {1, a.ids}};
    EntryIdListList entryIds{2, lists};
    uint8_t* hostFlags = nullptr;
    FieldValueList* hostRows = nullptr;
    host.on<GetMultipleEntriesRequest, GetMultipleEntriesResult>(
        kGetMultiple, [&](GetMultipleEntriesRequest& q, GetMultipleEntriesResult& r) {
            EXPECT_EQ(q.schema, schema);
            EXPECT_EQ(q.entryIds.numItems, 2u);
            EXPECT_EQ(q.entryIds.items, lists) << "the caller's items, not a copy";
            EXPECT_NE(q.fieldIds.items, a.fields);
            EXPECT_EQ(q.fieldIds.numItems, 3u);
            EXPECT_EQ(q.wantValues, hostRows ? 0u : 1u);
            EXPECT_EQ(q.control.word152, 0u);
            r.existList = ExistList{2, static_cast<uint8_t*>(std::calloc(2, 1))};
            r.values = FieldValueListList{1, static_cast<FieldValueList*>(std::calloc(1, sizeof(FieldValueList)))};
            r.values.items[0] = hostValues();
            hostFlags = r.existList.items;
            if (!hostRows) hostRows = r.values.items;
            return 1u;
        });
    ExistList exist{9, nullptr};
    FieldValueListList values{9, nullptr};
    EXPECT_EQ(ZVIGetMultipleEntries(&control, schema, &entryIds, &a.fieldIds, &exist, &values, &status), 0u);
    EXPECT_EQ(exist.numItems, 2u);
    EXPECT_EQ(exist.items, hostFlags);
    EXPECT_EQ(values.items, hostRows);
    std::free(exist.items);
    zvi::ReleaseFieldValueListList(&values, 0);

    alloc::Window w;
    EXPECT_EQ(ZVIGetMultipleEntries(&control, schema, &entryIds, &a.fieldIds, &exist, nullptr, &status), 0u);
    std::free(exist.items);
    EXPECT_EQ(w.liveBlocks(), 0u) << "values nobody asked for are released";
}

// --- entry data --------------------------------------------------------------------

TEST_F(EntriesTest, GetEntryBLOBWantsAMemoryBufferLocator) {
    char file[] = "/tmp/x";
    Locator fileLoc{ZVI_LOC_FILENAME, {}};
    fileLoc.u.fileName = file;
    for (Locator* loc : {&fileLoc, static_cast<Locator*>(nullptr)}) {
        EXPECT_EQ(ZVIGetEntryBLOB(&control, schema, &a.entryIds, 4, loc, &status), 2u);
        EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(ZVI_ERROR, 8700, "Must be ZV_LOC_BUFFER")}));
        zvi::releaseStatusList(&status, 0);
    }
    EXPECT_EQ(fileLoc.u.fileName, file);
    EXPECT_TRUE(host.events().empty());
}

TEST_F(EntriesTest, GetEntryBLOBHandsTheDataOverExpandedWhenCompressed) {
    const std::string text = "The quick brown fox jumps over the lazy dog. The quick brown fox jumps again.";
    const std::string packed = deflated(text);
    struct Case {
        const char* name;
        uint32_t compressed;
        uint32_t storedLength;
        std::string data;
        std::string expected;
    } cases[] = {
        {"plain data", 0, 0, "plain\0bytes", "plain\0bytes"},
        {"compressed data", 1, static_cast<uint32_t>(packed.size()), packed, text},
        {"compressed with room to spare", 0x01000000, static_cast<uint32_t>(packed.size() + 100), packed, text},
        {"header only, compressed: an empty input expands to nothing", 1, 0, "", ""},
        {"header only, plain", 0, 0, "", ""},
    };
    cases[0].data.assign("plain\0bytes", 11);
    cases[0].expected = cases[0].data;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t fieldId = 0;
        host.on<GetEntryBLOBRequest, GetEntryBLOBResult>(kGetEntryBLOB, [&](GetEntryBLOBRequest& q, GetEntryBLOBResult& r) {
            fieldId = q.fieldId;
            EXPECT_EQ(std::memcmp(q.entryId.items, a.ids, sizeof a.ids), 0);
            EXPECT_EQ(q.control.word152, 0u);
            hostBlob(r, c.compressed, c.storedLength, c.data);
            return 1u;
        });
        Locator loc{ZVI_LOC_BUFFER, {}};
        alloc::Window w;
        EXPECT_EQ(ZVIGetEntryBLOB(&control, schema, &a.entryIds, 536870920, &loc, &status), 0u);
        EXPECT_EQ(fieldId, 536870920u);
        ASSERT_EQ(loc.u.mem.bufSize, c.expected.size());
        ASSERT_NE(loc.u.mem.buffer, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(loc.u.mem.buffer), loc.u.mem.bufSize), c.expected);
        EXPECT_EQ(loc.u.mem.buffer[loc.u.mem.bufSize], 0) << "terminated";
        std::free(loc.u.mem.buffer);
        EXPECT_EQ(w.liveBlocks(), 0u) << "the host's data is freed";
        EXPECT_EQ(control.contextWord0, host.contextWord0);
        control.contextWord0 = 0;
    }
}

TEST_F(EntriesTest, GetEntryBLOBNeverReadsBeyondWhatTheHostReturned) {
    const std::string packed = deflated(std::string(1000, 'z'));
    struct Case {
        const char* name;
        uint32_t byteCount;  // 0: as built
        uint32_t compressed;
        uint32_t storedLength;
        std::string data;
        Message expected;
    } cases[] = {
        {"no data", 0, 0, 0, "", catalogMessage(ZVI_ERROR, 9905, "ZVIGetEntryBLOB -- output buffer NULL")},
        {"shorter than its header", 5, 0, 0, "", catalogMessage(ZVI_ERROR, 160, "ZVIGetEntryBlob")},
        {"stored length below the data", 0, 1, 10, packed, catalogMessage(ZVI_ERROR, 160, "ZVIGetEntryBlob")},
        {"data that will not expand", 0, 1, 40, "this is not a compressed stream at all!!",
         catalogMessage(ZVI_ERROR, 160, "ZVIGetEntryBlob")},
        {"a truncated stream", 0, 1, 200, packed.substr(0, packed.size() / 2),
         catalogMessage(ZVI_ERROR, 160, "ZVIGetEntryBlob")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.on<GetEntryBLOBRequest, GetEntryBLOBResult>(kGetEntryBLOB, [&](GetEntryBLOBRequest&, GetEntryBLOBResult& r) {
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
        EXPECT_EQ(ZVIGetEntryBLOB(&control, schema, &a.entryIds, 1, &loc, &status), 2u);
        EXPECT_EQ(messages(status), (std::vector<Message>{c.expected, {ZVI_NOTE, 78, "host note", "", false}}));
        EXPECT_EQ(loc.u.mem.buffer, nullptr);
        EXPECT_EQ(loc.u.mem.bufSize, 0u);
        EXPECT_EQ(control.contextWord0, 3) << "no write-back unless the data is handed over";
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
}

TEST_F(EntriesTest, GetEntryBLOBStopsAnExpansionThatDoesNotEnd) {
    const std::string bomb = endlessZeros(257);  // 257 MiB: beyond the utility's cap
    host.on<GetEntryBLOBRequest, GetEntryBLOBResult>(kGetEntryBLOB, [&](GetEntryBLOBRequest&, GetEntryBLOBResult& r) {
        hostBlob(r, 1, static_cast<uint32_t>(bomb.size()), bomb);
        return 1u;
    });
    Locator loc{ZVI_LOC_BUFFER, {}};
    EXPECT_EQ(ZVIGetEntryBLOB(&control, schema, &a.entryIds, 1, &loc, &status), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(ZVI_ERROR, 160, "ZVIGetEntryBlob")}));
    EXPECT_EQ(loc.u.mem.buffer, nullptr);
}

// --- several forms -----------------------------------------------------------------

struct MultiArgs {
    MultiFromItem from[2]{};
    MultiFromList fromList{2, from};
    MultiFieldItem fieldItems[2]{};
    MultiFieldItemList fields{2, fieldItems};
    MultiFieldItem sortItems[1]{};
    MultiFieldItemList sort{1, sortItems};
    MultiFieldRef groupItems[1]{};
    MultiFieldRefList groupBy{1, groupItems};
    MultiRelationalOp relOp{};
    MultiQualifier qualifier{};
    MultiQualifier groupQualifier{};
    MultiArgs() {
        std::strcpy(from[0].u.formName, "HelpDesk");
        std::strcpy(from[0].alias, "H");
        std::strcpy(from[1].u.formName, "People");
        std::strcpy(from[1].alias, "P");
        from[1].joinType = 1;
        std::strcpy(fieldItems[0].alias, "H");
        fieldItems[0].fieldId = 1;
        std::strcpy(fieldItems[1].alias, "P");
        fieldItems[1].fieldId = 8;
        std::strcpy(sortItems[0].alias, "H");
        sortItems[0].fieldId = 3;
        sortItems[0].option = 2;
        std::strcpy(groupItems[0].alias, "P");
        groupItems[0].fieldId = 8;
        relOp.operation = 1;
        relOp.left.tag = ZVI_MULTI_OPERAND_FIELD;
        std::strcpy(relOp.left.u.field.alias, "H");
        relOp.right.tag = ZVI_MULTI_OPERAND_VALUE;
        relOp.right.u.value.dataType = ZVI_DATA_TEXT;
        relOp.right.u.value.payload.text = textA;
        qualifier.operation = ZVI_QUAL_REL_OP;
        qualifier.u.relOp = &relOp;
        groupQualifier.operation = ZVI_MULTI_QUAL_FIELD;
        std::strcpy(groupQualifier.u.field.alias, "P");
    }
    uint32_t call(ControlRecord* c, bool withQualifiers, MultiFieldValueListList* rows, uint32_t* numMatches,
                  StatusList* s) {
        return ZVIGetListEntryWithMultiSchemaFields(c, &fromList, &fields, withQualifiers ? &qualifier : nullptr,
                                                    &sort, 5, 50, 1, &groupBy,
                                                    withQualifiers ? &groupQualifier : nullptr, rows, numMatches, s);
    }
};

MultiFieldValueListList* hostRows() {
    auto* rows = static_cast<MultiFieldValueListList*>(std::calloc(1, sizeof(MultiFieldValueListList)));
    rows->numItems = 1;
    rows->items = static_cast<MultiFieldValueList*>(std::calloc(1, sizeof(MultiFieldValueList)));
    rows->items[0].numItems = 1;
    rows->items[0].items = static_cast<MultiFieldValue*>(std::calloc(1, sizeof(MultiFieldValue)));
    rows->items[0].items[0].value.dataType = ZVI_DATA_TEXT;
    rows->items[0].items[0].value.payload.text = fake::text("row value");
    return rows;
}

TEST_F(EntriesTest, MultiSchemaListCopiesTheWholeQuery) {
    MultiArgs m;
    for (bool withQualifiers : {true, false}) {
        host.on<GetListEntryWithMultiSchemaFieldsRequest, GetListEntryWithMultiSchemaFieldsResult>(
            kMultiSchema, [&](GetListEntryWithMultiSchemaFieldsRequest& q, GetListEntryWithMultiSchemaFieldsResult&) {
                EXPECT_EQ(q.fromList.numItems, 2u);
                EXPECT_NE(q.fromList.items, m.from);
                EXPECT_STREQ(q.fromList.items[1].u.formName, "People");
                EXPECT_STREQ(q.fromList.items[1].alias, "P");
                EXPECT_EQ(q.fromList.items[1].joinType, 1u);
                EXPECT_NE(q.fields.items, m.fieldItems);
                EXPECT_EQ(std::memcmp(q.fields.items, m.fieldItems, sizeof m.fieldItems), 0);
                EXPECT_NE(q.sortList.items, m.sortItems);
                EXPECT_EQ(q.sortList.items[0].option, 2u);
                EXPECT_NE(q.groupBy.items, m.groupItems);
                EXPECT_EQ(std::memcmp(q.groupBy.items, m.groupItems, sizeof m.groupItems), 0);
                if (withQualifiers) {
                    EXPECT_EQ(q.qualifier.operation, 4u);
                    EXPECT_NE(q.qualifier.u.relOp, &m.relOp);
                    EXPECT_STREQ(q.qualifier.u.relOp->right.u.value.payload.text, textA);
                    EXPECT_NE(q.qualifier.u.relOp->right.u.value.payload.text, textA);
                    EXPECT_EQ(q.groupQualifier.operation, 5u);
                    EXPECT_STREQ(q.groupQualifier.u.field.alias, "P");
                } else {
                    EXPECT_EQ(q.qualifier.operation, 0u);
                    EXPECT_EQ(q.groupQualifier.operation, 0u);
                }
                EXPECT_EQ(q.firstRetrieve, 5u);
                EXPECT_EQ(q.maxRetrieve, 50u);
                EXPECT_EQ(q.reserved, 0u) << "useLocale is not passed on";
                EXPECT_EQ(q.wantCount, withQualifiers ? 1u : 0u);
                EXPECT_EQ(q.control.word152, 0u);
                EXPECT_EQ(q.control.word156, 0);
                return 1u;
            });
        uint32_t count = 0;
        EXPECT_EQ(m.call(&control, withQualifiers, nullptr, withQualifiers ? &count : nullptr, &status), 0u);
    }
}

TEST_F(EntriesTest, MultiSchemaListHandsTheRowsOver) {
    MultiArgs m;
    MultiFieldValueList* hostArray = nullptr;
    host.on<GetListEntryWithMultiSchemaFieldsRequest, GetListEntryWithMultiSchemaFieldsResult>(
        kMultiSchema, [&](GetListEntryWithMultiSchemaFieldsRequest&, GetListEntryWithMultiSchemaFieldsResult& r) {
            r.rows = hostRows();
            hostArray = r.rows->items;
            r.numMatches = 1;
            return 1u;
        });
    MultiFieldValueListList rows{4, nullptr};
    uint32_t numMatches = 0;
    alloc::Window w;
    EXPECT_EQ(m.call(&control, true, &rows, &numMatches, &status), 0u);
    EXPECT_EQ(rows.numItems, 1u);
    EXPECT_EQ(rows.items, hostArray);
    EXPECT_EQ(numMatches, 1u);
    zvi::ReleaseMultiFieldValueListList(&rows, 0);
    EXPECT_EQ(m.call(&control, true, nullptr, nullptr, &status), 0u);
    EXPECT_EQ(w.liveBlocks(), 0u) << "holder freed; rows nobody asked for released";
}

// --- allocation failures -----------------------------------------------------------

// Runs an operation under every failure of the library's allocations; each run names
// the defined outcome it ended in (and checks it), and the set of outcomes is returned.
using Outcomes = std::set<std::string>;
Outcomes sweepOutcomes(const std::function<std::string(const alloc::Window&)>& run) {
    Outcomes seen;
    alloc::sweep([&](const alloc::Window& w) { seen.insert(run(w)); });
    return seen;
}

// Messages by type, number and detail: a catalog text may be missing when memory ran
// out while it was looked up.
bool sameMessages(const StatusList& list, const std::vector<Message>& expected) {
    const auto m = messages(list);
    if (m.size() != expected.size()) return false;
    for (size_t i = 0; i < m.size(); ++i)
        if (m[i].type != expected[i].type || m[i].number != expected[i].number || m[i].detail != expected[i].detail ||
            m[i].hasDetail != expected[i].hasDetail)
            return false;
    return true;
}

class EntriesSweep : public EntriesTest {
protected:
    void SetUp() override {
        EntriesTest::SetUp();
        // Texts expected in the messages, looked up before any allocation may fail.
        hostCallFailed = catalogMessage(ZVI_ERROR, 9905, "ZVIGetListEntry");
        noMemory = catalogMessage(ZVI_ERROR, 300);
    }
    // The request's field-value list as the host saw it: empty after a failed copy.
    uint32_t seenValues = 0;
    Message hostCallFailed, noMemory;
};

TEST_F(EntriesSweep, GetEntry) {
    host.on<GetEntryRequest, GetEntryResult>(kGetEntry, [](GetEntryRequest&, GetEntryResult& r) {
        r.values = hostValues();
        warn(r);
        return 1u;
    });
    auto seen = sweepOutcomes([&](const alloc::Window&) -> std::string {
        StatusList s{};
        {
            alloc::Paused p;
            zvi::appendStatus(&s, ZVI_NOTE, 54, "earlier");  // the caller's list is kept and merged into
        }
        FieldValueList values{};
        const uint32_t rc = ZVIGetEntry(&control, schema, &a.entryIds, &a.fieldIds, &values, &s);
        std::string outcome = "unexpected";
        if (rc == 300 && s.numItems == 1 && !values.items) outcome = "copy failed";
        if (rc == 1 && values.numItems == 2 && s.numItems == 2) outcome = "done";
        // Without memory for the merge the more severe list is kept and 154 added (when it can be).
        if (values.numItems == 2 && ((rc == 2 && s.entries[0].messageNum == 154) || (rc == 1 && s.numItems == 1)))
            outcome = "merge failed";
        zvi::ReleaseFieldValueList(&values, 0);
        zvi::releaseStatusList(&s, 0);
        return outcome;
    });
    EXPECT_EQ(seen, (Outcomes{"copy failed", "merge failed", "done"}));
}

TEST_F(EntriesSweep, SetCreateMergeAndServiceSendAnEmptyListWhenTheValuesCannotBeCopied) {
    auto watch = [&](void* q, uint32_t at) {
        seenValues = reinterpret_cast<FieldValueList*>(static_cast<char*>(q) + at)->numItems;
    };
    host.on(kSetEntry, [&](void* q, void*) { return watch(q, 192), 1u; });
    host.on(kCreateEntry, [&](void* q, void*) { return watch(q, 176), 1u; });
    host.on(kMergeEntry, [&](void* q, void*) { return watch(q, 176), 1u; });
    host.on<ServiceEntryRequest, ServiceEntryResult>(kServiceEntry, [&](ServiceEntryRequest& q, ServiceEntryResult& r) {
        seenValues = q.inputValues.numItems;
        r.values = hostValues();
        return 1u;
    });
    host.on(12264, [&](void*, void*) { return seenValues = 2, 1u; });  // no values: counts as done
    struct Case {
        const char* name;
        bool copiesIds;  // an entry-id (and identifier) copy that fails ends the call with 300
        std::function<uint32_t(StatusList*)> call;
    } cases[] = {
        {"ZVISetEntry", true, [&](StatusList* s) { return ZVISetEntry(&control, schema, &a.entryIds, &a.fieldValues, 1, 2, s); }},
        {"ZVIDeleteEntry", true, [&](StatusList* s) { return ZVIDeleteEntry(&control, schema, &a.entryIds, 0, s); }},
        {"ZVICreateEntry", false, [&](StatusList* s) {
             char id[16];
             return ZVICreateEntry(&control, schema, &a.fieldValues, id, s);
         }},
        {"ZVIMergeEntry", false, [&](StatusList* s) {
             char id[16];
             return ZVIMergeEntry(&control, schema, &a.fieldValues, 1, id, s);
         }},
        {"ZVIServiceEntry", true, [&](StatusList* s) {
             FieldValueList out{};
             uint32_t rc = ZVIServiceEntry(&control, schema, &a.entryIds, &a.fieldValues, &a.fieldIds, &out, s);
             zvi::ReleaseFieldValueList(&out, 0);
             return rc;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto seen = sweepOutcomes([&](const alloc::Window&) -> std::string {
            StatusList s{};
            seenValues = 99;
            const uint32_t rc = c.call(&s);
            std::string outcome = "unexpected";
            if (rc == 300 && seenValues == 99 && s.numItems == 0) outcome = "copy failed";
            if (rc == 0 && seenValues == 0) outcome = "values dropped";
            if (rc == 0 && seenValues == 2) outcome = "done";
            zvi::releaseStatusList(&s, 0);
            return outcome;
        });
        Outcomes expected{"done"};
        if (c.copiesIds) expected.insert("copy failed");
        if (std::string(c.name) != "ZVIDeleteEntry") expected.insert("values dropped");
        EXPECT_EQ(seen, expected);
    }
}

TEST_F(EntriesSweep, GetListEntry) {
    QualifierArgs qa;
    host.on<GetListEntryRequest, GetListEntryResult>(kGetList, [](GetListEntryRequest&, GetListEntryResult& r) {
        hostItems(r, 2);
        warn(r);
        return 1u;
    });
    auto seen = sweepOutcomes([&](const alloc::Window&) -> std::string {
        StatusList s{};
        EntryListItemList entries{};
        uint32_t numMatches = 0;
        const int calls = host.calls(kGetList);
        control.contextWord0 = 0;
        const uint32_t rc = ZVIGetListEntry(&control, schema, &qa.qualifier, &qa.listFields, &qa.sortList, 0, 0, 0,
                                            &entries, &numMatches, &s);
        const bool called = host.calls(kGetList) > calls;
        std::string outcome = "unexpected";
        if (rc == 2 && !called && sameMessages(s, {hostCallFailed})) outcome = "qualifier not copied";
        if (rc == 2 && called && sameMessages(s, {noMemory}) && !entries.items && !numMatches &&
            control.contextWord0 == 0)
            outcome = "no array";
        if (rc == 1 && entries.numItems == 2 && numMatches == 42) outcome = "done";
        releaseItems(entries);
        zvi::releaseStatusList(&s, 0);
        return outcome;
    });
    EXPECT_EQ(seen, (Outcomes{"qualifier not copied", "no array", "done"}));
}

TEST_F(EntriesSweep, GetListEntryWithFields) {
    QualifierArgs qa;
    const Message failed = catalogMessage(ZVI_ERROR, 9905, "ZVIGetListEntryEithFields");
    host.on<GetListEntryWithFieldsRequest, GetListEntryWithFieldsResult>(
        kGetListWithFields, [](GetListEntryWithFieldsRequest&, GetListEntryWithFieldsResult& r) {
            r.entries = hostEntryValues();
            return 1u;
        });
    auto seen = sweepOutcomes([&](const alloc::Window&) -> std::string {
        StatusList s{};
        EntryFieldValuesList entries{};
        const uint32_t rc = ZVIGetListEntryWithFields(&control, schema, &qa.qualifier, &qa.listFields, &qa.sortList,
                                                      0, 0, 0, &entries, nullptr, &s);
        std::string outcome = "unexpected";
        if (rc == 2 && sameMessages(s, {failed}) && !entries.items) outcome = "qualifier not copied";
        if (rc == 0 && entries.numItems == 2) outcome = "done";
        zvi::ReleaseEntryFieldValuesList(&entries, 0);
        zvi::releaseStatusList(&s, 0);
        return outcome;
    });
    EXPECT_EQ(seen, (Outcomes{"qualifier not copied", "done"}));
}

TEST_F(EntriesSweep, GetMultipleEntries) {
    EntryIdList lists[1] = {{2, a.ids}};
    EntryIdListList entryIds{1, lists};
    host.on<GetMultipleEntriesRequest, GetMultipleEntriesResult>(
        kGetMultiple, [&](GetMultipleEntriesRequest& q, GetMultipleEntriesResult& r) {
            seenValues = q.fieldIds.numItems;
            r.existList = ExistList{1, static_cast<uint8_t*>(std::calloc(1, 1))};
            r.values = FieldValueListList{1, static_cast<FieldValueList*>(std::calloc(1, sizeof(FieldValueList)))};
            r.values.items[0] = hostValues();
            return 1u;
        });
    auto seen = sweepOutcomes([&](const alloc::Window&) -> std::string {
        StatusList s{};
        ExistList exist{};
        FieldValueListList values{};
        seenValues = 99;
        const uint32_t rc = ZVIGetMultipleEntries(&control, schema, &entryIds, &a.fieldIds, &exist, &values, &s);
        std::string outcome = "unexpected";
        if (rc == 0 && exist.numItems == 1 && values.numItems == 1) outcome = seenValues ? "done" : "ids dropped";
        std::free(exist.items);
        zvi::ReleaseFieldValueListList(&values, 0);
        zvi::releaseStatusList(&s, 0);
        return outcome;
    });
    EXPECT_EQ(seen, (Outcomes{"ids dropped", "done"}));

    seen = sweepOutcomes([&](const alloc::Window&) -> std::string {
        StatusList s{};
        const uint32_t rc = ZVIGetMultipleEntries(&control, schema, &entryIds, &a.fieldIds, nullptr, nullptr, &s);
        zvi::releaseStatusList(&s, 0);
        return rc == 2 ? "292" : rc == 3 ? "message not recorded" : "unexpected";
    });
    EXPECT_EQ(seen, (Outcomes{"292", "message not recorded"}));
}

TEST_F(EntriesSweep, GetEntryBLOB) {
    const std::string text(5000, 'q');
    const std::string packed = deflated(text);
    const Message notExpanded = catalogMessage(ZVI_ERROR, 160, "ZVIGetEntryBlob");
    host.on<GetEntryBLOBRequest, GetEntryBLOBResult>(kGetEntryBLOB, [&](GetEntryBLOBRequest&, GetEntryBLOBResult& r) {
        hostBlob(r, 1, static_cast<uint32_t>(packed.size()), packed);
        warn(r);
        return 1u;
    });
    auto seen = sweepOutcomes([&](const alloc::Window&) -> std::string {
        StatusList s{};
        Locator loc{ZVI_LOC_BUFFER, {}};
        const uint32_t rc = ZVIGetEntryBLOB(&control, schema, &a.entryIds, 1, &loc, &s);
        std::string outcome = "unexpected";
        if (rc == 300 && s.numItems == 0) outcome = "copy failed";
        if (rc == 2 && sameMessages(s, {noMemory, hostWarning()}) && !loc.u.mem.buffer) outcome = "no buffer";
        if (rc == 2 && sameMessages(s, {notExpanded, hostWarning()}) && !loc.u.mem.buffer) outcome = "not expanded";
        if (rc == 1 && loc.u.mem.bufSize == text.size()) outcome = "done";
        std::free(loc.u.mem.buffer);
        zvi::releaseStatusList(&s, 0);
        return outcome;
    });
    EXPECT_EQ(seen, (Outcomes{"copy failed", "no buffer", "not expanded", "done"}));
}

TEST_F(EntriesSweep, MultiSchemaListReportsAFailedCopyByItsCode) {
    MultiArgs m;
    // A from item with a nested query and a join qualifier gives the copy more to fail.
    MultiQuery nested{};
    std::strcpy(nested.queryName, "inner");
    nested.fromList = MultiFromList{1, m.from};
    m.from[1].fromType = ZVI_MULTI_FROM_QUERY;
    m.from[1].u.query = &nested;
    m.from[0].joinQualifier = &m.groupQualifier;
    const Message copyFailed{ZVI_ERROR, 300, noMemory.text, "ZVIGetListEntryWithMultiSchemaFields", true};
    host.on<GetListEntryWithMultiSchemaFieldsRequest, GetListEntryWithMultiSchemaFieldsResult>(
        kMultiSchema, [](GetListEntryWithMultiSchemaFieldsRequest&, GetListEntryWithMultiSchemaFieldsResult& r) {
            r.rows = hostRows();
            return 1u;
        });
    auto seen = sweepOutcomes([&](const alloc::Window&) -> std::string {
        StatusList s{};
        MultiFieldValueListList rows{};
        const int calls = host.calls(kMultiSchema);
        const uint32_t rc = m.call(&control, true, &rows, nullptr, &s);
        std::string outcome = "unexpected";
        if (rc == 2 && sameMessages(s, {copyFailed}) && host.calls(kMultiSchema) == calls)
            outcome = "copy failed";
        if (rc == 0 && rows.numItems == 1) outcome = "done";
        zvi::ReleaseMultiFieldValueListList(&rows, 0);
        zvi::releaseStatusList(&s, 0);
        return outcome;
    });
    EXPECT_EQ(seen, (Outcomes{"copy failed", "done"}));
}

}  // namespace
