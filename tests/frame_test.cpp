// The call frame apart from what the operation table covers: the control conversion
// byte for byte, failures and refusals (the admin check) with every allocation failing,
// and the server character-set discovery.
#include <gtest/gtest.h>

#include "bridge/frame.h"
#include "platform/zvutl.h"
#include "tests/support/fixtures.h"
#include "tests/support/raw.h"
#include "types/types.h"

using namespace testing_support;
using fake::Event;
using zvi::Call;
using zvi::Op;

namespace {

constexpr uint32_t kDeleteSlot = 12264, kServerInfoSlot = 12616;
char schema[] = "HelpDesk";

// The request control head, from its table.
namespace at::RequestControl {
constexpr size_t word0 = 0, word1 = 4, ref1 = 8, ref2 = 16, byteKind = 24, byteCount = 32, bytes = 40, ref3 = 48,
                 texts = 56 /* six pointers */, numbers1 = 104 /* four u32 */, pairList = 120,
                 numbers5 = 136 /* int32, three u32 */, end = 168;
}

// Runs the frame of op with one copied identifier list: a test-only operation on a slot
// map row.
uint32_t runFrame(Op op, ControlRecord* control, StatusList* status, const IdList* ids) {
    struct Request {
        RequestControl control;
        IdList ids;
    };
    Call<Request, StatusResult> f(op, control, status);
    if (!f.open()) return f.code();
    if (!f.copy<zvi::CopyIdListExact, zvi::ReleaseIdList>(f.req.ids, ids)) return f.code();
    return f.complete();
}

using FrameTest = HostTest;

TEST_F(FrameTest, ControlRecordIsBorrowedByteForByte) {
    char s1[] = "one", s2[] = "two", s3[] = "three";
    uint8_t data[3] = {1, 2, 3};
    Prop props[1] = {};
    control = ControlRecord{-7, 9, s1, s2, {17, 0, 3, 0, data}, s3};
    std::strcpy(control.text1, "user");
    std::strcpy(control.text3, "locale");
    std::strcpy(control.text6, "tz");
    control.number1 = 101, control.number2 = 102, control.number3 = 103, control.number4 = 104;
    control.pairList = PropList{1, props};
    control.number5 = -5, control.number6 = 106, control.number7 = 107, control.number8 = 108;
    std::vector<uint8_t> seen(at::RequestControl::end);
    host.on(kDeleteSlot, [&](void* q, void*) {
        std::memcpy(seen.data(), q, seen.size());  // padding included
        return 1u;
    });
    for (uint32_t count : {3u, 0u}) {
        control.byteData.numItems = count;
        control.contextWord0 = -7, control.contextWord1 = 9;  // written back by the first call
        ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
        using namespace at::RequestControl;
        std::vector<uint8_t> expected(end);
        void* q = expected.data();
        raw::put(q, word0, -7);
        raw::put(q, word1, 9);
        raw::put(q, ref1, static_cast<const void*>(s1));
        raw::put(q, ref2, static_cast<const void*>(s2));
        raw::put(q, byteKind, 17u);
        raw::put(q, byteCount, count);
        raw::put(q, bytes, count ? static_cast<const void*>(data) : nullptr);  // only when there are some
        raw::put(q, ref3, static_cast<const void*>(s3));
        raw::put(q, texts + 0, static_cast<const void*>(control.text1));  // addresses inside the caller's record
        raw::put(q, texts + 16, static_cast<const void*>(control.text3));
        raw::put(q, texts + 40, static_cast<const void*>(control.text6));
        for (uint32_t i = 0; i < 4; ++i) raw::put(q, numbers1 + 4 * i, 101 + i);
        raw::putList(q, pairList, 1, props);
        raw::put(q, numbers5, -5);
        for (uint32_t i = 1; i < 4; ++i) raw::put(q, numbers5 + 4 * i, 105 + i);
        EXPECT_EQ(seen, expected) << count;
    }
    const CallerInfo info = host.lastCallerInfo();
    EXPECT_EQ(raw::u32(&info, 0), 1u);
    EXPECT_EQ(raw::u32(&info, 8), 2u);
    EXPECT_EQ(raw::u32(&info, 16), 20u);
}

TEST_F(FrameTest, StandardFailureGivesOnly9905AndFreesTheHostsMessages) {
    StatusEntry stale{};  // reset without being released: a stale array must survive
    status = StatusList{1, &stale};
    host.on(kDeleteSlot, [](void*, void* r) {
        fake::addMessage(*reinterpret_cast<StatusList*>(static_cast<char*>(r) + 168), 2, 77, "host error");
        return 0u;
    });
    alloc::Window w;
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(2, 9905, "ZVIDeleteEntry")});
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(w.liveBlocks(), 0u) << "the host's dropped messages are freed";
}

TEST_F(FrameTest, AdminThreadCheckRefusesWithTheOperationsText) {
    host.adminCheck = [](uint32_t) { return 0u; };
    const std::tuple<Op, uint32_t, const char*> cases[] = {
        {Op::DeleteSchema, 10, "ZVIDeleteSchema"},
        {Op::DeleteActiveLink, 41, "ZVIDeleteActivelink"},
        {Op::CreateOverlay, 197, "ZVCreateOverlay"},
        {Op::CreateOverlayFromObject, 198, "ZVCreateOverlayFromObject"},
    };
    uint32_t idItems[2] = {1, 2};
    IdList ids{2, idItems};
    for (auto [op, opcode, name] : cases) {
        host.clearEvents();
        alloc::Window w;
        EXPECT_EQ(runFrame(op, &control, &status, &ids), 2u);
        const std::string text = std::string(name) + " - Cache Changing call from a Non-Admin thread";
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(2, 9905, text.c_str())});
        EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}, {Event::Admin, opcode}}));
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(w.liveBlocks(), 0u) << "copies are released on refusal";
    }
    host.adminCheck = [](uint32_t) { return 7u; };
    host.clearEvents();
    EXPECT_EQ(runFrame(Op::DeleteSchema, &control, &status, &ids), 0u);
    EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}, {Event::Admin, 10}, {Event::Enter, 10},
                                                 {Event::Service, 12328}, {Event::Leave, 0}}));
}

