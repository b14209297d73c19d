// Workflow-context operations and the queued and timed calls: what the host receives,
// what the caller gets back, the frame variant of each, and every allocation failure.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <thread>
#include <tuple>

#include "platform/zvrpc.h"
#include "tests/support/calls.h"
#include "types/types.h"

using namespace testing_support;
using fake::Event;

namespace {

constexpr uint32_t kLoadQualifier = 13480, kSetCurrEntry = 13496, kSetEntry = 13504, kCreateEntry = 13512,
                   kGetListWithFields = 13520, kGetEntry = 13560, kDeleteEntry = 13568, kQueueCall = 13576,
                   kAddTimedCall = 13584, kRemoveTimedCall = 13592, kFilterPhasing = 13632, kFilterAPI = 13640;

char textA[] = "caller text";
int contextTarget, x, y, z;
WorkflowContext const context = &contextTarget;

struct Args {
    EntryId ids[1] = {"000000000000007"};
    EntryIdList entryIds{1, ids};
    uint32_t fields[2] = {1, 8};
    IdList fieldIds{2, fields};
    FieldValue values[1] = {textValue(8, textA)};
    FieldValueList fieldValues{1, values};
    Value inputs[2] = {};
    ValueList inputList{2, inputs};
    RelationalOp relOp{};
    Qualifier qualifier{};
    SortItem sortItems[1] = {{2, 1}};
    SortList sort{1, sortItems};
    EntryListField listItems[1] = {{1, 10, ";"}};
    EntryListFieldList listFields{1, listItems};
    Args() {
        inputs[0].dataType = ZVI_DATA_INTEGER;
        inputs[0].payload.i = -5;
        inputs[1] = values[0].value;
        qualifier.operation = ZVI_QUAL_REL_OP;
        qualifier.u.relOp = &relOp;
    }
};

struct Op {
    const char* name;
    uint32_t slot;
    uint32_t statusAt;  // offset of the result's status list
    bool hasControl;
    bool keepsCallerStatus;
    bool writesBack;
    bool makesAllocContext;
    const char* failureText;
    std::function<uint32_t(StatusList*, Got&)> call;
    // Outcomes under allocation failures: the code and messages, what was handed over
    // (out), the values or inputs the host was sent and the call id handed back (value).
    std::set<std::string> sweep;
};

// A host that checks every request against the caller's arguments (copies that may
// be dropped only while `strict`), notes what it was sent and answers on the heap.
class WorkflowTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        serve<WfCreateEntryRequest, WfCreateEntryResult>(kCreateEntry, [this](auto& q, auto& r) {
            EXPECT_EQ(q.context, context);
            checkValues(q.fieldValues);
            EXPECT_EQ(q.createOption, 11u);
            std::memset(r.entryId, 'E', sizeof r.entryId);  // all 16 bytes: cut to 15
        });
        serve<WfSetCurrEntryRequest, WfSetCurrEntryResult>(kSetCurrEntry, [this](auto& q, auto&) {
            checkValues(q.fieldValues);
            EXPECT_EQ(q.setOption, 12u);
        });
        serve<WfSetEntryRequest, WfSetEntryResult>(kSetEntry, [this](auto& q, auto&) {
            EXPECT_EQ(q.context, context);
            expectCopy(q.entryId, a.entryIds);
            checkValues(q.fieldValues);
            EXPECT_EQ(q.setOption, 13u);
        });
        serve<WfGetEntryRequest, WfGetEntryResult>(kGetEntry, [this](auto& q, auto& r) {
            EXPECT_EQ(q.context, context);
            expectCopy(q.entryId, a.entryIds);
            expectCopy(q.fieldIds, a.fieldIds);
            EXPECT_EQ(q.wantValues, want ? 1u : 0u);
            handed = (r.values = hostValues(1)).items;
        });
        serve<WfDeleteEntryRequest, WfDeleteEntryResult>(kDeleteEntry, [this](auto& q, auto&) {
            EXPECT_EQ(q.context, context);
            expectCopy(q.entryId, a.entryIds);
            EXPECT_EQ(q.deleteOption, 14u);
        });
        serve<WfGetListEntryWithFieldsRequest, WfGetListEntryWithFieldsResult>(kGetListWithFields, [this](auto& q,
                                                                                                           auto& r) {
            EXPECT_EQ(q.context, context);
            if (want) {
                EXPECT_EQ(q.qualifier.operation, 4u);
                EXPECT_EQ(q.qualifier.u.relOp, &a.relOp) << "the record is copied, its nodes are the caller's";
            } else {
                const Qualifier none{};
                EXPECT_EQ(std::memcmp(&q.qualifier, &none, sizeof none), 0);
            }
            sent = q.listFields.numItems;  // a list-field or sort copy that fails is dropped silently
            if (strict) {
                expectCopy(q.sortList, a.sort);
                expectCopy(q.listFields, a.listFields);
            }
            EXPECT_EQ(q.firstRetrieve, 3u);
            EXPECT_EQ(q.maxRetrieve, 30u);
            EXPECT_EQ(q.useLocale, 1u);
            EXPECT_EQ(q.wantFlags, want ? 1u : 2u) << "1: the entries, 2: the count";
            r.entries.numItems = 1;
            r.entries.items = static_cast<EntryFieldValues*>(std::calloc(1, sizeof(EntryFieldValues)));
            r.entries.items[0].values = static_cast<FieldValueList*>(std::malloc(sizeof(FieldValueList)));
            *r.entries.items[0].values = hostValues(1);
            handed = r.entries.items;
            r.numMatches = 17;
        });
        serve<WfSetFilterPhasingRequest, WfSetFilterPhasingResult>(kFilterPhasing, [](auto& q, auto&) {
            EXPECT_EQ(q.phase, 0xABCDu);
        });
        serve<WfFilterAPIRequest, WfFilterAPIResult>(kFilterAPI, [this](auto& q, auto& r) {
            sent = q.inputs.numItems;
            EXPECT_EQ(q.context, context);
            if (want) {
                ASSERT_EQ(q.inputs.numItems, 2u);
                EXPECT_NE(q.inputs.items, a.inputs);
                EXPECT_EQ(q.inputs.items[0].payload.i, -5);
                EXPECT_NE(q.inputs.items[1].payload.text, textA);
                EXPECT_STREQ(q.inputs.items[1].payload.text, textA);
            } else {
                EXPECT_EQ(q.inputs.numItems, 0u) << "no inputs: an empty list";
                EXPECT_EQ(q.inputs.items, nullptr);
            }
            r.value = textValue(0, fake::text("answer")).value;
            handed = r.value.payload.text;
        });
        serve<ZVLoadQualifierStructRequest, ZVLoadQualifierStructResult>(kLoadQualifier, [this](auto& q, auto& r) {
            EXPECT_EQ(std::make_tuple(q.argument1, q.argument2, q.argument3), pointers);
            r.qualifier.operation = ZVI_QUAL_NOT;
            handed = r.qualifier.u.child = static_cast<Qualifier*>(std::calloc(1, sizeof(Qualifier)));
        });
        serve<QueueInternalCallRequest, QueueInternalCallResult>(kQueueCall, [](auto& q, auto&) {
            EXPECT_EQ(std::make_tuple(q.argument1, q.argument2, q.argument3), std::make_tuple(0xA1u, 0xA2u, 0xA3u));
        });
        serve<AddTimedCallRequest, AddTimedCallResult>(kAddTimedCall, [this](auto& q, auto& r) {
            EXPECT_EQ(std::make_tuple(q.argument1, q.argument2, q.argument3), pointers);
            EXPECT_EQ(q.argument4, 0xB4u);
            r.callId = 4711;
        });
        serve<RemovedTimedCallRequest, RemovedTimedCallResult>(kRemoveTimedCall, [](auto& q, auto&) {
            EXPECT_EQ(q.callId, 4711u);
        });
    }
    template <class Req, class Res, class F>
    void serve(uint32_t slot, F fill) {
        host.on(slot, [fill](void* q, void* r) {
            fill(*static_cast<Req*>(q), *static_cast<Res*>(r));
            return 1u;
        });
    }
    // Field values are given when `want`: a copy of the caller's (unless a failed copy
    // dropped them), else an empty list.
    void checkValues(const FieldValueList& got) {
        sent = got.numItems;
        if (want && strict) expectValuesCopy(got, a.fieldValues);
        if (want) return;
        EXPECT_EQ(got.numItems, 0u) << "a null list is sent empty";
        EXPECT_EQ(got.items, nullptr);
    }
    FieldValueList* values() { return want ? &a.fieldValues : nullptr; }
    std::vector<Op> ops();

    Args a;
    const std::tuple<void*, void*, void*> pointers{&x, &y, &z};  // the deferred calls' arguments
    bool want = true;    // the calls get their optional arguments and outputs
    bool strict = true;  // the host checks the copies it receives
    uint32_t sent = 99;  // the values or inputs the host was sent
    void* handed = nullptr;
};

