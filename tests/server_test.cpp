// Server information and utility operations: what the host receives, what the caller
// gets back, the frame variant each follows, and every failure.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "platform/zvrpc.h"
#include "tests/support/fixtures.h"
#include "types/types.h"

using namespace testing_support;
using fake::Event;

namespace {

const Message kHostMessage{1, 9, "host", "detail", true};

void setId(ServerInfo& item, uint32_t id) { item.infoId = id; }
void setId(Prop& item, uint32_t id) { item.propId = id; }

// A host list of (identifier, text value) items, each text the identifier in decimal.
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

// How an operation's frame differs from the standard one (control record, context words
// written back, host messages dropped on failure, status list reset).
enum : unsigned { kControl = 1, kWriteBack = 2, kKeepsHostMessages = 4, kKeepsCallerStatus = 8, kRejected = 16 };
const unsigned kStandard = kControl | kWriteBack;

struct Operation {
    const char* name;  // also the text of the failure message
    uint32_t opcode;   // 0: no enter/leave hooks
    uint32_t slot;
    unsigned traits;  // kRejected: an argument check fails before the host is called
    std::function<uint32_t(StatusList*)> call;
};

class ServerTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        control.contextWord0 = 5;
        control.contextWord1 = 6;
    }
    // Every operation, and calls whose argument check fails.
    std::vector<Operation> operations() {
        return {
            {"ZVIGetServerInfo", 36, 12616, kStandard,
             [&](StatusList* s) { return ZVIGetServerInfo(&control, &ids, &info, s); }},
            {"ZVICheckStringForKeyword", 0, 13536, kKeepsHostMessages | kKeepsCallerStatus,
             [&](StatusList* s) { return ZVICheckStringForKeyword(1, nullptr, &word, s); }},
            {"ZVIExecuteProcess", 61, 12696, kStandard,
             [&](StatusList* s) { return ZVIExecuteProcess(&control, sql, &number, &text, s); }},
            {"ZVIExecuteProcess", 61, 12696, kRejected,
             [&](StatusList* s) { return ZVIExecuteProcess(&control, nullptr, nullptr, nullptr, s); }},
            {"ZVIGetListSQL", 59, 12688, kStandard,
             [&](StatusList* s) { return ZVIGetListSQL(&control, sql, 0, &rows, &number, s); }},
            {"ZVIGetListSQL", 59, 12688, kRejected,
             [&](StatusList* s) { return ZVIGetListSQL(&control, sql, 0, nullptr, nullptr, s); }},
            {"ZVIWriteTraceLog", 0, 13552, kStandard | kKeepsHostMessages | kKeepsCallerStatus,
             [&](StatusList* s) { return ZVIWriteTraceLog(&control, 1, 2, 3, nullptr, 4, s, "%s", sql); }},
            {"ZVIGetServerProps", 0, 13448, kControl | kKeepsHostMessages,
             [&](StatusList* s) { return ZVIGetServerProps(&control, &ids, &props, s); }},
        };
    }
    // Host routines that keep what they receive and answer ok with a warning and, on
    // success, what a server returns: lists of the requested identifiers, a text, numbers.
    void scriptHost(uint32_t ok) {
        auto answer = [ok](StatusList& s) {
            fake::addMessage(s, ZVI_WARNING, 9, "host", "detail");
            return ok;
        };
        auto copied = [this](const IdList& list) {
            EXPECT_TRUE(list.numItems ? list.items != ids.items : list.items == nullptr);
        };
        host.on<GetServerInfoRequest, GetServerInfoResult>(12616, [=](auto& q, auto& r) {
            copied(q.requestList);
            if (ok) fillIdValues(r.serverInfo, q.requestList);
            return answer(r.status);
        });
        host.on<GetServerPropsRequest, GetServerPropsResult>(13448, [=](auto& q, auto& r) {
            copied(q.requestList);
            if (ok) fillIdValues(r.props, q.requestList);
            return answer(r.status);
        });
        host.on<CheckStringForKeywordRequest, CheckStringForKeywordResult>(13536, [=](auto& q, auto& r) {
            keywordSeen = q;
            return answer(r.status);
        });
        host.on<ExecuteProcessRequest, ExecuteProcessResult>(12696, [=](auto& q, auto& r) {
            processSeen = q;
            r.returnStatus = 3;
            if (ok) r.returnText = hostText = fake::text("output");
            return answer(r.status);
        });
        host.on<GetListSQLRequest, GetListSQLResult>(12688, [=](auto& q, auto& r) {
            sqlSeen = q;
            if (ok) r.rows = {1, hostRows = static_cast<ValueList*>(std::calloc(1, sizeof(ValueList)))};
            r.numMatches = 40;
            return answer(r.status);
        });
        host.on<WriteTraceLogRequest, StatusResult>(13552, [=](auto& q, auto& r) {
            traceSeen = q;
            traceText = q.text ? q.text : "null";
            return answer(r.status);
        });
    }
    // Releases the messages of a call, passing its result on.
    uint32_t released(uint32_t rc) {
        zvi::releaseStatusList(&status, 0);
        return rc;
    }
    void releaseOutputs() {
        releaseIdValues(info);
        releaseIdValues(props);
        std::free(rows.items);
        rows = {};
        std::free(text);
        text = nullptr;
    }

    uint32_t ids_[3] = {55, 7, 70000};
    IdList ids{3, ids_};
    ServerInfoList info{};
    PropList props{};
    ValueListList rows{};
    uint32_t number = 0;
    uint64_t word = 1;
    char* text = nullptr;
    char sql[8] = "select";
    // What the host received and returned.
    CheckStringForKeywordRequest keywordSeen{};
    ExecuteProcessRequest processSeen{};
    GetListSQLRequest sqlSeen{};
    WriteTraceLogRequest traceSeen{};
    std::string traceText;
    char* hostText = nullptr;
    ValueList* hostRows = nullptr;
};

