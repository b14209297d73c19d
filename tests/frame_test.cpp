// The call frame apart from the operation rows: control conversion, refusals, discovery.
#include "bridge/frame.h"

#include <gtest/gtest.h>

#include "platform/zvutl.h"
#include "tests/support/calls.h"
#include "tests/support/raw.h"
#include "types/types.h"

using namespace testing_support;
using fake::Event;
using zvi::Op;

namespace {

constexpr uint32_t kDeleteSlot = 12264, kServerInfoSlot = 12616;
char schema[] = "HelpDesk";

namespace at::RequestControl {
constexpr size_t word0 = 0, word1 = 4, ref1 = 8, ref2 = 16, byteKind = 24, byteCount = 32, bytes = 40, ref3 = 48,
                 texts = 56 /* six pointers */, numbers1 = 104 /* four u32 */, pairList = 120,
                 numbers5 = 136 /* int32, three u32 */, end = 168;
}

// A test-only operation on a slot map row: the frame with one copied identifier list.
uint32_t runFrame(Op op, ControlRecord* control, StatusList* status, const IdList* ids) {
    struct Request {
        RequestControl control;
        IdList ids;
    };
    zvi::Call<Request, StatusResult> f(op, control, status);
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
    host.on(kDeleteSlot, [&](void* q, void*) { return std::memcpy(seen.data(), q, seen.size()), 1u; });
    using namespace at::RequestControl;
    for (uint32_t count : {3u, 0u}) {
        control.byteData.numItems = count;
        control.contextWord0 = -7, control.contextWord1 = 9;
        ZVIDeleteEntry(&control, schema, nullptr, 0, &status);
        std::vector<uint8_t> expected(end);
        for (auto [at, v] : {std::pair<size_t, int32_t>{word0, -7}, {word1, 9}, {byteKind, 17},
                             {byteCount, int32_t(count)}, {numbers1, 101}, {numbers1 + 4, 102}, {numbers1 + 8, 103},
                             {numbers1 + 12, 104}, {pairList, 1}, {numbers5, -5}, {numbers5 + 4, 106},
                             {numbers5 + 8, 107}, {numbers5 + 12, 108}})
            raw::put(expected.data(), at, v);
        for (auto [at, p] : {std::pair<size_t, const void*>{ref1, s1}, {ref2, s2}, {bytes, count ? data : nullptr},
                             {ref3, s3}, {texts, control.text1}, {texts + 16, control.text3},
                             {texts + 40, control.text6}, {pairList + 8, props}})
            raw::put(expected.data(), at, p);
        EXPECT_EQ(seen, expected) << count;
    }
    const CallerInfo info = host.lastCallerInfo();
    EXPECT_EQ((std::vector<uint32_t>{raw::u32(&info, 0), raw::u32(&info, 8), raw::u32(&info, 16)}),
              (std::vector<uint32_t>{1, 2, 20}));
}

// A refusal names the operation (the overlays without their "I"), calls neither hooks nor
// routine, and under every allocation failure still ends in an error, copies released.
TEST_F(FrameTest, AdminThreadCheckRefusesWithTheOperationsName) {
    host.adminCheck = [](uint32_t) { return 0u; };
    const std::tuple<Op, uint32_t, const char*> rows[] = {
        {Op::DeleteSchema, 10, "ZVIDeleteSchema"}, {Op::DeleteActiveLink, 41, "ZVIDeleteActivelink"},
        {Op::CreateOverlay, 197, "ZVCreateOverlay"}, {Op::CreateOverlayFromObject, 198, "ZVCreateOverlayFromObject"}};
    uint32_t idItems[2] = {1, 2};
    IdList ids{2, idItems};
    for (auto [op, opcode, name] : rows) {
        const std::string detail = std::string(name) + " - Cache Changing call from a Non-Admin thread";
        const std::vector<Message> expected{catalogMessage(2, 9905, detail.c_str())};
        alloc::sweep([&](const alloc::Window& w) {
            host.clearEvents();
            StatusList s{};
            const uint32_t rc = runFrame(op, &control, &s, &ids);
            EXPECT_TRUE(rc == 2u || (w.failed() && (rc == 300u || rc == 3u))) << rc;
            if (!w.failed()) {
                EXPECT_EQ(messages(s), expected);
                EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}, {Event::Admin, opcode}}));
            }
            zvi::releaseStatusList(&s, 0);
        });
    }
}

// A call while the code is unset sends an empty head and the identifier 55, frees what the
// host returns and maps the name to its family (a non-text value to none), which
// ZVIGetServerCharSet names leaving the status list alone; a failure answers "", retried.
TEST_F(FrameTest, ServerCharacterSetDiscovery) {
    const char* server = nullptr;  // null: an integer value
    bool fails = false;
    std::vector<uint32_t> asked;  // the identifiers of the last request
    host.on(kServerInfoSlot, [&](void* q, void* r) {
        EXPECT_TRUE(raw::zero(q, 0, 168));
        const auto* ids = static_cast<const uint32_t*>(raw::ptr(q, 176));
        asked.assign(ids, ids + raw::u32(q, 168));
        fake::addMessage(statusAt(r, 184), 0, 5, "dropped");
        if (fails) return 0u;
        auto* info = static_cast<ServerInfo*>(std::calloc(1, sizeof(ServerInfo)));
        info->value.dataType = server ? ZVI_DATA_TEXT : ZVI_DATA_INTEGER;
        if (server) info->value.payload.text = fake::text(server);
        raw::putList(r, 168, 1, info);
        return 1u;
    });
    control.contextWord0 = 99;
    std::strcpy(control.text1, "user");
    StatusEntry untouched{};
    StatusList sentinel{7, &untouched};
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"EUC-JP", "EUC", false}, {"SJIS-win", "SJIS", false}, {"UTF-8", "UTF-8", false}, {"utf8", "", false},
        {"ISO-8859-1", "ISO-8859-1", false}, {nullptr, "", false}, {"UTF-8", "", true}};
    for (auto [given, family, failing] : rows) {
        server = given, fails = failing;
        alloc::sweep([&](const alloc::Window& w) {
            zvi::serverCharSetCode = zvi::kCharSetUnset;
            host.clearEvents();
            StatusList s{};
            EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &s), 0u);
            const uint32_t kept = s.numItems;
            zvi::releaseStatusList(&s, 0);
            char name[ZVI_CHARSET_NAME_SIZE] = "junk";
            for (StatusList* list : {&sentinel, static_cast<StatusList*>(nullptr)})
                EXPECT_EQ(ZVIGetServerCharSet(nullptr, name, list), 0u);
            if (w.failed()) return;
            EXPECT_EQ(kept, 0u);
            EXPECT_EQ(asked, std::vector<uint32_t>{55});
            EXPECT_STREQ(name, family) << (given ? given : "an integer");
            EXPECT_EQ(host.calls(kServerInfoSlot), failing ? 3 : 1) << "asked while unset only";
        });
    }
    EXPECT_EQ(sentinel.numItems, 7u);
}

}  // namespace
