// The call frame on ZVIDeleteEntry and on test-only operations that run the same
// frame under other slot-map rows (keep status, host messages, no control, ...).
#include <gtest/gtest.h>

#include <thread>

#include "bridge/frame.h"
#include "platform/zvrpc.h"
#include "tests/support/fixtures.h"
#include "types/types.h"
#include "platform/zvutl.h"

using namespace testing_support;
using fake::Event;
using zvi::Call;
using zvi::Op;

namespace {

constexpr uint32_t kDeleteSlot = 12264;
constexpr uint32_t kServerInfoSlot = 12616;
char schema[] = "HelpDesk";

// Records of a test-only operation with a control record, and without one.
struct PlainRequest {
    RequestControl control;
    uint64_t argument;
};
struct PlainResult {
    ResultControl control;
    StatusList status;
};
struct BareRequest {
    uint64_t argument;
};
struct BareResult {
    StatusList status;
};

// Runs the frame of op with a single copied identifier list.
template <class Req = PlainRequest, class Res = PlainResult>
uint32_t runFrame(Op op, ControlRecord* control, StatusList* status, const IdList* ids = nullptr) {
    Call<Req, Res> f(op, control, status);
    if (!f.open()) return f.code();
    IdList copy{};
    if (ids && !f.template copy<zvi::CopyIdListExact, zvi::ReleaseIdList>(copy, ids)) return f.code();
    return f.complete();
}

using FrameTest = HostTest;

TEST_F(FrameTest, DeleteEntryHandsTheHostBorrowedSchemaAndCopiedIds) {
    EntryId ids[2] = {"000000000000001", "000000000000002"};
    EntryIdList list{2, ids};
    host.on<DeleteEntryRequest, DeleteEntryResult>(kDeleteSlot, [&](DeleteEntryRequest& q, DeleteEntryResult&) {
        EXPECT_EQ(q.schema, schema);
        EXPECT_EQ(q.entryId.numItems, 2u);
        EXPECT_NE(q.entryId.items, ids);
        EXPECT_EQ(std::memcmp(q.entryId.items, ids, sizeof ids), 0);
        EXPECT_EQ(q.deleteOption, 7u);
        return 1u;
    });
    alloc::Window w;
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, &list, 7, &status), 0u);
    EXPECT_EQ(w.sizes(), std::vector<size_t>{sizeof ids});  // one exact copy, nothing else
    EXPECT_EQ(w.liveBlocks(), 0u);
    EXPECT_EQ(status.numItems, 0u);
    EXPECT_EQ(control.contextWord0, host.contextWord0);
    EXPECT_EQ(control.contextWord1, host.contextWord1);
    const std::vector<Event> expected{{Event::CallerInfo, 1}, {Event::Enter, 4}, {Event::Service, kDeleteSlot},
                                      {Event::Leave, 0}};
    EXPECT_EQ(host.events(), expected);
    const CallerInfo info = host.lastCallerInfo();
    EXPECT_EQ(info.value0, 1u);
    EXPECT_EQ(info.value1, 2u);
    EXPECT_EQ(info.version, 20u);
}

TEST_F(FrameTest, NullStatusReturns4AndTouchesNothing) {
    control.contextWord0 = 5;
    EntryId id = "1";
    EntryIdList list{1, &id};
    alloc::Window w;
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, &list, 0, nullptr), 4u);
    EXPECT_EQ(runFrame(Op::GetEntry, &control, nullptr), 4u);  // also where the caller's list is kept
    EXPECT_EQ(w.allocations(), 0u);
    EXPECT_TRUE(host.events().empty());
    EXPECT_EQ(control.contextWord0, 5);
}

