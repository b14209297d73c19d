// The call frame apart from the operation rows: start-up, status lists and catalog texts, control
// conversion, refusals, discovery.
#include "bridge/frame.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <set>

#include "bridge/host_table.h"
#include "tests/support/calls.h"
#include "tests/support/environment.h"
#include "tests/support/raw.h"
#include "types/types.h"

using namespace testing_support;
using namespace zvi;
using fake::Event;

namespace {

constexpr uint32_t kDeleteSlot = 12264, kServerInfoSlot = 12616;
char schema[] = "HelpDesk";

// A heap list as the host builds it, one entry a character (its type); a list's messages as "2h 2#154 0c".
StatusList hostList(const char* types, const char* tag) {
    alloc::Paused hostSide;  // tracked, never failed
    StatusList list{};
    for (const char* t = types; *t; ++t) fake::addMessage(list, *t - '0', 100 + *t - '0', "host", tag);
    return list;
}
std::string tags(const StatusList& list) {
    std::string out;
    for (const Message& m : messages(list))
        out += (out.empty() ? "" : " ") + std::to_string(m.type) +
               (m.hasDetail ? m.detail : "#" + std::to_string(m.number));
    return out;
}

// Most severe and newest first; details cut at 255 characters, an empty one null; an emptied list's
// stale array not reused. A release empties the list or frees its holder.
TEST(StatusList, AppendOrderDetailsAndRelease) {
    StatusEntry stale{};
    StatusList list{0, &stale};
    EXPECT_EQ(appendStatus(&list, 1, 54, "first warning"), 1u);
    EXPECT_NE(list.entries, &stale);
    EXPECT_EQ(appendStatus(&list, 2, 9905, std::string(300, 'd').c_str()), 2u);
    EXPECT_EQ(appendStatus(&list, 0, 54, ""), 2u);
    EXPECT_EQ(appendStatus(&list, 2, 9905, "second error"), 2u);
    EXPECT_EQ(appendStatusNumber(&list, 0, 54, 4294967295u), 2u);
    EXPECT_EQ(messages(list), (std::vector<Message>{catalogMessage(2, 9905, "second error"),
                                                    catalogMessage(2, 9905, std::string(255, 'd').c_str()),
                                                    catalogMessage(1, 54, "first warning"),
                                                    catalogMessage(0, 54, "4294967295"), catalogMessage(0, 54)}));
    releaseStatusList(&list, 0);
    EXPECT_EQ(list.entries, nullptr);
    EXPECT_EQ(appendStatus(nullptr, 0, 54, "x"), 2u);
    alloc::Window w;
    auto* held = static_cast<StatusList*>(std::calloc(1, sizeof(StatusList)));
    appendStatus(held, 2, 9905, "x");
    releaseStatusList(held, 1);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

// Numbers outside 1..9999 (and 8914) have no text; one missing from the catalog gets that of message 1
// with the number while there is room for it. Texts are cut at 255.
TEST(StatusList, CatalogTexts) {
    const std::string notIn = "Message not in catalog; Message number = ";
    const std::tuple<const char*, uint32_t, std::string> rows[] = {  // catalog null: the library's
        {nullptr, 9905, "The server could not carry out the call"}, {nullptr, 0, ""}, {nullptr, 8914, ""},
        {nullptr, 10000, ""}, {nullptr, 9999, notIn + "9999"},
        {"nowhere", 9905, "Cannot open catalog; Message number = 9905"}, {"without_message_one", 5, "five"},
        {"without_message_one", 6, notIn + "6"}, {"long_texts", 7, std::string(255, 'L')},  // 300 in the catalog
        {"long_texts", 8, std::string(243, 'F')}};  // message 1 as long as leaves no room for the number
    for (const auto& [catalog, number, text] : rows) {
        const std::string path = std::string(ZVI_TEST_CATALOGS "/") + (catalog ? catalog : "") + "/%N";
        ScopedEnvironment nlsPath("NLSPATH", catalog ? path.c_str() : std::getenv("NLSPATH"));
        EXPECT_EQ(catalogMessage(2, number).text, text) << number;
    }
}

// Within each class the caller's messages come first; an empty list takes the other's array as it is.
// Without memory for the merged array the more severe list is kept (the caller's when equal) with 154.
TEST(StatusList, MergeCallerFirstWithinEachClassOrTheMoreSevereListWith154) {
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {  // caller, host, merged, kept
        {"210", "32100", "2c 3h 2h 1c 1h 0c 0h 0h", "3h 2#154 2h 1h 0h 0h"}, {"1", "20", "2h 1c 0h", "2#154 2h 0h"},
        {"2", "2", "2c 2h", "2#154 2c"}, {"20", "1", "2c 1h 0c", "2#154 2c 0c"}, {"", "1", "1h", "1h"},
        {"2", "", "2c", "2c"}};
    for (const auto& [callerTypes, hostTypes, merged, kept] : cases)
        for (bool outOfMemory : {false, true}) {
            StatusList caller = hostList(callerTypes, "c"), host = hostList(hostTypes, "h");
            alloc::Window w(outOfMemory ? 1 : 0);  // the merged array
            mergeStatus(&host, &caller, &caller);
            EXPECT_EQ(tags(caller), outOfMemory ? kept : merged);
            EXPECT_EQ(host.numItems, 0u);
            releaseStatusList(&caller, 0);
        }
}

// A version before 20 (the fixture's) is refused with 9756, but the whole table is copied first and kept.
TEST(Initialization, VersionTestAndTableCopy) {
    fake::Host host(19);
    HostEntryTable table = host.table();
    table.u.bytes[ZVI_HOST_TABLE_SIZE - 1] = 0xAB;
    StatusList status{};
    EXPECT_EQ(ZVIInitialization(&table, &status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(
                                    2, 9756, "Version 20 of the ZVIAPI interface is not supported by the server")});
    releaseStatusList(&status, 0);
    EXPECT_EQ(zvi::host.table.u.bytes[ZVI_HOST_TABLE_SIZE - 1], 0xAB);
}

// A newly loaded copy of the shared library has not yet asked for the server's character set: its
// first operation asks once, before its own routine; the next one does not.
TEST(FreshProcess, FirstOperationDiscoversTheCharacterSetOnce) {
    void* library = dlopen(ZVI_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto init = reinterpret_cast<decltype(&ZVIInitialization)>(dlsym(library, "ZVIInitialization"));
    auto deleteEntry = reinterpret_cast<decltype(&ZVIDeleteEntry)>(dlsym(library, "ZVIDeleteEntry"));
    ASSERT_TRUE(init && deleteEntry);
    fake::Host host;
    HostEntryTable table = host.table();
    EXPECT_EQ(init(&table, nullptr), 0u);
    EXPECT_TRUE(host.events().empty()) << "nothing asked at start-up";
    ControlRecord control{};
    StatusList status{};
    const std::vector<Event> own{
        {Event::CallerInfo, 1}, {Event::Enter, 4}, {Event::Service, kDeleteSlot}, {Event::Leave, 0}};
    std::vector<Event> expected{{Event::CallerInfo, 1}, {Event::Enter, 36}, {Event::Service, kServerInfoSlot},
                                {Event::Leave, 0}, own[0], own[1], own[2], own[3]};
    for (int call = 0; call < 2; ++call, expected = own) {
        host.clearEvents();
        EXPECT_EQ(deleteEntry(&control, schema, nullptr, 0, &status), 0u);
        EXPECT_EQ(host.events(), expected) << "call " << call;
    }
    dlclose(library);
}

using FrameTest = HostTest;

// Pointers are the caller's (the texts' addresses inside its record, empty texts null, no bytes without
// a count); every other byte of the head, padding included, is zero. Caller information: 1, 2, version 20.
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
    // The request control head; numbers1: four u32; texts: six pointers; numbers5: an int32 and three u32.
    constexpr size_t word0 = 0, word1 = 4, ref1 = 8, ref2 = 16, byteKind = 24, byteCount = 32, bytes = 40, ref3 = 48,
                     texts = 56, numbers1 = 104, pairList = 120, numbers5 = 136, end = 168;
    std::vector<uint8_t> seen(end);
    host.on(kDeleteSlot, [&](void* q, void*) { return std::memcpy(seen.data(), q, seen.size()), 1u; });
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

// A test-only operation on a slot map row: the frame with one copied identifier list.
uint32_t runFrame(Op op, ControlRecord* control, StatusList* status, const IdList* ids) {
    struct Request {
        RequestControl control;
        IdList ids;
    };
    Call<Request, StatusResult> f(op, control, status);
    if (!f.open()) return f.code();
    if (!f.copy<CopyIdListExact, ReleaseIdList>(f.req.ids, ids)) return f.code();
    return f.complete();
}

// A refusal names the operation (the overlays without their "I"), calls neither hooks nor routine, and
// under every allocation failure still ends in an error, copies released: the message recorded with its
// detail, only its text falling back as the catalog rules say when the catalog's own allocations fail.
TEST_F(FrameTest, AdminThreadCheckRefusesWithTheOperationsName) {
    host.adminCheck = [](uint32_t) { return 0u; };
    const std::tuple<Op, uint32_t, const char*> rows[] = {
        {Op::DeleteSchema, 10, "ZVIDeleteSchema"}, {Op::DeleteActiveLink, 41, "ZVIDeleteActivelink"},
        {Op::CreateOverlay, 197, "ZVCreateOverlay"}, {Op::CreateOverlayFromObject, 198, "ZVCreateOverlayFromObject"}};
    const std::string number = "; Message number = 9905";
    const std::set<std::string> any{"The server could not carry out the call", "Cannot open catalog" + number,
                                    "Message not in catalog" + number};
    uint32_t idItems[2] = {1, 2};
    IdList ids{2, idItems};
    for (auto [op, opcode, name] : rows) {
        const std::string detail = std::string(name) + " - Cache Changing call from a Non-Admin thread";
        const std::vector<Message> expected{catalogMessage(2, 9905, detail.c_str())};
        std::set<std::string> texts;
        alloc::sweep([&](const alloc::Window& w) {
            host.clearEvents();
            StatusList s{};
            const uint32_t rc = runFrame(op, &control, &s, &ids);
            EXPECT_TRUE(rc == 2u || (w.failed() && (rc == 300u || rc == 3u))) << rc;
            if (rc == 2u) {
                const Message m = messages(s).at(0);
                texts.insert(m.text);
                EXPECT_EQ(std::tie(m.type, m.number, m.detail), std::tie(expected[0].type, expected[0].number, detail));
            }
            if (!w.failed()) {
                EXPECT_EQ(messages(s), expected);
                EXPECT_EQ(host.events(), (std::vector<Event>{{Event::CallerInfo, 1}, {Event::Admin, opcode}}));
            }
            releaseStatusList(&s, 0);
        });
        EXPECT_TRUE(!alloc::kSeesSystemAllocations || texts == any) << "the catalog's allocations are failed too";
    }
}

// A call while the code is unset sends an empty head and the identifier 55, frees what the host returns
// and maps the name to its family (a non-text value to none), which ZVIGetServerCharSet names leaving the
// status list alone; a failure answers "", retried.
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
    std::strcpy(control.text1, "user");  // not sent
    StatusEntry untouched{};
    StatusList sentinel{7, &untouched};  // left alone
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"EUC-JP", "EUC", false}, {"SJIS-win", "SJIS", false}, {"UTF-8", "UTF-8", false}, {"utf8", "", false},
        {"ISO-8859-1", "ISO-8859-1", false}, {nullptr, "", false}, {"UTF-8", "", true}};
    for (auto [given, family, failing] : rows) {
        server = given, fails = failing;
        alloc::sweep([&](const alloc::Window& w) {
            serverCharSetCode = kCharSetUnset;
            host.clearEvents();
            StatusList s{};
            EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &s), 0u);
            EXPECT_TRUE(w.failed() || s.numItems == 0) << "the discovery's messages are dropped";
            releaseStatusList(&s, 0);
            char name[ZVI_CHARSET_NAME_SIZE] = "junk";
            EXPECT_EQ(ZVIGetServerCharSet(nullptr, name, &sentinel), 0u);
            if (w.failed()) return;
            EXPECT_EQ(asked, std::vector<uint32_t>{55});
            EXPECT_STREQ(name, family) << (given ? given : "an integer");
            EXPECT_EQ(host.calls(kServerInfoSlot), failing ? 2 : 1) << "asked while unset only";
        });
    }
    EXPECT_EQ(sentinel.numItems, 7u);
}

}  // namespace
