// Server information and utility operations: what the host receives, what the caller
// gets back, the frame variant each follows, and every failure.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <thread>

#include "platform/zvrpc.h"
#include "tests/support/fixtures.h"
#include "types/types.h"

using namespace testing_support;
using fake::Event;
using Events = std::vector<Event>;

namespace {

const Event kCallerInfo{Event::CallerInfo, 1};
Events hooked(uint32_t opcode, uint32_t slot) {
    return {kCallerInfo, {Event::Enter, opcode}, {Event::Service, slot}, {Event::Leave, 0}};
}

void setId(ServerInfo& item, uint32_t id) { item.infoId = id; }
void setId(Prop& item, uint32_t id) { item.propId = id; }

// A host list of (identifier, text value) items.
template <class List>
void fillIdValues(List& list, const IdList& ids) {
    list.items = static_cast<decltype(list.items)>(std::calloc(ids.numItems, sizeof *list.items));
    for (uint32_t i = 0; i < ids.numItems; ++i) {
        setId(list.items[i], ids.items[i]);
        list.items[i].value.dataType = ZVI_DATA_TEXT;
        list.items[i].value.payload.text = fake::text(std::to_string(ids.items[i]).c_str());
    }
    list.numItems = ids.numItems;
}
template <class List>
void releaseIdValues(List& list) {
    for (uint32_t i = 0; i < list.numItems; ++i) zvi::ReleaseValue(&list.items[i].value, 0);
    std::free(list.items);
    list = List{};
}

class ServerTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        control.contextWord0 = 5;
        control.contextWord1 = 6;
    }
    void expectContextWords(bool written) {
        EXPECT_EQ(control.contextWord0, written ? host.contextWord0 : 5);
        EXPECT_EQ(control.contextWord1, written ? host.contextWord1 : 6);
    }
    uint32_t ids_[3] = {55, 7, 70000};
    IdList ids{3, ids_};
};

// ---------------------------------------------------------------- ZVIGetServerInfo

TEST_F(ServerTest, GetServerInfoSendsAnExactCopyAndHandsTheListOver) {
    host.on<GetServerInfoRequest, GetServerInfoResult>(12616, [&](GetServerInfoRequest& q, GetServerInfoResult& r) {
        EXPECT_NE(q.requestList.items, ids.items);
        EXPECT_EQ(std::vector<uint32_t>(q.requestList.items, q.requestList.items + q.requestList.numItems),
                  std::vector<uint32_t>(ids_, ids_ + 3));
        fillIdValues(r.serverInfo, q.requestList);
        fake::addMessage(r.status, ZVI_NOTE, 10, "note");
        return 1u;
    });
    ServerInfoList info{9, nullptr};
    alloc::Window w;
    EXPECT_EQ(ZVIGetServerInfo(&control, &ids, &info, &status), 0u);
    EXPECT_EQ(w.sizes().front(), 12u);  // the copy: exactly three identifiers
    ASSERT_EQ(info.numItems, 3u);
    EXPECT_EQ(info.items[2].infoId, 70000u);
    EXPECT_STREQ(info.items[2].value.payload.text, "70000");
    EXPECT_EQ(messages(status), (std::vector<Message>{{0, 10, "note", "", false}}));
    expectContextWords(true);
    EXPECT_EQ(host.events(), hooked(36, 12616));
    releaseIdValues(info);
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST_F(ServerTest, GetServerInfoFailureReportsOnlyItsOwnMessage) {
    host.on<GetServerInfoRequest, GetServerInfoResult>(12616, [](GetServerInfoRequest&, GetServerInfoResult& r) {
        fake::addMessage(r.status, ZVI_ERROR, 77, "host error");
        return 0u;
    });
    ServerInfo stale[1] = {};
    ServerInfoList info{1, stale};
    EXPECT_EQ(ZVIGetServerInfo(&control, nullptr, &info, &status), 2u);
    EXPECT_EQ(info.numItems, 0u);  // cleared first, before the call
    EXPECT_EQ(info.items, stale);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, 9905, "ZVIGetServerInfo")}));
    expectContextWords(false);
}