TEST_F(FrameTest, HostMessagesAreMergedAndTheMostSevereTypeReturned) {
    host.on<DeleteEntryRequest, DeleteEntryResult>(kDeleteSlot, [](DeleteEntryRequest&, DeleteEntryResult& r) {
        fake::addMessage(r.status, 1, 11, "warning", "w");
        fake::addMessage(r.status, 0, 10, "note", "n");
        return 1u;
    });
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 1u);
    EXPECT_EQ(messages(status), (std::vector<Message>{{1, 11, "warning", "w", true}, {0, 10, "note", "n", true}}))
        << "the host's list is handed over as it is";
}

TEST_F(FrameTest, StandardFailureGivesOnly9905AndKeepsContextWords) {
    // The caller's list is reset without being released: a stale array must survive.
    StatusEntry stale{};
    status = StatusList{1, &stale};
    control.contextWord0 = 41;
    control.contextWord1 = 42;
    host.on<DeleteEntryRequest, DeleteEntryResult>(kDeleteSlot, [](DeleteEntryRequest&, DeleteEntryResult& r) {
        fake::addMessage(r.status, 2, 77, "host error");
        return 0u;
    });
    alloc::Window w;
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(2, 9905, "ZVIDeleteEntry")});
    EXPECT_EQ(control.contextWord0, 41);
    EXPECT_EQ(control.contextWord1, 42);
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(w.liveBlocks(), 0u) << "the host's dropped messages are freed";
}

TEST_F(FrameTest, ControlRecordIsBorrowedByteForByte) {
    char s1[] = "one", s2[] = "two", s3[] = "three";
    uint8_t bytes[3] = {1, 2, 3};
    Prop props[1] = {};
    control = ControlRecord{};
    control.contextWord0 = -7;
    control.contextWord1 = 9;
    control.stringRef1 = s1;
    control.stringRef2 = s2;
    control.stringRef3 = s3;
    control.byteData.kind = 17;
    control.byteData.numItems = 3;
    control.byteData.bytes = bytes;
    std::strcpy(control.text1, "user");
    std::strcpy(control.text3, "locale");
    std::strcpy(control.text6, "tz");
    control.number1 = 101;
    control.number2 = 102;
    control.number3 = 103;
    control.number4 = 104;
    control.pairList = PropList{1, props};
    control.number5 = -5;
    control.number6 = 106;
    control.number7 = 107;
    control.number8 = 108;

    RequestControl seen{};
    host.on<DeleteEntryRequest, DeleteEntryResult>(kDeleteSlot, [&](DeleteEntryRequest& q, DeleteEntryResult&) {
        std::memcpy(&seen, &q.control, sizeof seen);  // padding included
        return 1u;
    });
    ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
    RequestControl expected;
    std::memset(&expected, 0, sizeof expected);
    expected.contextWord0 = -7;
    expected.contextWord1 = 9;
    expected.stringRef1 = s1;
    expected.stringRef2 = s2;
    expected.byteKind = 17;
    expected.byteCount = 3;
    expected.bytes = bytes;
    expected.stringRef3 = s3;
    expected.text[0] = control.text1;  // addresses inside the caller's record
    expected.text[2] = control.text3;
    expected.text[5] = control.text6;
    expected.number1 = 101;
    expected.number2 = 102;
    expected.number3 = 103;
    expected.number4 = 104;
    expected.pairList = PropList{1, props};
    expected.number5 = -5;
    expected.number6 = 106;
    expected.number7 = 107;
    expected.number8 = 108;
    EXPECT_EQ(std::memcmp(&seen, &expected, sizeof seen), 0);

    // Bytes are passed only when there are some.
    control.byteData.numItems = 0;
    ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
    EXPECT_EQ(seen.bytes, nullptr);
    EXPECT_EQ(seen.byteKind, 17u);
}

