// Operations on many threads at once: the frame takes no lock, each thread gets its
// allocation context, and concurrent first calls may each run the discovery.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/zvrpc.h"
#include "platform/zvutl.h"
#include "tests/support/fixtures.h"

using namespace testing_support;

namespace {

TEST(Concurrency, DeleteEntryOnEightThreads) {
    fake::Host host;
    ASSERT_EQ(host.initialize(), 0u);
    zvi::serverCharSetCode = zvi::kCharSetUnset;  // the first calls race to discover it
    host.on<DeleteEntryRequest, DeleteEntryResult>(12264, [](DeleteEntryRequest& q, DeleteEntryResult& r) {
        // Odd identifiers fail with a host message; even ones succeed with a note.
        const bool odd = (q.entryId.items[0][0] - '0') % 2;
        fake::addMessage(r.status, odd ? 2 : 0, odd ? 302 : 1, "host", q.entryId.items[0]);
        return odd ? 0u : 1u;
    });
    constexpr int kThreads = 8, kCalls = 500;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ControlRecord control{};
            char schema[] = "HelpDesk";
            for (int i = 0; i < kCalls; ++i) {
                EntryId id;
                std::snprintf(id, sizeof id, "%d-%d", (t + i) % 10, t);
                EntryIdList ids{1, &id};
                StatusList status{};
                const uint32_t rc = ZVIDeleteEntry(&control, schema, &ids, 0, &status);
                if (status.numItems != 1 || ((t + i) % 2 ? rc != 2 || status.entries[0].messageNum != 9905
                                                         : rc != 0 || std::strcmp(status.entries[0].appendedText, id)))
                    ++wrong;
                zvi::releaseStatusList(&status, 0);
            }
            if (!zvi::rpc::getThreadContext()) ++wrong;
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(host.calls(12264), kThreads * kCalls);
    EXPECT_GE(host.calls(12616), 1);
    EXPECT_EQ(zvi::serverCharSetCode.load(), zvi::utl::charSetCode("UTF-8"));
}

}  // namespace
