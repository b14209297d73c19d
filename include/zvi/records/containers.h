/* Request and result records of the container operations. Texts are the caller's
 * pointers or, for a text not given, an empty text of the library's own. */
#ifndef ZVI_RECORDS_CONTAINERS_H
#define ZVI_RECORDS_CONTAINERS_H

#include "zvi/containers.h"
#include "zvi/host.h"
#include "zvi/records/forms.h"
#include "zvi/records/workflow_objects.h"

ZVI_EXTERN_C_BEGIN

/* The container's definition as Set and Create send it, laid out alike in both
 * requests from the offset `at` on. */
#define ZVI_CONTAINER_DEFINITION                                                       \
    PermissionList permissions; /* deep copies */                                      \
    IdList groupList;                                                                  \
    ContainerOwnerList ownerObjects;                                                   \
    const char* label;                                                                 \
    const char* description;                                                           \
    uint32_t containerType;                                                            \
    ContainerReferenceList references; /* deep copy */                                 \
    uint8_t removeFlag;                                                                \
    ZVI_DEFINITION_TEXTS;                                                              \
    uint8_t reserved[16]
#define ZVI_CONTAINER_DEFINITION_AT(T, at)                                             \
    ZVI_AT(T, permissions, at);                                                        \
    ZVI_AT(T, groupList, (at) + 16);                                                   \
    ZVI_AT(T, ownerObjects, (at) + 32);                                                \
    ZVI_AT(T, label, (at) + 48);                                                       \
    ZVI_AT(T, description, (at) + 56);                                                 \
    ZVI_AT(T, containerType, (at) + 64);                                               \
    ZVI_AT(T, references, (at) + 72);                                                  \
    ZVI_AT(T, removeFlag, (at) + 88);                                                  \
    ZVI_DEFINITION_TEXTS_AT(T, (at) + 96);                                             \
    ZVI_AT(T, reserved, (at) + 136)

typedef struct SetContainerRequest {
    ZVI_SET_REQUEST_HEAD;
    ZVI_CONTAINER_DEFINITION;
} SetContainerRequest;
ZVI_SIZE(SetContainerRequest, 344);
ZVI_SET_REQUEST_HEAD_AT(SetContainerRequest);
ZVI_CONTAINER_DEFINITION_AT(SetContainerRequest, 192); /* objectProperties at 312 */
typedef StatusResult SetContainerResult;

typedef struct CreateContainerRequest {
    RequestControl control;
    const char* name;
    uint8_t reserved0[8];
    ZVI_CONTAINER_DEFINITION;
} CreateContainerRequest;
ZVI_SIZE(CreateContainerRequest, 336);
ZVI_AT(CreateContainerRequest, name, 168);
ZVI_AT(CreateContainerRequest, reserved0, 176);
ZVI_CONTAINER_DEFINITION_AT(CreateContainerRequest, 184); /* objectProperties at 304 */
typedef StatusResult CreateContainerResult;

typedef struct GetContainerRequest {
    RequestControl control;
    const char* name;
    uint32_t wantedMask;
    IdList referenceTypes; /* deep copy */
} GetContainerRequest;
ZVI_SIZE(GetContainerRequest, 200);
ZVI_AT(GetContainerRequest, name, 168);
ZVI_AT(GetContainerRequest, wantedMask, 176);
ZVI_AT(GetContainerRequest, referenceTypes, 184);

typedef struct GetContainerResult {
    ResultControl control;
    PermissionList unusedPermissions; /* not handed over */
    PermissionList permissions;
    IdList groupList;
    ContainerOwnerList ownerObjects;
    CountedText label;
    CountedText description;
    uint32_t containerType;
    ContainerReferenceList references;
    ZVI_DEFINITION_RESULT_TEXTS;
    StatusList status;
} GetContainerResult;
ZVI_SIZE(GetContainerResult, 872);
ZVI_AT(GetContainerResult, unusedPermissions, 168);
ZVI_AT(GetContainerResult, permissions, 184);
ZVI_AT(GetContainerResult, groupList, 200);
ZVI_AT(GetContainerResult, ownerObjects, 216);
ZVI_AT(GetContainerResult, label, 232);
ZVI_AT(GetContainerResult, description, 248);
ZVI_AT(GetContainerResult, containerType, 264);
ZVI_AT(GetContainerResult, references, 272);
ZVI_DEFINITION_RESULT_TEXTS_AT(GetContainerResult, 288); /* lastChangedBy at 563, objectProperties at 840 */
ZVI_AT(GetContainerResult, status, 856);