TEST_F(FrameTest, CallerListKeptAndHostMessagesKeptOnFailure) {
    zvi::appendStatus(&status, 1, 54, "earlier");
    host.on(12224, [](void*, void* r) {
        fake::addMessage(static_cast<PlainResult*>(r)->status, 1, 12, "host warning");
        return 0u;
    });
    EXPECT_EQ(runFrame(Op::GetEntry, &control, &status), 2u);
    auto m = messages(status);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0], catalogMessage(2, 9905, "ZVIGetEntry"));
    EXPECT_EQ(m[1].detail, "earlier") << "within a class the caller's messages come first";
    EXPECT_EQ(m[2].number, 12u);

    zvi::releaseStatusList(&status, 0);
    zvi::appendStatus(&status, 1, 54, "earlier");
    host.on(12224, [](void*, void*) { return 1u; });
    EXPECT_EQ(runFrame(Op::GetEntry, &control, &status), 1u) << "a kept warning makes the call a warning";
}

TEST_F(FrameTest, ResettingVariantsHandHostMessagesOverOnFailure) {
    host.on(12232, [](void*, void* r) {
        fake::addMessage(static_cast<PlainResult*>(r)->status, 0, 13, "host note");
        return 0u;
    });
    zvi::appendStatus(&status, 1, 54, "dropped by the reset");
    StatusList before = status;
    EXPECT_EQ(runFrame(Op::GetEntryBLOB, &control, &status), 2u);
    auto m = messages(status);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], catalogMessage(2, 9905, "ZVIGetEntryBLOB"));
    EXPECT_EQ(m[1].number, 13u);
    zvi::releaseStatusList(&before, 0);
}

TEST_F(FrameTest, OperationsWithoutControlRecordSkipConversionAndWriteBack) {
    host.on(13560, [](void*, void* r) {
        fake::addMessage(static_cast<BareResult*>(r)->status, 0, 14, "done");
        return 1u;
    });
    EXPECT_EQ((runFrame<BareRequest, BareResult>(Op::WfGetEntry, nullptr, &status)), 0u);
    EXPECT_EQ(host.events(), (std::vector<Event>{{Event::Service, 13560}})) << "no caller info, no hooks";
    EXPECT_EQ(messages(status).size(), 1u);
}

TEST_F(FrameTest, NoWriteBackAndNoHooksVariants) {
    control.contextWord0 = 1;
    control.contextWord1 = 2;
    EXPECT_EQ(runFrame(Op::GetServerProps, &control, &status), 0u);
    EXPECT_EQ(control.contextWord0, 1);
    EXPECT_EQ(control.contextWord1, 2);
    EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}, {Event::Service, 13448}}));

    host.clearEvents();
    EXPECT_EQ(runFrame(Op::BulkTranBegin, &control, &status), 0u);  // two-argument entry, no hooks
    EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}, {Event::Service, 13456}}));
    EXPECT_EQ(control.contextWord0, host.contextWord0);
}

TEST_F(FrameTest, AllocationContextStepFollowsTheVariant) {
    auto contextAfter = [&](Op op) {
        bool has = false;
        std::thread([&] {
            StatusList s{};
            runFrame(op, &control, &s);
            has = zvi::rpc::getThreadContext() != nullptr;
            zvi::releaseStatusList(&s, 0);
        }).join();
        return has;
    };
    EXPECT_TRUE(contextAfter(Op::DeleteEntry));
    EXPECT_FALSE(contextAfter(Op::GetServerProps));
    EXPECT_FALSE(contextAfter(Op::CreateMultipleFields));
}

