// Start-up: the version test, the table copy, and the initialising thread's context.
#include <gtest/gtest.h>

#include <thread>

#include "bridge/host_table.h"
#include "platform/zvrpc.h"
#include "tests/support/fixtures.h"

using namespace testing_support;

namespace {

TEST(Initialization, OldInterfaceVersionIsRefusedWith9756ButTheTableIsKept) {
    fake::Host host(19);
    StatusList status{};
    EXPECT_EQ(host.initialize(&status), 2u);
    EXPECT_EQ(messages(status),
              std::vector<Message>{catalogMessage(
                  2, 9756, "Version 20 of the ZVIAPI interface is not supported by the server")});
    zvi::releaseStatusList(&status, 0);

    EXPECT_EQ(host.initialize(nullptr), 2u) << "no list: no entry, still an error";

    // Nothing refuses later calls: the copied table is in place.
    zvi::serverCharSetCode = 6;
    ControlRecord control{};
    char schema[] = "F";
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 0u);
    EXPECT_EQ(host.calls(12264), 1);
}

TEST(Initialization, SupportedVersionLeavesTheStatusListAlone) {
    for (uint32_t version : {20u, 21u, 0xFFFFFFFFu}) {
        fake::Host host(version);
        StatusEntry sentinel{};
        StatusList status{3, &sentinel};  // not reset, not read
        EXPECT_EQ(host.initialize(&status), 0u);
        EXPECT_EQ(status.numItems, 3u);
        EXPECT_EQ(status.entries, &sentinel);
    }
}

TEST(Initialization, GivesTheInitialisingThreadItsAllocationContext) {
    fake::Host host;
    bool before = true, after = false;
    std::thread([&] {
        before = zvi::rpc::getThreadContext() != nullptr;
        host.initialize();
        after = zvi::rpc::getThreadContext() != nullptr;
    }).join();
    EXPECT_FALSE(before);
    EXPECT_TRUE(after);
}

TEST(Initialization, CopiesTheWholeTableBeforeAnyTest) {
    fake::Host host(3);
    HostEntryTable table = host.table();
    table.u.bytes[ZVI_HOST_TABLE_SIZE - 1] = 0xAB;
    ZVIInitialization(&table, nullptr);
    EXPECT_EQ(zvi::host.table.u.bytes[ZVI_HOST_TABLE_SIZE - 1], 0xAB);
    EXPECT_EQ(zvi::host.table.u.version, 3u);
}

TEST(Termination, ReturnsZeroWhateverItIsGiven) {
    int anything = 0;
    EXPECT_EQ(ZVITermination(nullptr), 0u);
    EXPECT_EQ(ZVITermination(&anything), 0u);
}

}  // namespace
