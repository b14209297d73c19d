// Transactions: bulk transactions and client-managed transactions with their handle.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/fixtures.h"

using namespace testing_support;
using fake::Event;
using Events = std::vector<Event>;

namespace {

const Message kHostMessage{1, 9, "host", "detail", true};

struct Operation {
    const char* name;  // also the text of the failure message
    uint32_t slot;
    bool keepsHostMessages;  // on failure
    std::function<uint32_t(ControlRecord*, StatusList*)> call;
};

class TransactionTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        std::strcpy(control.text1, "user");
        handleProp.value.payload.text = handleText;
        control.pairList = {1, &handleProp};
        resetContextWords();
    }
    void resetContextWords() {
        control.contextWord0 = 5;
        control.contextWord1 = 6;
    }
    void expectContextWords(bool written) {
        EXPECT_EQ(control.contextWord0, written ? host.contextWord0 : 5);
        EXPECT_EQ(control.contextWord1, written ? host.contextWord1 : 6);
    }
    std::vector<Operation> operations() {
        return {
            {"ZVIBulkTranBegin", 13456, true, ZVIBulkTranBegin},
            {"ZVIBulkTranCommit", 13472, true, ZVIBulkTranCommit},
            {"ZVIBulkTranRollback", 13464, true, ZVIBulkTranRollback},
            {"ZVIBeginTransaction", 13648, false,
             [&](ControlRecord* c, StatusList* s) { return ZVIBeginClientManagedTransaction(c, &handle, s); }},
            {"ZVIBeginTransaction", 13648, false,
             [](ControlRecord* c, StatusList* s) { return ZVIBeginClientManagedTransaction(c, nullptr, s); }},
            {"ZVIEndTransaction", 13656, true,
             [](ControlRecord* c, StatusList* s) { return ZVIEndClientManagedTransaction(c, 1, s); }},
        };
    }
    // Routines that answer ok with a warning, the converted control checked. The begin
    // routine returns a handle of handleBytes (not terminated) and leaves a text in the
    // result's control head, all on the heap.
    void scriptHost(uint32_t ok, const std::string& handleBytes = "tx-handle") {
        auto answer = [this, ok](const RequestControl& q, StatusList& s) {
            EXPECT_EQ(q.contextWord0, control.contextWord0);
            EXPECT_EQ(q.text[0], control.text1);
            fake::addMessage(s, ZVI_WARNING, 9, "host", "detail");
            return ok;
        };
        for (uint32_t slot : {13456u, 13472u, 13464u})
            host.on<TransactionRequest, StatusResult>(slot,
                                                      [=](auto& q, auto& r) { return answer(q.control, r.status); });
        host.on<TransactionRequest, ClientTransactionResult>(13648, [=](auto& q, auto& r) {
            r.handleLength = static_cast<uint32_t>(handleBytes.size());
            if (!handleBytes.empty()) {
                r.handleBytes = static_cast<uint8_t*>(std::malloc(handleBytes.size()));
                std::memcpy(r.handleBytes, handleBytes.data(), handleBytes.size());
            }
            hostHandle = r.handleBytes;
            r.control.stringRef1 = fake::text("host text");  // released with the result
            return answer(q.control, r.status);
        });
        host.on<EndTransactionRequest, EndTransactionResult>(13656, [=](auto& q, auto& r) {
            EXPECT_EQ(q.endAction, endAction);
            EXPECT_EQ(q.control.pairList.items, control.pairList.items);  // shared, not copied
            return answer(q.control, r.status);
        });
    }

    char* handle = nullptr;
    uint8_t* hostHandle = nullptr;
    uint32_t endAction = 1;
    char handleText[5] = "tx-1";
    Prop handleProp{60037, {ZVI_DATA_TEXT, {}}};
};

