/* Users, groups, roles and application state: lists the server keeps about the
 * people and applications it serves, the caller's own user flags, and the state of an
 * application. */
#ifndef ZVI_ACCESS_H
#define ZVI_ACCESS_H

#include "zvi/base.h"

ZVI_EXTERN_C_BEGIN

/* A list whose items the server lays out: moved to the caller unchanged. The caller
 * owns it and frees its items array (the library never reads the items). */
typedef struct ServerList {
    uint32_t numItems;
    void* items;
} ServerList;
ZVI_SIZE(ServerList, 16);
ZVI_AT(ServerList, items, 8);
typedef ServerList GroupList;
typedef ServerList UserList;
typedef ServerList RoleList;
typedef ServerList ApplicationStateList;
typedef ServerList ApplicationMessageList;

/* Every list output is required (error 105 without it); its count is set to 0 at
 * entry, except for the application messages. Names are copied into 255-byte buffers
 * (at most 254 characters); a null name is sent empty. userArgument is passed on as
 * it is. */
ZVI_API uint32_t ZVIGetListGroup(ControlRecord* control, char* userName, void* userArgument, GroupList* groups,
                                 StatusList* status);
/* userListKind 0 to 2 (235 otherwise). */
ZVI_API uint32_t ZVIGetListUser(ControlRecord* control, uint32_t userListKind, uint32_t sinceTime, UserList* users,
                                StatusList* status);
/* The three flags given are set to 0 at entry and to the server's bytes on success. */
ZVI_API uint32_t ZVIVerifyUser(ControlRecord* control, uint8_t* userFlag1, uint8_t* userFlag2, uint8_t* userFlag3,
                               StatusList* status);
ZVI_API uint32_t ZVIGetListRole(ControlRecord* control, char* applicationName, char* userName, void* userArgument,
                                RoleList* roles, StatusList* status);
ZVI_API uint32_t ZVIGetListApplicationState(ControlRecord* control, ApplicationStateList* states,
                                            StatusList* status);
/* stateName: a 255-byte buffer, required (error 105 without it); on success it holds
 * at most 254 characters and its byte 254 is 0. */
ZVI_API uint32_t ZVIGetApplicationState(ControlRecord* control, char* applicationName, char* stateName,
                                        StatusList* status);
/* Changes the server's caches: refused on threads the server does not accept. */
ZVI_API uint32_t ZVISetApplicationState(ControlRecord* control, char* applicationName, char* stateName,
                                        StatusList* status);
ZVI_API uint32_t ZVIGetApplicationMessages(ControlRecord* control, char* applicationName,
                                           ApplicationMessageList* messages, StatusList* status);

ZVI_EXTERN_C_END

#endif