// Each operation, the host succeeding and failing. Through every allocation failure: the
// defined result, nothing left once the caller has released its outputs. On a new thread:
// result, messages and their order, hooks, context words, the allocation context, outputs
// left on failure; a null status list answers 4 before the host is called.
TEST_F(ServerTest, EveryOperationInBothOutcomes) {
    StatusEntry dropped{ZVI_ERROR, 1, nullptr, nullptr};  // reset without being released
    for (uint32_t ok : {1u, 0u}) {
        scriptHost(ok);
        for (const Operation& op : operations()) {
            SCOPED_TRACE(std::string(op.name) + (ok ? "" : ", host fails"));
            alloc::sweep([&](const alloc::Window& w) {
                StatusList s{};
                const uint32_t rc = op.call(&s);
                if (!w.failed()) {
                    EXPECT_EQ(rc, op.traits & kRejected || !ok ? 2u : 1u);
                } else {
                    // 300: a copy failed; 3: a message could not be recorded; 2: the
                    // trace text could not be allocated (message 300).
                    EXPECT_TRUE(rc == 300 || rc == 3 || rc == 2) << rc;
                }
                zvi::releaseStatusList(&s, 0);
                releaseOutputs();
            });
            if (op.traits & kRejected) continue;
            const bool kept = op.traits & kKeepsCallerStatus;
            if (kept) {
                zvi::appendStatus(&status, ZVI_NOTE, 1, "earlier");
            } else {
                status = {1, &dropped};
            }
            control.contextWord0 = 5;
            control.contextWord1 = 6;
            number = 8;
            host.clearEvents();
            uint32_t rc = 0;
            bool hadContext = false;
            std::thread([&] {
                EXPECT_EQ(op.call(nullptr), 4u);
                rc = op.call(&status);
                hadContext = zvi::rpc::getThreadContext() != nullptr;
            }).join();
            std::vector<Message> expected;
            if (!ok) expected.push_back(catalogMessage(2, 9905, op.name));
            if (ok || op.traits & kKeepsHostMessages) expected.push_back(kHostMessage);
            if (kept) expected.push_back(catalogMessage(0, 1, "earlier"));
            EXPECT_EQ(rc, ok ? 1u : 2u);
            EXPECT_EQ(messages(status), expected);
            const bool written = ok && op.traits & kWriteBack;
            EXPECT_EQ(control.contextWord0, written ? host.contextWord0 : 5);
            EXPECT_EQ(control.contextWord1, written ? host.contextWord1 : 6);
            std::vector<Event> events;
            if (op.traits & kControl) events.push_back({Event::CallerInfo, 1});
            if (op.opcode) events.push_back({Event::Enter, op.opcode});
            events.push_back({Event::Service, op.slot});
            if (op.opcode) events.push_back({Event::Leave, 0});
            EXPECT_EQ(host.events(), events);
            EXPECT_EQ(hadContext, op.slot != 13448);  // ZVIGetServerProps has no allocation-context step
            if (!ok) {
                EXPECT_EQ(number, 8u);
                EXPECT_EQ(text, nullptr);
            }
            zvi::releaseStatusList(&status, 0);
            releaseOutputs();
        }
    }
}

