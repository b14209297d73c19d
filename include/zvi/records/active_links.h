/* Request and result records of the active-link operations. The action lists are the
 * caller's headers (Set, Create) or the host's lists (Get): the library never reads
 * their items. */
#ifndef ZVI_RECORDS_ACTIVE_LINKS_H
#define ZVI_RECORDS_ACTIVE_LINKS_H

#include "zvi/active_links.h"
#include "zvi/records/workflow_objects.h"

ZVI_EXTERN_C_BEGIN

typedef struct SetActiveLinkRequest {
    RequestControl control;
    const char* name;
    uint32_t changeMask;
    const char* newName;
    uint32_t order;
    WorkflowConnect workflowConnect; /* copy, host form */
    IdList groupList;                /* deep copy */
    uint32_t executeMask;
    uint32_t controlField;
    uint32_t focusField;
    uint32_t enable;
    ZVI_WORKFLOW_DEFINITION(ActiveLinkActionList);
    uint32_t auxOptions;
    const char* auxName;
    uint8_t reserved[16];
} SetActiveLinkRequest;
ZVI_SIZE(SetActiveLinkRequest, 376);
ZVI_AT(SetActiveLinkRequest, name, 168);
ZVI_AT(SetActiveLinkRequest, changeMask, 176);
ZVI_AT(SetActiveLinkRequest, newName, 184);
ZVI_AT(SetActiveLinkRequest, order, 192);
ZVI_AT(SetActiveLinkRequest, workflowConnect, 200);
ZVI_AT(SetActiveLinkRequest, groupList, 216);
ZVI_AT(SetActiveLinkRequest, executeMask, 232);
ZVI_AT(SetActiveLinkRequest, controlField, 236);
ZVI_AT(SetActiveLinkRequest, focusField, 240);
ZVI_AT(SetActiveLinkRequest, enable, 244);
ZVI_WORKFLOW_DEFINITION_AT(SetActiveLinkRequest, 248);
ZVI_AT(SetActiveLinkRequest, auxOptions, 344);
ZVI_AT(SetActiveLinkRequest, auxName, 352);
ZVI_AT(SetActiveLinkRequest, reserved, 360);
typedef StatusResult SetActiveLinkResult;

typedef struct CreateActiveLinkRequest {
    RequestControl control;
    const char* name;
    uint32_t order;
    WorkflowConnect workflowConnect;
    IdList groupList;
    uint32_t executeMask;
    uint32_t controlField;
    uint32_t focusField;
    uint32_t enable;
    ZVI_WORKFLOW_DEFINITION(ActiveLinkActionList);
    uint32_t auxOptions;
    const char* auxName; /* as passed, null included */
    uint8_t reserved[16];
} CreateActiveLinkRequest;
ZVI_SIZE(CreateActiveLinkRequest, 360);
ZVI_AT(CreateActiveLinkRequest, name, 168);
ZVI_AT(CreateActiveLinkRequest, order, 176);
ZVI_AT(CreateActiveLinkRequest, workflowConnect, 184);
ZVI_AT(CreateActiveLinkRequest, groupList, 200);
ZVI_AT(CreateActiveLinkRequest, executeMask, 216);
ZVI_AT(CreateActiveLinkRequest, controlField, 220);
ZVI_AT(CreateActiveLinkRequest, focusField, 224);
ZVI_AT(CreateActiveLinkRequest, enable, 228);
ZVI_WORKFLOW_DEFINITION_AT(CreateActiveLinkRequest, 232);
ZVI_AT(CreateActiveLinkRequest, auxOptions, 328);
ZVI_AT(CreateActiveLinkRequest, auxName, 336);
ZVI_AT(CreateActiveLinkRequest, reserved, 344);
typedef StatusResult CreateActiveLinkResult;

typedef WorkflowGetRequest GetActiveLinkRequest;

typedef struct GetActiveLinkResult {
    ResultControl control;
    uint32_t order;
    WorkflowConnect workflowConnect; /* host form */
    uint8_t unread[16];              /* the layout leaves 16 bytes before the groups */
    IdList groupList;
    uint32_t executeMask;
    uint32_t controlField;
    uint32_t focusField;
    uint32_t enable;
    ZVI_WORKFLOW_OUTPUTS(ActiveLinkActionList);
    uint32_t auxOptions;
    ObjectName auxName;
} GetActiveLinkResult;
ZVI_SIZE(GetActiveLinkResult, 1144);
ZVI_AT(GetActiveLinkResult, order, 168);
ZVI_AT(GetActiveLinkResult, workflowConnect, 176);
ZVI_AT(GetActiveLinkResult, unread, 192);
ZVI_AT(GetActiveLinkResult, groupList, 208);
ZVI_AT(GetActiveLinkResult, executeMask, 224);
ZVI_AT(GetActiveLinkResult, controlField, 228);
ZVI_AT(GetActiveLinkResult, focusField, 232);
ZVI_AT(GetActiveLinkResult, enable, 236);
ZVI_WORKFLOW_OUTPUTS_AT(GetActiveLinkResult, 240);
ZVI_AT(GetActiveLinkResult, auxOptions, 880);
ZVI_AT(GetActiveLinkResult, auxName, 884);

typedef WorkflowDeleteRequest DeleteActiveLinkRequest;
typedef StatusResult DeleteActiveLinkResult;
typedef WorkflowGetListRequest GetListActiveLinkRequest;
typedef NameListResult GetListActiveLinkResult;
typedef WorkflowGetMultipleRequest GetMultipleActiveLinksRequest;

typedef struct GetMultipleActiveLinksResult {
    ResultControl control;
    ZVI_WORKFLOW_LISTS_HEAD;
    UintList orders;
    WorkflowConnectList workflowConnects; /* host form */
    IdListList unusedGroupLists;          /* not handed over */
    IdListList groupLists;
    UintList executeMasks;
    IdList controlFields;
    IdList focusFields;
    UintList enables;
    ZVI_WORKFLOW_LISTS(ActiveLinkActionListList);
    UintList auxOptions; /* neither asked for nor handed over */
    NameList auxNames;
} GetMultipleActiveLinksResult;
ZVI_SIZE(GetMultipleActiveLinksResult, 520);
ZVI_AT(GetMultipleActiveLinksResult, orders, 200);
ZVI_AT(GetMultipleActiveLinksResult, workflowConnects, 216);
ZVI_AT(GetMultipleActiveLinksResult, unusedGroupLists, 232);
ZVI_AT(GetMultipleActiveLinksResult, groupLists, 248);
ZVI_AT(GetMultipleActiveLinksResult, executeMasks, 264);
ZVI_AT(GetMultipleActiveLinksResult, controlFields, 280);
ZVI_AT(GetMultipleActiveLinksResult, focusFields, 296);
ZVI_AT(GetMultipleActiveLinksResult, enables, 312);
ZVI_WORKFLOW_LISTS_AT(GetMultipleActiveLinksResult, 328);
ZVI_AT(GetMultipleActiveLinksResult, auxOptions, 488);
ZVI_AT(GetMultipleActiveLinksResult, auxNames, 504);

ZVI_EXTERN_C_END

#endif