TEST_F(FrameTest, AdminThreadCheckRefusesWithTheOperationsText) {
    host.adminCheck = [](uint32_t) { return 0u; };
    struct Case {
        Op op;
        uint32_t opcode;
        const char* text;
    };
    const Case cases[] = {
        {Op::DeleteSchema, 10, "ZVIDeleteSchema - Cache Changing call from a Non-Admin thread"},
        {Op::DeleteActiveLink, 41, "ZVIDeleteActivelink - Cache Changing call from a Non-Admin thread"},
        {Op::CreateOverlay, 197, "ZVCreateOverlay - Cache Changing call from a Non-Admin thread"},
        {Op::CreateOverlayFromObject, 198, "ZVCreateOverlayFromObject - Cache Changing call from a Non-Admin thread"},
    };
    uint32_t idItems[2] = {1, 2};
    IdList ids{2, idItems};
    for (const Case& c : cases) {
        host.clearEvents();
        alloc::Window w;
        EXPECT_EQ(runFrame(c.op, &control, &status, &ids), 2u);
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(2, 9905, c.text)});
        EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}, {Event::Admin, c.opcode}}));
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(w.liveBlocks(), 0u) << "copies are released on refusal";
    }
    host.adminCheck = [](uint32_t) { return 7u; };
    host.clearEvents();
    EXPECT_EQ(runFrame(Op::DeleteSchema, &control, &status, &ids), 0u);
    EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}, {Event::Admin, 10}, {Event::Enter, 10},
                                                 {Event::Service, 12328}, {Event::Leave, 0}}));
}

TEST_F(FrameTest, AllocationFailureSweepOfDeleteEntry) {
    EntryId ids[3] = {"1", "2", "3"};
    EntryIdList list{3, ids};
    host.on<DeleteEntryRequest, DeleteEntryResult>(kDeleteSlot, [](DeleteEntryRequest&, DeleteEntryResult& r) {
        fake::addMessage(r.status, 1, 77, "host warning", "detail");
        return 1u;
    });
    size_t runs = 0;
    alloc::sweep([&](const alloc::Window& w) {
        StatusList s{};
        const uint32_t rc = ZVIDeleteEntry(&control, schema, &list, 0, &s);
        EXPECT_EQ(rc, w.failed() ? 300u : 1u) << "the only allocation is the identifier copy";
        EXPECT_EQ(s.numItems, w.failed() ? 0u : 1u);
        zvi::releaseStatusList(&s, 0);
        ++runs;
    });
    EXPECT_EQ(runs, 2u);
}

TEST_F(FrameTest, AllocationFailureSweepOfFailingAndRefusedCalls) {
    EntryId id = "1";
    EntryIdList list{1, &id};
    host.on<DeleteEntryRequest, DeleteEntryResult>(kDeleteSlot, [](DeleteEntryRequest&, DeleteEntryResult& r) {
        fake::addMessage(r.status, 1, 77, "dropped");
        return 0u;
    });
    alloc::sweep([&](const alloc::Window& w) {
        StatusList s{};
        const uint32_t rc = ZVIDeleteEntry(&control, schema, &list, 0, &s);
        // A failed catalog copy only changes the text: the call still reports its error.
        EXPECT_TRUE(rc == 2u || (w.failed() && (rc == 300u || rc == 3u))) << rc;
        if (rc == 2u) {
            EXPECT_EQ(s.entries[0].messageNum, 9905u);
        }
        zvi::releaseStatusList(&s, 0);
    });
    host.adminCheck = [](uint32_t) { return 0u; };
    uint32_t idItems[1] = {1};
    IdList ids{1, idItems};
    alloc::sweep([&](const alloc::Window& w) {
        StatusList s{};
        const uint32_t rc = runFrame(Op::SetSchema, &control, &s, &ids);
        // A failed catalog copy only changes the text: the call still reports its error.
        EXPECT_TRUE(rc == 2u || (w.failed() && (rc == 300u || rc == 3u))) << rc;
        if (rc == 2u) {
            EXPECT_EQ(s.entries[0].messageNum, 9905u);
        }
        zvi::releaseStatusList(&s, 0);
    });
}

class DiscoveryTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        zvi::serverCharSetCode = zvi::kCharSetUnset;
    }
    uint32_t code() const { return zvi::serverCharSetCode.load(); }
};

