// Transactions: bulk transactions and client-managed transactions with their handle.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/fixtures.h"

using namespace testing_support;
using fake::Event;
using Events = std::vector<Event>;

namespace {

const Event kCallerInfo{Event::CallerInfo, 1};

class TransactionTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        control.contextWord0 = 5;
        control.contextWord1 = 6;
        std::strcpy(control.text1, "user");
    }
    void expectContextWords(bool written) {
        EXPECT_EQ(control.contextWord0, written ? host.contextWord0 : 5);
        EXPECT_EQ(control.contextWord1, written ? host.contextWord1 : 6);
    }
};

// ---------------------------------------------------------------- bulk transactions

struct Bulk {
    const char* name;
    uint32_t slot;
    uint32_t (*call)(ControlRecord*, StatusList*);
};
const Bulk kBulk[] = {{"ZVIBulkTranBegin", 13456, ZVIBulkTranBegin},
                      {"ZVIBulkTranCommit", 13472, ZVIBulkTranCommit},
                      {"ZVIBulkTranRollback", 13464, ZVIBulkTranRollback}};

TEST_F(TransactionTest, BulkOperationsSendTheControlAndMergeIntoTheCallersMessages) {
    for (const Bulk& op : kBulk) {
        SCOPED_TRACE(op.name);
        host.on<TransactionRequest, StatusResult>(op.slot, [&](TransactionRequest& q, StatusResult& r) {
            EXPECT_EQ(q.control.contextWord0, 5);
            EXPECT_EQ(q.control.text[0], control.text1);
            fake::addMessage(r.status, ZVI_NOTE, 8, "begun");
            return 1u;
        });
        host.clearEvents();
        zvi::appendStatus(&status, ZVI_ERROR, 300, nullptr);  // an earlier error stays the result
        EXPECT_EQ(op.call(&control, &status), 2u);
        EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, 300), {0, 8, "begun", "", false}}));
        EXPECT_EQ(host.events(), (Events{kCallerInfo, {Event::Service, op.slot}}));  // no hooks
        expectContextWords(true);
        zvi::releaseStatusList(&status, 0);
        control.contextWord0 = 5;
        control.contextWord1 = 6;
    }
}

TEST_F(TransactionTest, BulkOperationFailureKeepsTheHostsMessages) {
    for (const Bulk& op : kBulk) {
        SCOPED_TRACE(op.name);
        host.on<TransactionRequest, StatusResult>(op.slot, [](TransactionRequest&, StatusResult& r) {
            fake::addMessage(r.status, ZVI_WARNING, 9, "busy");
            return 0u;
        });
        EXPECT_EQ(op.call(&control, &status), 2u);
        EXPECT_EQ(messages(status),
                  (std::vector<Message>{catalogMessage(2, 9905, op.name), {1, 9, "busy", "", false}}));
        expectContextWords(false);
        zvi::releaseStatusList(&status, 0);
    }
}

// ---------------------------------------------------------------- client-managed

// A host that begins a transaction: a handle of length bytes (not terminated) and a
// message, all on the heap.
void beginHost(fake::Host& host, const std::string& handle, uint32_t ok, uint8_t** bytes = nullptr) {
    host.on<TransactionRequest, ClientTransactionResult>(
        13648, [=](TransactionRequest&, ClientTransactionResult& r) {
            r.handleLength = static_cast<uint32_t>(handle.size());
            if (!handle.empty()) {
                r.handleBytes = static_cast<uint8_t*>(std::malloc(handle.size()));
                std::memcpy(r.handleBytes, handle.data(), handle.size());
            }
            if (bytes) *bytes = r.handleBytes;
            fake::addMessage(r.status, ZVI_WARNING, 12, "transaction", "begun");
            r.control.stringRef1 = fake::text("host text");  // released with the result
            return ok;
        });
}