// ---------------------------------------------------------------- ZVIGetServerCharSet

TEST_F(ServerTest, GetServerCharSetDiscoversOnceAndNamesTheFamily) {
    const std::pair<const char*, const char*> cases[] = {
        {"EUC-JP", "EUC"}, {"SJIS-win", "SJIS"}, {"UTF-8", "UTF-8"}, {"utf8", ""}, {"iso-8859-1", "ISO-8859-1"}};
    StatusEntry untouched{};
    StatusList sentinel{7, &untouched};
    for (const auto& [server, name] : cases) {
        SCOPED_TRACE(server);
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        host.charSetName = server;
        host.clearEvents();
        char charSet[ZVI_CHARSET_NAME_SIZE] = "junk";
        EXPECT_EQ(ZVIGetServerCharSet(nullptr, charSet, &sentinel), 0u);
        EXPECT_STREQ(charSet, name);
        EXPECT_EQ(ZVIGetServerCharSet(nullptr, charSet, nullptr), 0u);
        EXPECT_STREQ(charSet, name);
        EXPECT_EQ(host.calls(12616), 1);
        EXPECT_EQ(sentinel.numItems, 7u);
        EXPECT_EQ(sentinel.entries, &untouched);
    }
}

TEST_F(ServerTest, GetServerCharSetAnswersZeroWhenDiscoveryFails) {
    zvi::serverCharSetCode = zvi::kCharSetUnset;
    host.failServerInfo = true;
    char charSet[ZVI_CHARSET_NAME_SIZE] = "junk";
    EXPECT_EQ(ZVIGetServerCharSet(nullptr, charSet, nullptr), 0u);
    EXPECT_STREQ(charSet, "");
    EXPECT_EQ(zvi::serverCharSetCode, zvi::kCharSetUnset);
    host.failServerInfo = false;
    EXPECT_EQ(ZVIGetServerCharSet(nullptr, charSet, nullptr), 0u);  // tries again
    EXPECT_STREQ(charSet, "UTF-8");
    EXPECT_EQ(host.calls(12616), 2);
}

TEST_F(ServerTest, GetServerCharSetAllocationFailureSweep) {
    alloc::sweep([&](const alloc::Window&) {
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        char charSet[ZVI_CHARSET_NAME_SIZE];
        EXPECT_EQ(ZVIGetServerCharSet(&control, charSet, nullptr), 0u);
    });
}

// ---------------------------------------------------------------- ZVICheckStringForKeyword

TEST_F(ServerTest, CheckStringForKeywordPassesItsArgumentsAndKeepsTheCallersMessages) {
    const KeywordRecord record{{0x0102030405060708u, 0x1112131415161718u}};
    const uint64_t word = 0xCAFEF00DDEADBEEFu;
    host.on<CheckStringForKeywordRequest, CheckStringForKeywordResult>(
        13536, [&](CheckStringForKeywordRequest& q, CheckStringForKeywordResult& r) {
            EXPECT_EQ(q.value, 0x8877665544332211u);
            EXPECT_EQ(std::memcmp(&q.record, &record, sizeof record), 0);
            EXPECT_EQ(q.word, word);
            fake::addMessage(r.status, ZVI_ERROR, 20, "keyword");
            return 1u;
        });
    zvi::appendStatus(&status, ZVI_WARNING, 54, "earlier");
    EXPECT_EQ(ZVICheckStringForKeyword(0x8877665544332211u, &record, &word, &status), 2u);
    EXPECT_EQ(messages(status),
              (std::vector<Message>{{2, 20, "keyword", "", false}, catalogMessage(1, 54, "earlier")}));
    EXPECT_EQ(host.events(), (Events{{Event::Service, 13536}}));  // no control record, no hooks
}

