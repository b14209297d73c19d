// Failures inside the libraries the library calls (the C library's catalog, zlib), the
// heap exhausted at a thread's first call, what a message lookup leaves behind, and a
// full table of catalog handles. (The converters' failures: the platform tests; operator
// new and the heap failing in every operation: the operation tests.)
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstdlib>
#include <set>
#include <string>
#include <thread>

#include "platform/zvrpc.h"
#include "platform/zvutl.h"
#include "tests/support/calls.h"
#include "tests/support/environment.h"
#include "tests/support/raw.h"

using namespace testing_support;

namespace {

constexpr uint32_t kDeleteEntry = 12264, kGetEntryBLOB = 12232;
namespace at::GetEntryBLOBResult { constexpr size_t byteCount = 168, data = 176; }
char schema[] = "HelpDesk";

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
    const std::set<std::string> any{"The server could not carry out the call",
                                    "Cannot open catalog; Message number = 9905",
                                    "Message not in catalog; Message number = 9905"};
    const char* set = std::getenv("NLSPATH");
    const std::string path = set ? set : "";
    auto nlsPath = [&path, had = set != nullptr](bool on) {
        setEnvironment("NLSPATH", on && had ? path.c_str() : nullptr);
    };
    for (bool withPath : {true, false}) {
        SCOPED_TRACE(withPath ? "NLSPATH set" : "NLSPATH unset");
        nlsPath(withPath);
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
            EXPECT_TRUE(texts.count("Cannot open catalog; Message number = 9905")) << "catalog allocations failed";
            if (withPath) {
                EXPECT_EQ(texts, any);
            }
        }
    }
    nlsPath(true);
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
    while (taken.size() < 64) {
        taken.push_back(zvi::utl::catalogOpen("zvsystem.cat", 0));
        ASSERT_NE(taken.back(), zvi::utl::kNoCatalog);
    }
    uint32_t waited = zvi::utl::kNoCatalog;
    std::thread opener([&] { waited = zvi::utl::catalogOpen("zvsystem.cat", 0); });
    zvi::utl::catalogClose(taken[17]);
    opener.join();
    EXPECT_EQ(waited, taken[17]);
    for (uint32_t h : taken) zvi::utl::catalogClose(h);
}

using CallsTest = HostTest;

// Each failure inside the expansion (zlib's own allocations among them) reports 160,
// the block for the data 300.
TEST_F(CallsTest, ExpansionFailuresInsideZlib) {
    const std::string packed = deflated(std::string(100000, 'z'));
    host.on(kGetEntryBLOB, [&packed](void*, void* result) {  // the compressed data at the result's offsets
        const uint32_t byteCount = static_cast<uint32_t>(8 + packed.size());
        auto* data = static_cast<uint8_t*>(std::malloc(byteCount));
        const uint32_t header[2] = {htonl(1), htonl(static_cast<uint32_t>(packed.size()))};
        std::memcpy(data, header, 8);
        std::memcpy(data + 8, packed.data(), packed.size());
        raw::put(result, at::GetEntryBLOBResult::byteCount, byteCount);
        raw::put(result, at::GetEntryBLOBResult::data, data);
        return 1u;
    });
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

}  // namespace