TEST_F(TransactionTest, BeginBuildsATextFromTheHostsBytesAndReleasesTheResult) {
    uint8_t* hostBytes = nullptr;
    beginHost(host, std::string("tx\0-42", 6), 1, &hostBytes);
    alloc::Window w;
    char* handle = nullptr;
    EXPECT_EQ(ZVIBeginClientManagedTransaction(&control, &handle, &status), 1u);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(reinterpret_cast<uint8_t*>(handle), hostBytes);
    EXPECT_EQ(std::string(handle, 7), std::string("tx\0-42\0", 7));
    EXPECT_EQ(messages(status), (std::vector<Message>{{1, 12, "transaction", "begun", true}}));
    expectContextWords(true);
    EXPECT_EQ(host.events(), (Events{kCallerInfo, {Event::Service, 13648}}));
    std::free(handle);
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);  // the host's bytes and text went with the result
}

TEST_F(TransactionTest, BeginWithAnEmptyHandleLeavesTheCallersPointer) {
    beginHost(host, "", 1);
    char kept[] = "previous";
    char* handle = kept;
    EXPECT_EQ(ZVIBeginClientManagedTransaction(&control, &handle, &status), 1u);
    EXPECT_EQ(handle, kept);
    EXPECT_EQ(status.numItems, 1u);
}

TEST_F(TransactionTest, BeginFailureDropsTheHostsMessages) {
    beginHost(host, "tx", 0);
    alloc::Window w;
    char* handle = nullptr;
    zvi::appendStatus(&status, ZVI_NOTE, 1, "earlier");
    EXPECT_EQ(ZVIBeginClientManagedTransaction(&control, &handle, &status), 2u);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, 9905, "ZVIBeginTransaction"),
                                                      catalogMessage(0, 1, "earlier")}));
    expectContextWords(false);
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST_F(TransactionTest, EndEmptiesOnlyTheFirstHandleProperty) {
    char other[] = "other", first[] = "tx-1", second[] = "tx-2";
    Prop props[] = {{7, {ZVI_DATA_TEXT, {}}}, {60037, {ZVI_DATA_TEXT, {}}}, {60037, {ZVI_DATA_TEXT, {}}}};
    props[0].value.payload.text = other;
    props[1].value.payload.text = first;
    props[2].value.payload.text = second;
    control.pairList = {3, props};
    host.on<EndTransactionRequest, EndTransactionResult>(13656, [&](EndTransactionRequest& q, EndTransactionResult&) {
        EXPECT_EQ(q.endAction, 0xE0D0u);
        EXPECT_EQ(q.control.pairList.items, props);  // shared, not copied
        return 1u;
    });
    EXPECT_EQ(ZVIEndClientManagedTransaction(&control, 0xE0D0, &status), 0u);
    EXPECT_EQ(props[1].value.payload.text, first);  // the caller's memory, emptied
    EXPECT_STREQ(first, "");
    EXPECT_STREQ(second, "tx-2");
    EXPECT_STREQ(other, "other");
    expectContextWords(true);
    EXPECT_EQ(host.events(), (Events{kCallerInfo, {Event::Service, 13656}}));
}

TEST_F(TransactionTest, EndWithoutATextHandleChangesNothingButTheContextWords) {
    char handle[] = "tx-1";
    Prop props[] = {{60036, {ZVI_DATA_TEXT, {}}}, {60037, {ZVI_DATA_INTEGER, {}}}, {60037, {ZVI_DATA_TEXT, {}}}};
    props[0].value.payload.text = handle;
    props[1].value.payload.i = 12;
    props[2].value.payload.text = handle;
    for (uint32_t count : {1u, 3u}) {
        control.pairList = {count, props};
        EXPECT_EQ(ZVIEndClientManagedTransaction(&control, 1, &status), 0u);
        EXPECT_STREQ(handle, "tx-1");
        EXPECT_EQ(props[1].value.payload.i, 12);
    }
    expectContextWords(true);
}

