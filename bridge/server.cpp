// Server information and utility operations.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bridge/frame.h"
#include "bridge/messages.h"
#include "platform/zvutl.h"
#include "types/types.h"
#include "zvi/zvi.h"

using namespace zvi;

namespace {

static_assert(ZVI_CHARSET_NAME_SIZE == utl::kCharSetNameSize);

// The trace text: at most strlen(format) + 999 characters, longer texts are cut.
char* formatTrace(const char* format, va_list args) {
    const size_t size = std::strlen(format) + 1000;
    auto* text = static_cast<char*>(std::malloc(size));
    if (text) std::vsnprintf(text, size, format, args);
    return text;
}

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetServerInfo(ControlRecord* control, IdList* requestList, ServerInfoList* serverInfo,
                                  StatusList* status) {
    if (serverInfo) serverInfo->numItems = 0;
    Call<GetServerInfoRequest, GetServerInfoResult> f(Op::GetServerInfo, control, status);
    if (!f.open()) return f.code();
    if (!f.copy<CopyIdListZeroed, ReleaseIdList>(f.req.requestList, requestList)) return f.code();
    return f.complete([&] { handOver<ReleaseValueItems<ServerInfoList>>(serverInfo, f.res.serverInfo); });
}

ZVI_API uint32_t ZVIGetServerCharSet(ControlRecord*, char* charSet, StatusList*) {
    ensureThreadAllocator();
    if (serverCharSetCode.load(std::memory_order_relaxed) == kCharSetUnset) discoverServerCharSet();
    if (charSet) utl::charSetName(serverCharSetCode.load(std::memory_order_relaxed), charSet);
    return 0;
}

// A missing record reaches the server as zero bytes, and so does a missing word.
ZVI_API uint32_t ZVICheckStringForKeyword(uint64_t value, const KeywordRecord* record, const uint64_t* word,
                                          StatusList* status) {
    Call<CheckStringForKeywordRequest, CheckStringForKeywordResult> f(Op::CheckStringForKeyword, nullptr, status);
    if (!f.open()) return f.code();
    f.req.value = value;
    if (record) f.req.record = *record;
    if (word) f.req.word = *word;
    return f.complete();
}

ZVI_API uint32_t ZVIExecuteProcess(ControlRecord* control, char* command, uint32_t* returnStatus,
                                   char** returnText, StatusList* status) {
    Call<ExecuteProcessRequest, ExecuteProcessResult> f(Op::ExecuteProcess, control, status);
    if (!f.open()) return f.code();
    if (!command) return f.error(msg::kCommandMissing, host.emptyText);
    f.req.command = command;
    f.req.wantResult = returnStatus || returnText;
    return f.complete([&] {
        if (returnStatus) *returnStatus = f.res.returnStatus;
        if (returnText) {
            *returnText = f.res.returnText;
        } else {
            std::free(f.res.returnText);
        }
    });
}

ZVI_API uint32_t ZVIGetListSQL(ControlRecord* control, char* sqlCommand, uint32_t maxRetrieve, ValueListList* rows,
                               uint32_t* numMatches, StatusList* status) {
    if (rows) rows->numItems = 0;
    Call<GetListSQLRequest, GetListSQLResult> f(Op::GetListSQL, control, status);
    if (!f.begin()) return f.code();
    if (!sqlCommand || !*sqlCommand) return f.error(msg::kSqlMissing, host.emptyText);
    if (!rows) return f.error(msg::kRowsOutputMissing, host.emptyText);
    f.convert();
    f.req.sqlCommand = sqlCommand;
    f.req.maxRetrieve = maxRetrieve;
    f.req.wantCount = numMatches != nullptr;
    return f.complete([&] {
        moveList(rows, f.res.rows);
        if (numMatches) *numMatches = f.res.numMatches;
    });
}

// When the text cannot be allocated the call is not made: the server would log an
// empty trace line.
ZVI_API uint32_t ZVIWriteTraceLog(ControlRecord* control, uint32_t traceValue1, uint32_t traceValue2,
                                  uint8_t traceFlag1, const TraceRecord* traceRecord, uint8_t traceFlag2,
                                  StatusList* status, const char* format, ...) {
    Call<WriteTraceLogRequest, StatusResult> f(Op::WriteTraceLog, control, status);
    if (!f.open()) return f.code();
    if (format) {
        va_list args;
        va_start(args, format);
        f.req.text = formatTrace(format, args);
        va_end(args);
        if (!f.req.text) return f.error(msg::kNoMemory, operation(Op::WriteTraceLog).failureText);
        f.track(f.req.text, std::free);
    }
    f.req.traceValue1 = traceValue1;
    f.req.traceValue2 = traceValue2;
    f.req.traceFlag1 = traceFlag1;
    if (traceRecord) f.req.traceRecord = *traceRecord;
    f.req.traceFlag2 = traceFlag2;
    return f.complete();
}

ZVI_API uint32_t ZVIGetServerProps(ControlRecord* control, IdList* propIds, PropList* props, StatusList* status) {
    Call<GetServerPropsRequest, GetServerPropsResult> f(Op::GetServerProps, control, status);
    if (!f.open()) return f.code();
    if (!f.copy<CopyIdListExact, ReleaseIdList>(f.req.requestList, propIds)) return f.code();
    return f.complete([&] { handOver<ReleaseValueItems<PropList>>(props, f.res.props); });
}

}  // extern "C"
