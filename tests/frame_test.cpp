#include <gtest/gtest.h>

#include "tests/support/fixtures.h"

using namespace testing_support;

namespace {

class DeleteEntryTest : public HostTest {};

TEST_F(DeleteEntryTest, HostReceivesBorrowedSchemaAndCopiedIds) {
    char schema[] = "HelpDesk";
    EntryId ids[2] = {"000000000000001", "000000000000002"};
    EntryIdList list{2, ids};
    host.on<DeleteEntryRequest, DeleteEntryResult>(12264, [&](DeleteEntryRequest& q, DeleteEntryResult&) {
        EXPECT_EQ(q.schema, schema);
        EXPECT_EQ(q.entryId.numItems, 2u);
        EXPECT_NE(q.entryId.items, ids);
        EXPECT_EQ(std::memcmp(q.entryId.items, ids, sizeof ids), 0);
        EXPECT_EQ(q.deleteOption, 7u);
        return 1u;
    });
    EXPECT_EQ(ZVIDeleteEntry(&control, schema, &list, 7, &status), 0u);
    EXPECT_EQ(status.numItems, 0u);
    EXPECT_EQ(control.contextWord0, host.contextWord0);
    EXPECT_EQ(control.contextWord1, host.contextWord1);
    std::vector<fake::Event> expected{{fake::Event::CallerInfo, 1}, {fake::Event::Enter, 4},
                                      {fake::Event::Service, 12264}, {fake::Event::Leave, 0}};
    EXPECT_EQ(host.events(), expected);
}

TEST_F(DeleteEntryTest, AllocationFailureSweep) {
    char schema[] = "HelpDesk";
    EntryId ids[3] = {"1", "2", "3"};
    EntryIdList list{3, ids};
    host.on<DeleteEntryRequest, DeleteEntryResult>(12264, [](DeleteEntryRequest&, DeleteEntryResult& r) {
        fake::addMessage(r.status, ZVI_WARNING, 77, "host warning", "detail");
        return 1u;
    });
    alloc::sweep([&](const alloc::Window& w) {
        StatusList s{};
        uint32_t rc = ZVIDeleteEntry(&control, schema, &list, 0, &s);
        if (!w.failed()) EXPECT_EQ(rc, 1u);
        else EXPECT_TRUE(rc == 300u || rc == 1u || rc == 3u) << rc;
        zvi::releaseStatusList(&s, 0);
    });
}

}  // namespace