TEST_F(DiscoveryTest, FirstCallAsksTheServerOnceBeforeItsOwnRoutine) {
    RequestControl head{};
    host.on<GetServerInfoRequest, GetServerInfoResult>(kServerInfoSlot,
                                                       [&](GetServerInfoRequest& q, GetServerInfoResult& r) {
                                                           head = q.control;
                                                           EXPECT_EQ(q.requestList.numItems, 1u);
                                                           EXPECT_EQ(q.requestList.items[0], 55u);
                                                           r.serverInfo.numItems = 1;
                                                           r.serverInfo.items = static_cast<ServerInfo*>(
                                                               std::calloc(1, sizeof(ServerInfo)));
                                                           r.serverInfo.items[0].infoId = 55;
                                                           r.serverInfo.items[0].value.dataType = ZVI_DATA_TEXT;
                                                           r.serverInfo.items[0].value.payload.text =
                                                               fake::text("SJIS-win");
                                                           fake::addMessage(r.status, 0, 5, "dropped");
                                                           return 1u;
                                                       });
    control.contextWord0 = 99;
    std::strcpy(control.text1, "user");
    alloc::Window w;
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 0u);
    EXPECT_EQ(status.numItems, 0u) << "the discovery's messages are dropped";
    EXPECT_EQ(w.liveBlocks(), 0u) << "and freed, with the information list";
    RequestControl zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&head, &zero, sizeof head), 0) << "the discovery sends an empty control head";
    const std::vector<Event> expected{{Event::CallerInfo, 1}, {Event::Enter, 36}, {Event::Service, kServerInfoSlot},
                                      {Event::Leave, 0},      {Event::CallerInfo, 1}, {Event::Enter, 4},
                                      {Event::Service, kDeleteSlot}, {Event::Leave, 0}};
    EXPECT_EQ(host.events(), expected);
    EXPECT_EQ(code(), zvi::utl::charSetCode("SJIS"));

    host.clearEvents();
    ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
    EXPECT_EQ(host.calls(kServerInfoSlot), 0) << "later calls do not ask again";
}

TEST_F(DiscoveryTest, ServerNamesMapToTheirFamily) {
    const std::pair<const char*, const char*> cases[] = {
        {"EUC-JP", "EUC"}, {"SJIS", "SJIS"}, {"UTF-8", "UTF-8"}, {"ISO-8859-1", "ISO-8859-1"}, {"utf8", ""}};
    for (auto [server, family] : cases) {
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        host.charSetName = server;
        ASSERT_TRUE(zvi::discoverServerCharSet());
        EXPECT_EQ(code(), zvi::utl::charSetCode(family)) << server;
    }
}

TEST_F(DiscoveryTest, NonTextFirstValueGivesTheEmptyName) {
    host.on<GetServerInfoRequest, GetServerInfoResult>(kServerInfoSlot,
                                                       [](GetServerInfoRequest&, GetServerInfoResult& r) {
                                                           r.serverInfo.numItems = 1;
                                                           r.serverInfo.items = static_cast<ServerInfo*>(
                                                               std::calloc(1, sizeof(ServerInfo)));
                                                           r.serverInfo.items[0].value.dataType = ZVI_DATA_INTEGER;
                                                           return 1u;
                                                       });
    ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
    EXPECT_EQ(code(), 0u) << "the empty name is still mapped and stored";
}

TEST_F(DiscoveryTest, FailedDiscoveryIsRetriedByTheNextConversion) {
    host.failServerInfo = true;
    {
        alloc::Window w;
        EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 0u) << "the call itself goes on";
        EXPECT_EQ(w.liveBlocks(), 0u) << "the failing host's messages are freed";
    }
    EXPECT_EQ(code(), zvi::kCharSetUnset);
    host.failServerInfo = false;
    ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
    EXPECT_EQ(host.calls(kServerInfoSlot), 2);
    EXPECT_EQ(code(), zvi::utl::charSetCode("UTF-8"));
}

TEST_F(DiscoveryTest, SurvivesEveryAllocationFailure) {
    alloc::sweep([&](const alloc::Window&) {
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        StatusList s{};
        EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &s), 0u);
        zvi::releaseStatusList(&s, 0);
    });
}

}  // namespace
