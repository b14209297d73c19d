// Start-up: the version test, the table copy, the initialising thread's context, and a
// newly loaded library's first operation.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>

#include "bridge/host_table.h"
#include "platform/zvrpc.h"
#include "tests/support/fixtures.h"

using namespace testing_support;
using fake::Event;

namespace {

// Versions from 20 on leave the status list alone (not reset, not read); an older one is
// refused with 9756, also without a list, but the copied table is kept for later calls.
TEST(Initialization, VersionTest) {
    for (uint32_t version : {20u, 21u, 0xFFFFFFFFu}) {
        fake::Host host(version);
        StatusEntry sentinel{};
        StatusList status{3, &sentinel};
        EXPECT_EQ(host.initialize(&status), 0u);
        EXPECT_EQ(status.numItems, 3u);
        EXPECT_EQ(status.entries, &sentinel);
    }
    fake::Host host(19);
    StatusList status{};
    EXPECT_EQ(host.initialize(&status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(
                                    2, 9756, "Version 20 of the ZVIAPI interface is not supported by the server")});
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(host.initialize(nullptr), 2u);
    zvi::serverCharSetCode = 6;
    ControlRecord control{};
    char schema[] = "F";
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, nullptr, 0, &status), 0u);
    EXPECT_EQ(host.calls(12264), 1);
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
    int anything = 0;
    EXPECT_EQ(ZVITermination(nullptr), 0u);
    EXPECT_EQ(ZVITermination(&anything), 0u);
}

// A newly loaded copy of the shared library has not yet asked for the server's character
// set: its first operation asks once, before its own routine; the next one does not.
TEST(FreshProcess, FirstOperationDiscoversTheCharacterSetOnce) {
    void* library = dlopen(ZVI_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto init = reinterpret_cast<decltype(&ZVIInitialization)>(dlsym(library, "ZVIInitialization"));
    auto deleteEntry = reinterpret_cast<decltype(&ZVIDeleteEntry)>(dlsym(library, "ZVIDeleteEntry"));
    auto charSet = reinterpret_cast<decltype(&ZVIGetServerCharSet)>(dlsym(library, "ZVIGetServerCharSet"));
    ASSERT_TRUE(init && deleteEntry && charSet);
    fake::Host host;
    host.charSetName = "EUC-JP";
    HostEntryTable table = host.table();
    EXPECT_EQ(init(&table, nullptr), 0u);
    EXPECT_TRUE(host.events().empty()) << "nothing asked at start-up";
    ControlRecord control{};
    StatusList status{};
    char schema[] = "F";
    const std::vector<Event> discovery{
        {Event::CallerInfo, 1}, {Event::Enter, 36}, {Event::Service, 12616}, {Event::Leave, 0}};
    const std::vector<Event> own{{Event::CallerInfo, 1}, {Event::Enter, 4}, {Event::Service, 12264}, {Event::Leave, 0}};
    for (int call = 0; call < 2; ++call) {
        host.clearEvents();
        EXPECT_EQ(deleteEntry(&control, schema, nullptr, 0, &status), 0u);
        std::vector<Event> expected = call ? own : discovery;
        if (!call) expected.insert(expected.end(), own.begin(), own.end());
        EXPECT_EQ(host.events(), expected) << "call " << call;
    }
    char name[ZVI_CHARSET_NAME_SIZE] = "";
    EXPECT_EQ(charSet(nullptr, name, nullptr), 0u);
    EXPECT_STREQ(name, "EUC");
    EXPECT_EQ(host.calls(12616), 0) << "known by now";
    dlclose(library);
}

}  // namespace
