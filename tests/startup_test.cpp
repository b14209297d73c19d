// Start-up: the version test, the table copy, and a newly loaded library's first call.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>

#include "bridge/host_table.h"
#include "platform/zvrpc.h"
#include "tests/support/fixtures.h"

using namespace testing_support;
using fake::Event;

namespace {

// Versions from 20 on leave the status list alone and give the thread its allocation context;
// an older one is refused with 9756, but the whole table is copied first and kept.
TEST(Initialization, VersionTestAndTableCopy) {
    for (uint32_t version : {20u, 0xFFFFFFFFu}) {
        fake::Host host(version);
        StatusEntry sentinel{};
        StatusList status{3, &sentinel};
        std::thread([&] {
            EXPECT_EQ(host.initialize(&status), 0u);
            EXPECT_NE(zvi::rpc::getThreadContext(), nullptr);
        }).join();
        EXPECT_EQ(status.entries, &sentinel);
    }
    fake::Host host(19);
    HostEntryTable table = host.table();
    table.u.bytes[ZVI_HOST_TABLE_SIZE - 1] = 0xAB;
    StatusList status{};
    EXPECT_EQ(ZVIInitialization(&table, &status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(
                                    2, 9756, "Version 20 of the ZVIAPI interface is not supported by the server")});
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(zvi::host.table.u.bytes[ZVI_HOST_TABLE_SIZE - 1], 0xAB);
    EXPECT_EQ(host.initialize(nullptr), 2u);
    ControlRecord control{};
    char schema[] = "F";
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 0u);
    EXPECT_EQ(host.calls(12264), 1);
}

// A newly loaded copy of the shared library has not yet asked for the server's character
// set: its first operation asks once, before its own routine; the next one does not.
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
    char schema[] = "F";
    const std::vector<Event> own{{Event::CallerInfo, 1}, {Event::Enter, 4}, {Event::Service, 12264}, {Event::Leave, 0}};
    std::vector<Event> expected{{Event::CallerInfo, 1}, {Event::Enter, 36}, {Event::Service, 12616}, {Event::Leave, 0},
                                own[0], own[1], own[2], own[3]};
    for (int call = 0; call < 2; ++call, expected = own) {
        host.clearEvents();
        EXPECT_EQ(deleteEntry(&control, schema, nullptr, 0, &status), 0u);
        EXPECT_EQ(host.events(), expected) << "call " << call;
    }
    dlclose(library);
}

}  // namespace
