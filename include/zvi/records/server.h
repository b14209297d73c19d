/* Request and result records of the server-information operations. */
#ifndef ZVI_RECORDS_SERVER_H
#define ZVI_RECORDS_SERVER_H

#include "zvi/host.h"
#include "zvi/server.h"

ZVI_EXTERN_C_BEGIN

typedef struct GetServerInfoRequest {
    RequestControl control;
    IdList requestList; /* deep copy */
} GetServerInfoRequest;
ZVI_SIZE(GetServerInfoRequest, 184);
ZVI_AT(GetServerInfoRequest, requestList, 168);

typedef struct GetServerInfoResult {
    ResultControl control;
    ServerInfoList serverInfo;
    StatusList status;
} GetServerInfoResult;
ZVI_SIZE(GetServerInfoResult, 200);
ZVI_AT(GetServerInfoResult, serverInfo, 168);
ZVI_AT(GetServerInfoResult, status, 184);

typedef struct ExecuteProcessRequest {
    RequestControl control;
    const char* command; /* the caller's pointer */
    uint32_t wantResult; /* 1 when returnStatus or returnText is wanted */
} ExecuteProcessRequest;
ZVI_SIZE(ExecuteProcessRequest, 184);
ZVI_AT(ExecuteProcessRequest, command, 168);
ZVI_AT(ExecuteProcessRequest, wantResult, 176);

typedef struct ExecuteProcessResult {
    ResultControl control;
    uint32_t returnStatus;
    uint8_t unread[12];
    char* returnText;
    StatusList status;
} ExecuteProcessResult;
ZVI_SIZE(ExecuteProcessResult, 208);
ZVI_AT(ExecuteProcessResult, returnStatus, 168);
ZVI_AT(ExecuteProcessResult, returnText, 184);
ZVI_AT(ExecuteProcessResult, status, 192);

typedef struct GetListSQLRequest {
    RequestControl control;
    const char* sqlCommand; /* the caller's pointer */
    uint32_t maxRetrieve;
    uint32_t wantCount; /* 1 when numMatches is wanted */
} GetListSQLRequest;
ZVI_SIZE(GetListSQLRequest, 184);
ZVI_AT(GetListSQLRequest, sqlCommand, 168);
ZVI_AT(GetListSQLRequest, maxRetrieve, 176);
ZVI_AT(GetListSQLRequest, wantCount, 180);

typedef struct GetListSQLResult {
    ResultControl control;
    ValueListList rows;
    uint32_t numMatches;
    StatusList status;
} GetListSQLResult;
ZVI_SIZE(GetListSQLResult, 208);
ZVI_AT(GetListSQLResult, rows, 168);
ZVI_AT(GetListSQLResult, numMatches, 184);
ZVI_AT(GetListSQLResult, status, 192);

typedef struct WriteTraceLogRequest {
    RequestControl control;
    uint32_t traceValue1;
    uint32_t traceValue2;
    uint8_t traceFlag1;
    TraceRecord traceRecord; /* zero when the caller gave none */
    uint8_t traceFlag2;
    char* text;              /* formatted for this call, null without a format */
    uint8_t unread[8];
} WriteTraceLogRequest; /* answered with a StatusResult */
ZVI_SIZE(WriteTraceLogRequest, 224);
ZVI_AT(WriteTraceLogRequest, traceValue2, 172);
ZVI_AT(WriteTraceLogRequest, traceFlag1, 176);
ZVI_AT(WriteTraceLogRequest, traceRecord, 184);
ZVI_AT(WriteTraceLogRequest, traceFlag2, 200);
ZVI_AT(WriteTraceLogRequest, text, 208);

/* requestList: the wanted property identifiers. */
typedef GetServerInfoRequest GetServerPropsRequest;

typedef struct GetServerPropsResult {
    ResultControl control;
    PropList props;
    StatusList status;
} GetServerPropsResult;
ZVI_SIZE(GetServerPropsResult, 200);
ZVI_AT(GetServerPropsResult, props, 168);
ZVI_AT(GetServerPropsResult, status, 184);

/* No control record: the caller's three arguments, passed unchanged. */
typedef struct CheckStringForKeywordRequest {
    uint64_t value;
    KeywordRecord record; /* zero when the caller gave none */
    uint64_t word;
} CheckStringForKeywordRequest;
ZVI_SIZE(CheckStringForKeywordRequest, 32);
ZVI_AT(CheckStringForKeywordRequest, record, 8);
ZVI_AT(CheckStringForKeywordRequest, word, 24);

typedef struct CheckStringForKeywordResult {
    StatusList status;
    uint8_t unread[16];
} CheckStringForKeywordResult;
ZVI_SIZE(CheckStringForKeywordResult, 32);
ZVI_AT(CheckStringForKeywordResult, status, 0);

ZVI_EXTERN_C_END

#endif