std::vector<Op> WorkflowTest::ops() {
    return {
        {"ZVIWfCreateEntry", kCreateEntry, 16, false, true, false, false, "ZVIWfCreateEntry",
         [this](StatusList* s, Got& g) {
             return g.takeId(ZVIWfCreateEntry(context, values(), want ? g.id : nullptr, 11, s));
         },
         {"0:, out 15, sent 0", "0:, out 15, sent 1"}},
        {"ZVIWfSetCurrEntry", kSetCurrEntry, 0, false, true, false, true, "ZVIWfSetCurrEntry",
         [this](StatusList* s, Got&) { return ZVIWfSetCurrEntry(values(), 12, s); },
         {"0:, sent 0", "0:, sent 1"}},
        {"ZVIWfSetEntry", kSetEntry, 0, false, true, false, false, "ZVIWfSetEntry",
         [this](StatusList* s, Got&) { return ZVIWfSetEntry(context, &a.entryIds, values(), 13, s); },
         {"300:", "0:, sent 0", "0:, sent 1"}},
        {"ZVIWfGetEntry", kGetEntry, 16, false, true, false, true, "ZVIWfGetEntry",
         [this](StatusList* s, Got& g) {
             FieldValueList v{};
             return g.take<zvi::ReleaseFieldValueList>(
                 v, ZVIWfGetEntry(context, &a.entryIds, &a.fieldIds, want ? &v : nullptr, s));
         },
         {"300:", "0:, out 1"}},
        {"ZVIWfDeleteEntry", kDeleteEntry, 0, false, true, false, true, "ZVIWfDeleteEntry",
         [this](StatusList* s, Got&) { return ZVIWfDeleteEntry(context, &a.entryIds, 14, s); },
         {"300:", "0:"}},
        {"ZVIWfGetListEntryWithFields", kGetListWithFields, 24, false, true, false, true,
         "ZVIWfGetListEntryWithFields",
         [this](StatusList* s, Got& g) {
             EntryFieldValuesList v{};
             const uint32_t rc = ZVIWfGetListEntryWithFields(context, want ? &a.qualifier : nullptr, &a.listFields,
                                                             &a.sort, 3, 30, 1, want ? &v : nullptr,
                                                             want ? nullptr : &g.numMatches, s);
             EXPECT_EQ(a.qualifier.u.relOp, &a.relOp) << "the caller's record is left as it was";
             return g.take<zvi::ReleaseEntryFieldValuesList>(v, rc);
         },
         {"0:, out 1, sent 0", "0:, out 1, sent 1"}},
        {"ZVIWfSetFilterPhasing", kFilterPhasing, 0, false, true, false, true, "ZVIWfSetFilterPhasing",
         [](StatusList* s, Got&) { return ZVIWfSetFilterPhasing(0xABCD, s); },
         {"0:"}},
        {"ZVIWfFilterAPI", kFilterAPI, 16, false, true, false, false, "ZVIWfFilterAPI",
         [this](StatusList* s, Got& g) {
             Value v{};
             const uint32_t rc = ZVIWfFilterAPI(context, want ? &a.inputList : nullptr, want ? &v : nullptr, s);
             g.items = v.payload.text;
             g.numItems = g.items ? 1 : 0;
             zvi::ReleaseValue(&v, 0);
             return rc;
         },
         {"300:", "0:, out 1, sent 2"}},
        {"ZVIZVLoadQualifierStruct", kLoadQualifier, 24, true, true, false, true, "ZVIZVLoadQualifierStruct",
         [this](StatusList* s, Got& g) {
             Qualifier q{};
             const uint32_t rc = ZVIZVLoadQualifierStruct(&control, &x, &y, &z, want ? &q : nullptr, s);
             g.items = q.u.child;
             g.numItems = g.items ? 1 : 0;
             zvi::ReleaseQualifier(&q, 0);
             return rc;
         },
         {"0:, out 1"}},
        {"ZVIQueueInternalCall", kQueueCall, 168, true, false, false, true, "ZVIQueueInternalCall",
         [this](StatusList* s, Got&) { return ZVIQueueInternalCall(&control, 0xA1, 0xA2, 0xA3, s); },
         {"0:"}},
        {"ZVIAddTimedCall", kAddTimedCall, 176, true, false, true, true, "ZVIAddTimedCall",
         [this](StatusList* s, Got& g) {
             return ZVIAddTimedCall(&control, &x, &y, &z, 0xB4, want ? &g.value : nullptr, s);
         },
         {"0:, value 4711"}},
        {"ZVIRemovedTimedCall", kRemoveTimedCall, 168, true, false, true, true, "ZVIRemoveTimedCall",
         [this](StatusList* s, Got&) { return ZVIRemovedTimedCall(&control, 4711, s); },
         {"0:"}},
    };
}

