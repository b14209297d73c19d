// Failures inside the libraries the library calls (the C library's catalog and
// character-set converters, zlib), operator new failing everywhere, the heap failing
// everywhere, and what a message lookup leaves behind.
#include <gtest/gtest.h>
#include <zlib.h>

#include <arpa/inet.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "platform/zvrpc.h"
#include "platform/zvutl.h"
#include "tests/support/calls.h"
#include "tests/support/environment.h"
#include "tests/support/raw.h"
#include "types/types.h"

using namespace testing_support;
namespace utl = zvi::utl;

namespace {

constexpr uint32_t kDeleteEntry = 12264, kGetEntryBLOB = 12232;

namespace at::GetEntryBLOBResult {
constexpr size_t byteCount = 168, data = 176;
}
char schema[] = "HelpDesk";

const std::string kCatalogText = "The server could not carry out the call";
const std::string kCannotOpen = "Cannot open catalog; Message number = 9905";
const std::string kNotInCatalog = "Message not in catalog; Message number = 9905";

// A call in words: its code and the numbers of its messages.
std::string described(uint32_t rc, const StatusList& s) {
    std::string o = std::to_string(rc) + ":";
    for (const Message& m : messages(s)) o += " " + std::to_string(m.number);
    return o;
}

// Every failure inside the catalog functions (catopen's own allocations among them)
// still records the message; only its text falls back. Without NLSPATH the catalog
// installed beside the library is tried, through the same failures.
TEST(DependencyFailures, MessageLookupsFallBackAsTheCatalogRulesSay) {
    const std::set<std::string> any{kCatalogText, kCannotOpen, kNotInCatalog};
    for (bool withPath : {true, false}) {
        SCOPED_TRACE(withPath ? "NLSPATH set" : "NLSPATH unset");
        ScopedEnvironment path("NLSPATH", withPath ? std::getenv("NLSPATH") : nullptr);
        std::set<std::string> texts;
        std::set<uint32_t> codes;
        alloc::sweep([&](const alloc::Window& w) {
            StatusList s{};
            const uint32_t rc = zvi::appendStatus(&s, ZVI_ERROR, 9905, "detail");
            codes.insert(rc);
            if (rc == 2 && s.entries[0].messageText) texts.insert(s.entries[0].messageText);
            EXPECT_TRUE(rc == 2 || (rc == 3 && w.failed())) << rc;
            zvi::releaseStatusList(&s, 0);
        });
        EXPECT_EQ(codes, (std::set<uint32_t>{2, 3}));
        for (const std::string& t : texts) EXPECT_TRUE(any.count(t)) << t;
        if (alloc::kSeesSystemAllocations) {
            EXPECT_TRUE(texts.count(kCannotOpen)) << "the catalog's own allocations were failed";
            if (withPath) {
                EXPECT_EQ(texts, any);
            }
        }
    }
}

// The converter's allocations (iconv_open's among them) fail the conversion, nothing
// more; the check and the byte-order adjustment behave the same way.
TEST(DependencyFailures, CharacterSetConversionsFailCleanly) {
    const uint32_t latin1 = utl::charSetCode("ISO-8859-1"), utf8 = utl::charSetCode("UTF-8"),
                   sjis = utl::charSetCode("SJIS");
    const char cafe[] = "caf\xE9", kana[] = "\xE3\x81\x82", marked[] = "\xEF\xBB\xBFtext";
    struct Case {
        const char* name;
        std::function<bool(char* out)> run;  // true: succeeded
        std::string expected;
    } cases[] = {
        {"latin-1 to UTF-8", [&](char* out) { return utl::convert(cafe, latin1, out, utf8) == 0; }, "caf\xC3\xA9"},
        {"UTF-8 to SJIS", [&](char* out) { return utl::convert(kana, utf8, out, sjis) == 0; }, "\x82\xA0"},
        {"check", [&](char* out) { return std::strcpy(out, "ok"), utl::checkConversion(kana, nullptr, utf8, sjis) != 0; },
         "ok"},
        {"adjust", [&](char* out) {
             char* replacement = nullptr;
             utl::adjustConversion(marked, utf8, &replacement);
             if (replacement) std::strcpy(out, replacement);
             std::free(replacement);
             return replacement != nullptr;
         }, "text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char out[64];
        ASSERT_TRUE(c.run(out));  // loads the converter's modules and caches once
        size_t failures = 0;
        alloc::sweep([&](const alloc::Window& w) {
            std::memset(out, 0, sizeof out);
            const bool ok = c.run(out);
            EXPECT_EQ(ok, !w.failed());
            if (ok) {
                EXPECT_EQ(std::string(out), c.expected);
            }
            failures += w.failed();
        });
        EXPECT_GE(failures, 1u);
    }
}

class CallsTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        // The compressed entry data, written at the result's offsets.
        host.on(kGetEntryBLOB, [this](void*, void* result) {
            const uint32_t byteCount = static_cast<uint32_t>(8 + packed.size());
            auto* data = static_cast<uint8_t*>(std::malloc(byteCount));
            const uint32_t header[2] = {htonl(1), htonl(static_cast<uint32_t>(packed.size()))};
            std::memcpy(data, header, 8);
            std::memcpy(data + 8, packed.data(), packed.size());
            raw::put(result, at::GetEntryBLOBResult::byteCount, byteCount);
            raw::put(result, at::GetEntryBLOBResult::data, data);
            return 1u;
        });
    }
    std::string packed = deflated(std::string(100000, 'z'));
};

