// Operations on many threads at once (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/zvrpc.h"
#include "platform/zvutl.h"
#include "tests/support/fixtures.h"

namespace {

using Concurrency = testing_support::HostTest;

// The frame takes no lock, each thread gets its allocation context, and concurrent first
// calls may each run the discovery. Odd identifiers fail, even ones succeed with a note.
TEST_F(Concurrency, DeleteEntryOnEightThreads) {
    zvi::serverCharSetCode = zvi::kCharSetUnset;  // the first calls race to discover it
    host.on<DeleteEntryRequest, DeleteEntryResult>(12264, [](DeleteEntryRequest& q, DeleteEntryResult& r) {
        const bool odd = q.entryId.items[0][0] % 2;
        fake::addMessage(r.status, odd ? 2 : 0, odd ? 302 : 1, "host", q.entryId.items[0]);
        return odd ? 0u : 1u;
    });
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            ControlRecord control{};  // each thread's own: the context words are written back
            for (int i = 0; i < 500; ++i) {
                EntryId id;
                std::snprintf(id, sizeof id, "%d-%d", (t + i) % 10, t);
                EntryIdList ids{1, &id};
                StatusList s{};
                const uint32_t rc = ZVIDeleteEntry(&control, id, &ids, 0, &s);
                const bool odd = (t + i) % 2;
                wrong += s.numItems != 1 || rc != (odd ? 2u : 0u) ||
                         (odd ? s.entries[0].messageNum != 9905 : std::strcmp(s.entries[0].appendedText, id) != 0);
                zvi::releaseStatusList(&s, 0);
            }
            wrong += !zvi::rpc::getThreadContext();
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(host.calls(12264), 8 * 500);
    EXPECT_EQ(zvi::serverCharSetCode.load(), zvi::utl::charSetCode("UTF-8"));
}

}  // namespace