// The host receives the arguments unchanged (texts borrowed), missing ones as zeros; the
// trace text formatted, cut at strlen(format) + 999 characters, null without a format.
TEST_F(ServerTest, ArgumentsReachTheHostUnchanged) {
    scriptHost(1);
    const KeywordRecord keyword{{0x0102030405060708u, 0x1112131415161718u}};
    const TraceRecord trace{{0xA1A2A3A4A5A6A7A8u, 0xB1B2B3B4B5B6B7B8u}};
    word = 0xCAFEF00DDEADBEEFu;
    released(ZVICheckStringForKeyword(0x8877665544332211u, &keyword, &word, &status));
    EXPECT_EQ(keywordSeen.value, 0x8877665544332211u);
    EXPECT_EQ(std::memcmp(&keywordSeen.record, &keyword, sizeof keyword), 0);
    EXPECT_EQ(keywordSeen.word, word);
    released(ZVICheckStringForKeyword(1, nullptr, nullptr, &status));
    EXPECT_EQ(keywordSeen.record.words[0] | keywordSeen.record.words[1] | keywordSeen.word, 0u);

    released(ZVIWriteTraceLog(&control, 11, 22, 1, &trace, 2, &status, "entry %s: %d fields", "000001", 12));
    EXPECT_EQ(traceText, "entry 000001: 12 fields");
    EXPECT_EQ(traceSeen.traceValue1, 11u);
    EXPECT_EQ(traceSeen.traceValue2, 22u);
    EXPECT_EQ(traceSeen.traceFlag1, 1);
    EXPECT_EQ(std::memcmp(&traceSeen.traceRecord, &trace, sizeof trace), 0);
    EXPECT_EQ(traceSeen.traceFlag2, 2);
    released(ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, nullptr));
    EXPECT_EQ(traceText, "null");
    EXPECT_EQ(traceSeen.traceRecord.words[0] | traceSeen.traceRecord.words[1], 0u);
    const std::string fits(999, 'x'), tooLong(5000, 'y');
    released(ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, "<%s>", fits.c_str()));
    EXPECT_EQ(traceText.size(), 1001u);
    released(ZVIWriteTraceLog(&control, 0, 0, 0, nullptr, 0, &status, "<%s>", tooLong.c_str()));
    EXPECT_EQ(traceText.size(), 4u + 999);

    char empty[] = "";  // an empty command still reaches the host
    released(ZVIExecuteProcess(&control, empty, nullptr, nullptr, &status));
    EXPECT_EQ(processSeen.command, empty);
    released(ZVIGetListSQL(&control, sql, 250, &rows, nullptr, &status));
    EXPECT_EQ(sqlSeen.sqlCommand, sql);
    EXPECT_EQ(sqlSeen.maxRetrieve, 250u);
    releaseOutputs();
}