// A failed catalog copy only changes the text: the call still reports its error.
TEST_F(FrameTest, FailingAndRefusedCallsUnderEveryAllocationFailure) {
    host.on(kDeleteSlot, [](void*, void* r) {
        fake::addMessage(*reinterpret_cast<StatusList*>(static_cast<char*>(r) + 168), 1, 77, "dropped");
        return 0u;
    });
    uint32_t idItems[1] = {1};
    IdList ids{1, idItems};
    for (Op op : {Op::DeleteEntry, Op::SetSchema}) {
        host.adminCheck = [](uint32_t) { return 0u; };
        alloc::sweep([&](const alloc::Window& w) {
            StatusList s{};
            const uint32_t rc = runFrame(op, &control, &s, &ids);
            EXPECT_TRUE(rc == 2u || (w.failed() && (rc == 300u || rc == 3u))) << rc;
            if (rc == 2u) EXPECT_EQ(s.entries[0].messageNum, 9905u);
            zvi::releaseStatusList(&s, 0);
        });
    }
}

class DiscoveryTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        zvi::serverCharSetCode = zvi::kCharSetUnset;
    }
    uint32_t code() const { return zvi::serverCharSetCode.load(); }
};

// The discovery sends an empty control head and the identifier 55; its messages are
// dropped and freed, with the information list. Then the call's own routine.
TEST_F(DiscoveryTest, FirstCallAsksTheServerOnceBeforeItsOwnRoutine) {
    host.on(kServerInfoSlot, [](void* q, void* r) {
        EXPECT_TRUE(raw::zero(q, 0, 168));
        EXPECT_EQ(raw::u32(q, 168), 1u);
        EXPECT_EQ(raw::u32(raw::ptr(q, 176), 0), 55u);
        auto* info = static_cast<ServerInfo*>(std::calloc(1, sizeof(ServerInfo)));
        info->value.dataType = ZVI_DATA_TEXT;
        info->value.payload.text = fake::text("SJIS-win");
        raw::putList(r, 168, 1, info);
        fake::addMessage(*reinterpret_cast<StatusList*>(static_cast<char*>(r) + 184), 0, 5, "dropped");
        return 1u;
    });
    control.contextWord0 = 99;
    std::strcpy(control.text1, "user");
    alloc::Window w;
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 0u);
    EXPECT_EQ(status.numItems, 0u);
    EXPECT_EQ(w.liveBlocks(), 0u);
    const std::vector<Event> expected{{Event::CallerInfo, 1}, {Event::Enter, 36}, {Event::Service, kServerInfoSlot},
                                      {Event::Leave, 0},      {Event::CallerInfo, 1}, {Event::Enter, 4},
                                      {Event::Service, kDeleteSlot}, {Event::Leave, 0}};
    EXPECT_EQ(host.events(), expected);
    EXPECT_EQ(code(), zvi::utl::charSetCode("SJIS"));
    host.clearEvents();
    ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
    EXPECT_EQ(host.calls(kServerInfoSlot), 0) << "later calls do not ask again";
}

// Server names map to their family; a first value that is not a text gives the empty
// name, which is still mapped and stored; a failed discovery is retried by the next
// conversion; every allocation failure leaves the call itself alone.
TEST_F(DiscoveryTest, NamesFailuresAndRetries) {
    const std::pair<const char*, const char*> cases[] = {
        {"EUC-JP", "EUC"}, {"SJIS", "SJIS"}, {"UTF-8", "UTF-8"}, {"ISO-8859-1", "ISO-8859-1"}, {"utf8", ""}};
    for (auto [server, family] : cases) {
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        host.charSetName = server;
        ASSERT_TRUE(zvi::discoverServerCharSet());
        EXPECT_EQ(code(), zvi::utl::charSetCode(family)) << server;
    }
    host.failServerInfo = true;
    zvi::serverCharSetCode = zvi::kCharSetUnset;
    {
        alloc::Window w;
        EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 0u) << "the call itself goes on";
        EXPECT_EQ(w.liveBlocks(), 0u) << "the failing host's messages are freed";
    }
    EXPECT_EQ(code(), zvi::kCharSetUnset);
    host.failServerInfo = false;
    host.charSetName = "UTF-8";
    ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
    EXPECT_EQ(code(), zvi::utl::charSetCode("UTF-8"));
    alloc::sweep([&](const alloc::Window&) {
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        StatusList s{};
        EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &s), 0u);
        zvi::releaseStatusList(&s, 0);
    });
    host.on(kServerInfoSlot, [](void*, void* r) {
        auto* info = static_cast<ServerInfo*>(std::calloc(1, sizeof(ServerInfo)));
        info->value.dataType = ZVI_DATA_INTEGER;
        raw::putList(r, 168, 1, info);
        return 1u;
    });
    zvi::serverCharSetCode = zvi::kCharSetUnset;
    ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
    EXPECT_EQ(code(), 0u);
}

}  // namespace
