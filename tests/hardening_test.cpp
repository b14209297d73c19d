// Failures inside the C library's catalog (the converters' and zlib's: platform_test),
// the heap exhausted at a thread's first call, and a full table of catalog handles.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/zvrpc.h"
#include "platform/zvutl.h"
#include "tests/support/environment.h"
#include "tests/support/fixtures.h"

using namespace testing_support;

namespace {

// Every failure inside the catalog functions (catopen's own among them), from a thread's
// first lookup on, records the message with its detail, only the text falling back, or
// fails with 3; no block is left. Without NLSPATH the installed catalog is tried.
TEST(DependencyFailures, MessageLookupsFallBackAsTheCatalogRulesSay) {
    const std::string number = "; Message number = 9905";
    const std::set<std::string> any{"The server could not carry out the call", "Cannot open catalog" + number,
                                    "Message not in catalog" + number};
    const char* set = std::getenv("NLSPATH");
    const std::string path = set ? set : "", detail(300, 'x');
    for (bool withPath : {true, false}) std::thread([&] {
        ScopedEnvironment nlsPath("NLSPATH", withPath && set ? path.c_str() : nullptr);
        std::set<std::string> texts;
        StatusList s{};
        const size_t made = alloc::sweep([&](const alloc::Window& w) {
            {
                alloc::Paused hostSide;  // an entry for the array to grow from
                fake::addMessage(s, ZVI_WARNING, 1, "host");
            }
            const uint32_t rc = zvi::appendStatus(&s, ZVI_ERROR, 9905, detail.c_str());
            EXPECT_TRUE(rc == 2 || (rc == 3 && w.failed())) << rc;
            if (rc == 2) {
                texts.insert(s.entries[0].messageText);
                EXPECT_EQ(s.entries[0].appendedText, detail.substr(0, 255));
            }
            zvi::releaseStatusList(&s, 0);
        });
        for (const std::string& t : texts) EXPECT_TRUE(any.count(t)) << t;
        if (!alloc::kSeesSystemAllocations) return;
        EXPECT_GT(made, 4u) << "the catalog's allocations are seen";
        EXPECT_TRUE(texts.count("Cannot open catalog" + number)) << "catalog allocations failed";
        EXPECT_TRUE(!withPath || texts == any) << "every fallback reached";
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

// A thread's first call with the heap exhausted runs without an allocation context and
// leaves none behind; its next call makes one.
TEST_F(HostTest, FirstCallOfAThreadWithTheHeapExhausted) {
    static char form[] = "HelpDesk";
    host.on(12264 /* delete entry */, [](void*, void*) { return 1u; });
    std::thread([&] {
        StatusList s{};
        {
            alloc::Window w(alloc::kEvery);
            EXPECT_EQ(ZVIDeleteEntry(&control, form, nullptr, 0, &s), 0u);
            EXPECT_TRUE(w.failed());
            EXPECT_EQ(w.liveBlocks(), 0u);
        }
        EXPECT_EQ(zvi::rpc::getThreadContext(), nullptr);
        EXPECT_EQ(ZVIDeleteEntry(&control, form, nullptr, 0, &s), 0u);
        EXPECT_NE(zvi::rpc::getThreadContext(), nullptr);
    }).join();
}

}  // namespace