TEST_F(TransactionTest, EndFailureKeepsTheHandleAndTheHostsMessages) {
    char handle[] = "tx-1";
    Prop prop{60037, {ZVI_DATA_TEXT, {}}};
    prop.value.payload.text = handle;
    control.pairList = {1, &prop};
    host.on<EndTransactionRequest, EndTransactionResult>(13656, [](EndTransactionRequest&, EndTransactionResult& r) {
        fake::addMessage(r.status, ZVI_ERROR, 13, "no such transaction");
        return 0u;
    });
    EXPECT_EQ(ZVIEndClientManagedTransaction(&control, 2, &status), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, 9905, "ZVIEndTransaction"),
                                                      {2, 13, "no such transaction", "", false}}));
    EXPECT_STREQ(handle, "tx-1");
    expectContextWords(false);
}

// ---------------------------------------------------------------- every operation

struct Operation {
    const char* name;
    std::function<uint32_t(ControlRecord*, StatusList*)> call;
};

class TransactionOperationsTest : public TransactionTest {
protected:
    std::vector<Operation> operations() {
        return {
            {"ZVIBulkTranBegin", ZVIBulkTranBegin},
            {"ZVIBulkTranCommit", ZVIBulkTranCommit},
            {"ZVIBulkTranRollback", ZVIBulkTranRollback},
            {"ZVIBeginClientManagedTransaction",
             [&](ControlRecord* c, StatusList* s) { return ZVIBeginClientManagedTransaction(c, &handle, s); }},
            {"ZVIBeginClientManagedTransaction without handle",
             [](ControlRecord* c, StatusList* s) { return ZVIBeginClientManagedTransaction(c, nullptr, s); }},
            {"ZVIEndClientManagedTransaction",
             [](ControlRecord* c, StatusList* s) { return ZVIEndClientManagedTransaction(c, 1, s); }},
        };
    }
    void scriptHost(uint32_t ok) {
        auto message = [](StatusList& s) { fake::addMessage(s, ZVI_WARNING, 9, "host", "detail"); };
        for (const Bulk& op : kBulk)
            host.on<TransactionRequest, StatusResult>(
                op.slot, [=](TransactionRequest&, StatusResult& r) { return message(r.status), ok; });
        beginHost(host, "tx-handle", ok);
        host.on<EndTransactionRequest, EndTransactionResult>(
            13656, [=](EndTransactionRequest&, EndTransactionResult& r) { return message(r.status), ok; });
    }
    char* handle = nullptr;
};

TEST_F(TransactionOperationsTest, NullStatusReturns4WithoutCallingTheHost) {
    for (const Operation& op : operations()) EXPECT_EQ(op.call(&control, nullptr), 4u) << op.name;
    EXPECT_TRUE(host.events().empty());
}

TEST_F(TransactionOperationsTest, AllocationFailureSweep) {
    int handleFailures = 0;
    for (uint32_t ok : {1u, 0u}) {
        scriptHost(ok);
        for (const Operation& op : operations()) {
            SCOPED_TRACE(std::string(op.name) + (ok ? "" : ", host fails"));
            alloc::sweep([&](const alloc::Window& w) {
                StatusList s{};
                const uint32_t rc = op.call(&control, &s);
                if (!w.failed()) {
                    EXPECT_EQ(rc, ok ? 1u : 2u);
                } else if (s.numItems == 1 && s.entries[0].messageNum == 300) {  // no memory for the handle
                    EXPECT_EQ(rc, 2u);
                    EXPECT_STREQ(s.entries[0].appendedText, "ZVIBeginTransaction");
                    EXPECT_EQ(handle, nullptr);
                    ++handleFailures;
                } else {
                    // 3: a message could not be recorded; 2: it was, with the
                    // catalog's fallback text
                    EXPECT_TRUE(rc == 3 || rc == 2) << rc;
                }
                zvi::releaseStatusList(&s, 0);
                std::free(handle);
                handle = nullptr;
            });
        }
    }
    EXPECT_EQ(handleFailures, 1);
}

}  // namespace