// Each operation, the host succeeding and failing. Through every allocation failure: the
// defined result (no memory for the handle: message 300), nothing left behind. Then: an
// earlier error stays the result on success; on failure the 9905 message comes first,
// then the host's messages (not for a begin), then the caller's; the handle and the
// handle property stay as they were. No hooks. A null status list answers 4 at once.
TEST_F(TransactionTest, EveryOperationInBothOutcomes) {
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
                } else if (s.numItems == 1 && s.entries[0].messageNum == 300) {
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
            resetContextWords();
            std::strcpy(handleText, "tx-1");
            host.clearEvents();
            EXPECT_EQ(op.call(&control, nullptr), 4u);
            std::vector<Message> expected{catalogMessage(2, 300), kHostMessage};
            if (!ok) {
                expected = {catalogMessage(2, 9905, op.name), kHostMessage, catalogMessage(0, 1)};
                if (!op.keepsHostMessages) expected.erase(expected.begin() + 1);
            }
            zvi::appendStatus(&status, ok ? ZVI_ERROR : ZVI_NOTE, ok ? 300 : 1, nullptr);
            EXPECT_EQ(op.call(&control, &status), 2u);
            EXPECT_EQ(messages(status), expected);
            EXPECT_EQ(host.events(), (Events{{Event::CallerInfo, 1}, {Event::Service, op.slot}}));
            expectContextWords(ok);
            if (!ok) {
                EXPECT_EQ(handle, nullptr);
                EXPECT_STREQ(handleText, "tx-1");
            }
            zvi::releaseStatusList(&status, 0);
            std::free(handle);
            handle = nullptr;
        }
    }
    EXPECT_EQ(handleFailures, 1);
}

// The handle is a new, terminated copy of the host's bytes (the sweep finds the result,
// with the host's bytes and text, released). An empty handle leaves the caller's pointer.
TEST_F(TransactionTest, BeginBuildsTheHandleFromTheHostsBytes) {
    scriptHost(1, std::string("tx\0-42", 6));
    EXPECT_EQ(ZVIBeginClientManagedTransaction(&control, &handle, &status), 1u);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(reinterpret_cast<uint8_t*>(handle), hostHandle);
    EXPECT_EQ(std::string(handle, 7), std::string("tx\0-42\0", 7));
    std::free(handle);

    scriptHost(1, "");
    char kept[] = "previous";
    handle = kept;
    EXPECT_EQ(ZVIBeginClientManagedTransaction(&control, &handle, &status), 1u);
    EXPECT_EQ(handle, kept);
    EXPECT_EQ(messages(status), (std::vector<Message>{kHostMessage, kHostMessage}));
    handle = nullptr;
}

// Only the first handle property is emptied, in the caller's memory; one that holds no
// text is left alone, and so is everything after it.
TEST_F(TransactionTest, EndEmptiesOnlyTheFirstHandleProperty) {
    scriptHost(1);
    endAction = 0xE0D0;
    char other[] = "other", second[] = "tx-2";
    Prop props[] = {{7, {ZVI_DATA_TEXT, {}}}, handleProp, {60037, {ZVI_DATA_TEXT, {}}}};
    props[0].value.payload.text = other;
    props[2].value.payload.text = second;
    control.pairList = {3, props};
    EXPECT_EQ(ZVIEndClientManagedTransaction(&control, 0xE0D0, &status), 1u);
    EXPECT_EQ(props[1].value.payload.text, handleText);
    EXPECT_STREQ(handleText, "");
    EXPECT_STREQ(second, "tx-2");
    EXPECT_STREQ(other, "other");

    std::strcpy(handleText, "tx-1");
    props[1].value = {ZVI_DATA_INTEGER, {}};
    props[1].value.payload.i = 12;
    props[2].value.payload.text = handleText;
    EXPECT_EQ(ZVIEndClientManagedTransaction(&control, 0xE0D0, &status), 1u);
    EXPECT_EQ(props[1].value.payload.i, 12);
    EXPECT_STREQ(handleText, "tx-1");
    expectContextWords(true);
}

}  // namespace