// The caller's list, the host failing, warning or silent: what reaches the caller, the
// direct call (no enter or leave hook), the context words and the thread's allocation
// context.
TEST_F(WorkflowTest, EveryOperationFollowsItsFrameVariant) {
    enum Mode { Fails, Warns, Silent };
    for (const Op& op : ops()) {
        for (Mode mode : {Fails, Warns, Silent}) {
            SCOPED_TRACE(std::string(op.name) + (mode == Fails ? ", host fails" : mode == Warns ? ", host warns" : ""));
            host.on(op.slot, [&op, mode](void*, void* r) {
                if (mode != Silent) fake::addMessage(statusAt(r, op.statusAt), ZVI_WARNING, 77, "host warning");
                return mode == Fails ? 0u : 1u;
            });
            control.contextWord0 = control.contextWord1 = 5;
            // The caller's note, or a warning when the host is silent: it alone makes the code 1.
            const uint32_t callerType = mode == Silent ? ZVI_WARNING : ZVI_NOTE;
            StatusList s{};
            zvi::appendStatus(&s, callerType, 54, "earlier");
            StatusList before = s;
            host.clearEvents();
            Got g;
            const uint32_t rc = op.call(&s, g);

            std::vector<Message> expected;
            if (mode == Fails) expected.push_back(catalogMessage(ZVI_ERROR, 9905, op.failureText));
            if (mode != Silent) expected.push_back({ZVI_WARNING, 77, "host warning", "", false});
            if (op.keepsCallerStatus) expected.push_back(catalogMessage(callerType, 54, "earlier"));
            else zvi::releaseStatusList(&before, 0);  // dropped by the reset
            EXPECT_EQ(rc, mode == Fails ? 2u : expected.empty() ? 0u : 1u);
            EXPECT_EQ(messages(s), expected);
            std::vector<Event> direct;
            if (op.hasControl) direct.push_back({Event::CallerInfo, 1});
            direct.push_back({Event::Service, op.slot});
            EXPECT_EQ(host.events(), direct);
            const bool back = mode != Fails && op.writesBack;
            EXPECT_EQ(control.contextWord0, back ? host.contextWord0 : 5);
            EXPECT_EQ(control.contextWord1, back ? host.contextWord1 : 5);
            zvi::releaseStatusList(&s, 0);
            EXPECT_EQ(op.call(nullptr, g), 4u);
        }
        bool hasContext = false;
        std::thread([&] {
            StatusList t{};
            Got g;
            op.call(&t, g);
            hasContext = zvi::rpc::getThreadContext() != nullptr;
            zvi::releaseStatusList(&t, 0);
        }).join();
        EXPECT_EQ(hasContext, op.makesAllocContext) << op.name << ": the allocation-context step";
    }
}