TEST_F(ServerTest, CheckStringForKeywordSendsZerosForMissingArgumentsAndKeepsHostMessagesOnFailure) {
    host.on<CheckStringForKeywordRequest, CheckStringForKeywordResult>(
        13536, [](CheckStringForKeywordRequest& q, CheckStringForKeywordResult& r) {
            EXPECT_EQ(q.record.words[0] | q.record.words[1] | q.word, 0u);
            fake::addMessage(r.status, ZVI_WARNING, 21, "no keyword");
            return 0u;
        });
    EXPECT_EQ(ZVICheckStringForKeyword(1, nullptr, nullptr, &status), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, 9905, "ZVICheckStringForKeyword"),
                                                      {1, 21, "no keyword", "", false}}));
}

// ---------------------------------------------------------------- ZVIExecuteProcess

TEST_F(ServerTest, ExecuteProcessWantsAResultWhenEitherOutputIsGiven) {
    char command[] = "";  // an empty command still reaches the host
    char* hostText = nullptr;
    uint32_t wanted = 99;
    host.on<ExecuteProcessRequest, ExecuteProcessResult>(12696, [&](ExecuteProcessRequest& q, ExecuteProcessResult& r) {
        EXPECT_EQ(q.command, command);
        wanted = q.wantResult;
        r.returnStatus = 3;
        r.returnText = hostText = fake::text("done");
        return 1u;
    });
    for (int mask = 0; mask < 4; ++mask) {
        SCOPED_TRACE(mask);
        uint32_t returnStatus = 0;
        char* returnText = nullptr;
        alloc::Window w;
        EXPECT_EQ(ZVIExecuteProcess(&control, command, mask & 1 ? &returnStatus : nullptr,
                                    mask & 2 ? &returnText : nullptr, &status),
                  0u);
        EXPECT_EQ(wanted, mask ? 1u : 0u);
        EXPECT_EQ(returnStatus, mask & 1 ? 3u : 0u);
        EXPECT_EQ(returnText, mask & 2 ? hostText : nullptr);  // moved, not copied
        std::free(returnText);
        EXPECT_EQ(w.liveBlocks(), 0u);  // an unwanted text is freed
    }
    expectContextWords(true);
}

TEST_F(ServerTest, ExecuteProcessFailures) {
    uint32_t returnStatus = 8;
    char* returnText = nullptr;
    EXPECT_EQ(ZVIExecuteProcess(&control, nullptr, &returnStatus, &returnText, &status), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, 117)}));
    EXPECT_EQ(host.calls(12696), 0);
    zvi::releaseStatusList(&status, 0);

    host.on<ExecuteProcessRequest, ExecuteProcessResult>(12696, [](ExecuteProcessRequest&, ExecuteProcessResult& r) {
        fake::addMessage(r.status, ZVI_ERROR, 118, "cannot start");
        return 0u;
    });
    char command[] = "run";
    EXPECT_EQ(ZVIExecuteProcess(&control, command, &returnStatus, &returnText, &status), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, 9905, "ZVIExecuteProcess")}));
    EXPECT_EQ(returnStatus, 8u);
    EXPECT_EQ(returnText, nullptr);
    expectContextWords(false);
}

// ---------------------------------------------------------------- ZVIGetListSQL

TEST_F(ServerTest, GetListSQLChecksItsArgumentsBeforeAnythingElse) {
    char sql[] = "select 1", empty[] = "";
    ValueList stale[1] = {};
    struct Case {
        char* sql;
        bool rows;
        uint32_t number;
    } cases[] = {{nullptr, true, 261}, {empty, true, 261}, {empty, false, 261}, {sql, false, 105}};
    for (const Case& c : cases) {
        ValueListList rows{4, stale};
        EXPECT_EQ(ZVIGetListSQL(&control, c.sql, 10, c.rows ? &rows : nullptr, nullptr, &status), 2u);
        EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, c.number)}));
        EXPECT_EQ(rows.numItems, c.rows ? 0u : 4u);
        EXPECT_TRUE(host.events().empty());  // not even the control conversion
        zvi::releaseStatusList(&status, 0);
    }
}