// Each failure inside the expansion (zlib's own allocations among them) reports 160,
// the block for the data 300.
TEST_F(CallsTest, ExpansionFailuresInsideZlib) {
    std::set<std::string> outcomes;
    alloc::sweep([&](const alloc::Window&) {
        StatusList s{};
        Locator loc{ZVI_LOC_BUFFER, {}};
        const uint32_t rc = ZVIGetEntryBLOB(&control, schema, nullptr, 1, &loc, &s);
        if (rc == 0) {
            EXPECT_EQ(loc.u.mem.bufSize, 100000u);
        }
        std::free(loc.u.mem.buffer);
        outcomes.insert(described(rc, s));
        zvi::releaseStatusList(&s, 0);
    });
    EXPECT_EQ(outcomes, (std::set<std::string>{"0:", "2: 160", "2: 300"}));
}

// A thread's first call with the heap exhausted runs without an allocation context and
// leaves none behind; its next call makes one.
TEST_F(CallsTest, FirstCallOfAThreadWithTheHeapExhausted) {
    host.on(kDeleteEntry, [](void*, void*) { return 1u; });
    std::thread([&] {
        StatusList s{};
        {
            alloc::Window w(alloc::kEvery);
            EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &s), 0u);
            EXPECT_TRUE(w.failed());
            EXPECT_EQ(w.liveBlocks(), 0u);
        }
        EXPECT_EQ(zvi::rpc::getThreadContext(), nullptr);
        EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &s), 0u);
        EXPECT_NE(zvi::rpc::getThreadContext(), nullptr);
    }).join();
}

// A message lookup keeps nothing once it is done, on any thread, first lookup included.
TEST(MessageLookups, LeaveNoBlockBehind) {
    for (int i = 0; i < 3; ++i)
        std::thread([] {
            alloc::Window w;
            StatusList s{};
            for (uint32_t number : {9905u, 4242u, 9905u}) zvi::appendStatus(&s, ZVI_ERROR, number, "x");
            zvi::releaseStatusList(&s, 0);
            if (alloc::kSeesSystemAllocations) {
                EXPECT_GT(w.allocations(), 9u) << "the catalog's allocations are seen";
            }
            EXPECT_EQ(w.liveBlocks(), 0u);
        }).join();
}

// Catalog handles come from a fixed table: when every handle is taken an open waits
// for one to be closed, and gets that one.
TEST(MessageLookups, AnOpenWaitsForAFreeHandle) {
    std::vector<uint32_t> taken;
    for (;;) {  // take every handle
        const uint32_t h = utl::catalogOpen("zvsystem.cat", 0);
        ASSERT_NE(h, utl::kNoCatalog);
        taken.push_back(h);
        if (taken.size() == 64) break;
    }
    uint32_t waited = utl::kNoCatalog;
    std::thread opener([&] { waited = utl::catalogOpen("zvsystem.cat", 0); });
    utl::catalogClose(taken[17]);
    opener.join();
    EXPECT_EQ(waited, taken[17]);
    taken[17] = waited;
    for (uint32_t h : taken) utl::catalogClose(h);
}

}  // namespace
