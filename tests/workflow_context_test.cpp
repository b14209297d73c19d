// Workflow-context operations and the queued and timed calls: what the host receives,
// what the caller gets back, the frame variant of each, and every allocation failure.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <thread>

#include "platform/zvrpc.h"
#include "tests/support/fixtures.h"
#include "types/types.h"

using namespace testing_support;
using fake::Event;

namespace {

constexpr uint32_t kLoadQualifier = 13480, kSetCurrEntry = 13496, kSetEntry = 13504, kCreateEntry = 13512,
                   kGetListWithFields = 13520, kGetEntry = 13560, kDeleteEntry = 13568, kQueueCall = 13576,
                   kAddTimedCall = 13584, kRemoveTimedCall = 13592, kFilterPhasing = 13632, kFilterAPI = 13640;

char textA[] = "caller text";
int contextTarget;
WorkflowContext const context = &contextTarget;

struct Args {
    EntryId ids[1] = {"000000000000007"};
    EntryIdList entryIds{1, ids};
    uint32_t fields[2] = {1, 8};
    IdList fieldIds{2, fields};
    FieldValue values[1] = {};
    FieldValueList fieldValues{1, values};
    Value inputs[2] = {};
    ValueList inputList{2, inputs};
    Args() {
        values[0].fieldId = 8;
        values[0].value.dataType = ZVI_DATA_TEXT;
        values[0].value.payload.text = textA;
        inputs[0].dataType = ZVI_DATA_INTEGER;
        inputs[0].payload.i = -5;
        inputs[1].dataType = ZVI_DATA_TEXT;
        inputs[1].payload.text = textA;
    }
};

FieldValueList hostValues() {
    FieldValueList list{1, static_cast<FieldValue*>(std::calloc(1, sizeof(FieldValue)))};
    list.items[0].fieldId = 1;
    list.items[0].value.dataType = ZVI_DATA_TEXT;
    list.items[0].value.payload.text = fake::text("host text");
    return list;
}

EntryFieldValuesList hostEntries() {
    EntryFieldValuesList list{1, static_cast<EntryFieldValues*>(std::calloc(1, sizeof(EntryFieldValues)))};
    list.items[0].entryId = EntryIdList{1, static_cast<EntryId*>(std::calloc(1, sizeof(EntryId)))};
    list.items[0].values = static_cast<FieldValueList*>(std::malloc(sizeof(FieldValueList)));
    *list.items[0].values = hostValues();
    return list;
}

StatusList& statusAt(void* result, uint32_t offset) {
    return *reinterpret_cast<StatusList*>(static_cast<char*>(result) + offset);
}

using WorkflowTest = HostTest;

// --- the frame variant of every operation ------------------------------------------

struct Variant {
    const char* name;
    uint32_t slot;
    uint32_t statusAt;
    bool hasControl;
    bool keepsCallerStatus;
    bool writesBack;
    bool makesAllocContext;
    const char* failureText;
    std::function<uint32_t(ControlRecord*, StatusList*)> call;
};

std::vector<Variant> variants(Args& a) {
    return {
        {"ZVIWfCreateEntry", kCreateEntry, 16, false, true, false, false, "ZVIWfCreateEntry",
         [&](ControlRecord*, StatusList* s) { return ZVIWfCreateEntry(context, &a.fieldValues, nullptr, 1, s); }},
        {"ZVIWfSetCurrEntry", kSetCurrEntry, 0, false, true, false, true, "ZVIWfSetCurrEntry",
         [&](ControlRecord*, StatusList* s) { return ZVIWfSetCurrEntry(&a.fieldValues, 2, s); }},
        {"ZVIWfSetEntry", kSetEntry, 0, false, true, false, false, "ZVIWfSetEntry",
         [&](ControlRecord*, StatusList* s) { return ZVIWfSetEntry(context, &a.entryIds, &a.fieldValues, 3, s); }},
        {"ZVIWfGetEntry", kGetEntry, 16, false, true, false, true, "ZVIWfGetEntry",
         [&](ControlRecord*, StatusList* s) { return ZVIWfGetEntry(context, &a.entryIds, &a.fieldIds, nullptr, s); }},
        {"ZVIWfDeleteEntry", kDeleteEntry, 0, false, true, false, true, "ZVIWfDeleteEntry",
         [&](ControlRecord*, StatusList* s) { return ZVIWfDeleteEntry(context, &a.entryIds, 4, s); }},
        {"ZVIWfGetListEntryWithFields", kGetListWithFields, 24, false, true, false, true,
         "ZVIWfGetListEntryWithFields",
         [&](ControlRecord*, StatusList* s) {
             return ZVIWfGetListEntryWithFields(context, nullptr, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, s);
         }},
        {"ZVIWfSetFilterPhasing", kFilterPhasing, 0, false, true, false, true, "ZVIWfSetFilterPhasing",
         [&](ControlRecord*, StatusList* s) { return ZVIWfSetFilterPhasing(5, s); }},
        {"ZVIWfFilterAPI", kFilterAPI, 16, false, true, false, false, "ZVIWfFilterAPI",
         [&](ControlRecord*, StatusList* s) { return ZVIWfFilterAPI(context, &a.inputList, nullptr, s); }},
        {"ZVIZVLoadQualifierStruct", kLoadQualifier, 24, true, true, false, true, "ZVIZVLoadQualifierStruct",
         [&](ControlRecord* c, StatusList* s) {
             Qualifier q{};
             uint32_t rc = ZVIZVLoadQualifierStruct(c, nullptr, nullptr, nullptr, &q, s);
             zvi::ReleaseQualifier(&q, 0);
             return rc;
         }},
        {"ZVIQueueInternalCall", kQueueCall, 168, true, false, false, true, "ZVIQueueInternalCall",
         [&](ControlRecord* c, StatusList* s) { return ZVIQueueInternalCall(c, 1, 2, 3, s); }},
        {"ZVIAddTimedCall", kAddTimedCall, 176, true, false, true, true, "ZVIAddTimedCall",
         [&](ControlRecord* c, StatusList* s) { return ZVIAddTimedCall(c, nullptr, nullptr, nullptr, 0, nullptr, s); }},
        {"ZVIRemovedTimedCall", kRemoveTimedCall, 168, true, false, true, true, "ZVIRemoveTimedCall",
         [&](ControlRecord* c, StatusList* s) { return ZVIRemovedTimedCall(c, 9, s); }},
    };
}

std::vector<Event> calledDirectly(const Variant& v) {
    std::vector<Event> events;
    if (v.hasControl) events.push_back({Event::CallerInfo, 1});
    events.push_back({Event::Service, v.slot});  // no enter or leave hook
    return events;
}

// Caller's list [note], host's list [warning], the host failing or not: what reaches the
// caller, the direct call, the context words and the thread's allocation context.
TEST_F(WorkflowTest, EveryOperationFollowsItsFrameVariant) {
    Args a;
    for (const Variant& v : variants(a)) {
        for (uint32_t ok : {0u, 1u}) {
            SCOPED_TRACE(std::string(v.name) + (ok ? "" : ", host fails"));
            host.on(v.slot, [&v, ok](void*, void* r) {
                if (v.slot == kLoadQualifier) static_cast<ZVLoadQualifierStructResult*>(r)->qualifier = Qualifier{};
                fake::addMessage(statusAt(r, v.statusAt), ZVI_WARNING, 77, "host warning");
                return ok;
            });
            control.contextWord0 = control.contextWord1 = 5;
            StatusList s{};
            zvi::appendStatus(&s, ZVI_NOTE, 54, "earlier");
            StatusList before = s;
            host.clearEvents();
            EXPECT_EQ(v.call(&control, &s), ok ? 1u : 2u);
            std::vector<Message> expected{{ZVI_WARNING, 77, "host warning", "", false}};
            if (!ok) expected.insert(expected.begin(), catalogMessage(ZVI_ERROR, 9905, v.failureText));
            if (v.keepsCallerStatus) expected.push_back(catalogMessage(ZVI_NOTE, 54, "earlier"));
            else zvi::releaseStatusList(&before, 0);  // dropped by the reset
            EXPECT_EQ(messages(s), expected);
            EXPECT_EQ(host.events(), calledDirectly(v));
            EXPECT_EQ(control.contextWord0, ok && v.writesBack ? host.contextWord0 : 5);
            EXPECT_EQ(control.contextWord1, ok && v.writesBack ? host.contextWord1 : 5);
            zvi::releaseStatusList(&s, 0);
            EXPECT_EQ(v.call(&control, nullptr), 4u);
        }
        bool hasContext = false;
        std::thread([&] {
            StatusList t{};
            v.call(&control, &t);
            hasContext = zvi::rpc::getThreadContext() != nullptr;
            zvi::releaseStatusList(&t, 0);
        }).join();
        EXPECT_EQ(hasContext, v.makesAllocContext) << "the allocation-context step";
    }
}

// --- what the host receives and what the caller gets -------------------------------

TEST_F(WorkflowTest, EntryCallsCarryTheContextAndCopiesOfTheirLists) {
    Args a;
    host.on<WfCreateEntryRequest, WfCreateEntryResult>(kCreateEntry, [&](WfCreateEntryRequest& q, WfCreateEntryResult& r) {
        EXPECT_EQ(q.context, context);
        EXPECT_NE(q.fieldValues.items, a.values);
        EXPECT_NE(q.fieldValues.items[0].value.payload.text, textA);
        EXPECT_STREQ(q.fieldValues.items[0].value.payload.text, textA);
        EXPECT_EQ(q.createOption, 11u);
        std::memset(r.entryId, 'E', sizeof r.entryId);  // all 16 bytes: cut to 15
        return 1u;
    });
    char id[16] = "";
    EXPECT_EQ(ZVIWfCreateEntry(context, &a.fieldValues, id, 11, &status), 0u);
    EXPECT_EQ(std::string(id), std::string(15, 'E'));

    host.on<WfSetCurrEntryRequest, WfSetCurrEntryResult>(kSetCurrEntry, [&](WfSetCurrEntryRequest& q, WfSetCurrEntryResult&) {
        EXPECT_EQ(q.fieldValues.numItems, 0u) << "a null list is sent empty";
        EXPECT_EQ(q.fieldValues.items, nullptr);
        EXPECT_EQ(q.setOption, 12u);
        return 1u;
    });
    EXPECT_EQ(ZVIWfSetCurrEntry(nullptr, 12, &status), 0u);

    host.on<WfSetEntryRequest, WfSetEntryResult>(kSetEntry, [&](WfSetEntryRequest& q, WfSetEntryResult&) {
        EXPECT_EQ(q.context, context);
        EXPECT_NE(q.entryId.items, a.ids);
        EXPECT_STREQ(q.entryId.items[0], "000000000000007");
        EXPECT_STREQ(q.fieldValues.items[0].value.payload.text, textA);
        EXPECT_EQ(q.setOption, 13u);
        return 1u;
    });
    {
        alloc::Window w;
        EXPECT_EQ(ZVIWfSetEntry(context, &a.entryIds, &a.fieldValues, 13, &status), 0u);
        ASSERT_GE(w.sizes().size(), 2u);
        EXPECT_EQ(w.sizes()[0], sizeof(FieldValue)) << "the values are copied before the identifier";
    }

    host.on<WfDeleteEntryRequest, WfDeleteEntryResult>(kDeleteEntry, [&](WfDeleteEntryRequest& q, WfDeleteEntryResult&) {
        EXPECT_EQ(q.context, context);
        EXPECT_NE(q.entryId.items, a.ids);
        EXPECT_EQ(q.deleteOption, 14u);
        return 1u;
    });
    EXPECT_EQ(ZVIWfDeleteEntry(context, &a.entryIds, 14, &status), 0u);
    EXPECT_EQ(host.calls(kCreateEntry) + host.calls(kSetCurrEntry) + host.calls(kSetEntry) + host.calls(kDeleteEntry), 4);
}

TEST_F(WorkflowTest, GetEntryAsksForValuesOnlyWhenGivenAnOutput) {
    Args a;
    FieldValue* hostItems = nullptr;
    uint32_t wanted = 9;
    host.on<WfGetEntryRequest, WfGetEntryResult>(kGetEntry, [&](WfGetEntryRequest& q, WfGetEntryResult& r) {
        EXPECT_EQ(q.context, context);
        EXPECT_NE(q.fieldIds.items, a.fields);
        EXPECT_EQ(q.fieldIds.items[1], 8u);
        wanted = q.wantValues;
        r.values = hostValues();
        hostItems = r.values.items;
        return 1u;
    });
    FieldValueList values{};
    EXPECT_EQ(ZVIWfGetEntry(context, &a.entryIds, &a.fieldIds, &values, &status), 0u);
    EXPECT_EQ(wanted, 1u);
    EXPECT_EQ(values.items, hostItems);
    zvi::ReleaseFieldValueList(&values, 0);

    alloc::Window w;
    EXPECT_EQ(ZVIWfGetEntry(context, &a.entryIds, &a.fieldIds, nullptr, &status), 0u);
    EXPECT_EQ(wanted, 0u);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST_F(WorkflowTest, GetListEntryWithFieldsSharesTheQualifierAndSetsTheWantFlags) {
    RelationalOp relOp{};
    Qualifier qualifier{};
    qualifier.operation = ZVI_QUAL_REL_OP;
    qualifier.u.relOp = &relOp;
    SortItem sortItems[1] = {{2, 1}};
    SortList sort{1, sortItems};
    EntryListField listItems[1] = {{1, 10, ";"}};
    EntryListFieldList listFields{1, listItems};
    uint32_t flags = 99;
    EntryFieldValues* hostArray = nullptr;
    host.on<WfGetListEntryWithFieldsRequest, WfGetListEntryWithFieldsResult>(
        kGetListWithFields, [&](WfGetListEntryWithFieldsRequest& q, WfGetListEntryWithFieldsResult& r) {
            EXPECT_EQ(q.context, context);
            EXPECT_EQ(q.qualifier.operation, 4u);
            EXPECT_EQ(q.qualifier.u.relOp, &relOp) << "the record is copied, its nodes are the caller's";
            EXPECT_NE(q.sortList.items, sortItems);
            EXPECT_EQ(q.sortList.items[0].fieldId, 2u);
            EXPECT_NE(q.listFields.items, listItems);
            EXPECT_STREQ(q.listFields.items[0].separator, ";");
            EXPECT_EQ(q.firstRetrieve, 3u);
            EXPECT_EQ(q.maxRetrieve, 30u);
            EXPECT_EQ(q.useLocale, 1u);
            flags = q.wantFlags;
            r.entries = hostEntries();
            hostArray = r.entries.items;
            r.numMatches = 17;
            return 1u;
        });
    struct Case {
        bool entries, count;
        uint32_t flags;
    } cases[] = {{false, false, 0}, {true, false, 1}, {false, true, 2}, {true, true, 3}};
    for (const Case& c : cases) {
        EntryFieldValuesList entries{};
        uint32_t numMatches = 0;
        alloc::Window w;
        EXPECT_EQ(ZVIWfGetListEntryWithFields(context, &qualifier, &listFields, &sort, 3, 30, 1,
                                              c.entries ? &entries : nullptr, c.count ? &numMatches : nullptr,
                                              &status), 0u);
        EXPECT_EQ(flags, c.flags);
        EXPECT_EQ(entries.items, c.entries ? hostArray : nullptr);
        EXPECT_EQ(numMatches, c.count ? 17u : 0u);
        zvi::ReleaseEntryFieldValuesList(&entries, 0);
        EXPECT_EQ(w.liveBlocks(), 0u) << "entries nobody asked for are released";
    }
    EXPECT_EQ(qualifier.u.relOp, &relOp);

    host.on<WfGetListEntryWithFieldsRequest, WfGetListEntryWithFieldsResult>(
        kGetListWithFields, [&](WfGetListEntryWithFieldsRequest& q, WfGetListEntryWithFieldsResult&) {
            const Qualifier none{};
            EXPECT_EQ(std::memcmp(&q.qualifier, &none, sizeof none), 0);
            return 1u;
        });
    EXPECT_EQ(ZVIWfGetListEntryWithFields(context, nullptr, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, &status), 0u);
}

TEST_F(WorkflowTest, FilterCallsPassTheirArgumentsAndMoveTheValue) {
    Args a;
    host.on<WfSetFilterPhasingRequest, WfSetFilterPhasingResult>(
        kFilterPhasing, [](WfSetFilterPhasingRequest& q, WfSetFilterPhasingResult&) { return q.phase == 0xABCDu ? 1u : 0u; });
    EXPECT_EQ(ZVIWfSetFilterPhasing(0xABCD, &status), 0u);
    zvi::appendStatus(&status, ZVI_WARNING, 54, "earlier");
    EXPECT_EQ(ZVIWfSetFilterPhasing(0xABCD, &status), 1u) << "the caller's warning stays";
    zvi::releaseStatusList(&status, 0);

    char* hostText = nullptr;
    host.on<WfFilterAPIRequest, WfFilterAPIResult>(kFilterAPI, [&](WfFilterAPIRequest& q, WfFilterAPIResult& r) {
        EXPECT_EQ(q.context, context);
        EXPECT_EQ(q.inputs.numItems, 2u);
        EXPECT_NE(q.inputs.items, a.inputs);
        EXPECT_EQ(q.inputs.items[0].payload.i, -5);
        EXPECT_NE(q.inputs.items[1].payload.text, textA);
        EXPECT_STREQ(q.inputs.items[1].payload.text, textA);
        r.value.dataType = ZVI_DATA_TEXT;
        r.value.payload.text = hostText = fake::text("answer");
        return 1u;
    });
    Value out{};
    EXPECT_EQ(ZVIWfFilterAPI(context, &a.inputList, &out, &status), 0u);
    EXPECT_EQ(out.dataType, uint32_t{ZVI_DATA_TEXT});
    EXPECT_EQ(out.payload.text, hostText) << "moved";
    zvi::ReleaseValue(&out, 0);

    {
        alloc::Window w;
        EXPECT_EQ(ZVIWfFilterAPI(context, &a.inputList, nullptr, &status), 0u);
        EXPECT_EQ(w.liveBlocks(), 0u) << "a value nobody asked for is released";
    }
    host.on<WfFilterAPIRequest, WfFilterAPIResult>(kFilterAPI, [](WfFilterAPIRequest& q, WfFilterAPIResult&) {
        return q.inputs.numItems == 0 && !q.inputs.items ? 1u : 0u;
    });
    EXPECT_EQ(ZVIWfFilterAPI(context, nullptr, &out, &status), 0u) << "no inputs: an empty list";
}

TEST_F(WorkflowTest, DeferredCallsPassTheirArgumentsUnchanged) {
    int x, y, z;
    host.on<ZVLoadQualifierStructRequest, ZVLoadQualifierStructResult>(
        kLoadQualifier, [&](ZVLoadQualifierStructRequest& q, ZVLoadQualifierStructResult& r) {
            EXPECT_EQ(q.argument1, &x);
            EXPECT_EQ(q.argument2, &y);
            EXPECT_EQ(q.argument3, &z);
            r.qualifier = Qualifier{};
            r.qualifier.operation = ZVI_QUAL_NOT;
            r.qualifier.u.child = static_cast<Qualifier*>(std::calloc(1, sizeof(Qualifier)));
            return 1u;
        });
    Qualifier qualifier{};
    EXPECT_EQ(ZVIZVLoadQualifierStruct(&control, &x, &y, &z, &qualifier, &status), 0u);
    EXPECT_EQ(qualifier.operation, 3u);
    EXPECT_NE(qualifier.u.child, nullptr);
    zvi::ReleaseQualifier(&qualifier, 0);
    {
        alloc::Window w;
        EXPECT_EQ(ZVIZVLoadQualifierStruct(&control, &x, &y, &z, nullptr, &status), 0u);
        EXPECT_EQ(w.liveBlocks(), 0u) << "without a place for it the host's tree is released";
    }

    host.on<QueueInternalCallRequest, QueueInternalCallResult>(kQueueCall, [](QueueInternalCallRequest& q, QueueInternalCallResult&) {
        EXPECT_EQ(q.argument1, 0xA1u);
        EXPECT_EQ(q.argument2, 0xA2u);
        EXPECT_EQ(q.argument3, 0xA3u);
        return 1u;
    });
    EXPECT_EQ(ZVIQueueInternalCall(&control, 0xA1, 0xA2, 0xA3, &status), 0u);

    host.on<AddTimedCallRequest, AddTimedCallResult>(kAddTimedCall, [&](AddTimedCallRequest& q, AddTimedCallResult& r) {
        EXPECT_EQ(q.argument1, &x);
        EXPECT_EQ(q.argument2, &y);
        EXPECT_EQ(q.argument3, &z);
        EXPECT_EQ(q.argument4, 0xB4u);
        r.callId = 4711;
        fake::addMessage(r.status, ZVI_WARNING, 77, "host warning");
        return 1u;
    });
    uint32_t callId = 0;
    EXPECT_EQ(ZVIAddTimedCall(&control, &x, &y, &z, 0xB4, &callId, &status), 1u);
    EXPECT_EQ(callId, 4711u);
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(ZVIAddTimedCall(&control, &x, &y, &z, 0xB4, nullptr, &status), 1u) << "still called without callId";
    EXPECT_EQ(host.calls(kAddTimedCall), 2);
    zvi::releaseStatusList(&status, 0);

    host.on<RemovedTimedCallRequest, RemovedTimedCallResult>(kRemoveTimedCall, [](RemovedTimedCallRequest& q, RemovedTimedCallResult&) {
        return q.callId == 4711u ? 1u : 0u;
    });
    EXPECT_EQ(ZVIRemovedTimedCall(&control, 4711, &status), 0u);
}

// --- allocation failures -----------------------------------------------------------

// Every operation of the family under every allocation failure: a failed identifier or
// value-list copy ends the call with 300 before the host is called; a failed field-value
// copy reaches the host as an empty list; nothing is left behind.
TEST_F(WorkflowTest, AllocationFailureSweep) {
    Args a;
    Qualifier qualifier{};
    uint32_t seenValues = 0;
    auto seeValues = [&](void* q, uint32_t at) {
        seenValues = reinterpret_cast<FieldValueList*>(static_cast<char*>(q) + at)->numItems;
    };
    host.on(kCreateEntry, [&](void* q, void*) { return seeValues(q, 8), 1u; });
    host.on(kSetCurrEntry, [&](void* q, void*) { return seeValues(q, 0), 1u; });
    host.on(kSetEntry, [&](void* q, void*) { return seeValues(q, 24), 1u; });
    host.on<WfGetEntryRequest, WfGetEntryResult>(kGetEntry, [](WfGetEntryRequest&, WfGetEntryResult& r) {
        r.values = hostValues();
        return 1u;
    });
    host.on<WfGetListEntryWithFieldsRequest, WfGetListEntryWithFieldsResult>(
        kGetListWithFields, [](WfGetListEntryWithFieldsRequest&, WfGetListEntryWithFieldsResult& r) {
            r.entries = hostEntries();
            return 1u;
        });
    host.on<WfFilterAPIRequest, WfFilterAPIResult>(kFilterAPI, [](WfFilterAPIRequest&, WfFilterAPIResult& r) {
        r.value.dataType = ZVI_DATA_TEXT;
        r.value.payload.text = fake::text("answer");
        return 1u;
    });
    host.on<ZVLoadQualifierStructRequest, ZVLoadQualifierStructResult>(
        kLoadQualifier, [](ZVLoadQualifierStructRequest&, ZVLoadQualifierStructResult& r) {
            r.qualifier = Qualifier{};
            r.qualifier.operation = ZVI_QUAL_NOT;
            r.qualifier.u.child = static_cast<Qualifier*>(std::calloc(1, sizeof(Qualifier)));
            return 1u;
        });
    struct Case {
        const char* name;
        std::set<std::string> outcomes;
        std::function<uint32_t(StatusList*)> call;
    } cases[] = {
        {"ZVIWfCreateEntry", {"done", "values dropped"},
         [&](StatusList* s) {
             char id[16];
             return ZVIWfCreateEntry(context, &a.fieldValues, id, 0, s);
         }},
        {"ZVIWfSetCurrEntry", {"done", "values dropped"}, [&](StatusList* s) { return ZVIWfSetCurrEntry(&a.fieldValues, 0, s); }},
        {"ZVIWfSetEntry", {"done", "values dropped", "copy failed"},
         [&](StatusList* s) { return ZVIWfSetEntry(context, &a.entryIds, &a.fieldValues, 0, s); }},
        {"ZVIWfGetEntry", {"done", "copy failed"},
         [&](StatusList* s) {
             FieldValueList v{};
             uint32_t rc = ZVIWfGetEntry(context, &a.entryIds, &a.fieldIds, &v, s);
             zvi::ReleaseFieldValueList(&v, 0);
             return rc;
         }},
        {"ZVIWfDeleteEntry", {"done", "copy failed"}, [&](StatusList* s) { return ZVIWfDeleteEntry(context, &a.entryIds, 0, s); }},
        {"ZVIWfGetListEntryWithFields", {"done"},
         [&](StatusList* s) {
             SortItem si[1] = {{1, 1}};
             SortList sort{1, si};
             return ZVIWfGetListEntryWithFields(context, &qualifier, nullptr, &sort, 0, 0, 0, nullptr, nullptr, s);
         }},
        {"ZVIWfSetFilterPhasing", {"done"}, [&](StatusList* s) { return ZVIWfSetFilterPhasing(1, s); }},
        {"ZVIWfFilterAPI", {"done", "copy failed"},
         [&](StatusList* s) {
             Value v{};
             uint32_t rc = ZVIWfFilterAPI(context, &a.inputList, &v, s);
             zvi::ReleaseValue(&v, 0);
             return rc;
         }},
        {"ZVIZVLoadQualifierStruct", {"done"},
         [&](StatusList* s) {
             Qualifier q{};
             uint32_t rc = ZVIZVLoadQualifierStruct(&control, nullptr, nullptr, nullptr, &q, s);
             zvi::ReleaseQualifier(&q, 0);
             return rc;
         }},
        {"ZVIQueueInternalCall", {"done"}, [&](StatusList* s) { return ZVIQueueInternalCall(&control, 1, 2, 3, s); }},
        {"ZVIAddTimedCall", {"done"},
         [&](StatusList* s) {
             uint32_t id;
             return ZVIAddTimedCall(&control, nullptr, nullptr, nullptr, 0, &id, s);
         }},
        {"ZVIRemovedTimedCall", {"done"}, [&](StatusList* s) { return ZVIRemovedTimedCall(&control, 1, s); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::set<std::string> seen;
        alloc::sweep([&](const alloc::Window&) {
            StatusList s{};
            seenValues = 99;
            const uint32_t rc = c.call(&s);
            if (rc == 300 && s.numItems == 0) seen.insert("copy failed");
            else if (rc == 0 && seenValues == 0) seen.insert("values dropped");
            else if (rc == 0) seen.insert("done");
            else seen.insert("unexpected " + std::to_string(rc));
            zvi::releaseStatusList(&s, 0);
        });
        EXPECT_EQ(seen, c.outcomes);
    }
}

}  // namespace