TEST_F(ServerTest, GetListSQLSendsTheCountMaskAndMovesTheRows) {
    char sql[] = "select name from users";
    uint32_t wantCount = 9;
    ValueList* hostRows = nullptr;
    host.on<GetListSQLRequest, GetListSQLResult>(12688, [&](GetListSQLRequest& q, GetListSQLResult& r) {
        EXPECT_EQ(q.sqlCommand, sql);
        EXPECT_EQ(q.maxRetrieve, 250u);
        wantCount = q.wantCount;
        r.rows.numItems = 2;
        r.rows.items = hostRows = static_cast<ValueList*>(std::calloc(2, sizeof(ValueList)));
        r.numMatches = 40;
        return 1u;
    });
    for (bool count : {false, true}) {
        host.clearEvents();
        ValueListList rows{};
        uint32_t numMatches = 0;
        EXPECT_EQ(ZVIGetListSQL(&control, sql, 250, &rows, count ? &numMatches : nullptr, &status), 0u);
        EXPECT_EQ(wantCount, count ? 1u : 0u);
        EXPECT_EQ(rows.numItems, 2u);
        EXPECT_EQ(rows.items, hostRows);
        EXPECT_EQ(numMatches, count ? 40u : 0u);
        EXPECT_EQ(host.events(), hooked(59, 12688));
        std::free(rows.items);
    }
    expectContextWords(true);
}

// ---------------------------------------------------------------- ZVIWriteTraceLog

TEST_F(ServerTest, WriteTraceLogFormatsTheTextAndPassesTheTraceArguments) {
    const TraceRecord record{{0xA1A2A3A4A5A6A7A8u, 0xB1B2B3B4B5B6B7B8u}};
    std::string seen = "none";
    host.on<WriteTraceLogRequest, StatusResult>(13552, [&](WriteTraceLogRequest& q, StatusResult&) {
        EXPECT_EQ(q.traceValue1, 11u);
        EXPECT_EQ(q.traceValue2, 22u);
        EXPECT_EQ(q.traceFlag1, 1);
        EXPECT_EQ(std::memcmp(&q.traceRecord, &record, sizeof record), 0);
        EXPECT_EQ(q.traceFlag2, 2);
        seen = q.text ? q.text : "null";
        return 1u;
    });
    zvi::appendStatus(&status, ZVI_NOTE, 1, "kept");
    EXPECT_EQ(ZVIWriteTraceLog(&control, 11, 22, 1, &record, 2, &status, "entry %s: %d fields", "000001", 12), 0u);
    EXPECT_EQ(seen, "entry 000001: 12 fields");
    EXPECT_EQ(status.numItems, 1u);  // not reset
    expectContextWords(true);
    EXPECT_EQ(host.events(), (Events{kCallerInfo, {Event::Service, 13552}}));

    host.on<WriteTraceLogRequest, StatusResult>(13552, [&](WriteTraceLogRequest& q, StatusResult&) {
        EXPECT_EQ(q.traceRecord.words[0] | q.traceRecord.words[1], 0u);
        seen = q.text ? q.text : "null";
        return 1u;
    });
    EXPECT_EQ(ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, nullptr), 0u);
    EXPECT_EQ(seen, "null");
}

TEST_F(ServerTest, WriteTraceLogCutsTheTextAtFormatLengthPlus999) {
    size_t length = 0;
    host.on<WriteTraceLogRequest, StatusResult>(13552, [&](WriteTraceLogRequest& q, StatusResult&) {
        length = std::strlen(q.text);
        return 1u;
    });
    const std::string fits(999, 'x'), tooLong(5000, 'y');
    ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, "<%s>", fits.c_str());
    EXPECT_EQ(length, 1001u);
    ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, "<%s>", tooLong.c_str());
    EXPECT_EQ(length, 4u + 999);
}

TEST_F(ServerTest, WriteTraceLogFailureKeepsTheHostsMessages) {
    host.on<WriteTraceLogRequest, StatusResult>(13552, [](WriteTraceLogRequest&, StatusResult& r) {
        fake::addMessage(r.status, ZVI_NOTE, 3, "trace full");
        return 0u;
    });
    EXPECT_EQ(ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, "%d", 1), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, 9905, "ZVIWriteTraceLog"),
                                                      {0, 3, "trace full", "", false}}));
    expectContextWords(false);
}