// With and without the optional arguments: the host receives the caller's arguments
// (checked by the fixture's host) and what it returns moves to the caller; an output
// nobody asked for is released.
TEST_F(WorkflowTest, RequestsCarryTheArgumentsAndOutputsMove) {
    for (const Op& op : ops())
        for (bool w : {true, false}) {
            SCOPED_TRACE(std::string(op.name) + (w ? "" : ", without the optional arguments"));
            want = w;
            handed = nullptr;
            host.clearEvents();
            Got g;
            alloc::Window window;
            op.call(&status, g);
            zvi::releaseStatusList(&status, 0);
            EXPECT_EQ(host.calls(op.slot), 1);
            EXPECT_EQ(window.liveBlocks(), 0u);
            if (handed) {
                EXPECT_EQ(g.items, w ? handed : nullptr) << "moved, not copied";
            }
            EXPECT_EQ(g.value, w && op.slot == kAddTimedCall ? 4711u : 0u);
            EXPECT_EQ(g.numMatches, !w && op.slot == kGetListWithFields ? 17u : 0u) << "the count without the entries";
            EXPECT_EQ(std::string(g.id), w && op.slot == kCreateEntry ? std::string(15, 'E') : "");
            if (w && op.slot == kSetEntry) {
                EXPECT_EQ(window.sizes().at(0), sizeof(FieldValue)) << "the values are copied before the identifier";
            }
        }
}

// Every operation under every failure of the library's allocations ends in one of its
// defined outcomes, and nothing is left behind.
TEST_F(WorkflowTest, EveryAllocationFailureEndsInADefinedOutcome) {
    strict = false;
    for (const Op& op : ops()) {
        SCOPED_TRACE(op.name);
        std::set<std::string> seen;
        alloc::sweep([&](const alloc::Window&) {
            StatusList s{};
            Got g;
            sent = 99;
            const uint32_t rc = op.call(&s, g);
            seen.insert(outcome(rc, s, g, sent));
            zvi::releaseStatusList(&s, 0);
        });
        EXPECT_EQ(seen, op.sweep);
    }
}

}  // namespace