// Outputs are written only when given: lists and texts moved, an unwanted text or list
// freed, the identifier lists sent as exact copies. A failed call clears the info count.
TEST_F(ServerTest, OutputsAreMovedOnlyWhenGiven) {
    scriptHost(1);
    for (int mask = 0; mask < 4; ++mask) {
        SCOPED_TRACE(mask);
        uint32_t returnStatus = 0, numMatches = 0;
        alloc::Window w;
        EXPECT_EQ(released(ZVIGetServerInfo(&control, &ids, mask & 1 ? &info : nullptr, &status)), 1u);
        EXPECT_EQ(w.sizes().front(), 12u);  // exactly three identifiers
        EXPECT_EQ(
            released(ZVIGetServerProps(&control, mask & 1 ? &ids : nullptr, mask & 2 ? &props : nullptr, &status)), 1u);
        EXPECT_EQ(released(ZVIExecuteProcess(&control, sql, mask & 1 ? &returnStatus : nullptr,
                                             mask & 2 ? &text : nullptr, &status)),
                  1u);
        EXPECT_EQ(released(ZVIGetListSQL(&control, sql, 0, &rows, mask & 1 ? &numMatches : nullptr, &status)), 1u);
        EXPECT_EQ(info.numItems, mask & 1 ? 3u : 0u);
        EXPECT_EQ(props.numItems, mask == 3 ? 3u : 0u);
        if (mask == 3) {
            EXPECT_STREQ(info.items[2].value.payload.text, "70000");
            EXPECT_EQ(props.items[1].propId, 7u);
        }
        EXPECT_EQ(processSeen.wantResult, mask ? 1u : 0u);
        EXPECT_EQ(returnStatus, mask & 1 ? 3u : 0u);
        EXPECT_EQ(text, mask & 2 ? hostText : nullptr);
        EXPECT_EQ(sqlSeen.wantCount, mask & 1u);
        EXPECT_EQ(numMatches, mask & 1 ? 40u : 0u);
        EXPECT_EQ(rows.numItems, 1u);
        EXPECT_EQ(rows.items, hostRows);
        releaseOutputs();
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
    scriptHost(0);
    ServerInfo stale[1] = {};
    info = {1, stale};
    EXPECT_EQ(released(ZVIGetServerInfo(&control, nullptr, &info, &status)), 2u);
    EXPECT_EQ(info.numItems, 0u);
    EXPECT_EQ(info.items, stale);
    info = {};
}

// A missing command or SQL text, or missing rows: the host is not called; ZVIGetListSQL
// checks before even converting the control record, after clearing the row count.
TEST_F(ServerTest, ArgumentChecks) {
    char empty[] = "";
    ValueList stale[1] = {};
    struct Case {
        char* sql;
        bool rows;
        uint32_t number;
    } cases[] = {{nullptr, true, 261}, {empty, true, 261}, {empty, false, 261}, {sql, false, 105}};
    for (const Case& c : cases) {
        rows = {4, stale};
        EXPECT_EQ(ZVIGetListSQL(&control, c.sql, 10, c.rows ? &rows : nullptr, nullptr, &status), 2u);
        EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, c.number)}));
        EXPECT_EQ(rows.numItems, c.rows ? 0u : 4u);
        EXPECT_TRUE(host.events().empty());
        zvi::releaseStatusList(&status, 0);
    }
    rows = {};
    EXPECT_EQ(ZVIExecuteProcess(&control, nullptr, &number, &text, &status), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(2, 117)}));
    EXPECT_EQ(host.calls(12696), 0);
}

// Runs the discovery only while the code is unset (the mapping itself is the frame's) and
// writes the family's name; the status list, even a null one, is not touched. A failed
// discovery answers the empty name.
TEST_F(ServerTest, GetServerCharSetNamesTheDiscoveredFamily) {
    zvi::serverCharSetCode = zvi::kCharSetUnset;
    host.charSetName = "SJIS-win";
    StatusEntry untouched{};
    StatusList sentinel{7, &untouched};
    char charSet[ZVI_CHARSET_NAME_SIZE] = "junk";
    for (StatusList* s : {&sentinel, static_cast<StatusList*>(nullptr)}) {
        EXPECT_EQ(ZVIGetServerCharSet(nullptr, charSet, s), 0u);
        EXPECT_STREQ(charSet, "SJIS");
    }
    EXPECT_EQ(host.calls(12616), 1);
    EXPECT_EQ(sentinel.numItems, 7u);
    EXPECT_EQ(sentinel.entries, &untouched);
    zvi::serverCharSetCode = zvi::kCharSetUnset;
    host.failServerInfo = true;
    EXPECT_EQ(ZVIGetServerCharSet(nullptr, charSet, nullptr), 0u);
    EXPECT_STREQ(charSet, "");
    EXPECT_EQ(zvi::serverCharSetCode, zvi::kCharSetUnset);
    host.failServerInfo = false;
    alloc::sweep([&](const alloc::Window&) {
        zvi::serverCharSetCode = zvi::kCharSetUnset;
        EXPECT_EQ(ZVIGetServerCharSet(&control, charSet, nullptr), 0u);
    });
}

}  // namespace