/* Delete sends what it sends for every workflow object. */
typedef WorkflowDeleteRequest DeleteContainerRequest;
typedef StatusResult DeleteContainerResult;

typedef struct GetListContainerRequest {
    RequestControl control;
    uint32_t sinceTime;
    IdList containerTypes; /* deep copy */
    uint32_t attributeMask;
    ContainerOwnerList ownerFilter; /* deep copy */
    PropList propertyFilter;        /* deep copy */
    uint32_t reserved;
} GetListContainerRequest;
ZVI_SIZE(GetListContainerRequest, 240);
ZVI_AT(GetListContainerRequest, sinceTime, 168);
ZVI_AT(GetListContainerRequest, containerTypes, 176);
ZVI_AT(GetListContainerRequest, attributeMask, 192);
ZVI_AT(GetListContainerRequest, ownerFilter, 200);
ZVI_AT(GetListContainerRequest, propertyFilter, 216);
ZVI_AT(GetListContainerRequest, reserved, 232);

typedef struct GetListContainerResult {
    ResultControl control;
    ContainerInfoList containers; /* handed over as it is */
    StatusList status;
} GetListContainerResult;
ZVI_SIZE(GetListContainerResult, 200);
ZVI_AT(GetListContainerResult, containers, 168);
ZVI_AT(GetListContainerResult, status, 184);

typedef struct GetMultipleContainersRequest {
    RequestControl control;
    NameList names; /* deep copies, all four */
    uint32_t wantedMask;
    uint32_t sinceTime;
    IdList containerTypes;
    uint32_t attributeMask;
    ContainerOwnerList ownerFilter;
    IdList referenceTypes;
} GetMultipleContainersRequest;
ZVI_SIZE(GetMultipleContainersRequest, 248);
ZVI_AT(GetMultipleContainersRequest, names, 168);
ZVI_AT(GetMultipleContainersRequest, wantedMask, 184);
ZVI_AT(GetMultipleContainersRequest, sinceTime, 188);
ZVI_AT(GetMultipleContainersRequest, containerTypes, 192);
ZVI_AT(GetMultipleContainersRequest, attributeMask, 208);
ZVI_AT(GetMultipleContainersRequest, ownerFilter, 216);
ZVI_AT(GetMultipleContainersRequest, referenceTypes, 232);

typedef struct GetMultipleContainersResult {
    ResultControl control;
    FlagList existList;
    NameList names;
    PermissionListList unusedPermissions; /* not handed over */
    PermissionListList permissions;
    IdListList groupLists;
    ContainerOwnerListList ownerObjects;
    CountedTextList labels;
    CountedTextList descriptions;
    UintList types;
    ContainerReferenceListList references;
    ZVI_MULTIPLE_RESULT_TEXTS;
    StatusList status;
} GetMultipleContainersResult;
ZVI_SIZE(GetMultipleContainersResult, 440);
ZVI_AT(GetMultipleContainersResult, existList, 168);
ZVI_AT(GetMultipleContainersResult, names, 184);
ZVI_AT(GetMultipleContainersResult, unusedPermissions, 200);
ZVI_AT(GetMultipleContainersResult, permissions, 216);
ZVI_AT(GetMultipleContainersResult, groupLists, 232);
ZVI_AT(GetMultipleContainersResult, ownerObjects, 248);
ZVI_AT(GetMultipleContainersResult, labels, 264);
ZVI_AT(GetMultipleContainersResult, descriptions, 280);
ZVI_AT(GetMultipleContainersResult, types, 296);
ZVI_AT(GetMultipleContainersResult, references, 312);
ZVI_MULTIPLE_RESULT_TEXTS_AT(GetMultipleContainersResult, 328); /* objectProperties at 408 */
ZVI_AT(GetMultipleContainersResult, status, 424);

ZVI_EXTERN_C_END

#endif
