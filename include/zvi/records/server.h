/* Request and result records of the server-information operations. */
#ifndef ZVI_RECORDS_SERVER_H
#define ZVI_RECORDS_SERVER_H

#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

enum { ZVI_SERVER_INFO_CHARSET = 55 };

/* One server-information value: identifier, then the value at byte 8. */
typedef struct ServerInfo {
    uint32_t infoId;
    Value value;
} ServerInfo;
ZVI_SIZE(ServerInfo, 24);
ZVI_AT(ServerInfo, value, 8);
ZVI_COUNTED_LIST(ServerInfoList, ServerInfo);

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

ZVI_EXTERN_C_END

#endif
