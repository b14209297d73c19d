/* Request and result records of the user, group, role and application-state
 * operations. Names travel in 255-byte buffers of the request. */
#ifndef ZVI_RECORDS_ACCESS_H
#define ZVI_RECORDS_ACCESS_H

#include "zvi/access.h"
#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

typedef struct GetListGroupRequest {
    RequestControl control;
    ObjectName userName;
    void* userArgument;
} GetListGroupRequest;
ZVI_SIZE(GetListGroupRequest, 432);
ZVI_AT(GetListGroupRequest, userName, 168);
ZVI_AT(GetListGroupRequest, userArgument, 424);

typedef struct GetListUserRequest {
    RequestControl control;
    uint32_t userListKind;
    uint32_t sinceTime;
} GetListUserRequest;
ZVI_SIZE(GetListUserRequest, 176);
ZVI_AT(GetListUserRequest, userListKind, 168);
ZVI_AT(GetListUserRequest, sinceTime, 172);

typedef struct GetListRoleRequest {
    RequestControl control;
    ObjectName applicationName;
    ObjectName userName;
    void* userArgument;
} GetListRoleRequest;
ZVI_SIZE(GetListRoleRequest, 688);
ZVI_AT(GetListRoleRequest, applicationName, 168);
ZVI_AT(GetListRoleRequest, userName, 423);
ZVI_AT(GetListRoleRequest, userArgument, 680);

/* ZVIGetApplicationState and ZVIGetApplicationMessages. */
typedef struct ApplicationRequest {
    RequestControl control;
    ObjectName applicationName;
} ApplicationRequest;
ZVI_SIZE(ApplicationRequest, 424);
ZVI_AT(ApplicationRequest, applicationName, 168);

typedef struct SetApplicationStateRequest {
    RequestControl control;
    ObjectName applicationName;
    ObjectName stateName;
} SetApplicationStateRequest;
ZVI_SIZE(SetApplicationStateRequest, 680);
ZVI_AT(SetApplicationStateRequest, applicationName, 168);
ZVI_AT(SetApplicationStateRequest, stateName, 423);

/* ZVIVerifyUser and ZVIGetListApplicationState send the control head alone. */
typedef struct ControlOnlyRequest {
    RequestControl control;
} ControlOnlyRequest;
ZVI_SIZE(ControlOnlyRequest, 168);

/* The five list operations. */
typedef struct ServerListResult {
    ResultControl control;
    ServerList list;
    StatusList status;
} ServerListResult;
ZVI_SIZE(ServerListResult, 200);
ZVI_AT(ServerListResult, list, 168);
ZVI_AT(ServerListResult, status, 184);

typedef struct VerifyUserResult {
    ResultControl control;
    uint8_t userFlag1;
    uint8_t userFlag2;
    uint8_t userFlag3;
    StatusList status;
} VerifyUserResult;
ZVI_SIZE(VerifyUserResult, 192);
ZVI_AT(VerifyUserResult, userFlag1, 168);
ZVI_AT(VerifyUserResult, userFlag2, 169);
ZVI_AT(VerifyUserResult, userFlag3, 170);
ZVI_AT(VerifyUserResult, status, 176);

typedef struct GetApplicationStateResult {
    ResultControl control;
    ObjectName stateName;
    StatusList status;
} GetApplicationStateResult;
ZVI_SIZE(GetApplicationStateResult, 440);
ZVI_AT(GetApplicationStateResult, stateName, 168);
ZVI_AT(GetApplicationStateResult, status, 424);

ZVI_EXTERN_C_END

#endif
