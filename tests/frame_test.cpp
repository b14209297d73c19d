// The call frame apart from what the operation table covers: the control conversion
// byte for byte, refusals (the admin check) with every allocation failing, and the
// server character-set discovery.
#include "bridge/frame.h"

#include <gtest/gtest.h>

#include "platform/zvutl.h"
#include "tests/support/calls.h"
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

// Pointers are the caller's (the texts' addresses inside its record, empty texts null,
// no bytes without a count); every other byte of the head, padding included, is zero.
TEST_F(FrameTest, ControlRecordIsBorrowedByteForByte) {
    char s1[] = "one", s2[] = "two", s3[] = "three";
    uint8_t data[3] = {1, 2, 3};
    Prop props[1] = {};
    std::memset(&control, 0xA5, sizeof control);  // the caller's padding never reaches the host
    control.text2[0] = control.text4[0] = control.text5[0] = '\0';
    control.stringRef1 = s1, control.stringRef2 = s2, control.stringRef3 = s3;
    control.byteData.kind = 17, control.byteData.bytes = data;
    std::strcpy(control.text1, "user"), std::strcpy(control.text3, "locale"), std::strcpy(control.text6, "tz");
    control.number1 = 101, control.number2 = 102, control.number3 = 103, control.number4 = 104;
    control.pairList.numItems = 1, control.pairList.items = props;
    control.number5 = -5, control.number6 = 106, control.number7 = 107, control.number8 = 108;
    std::vector<uint8_t> seen(at::RequestControl::end);
    host.on(kDeleteSlot, [&](void* q, void*) {
        std::memcpy(seen.data(), q, seen.size());
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
        raw::put<const void*>(q, ref1, s1);
        raw::put<const void*>(q, ref2, s2);
        raw::put(q, byteKind, 17u);
        raw::put(q, byteCount, count);
        raw::put<const void*>(q, bytes, count ? data : nullptr);
        raw::put<const void*>(q, ref3, s3);
        raw::put<const void*>(q, texts + 0, control.text1);
        raw::put<const void*>(q, texts + 16, control.text3);
        raw::put<const void*>(q, texts + 40, control.text6);
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

// A refusal names the operation (the overlays without their "I"), calls neither hooks nor
// routine and releases the copies; under every allocation failure a failing or refused
// call still ends in an error (a failed catalog copy only changes the text).
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
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
    host.on(kDeleteSlot, [](void*, void* r) {
        fake::addMessage(statusAt(r, 168), 1, 77, "dropped");
        return 0u;
    });
    for (Op op : {Op::DeleteEntry, Op::SetSchema}) {
        alloc::sweep([&](const alloc::Window& w) {
            StatusList s{};
            const uint32_t rc = runFrame(op, &control, &s, &ids);
            EXPECT_TRUE(rc == 2u || (w.failed() && (rc == 300u || rc == 3u))) << rc;
            if (rc == 2u) {
                EXPECT_EQ(s.entries[0].messageNum, 9905u);
            }
            zvi::releaseStatusList(&s, 0);
        });
    }
    host.adminCheck = [](uint32_t) { return 7u; };
    host.clearEvents();
    EXPECT_EQ(runFrame(Op::DeleteSchema, &control, &status, &ids), 0u);
    EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1},
                                                 {Event::Admin, 10},
                                                 {Event::Enter, 10},
                                                 {Event::Service, 12328},
                                                 {Event::Leave, 0}}));
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
// dropped and freed, with the information list. (The order of the calls: startup_test.)
TEST_F(DiscoveryTest, FirstCallAsksTheServerOnce) {
    host.on(kServerInfoSlot, [](void* q, void* r) {
        EXPECT_TRUE(raw::zero(q, 0, 168));
        EXPECT_EQ(raw::u32(q, 168), 1u);
        EXPECT_EQ(raw::u32(raw::ptr(q, 176), 0), 55u);
        auto* info = static_cast<ServerInfo*>(std::calloc(1, sizeof(ServerInfo)));
        info->value.dataType = ZVI_DATA_TEXT;
        info->value.payload.text = fake::text("SJIS-win");
        raw::putList(r, 168, 1, info);
        fake::addMessage(statusAt(r, 184), 0, 5, "dropped");
        return 1u;
    });
    control.contextWord0 = 99;
    std::strcpy(control.text1, "user");
    alloc::Window w;
    for (int call = 0; call < 2; ++call) EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 0u);
    EXPECT_EQ(status.numItems, 0u);
    EXPECT_EQ(w.liveBlocks(), 0u);
    EXPECT_EQ(host.calls(kServerInfoSlot), 1);
    EXPECT_EQ(host.calls(kDeleteSlot), 2);
    EXPECT_EQ(code(), zvi::utl::charSetCode("SJIS"));
}

// Server names map to their family, which ZVIGetServerCharSet names; it asks only while
// the code is unset and leaves the status list, even a null one, alone. A first value
// that is not a text gives the empty name, still mapped and stored. A failed discovery
// frees the host's messages, answers "" and is retried by the next conversion; every
// allocation failure leaves the calls themselves alone.
TEST_F(DiscoveryTest, NamesFailuresAndRetries) {
    const std::pair<const char*, const char*> cases[] = {
        {"EUC-JP", "EUC"}, {"SJIS-win", "SJIS"}, {"UTF-8", "UTF-8"}, {"ISO-8859-1", "ISO-8859-1"}, {"utf8", ""}};
    StatusEntry untouched{};
    StatusList sentinel{7, &untouched};
    char name[ZVI_CHARSET_NAME_SIZE];
    for (auto [server, family] : cases) {
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        host.charSetName = server;
        host.clearEvents();
        for (StatusList* s : {&sentinel, static_cast<StatusList*>(nullptr)}) {
            std::strcpy(name, "junk");
            EXPECT_EQ(ZVIGetServerCharSet(nullptr, name, s), 0u);
            EXPECT_EQ(code(), zvi::utl::charSetCode(family)) << server;
            if (*family) {
                EXPECT_STREQ(name, family);
            }
        }
        EXPECT_EQ(host.calls(kServerInfoSlot), 1);
        EXPECT_EQ(sentinel.numItems, 7u);
    }
    host.failServerInfo = true;
    zvi::serverCharSetCode = zvi::kCharSetUnset;
    {
        alloc::Window w;
        EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 0u) << "the call itself goes on";
        EXPECT_EQ(w.liveBlocks(), 0u) << "the failing host's messages are freed";
    }
    EXPECT_EQ(code(), zvi::kCharSetUnset);
    EXPECT_EQ(ZVIGetServerCharSet(nullptr, name, nullptr), 0u);
    EXPECT_STREQ(name, "");
    host.failServerInfo = false;
    host.charSetName = "UTF-8";
    ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
    EXPECT_EQ(code(), zvi::utl::charSetCode("UTF-8")) << "asked again";
    alloc::sweep([&](const alloc::Window&) {
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        StatusList s{};
        EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &s), 0u);
        zvi::releaseStatusList(&s, 0);
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        EXPECT_EQ(ZVIGetServerCharSet(&control, name, nullptr), 0u);
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