// ---------------------------------------------------------------- ZVIGetServerProps

TEST_F(ServerTest, GetServerPropsCallsTheHostDirectlyAndLeavesTheContextWords) {
    host.on<GetServerPropsRequest, GetServerPropsResult>(13448, [&](GetServerPropsRequest& q, GetServerPropsResult& r) {
        EXPECT_NE(q.requestList.items, ids.items);
        fillIdValues(r.props, q.requestList);
        return 1u;
    });
    StatusEntry dropped{ZVI_ERROR, 1, nullptr, nullptr};
    status = {1, &dropped};  // reset without being released
    PropList props{};
    alloc::Window w;
    EXPECT_EQ(ZVIGetServerProps(&control, &ids, &props, &status), 0u);
    EXPECT_EQ(w.sizes().front(), 12u);  // exact copy
    EXPECT_EQ(status.numItems, 0u);
    ASSERT_EQ(props.numItems, 3u);
    EXPECT_EQ(props.items[1].propId, 7u);
    expectContextWords(false);
    EXPECT_EQ(host.events(), (Events{kCallerInfo, {Event::Service, 13448}}));
    releaseIdValues(props);

    IdList empty{0, ids_};
    for (IdList* list : {static_cast<IdList*>(nullptr), &empty}) {
        EXPECT_EQ(ZVIGetServerProps(&control, list, nullptr, &status), 0u);  // unwanted list released
        EXPECT_EQ(status.numItems, 0u);
    }
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST_F(ServerTest, GetServerPropsFailureKeepsTheHostsMessagesAndCreatesNoAllocationContext) {
    host.on<GetServerPropsRequest, GetServerPropsResult>(13448, [](GetServerPropsRequest& q, GetServerPropsResult& r) {
        EXPECT_EQ(q.requestList.numItems, 0u);
        EXPECT_EQ(q.requestList.items, nullptr);
        fake::addMessage(r.status, ZVI_WARNING, 4, "unknown property");
        return 0u;
    });
    bool hadContext = true;
    std::thread([&] {
        StatusList s{};
        EXPECT_EQ(ZVIGetServerProps(&control, nullptr, nullptr, &s), 2u);
        EXPECT_EQ(messages(s), (std::vector<Message>{catalogMessage(2, 9905, "ZVIGetServerProps"),
                                                     {1, 4, "unknown property", "", false}}));
        zvi::releaseStatusList(&s, 0);
        hadContext = zvi::rpc::getThreadContext() != nullptr;
    }).join();
    EXPECT_FALSE(hadContext);
}

// ---------------------------------------------------------------- every operation

struct Operation {
    const char* name;
    bool rejected;  // an argument check fails before the host is called
    std::function<uint32_t(StatusList*)> call;
};

class ServerOperationsTest : public ServerTest {
protected:
    std::vector<Operation> operations() {
        return {
            {"GetServerInfo", false, [&](StatusList* s) { return ZVIGetServerInfo(&control, &ids, &info, s); }},
            {"GetServerInfo unwanted", false, [&](StatusList* s) { return ZVIGetServerInfo(&control, &ids, nullptr, s); }},
            {"CheckStringForKeyword", false, [&](StatusList* s) { return ZVICheckStringForKeyword(1, nullptr, &word, s); }},
            {"ExecuteProcess", false, [&](StatusList* s) { return ZVIExecuteProcess(&control, sql, nullptr, &text, s); }},
            {"ExecuteProcess unwanted", false, [&](StatusList* s) { return ZVIExecuteProcess(&control, sql, nullptr, nullptr, s); }},
            {"ExecuteProcess no command", true, [&](StatusList* s) { return ZVIExecuteProcess(&control, nullptr, nullptr, nullptr, s); }},
            {"GetListSQL", false, [&](StatusList* s) { return ZVIGetListSQL(&control, sql, 0, &rows, &numMatches, s); }},
            {"GetListSQL no rows", true, [&](StatusList* s) { return ZVIGetListSQL(&control, sql, 0, nullptr, nullptr, s); }},
            {"WriteTraceLog", false, [&](StatusList* s) { return ZVIWriteTraceLog(&control, 1, 2, 3, nullptr, 4, s, "%s", sql); }},
            {"GetServerProps", false, [&](StatusList* s) { return ZVIGetServerProps(&control, &ids, &props, s); }},
            {"GetServerProps unwanted", false, [&](StatusList* s) { return ZVIGetServerProps(&control, &ids, nullptr, s); }},
        };
    }
    // Host routines that return what a server returns: lists, texts and a message.
    void scriptHost(uint32_t ok) {
        auto message = [](StatusList& s) { fake::addMessage(s, ZVI_WARNING, 9, "host", "detail"); };
        host.on<GetServerInfoRequest, GetServerInfoResult>(12616, [=](GetServerInfoRequest& q, GetServerInfoResult& r) {
            if (ok) fillIdValues(r.serverInfo, q.requestList);
            return message(r.status), ok;
        });
        host.on<CheckStringForKeywordRequest, CheckStringForKeywordResult>(
            13536, [=](CheckStringForKeywordRequest&, CheckStringForKeywordResult& r) { return message(r.status), ok; });
        host.on<ExecuteProcessRequest, ExecuteProcessResult>(12696, [=](ExecuteProcessRequest&, ExecuteProcessResult& r) {
            if (ok) r.returnText = fake::text("output");
            return message(r.status), ok;
        });
        host.on<GetListSQLRequest, GetListSQLResult>(12688, [=](GetListSQLRequest&, GetListSQLResult& r) {
            if (ok) r.rows = {1, static_cast<ValueList*>(std::calloc(1, sizeof(ValueList)))};
            return message(r.status), ok;
        });
        host.on<WriteTraceLogRequest, StatusResult>(
            13552, [=](WriteTraceLogRequest&, StatusResult& r) { return message(r.status), ok; });
        host.on<GetServerPropsRequest, GetServerPropsResult>(13448, [=](GetServerPropsRequest& q, GetServerPropsResult& r) {
            if (ok) fillIdValues(r.props, q.requestList);
            return message(r.status), ok;
        });
    }
    void releaseOutputs() {
        releaseIdValues(info);
        releaseIdValues(props);
        std::free(rows.items);
        rows = {};
        std::free(text);
        text = nullptr;
    }
    ServerInfoList info{};
    PropList props{};
    ValueListList rows{};
    uint32_t numMatches = 0;
    uint64_t word = 1;
    char* text = nullptr;
    char sql[8] = "select";
};

TEST_F(ServerOperationsTest, NullStatusReturns4WithoutCallingTheHost) {
    for (const Operation& op : operations()) EXPECT_EQ(op.call(nullptr), 4u) << op.name;
    EXPECT_TRUE(host.events().empty());
}

// Each operation, with the host succeeding and failing, through every allocation
// failure: the defined result, and nothing left behind once the caller has released
// its outputs. The host's own allocations are never failed, but they are tracked.
TEST_F(ServerOperationsTest, AllocationFailureSweep) {
    for (uint32_t ok : {1u, 0u}) {
        scriptHost(ok);
        for (const Operation& op : operations()) {
            SCOPED_TRACE(std::string(op.name) + (ok ? "" : ", host fails"));
            const uint32_t expected = op.rejected || !ok ? 2 : 1;
            alloc::sweep([&](const alloc::Window& w) {
                StatusList s{};
                const uint32_t rc = op.call(&s);
                if (!w.failed()) {
                    EXPECT_EQ(rc, expected);
                } else {
                    // 300: a copy failed; 3: a message could not be recorded; 2: the
                    // trace text could not be allocated (message 300).
                    EXPECT_TRUE(rc == 300 || rc == 3 || rc == 2) << rc;
                }
                zvi::releaseStatusList(&s, 0);
                releaseOutputs();
            });
        }
    }
}

}  // namespace
