/* Request and result records of the escalation operations. The action lists are the
 * caller's headers: the library never copies nor frees them. */
#ifndef ZVI_RECORDS_ESCALATIONS_H
#define ZVI_RECORDS_ESCALATIONS_H

#include "zvi/escalations.h"
#include "zvi/records/workflow_objects.h"

ZVI_EXTERN_C_BEGIN

typedef struct SetEscalationRequest {
    RequestControl control;
    const char* name;
    uint32_t changeMask;
    const char* newName;
    EscalationTime escalationTime; /* the caller's, or kind 1 with 300 */
    WorkflowConnect workflowConnect; /* copy, host form */
    uint32_t enable;
    ZVI_WORKFLOW_DEFINITION(WorkflowActionList);
    uint8_t reserved[16];
} SetEscalationRequest;
ZVI_SIZE(SetEscalationRequest, 352);
ZVI_AT(SetEscalationRequest, name, 168);
ZVI_AT(SetEscalationRequest, changeMask, 176);
ZVI_AT(SetEscalationRequest, newName, 184);
ZVI_AT(SetEscalationRequest, escalationTime, 192);
ZVI_AT(SetEscalationRequest, workflowConnect, 216);
ZVI_AT(SetEscalationRequest, enable, 232);
ZVI_WORKFLOW_DEFINITION_AT(SetEscalationRequest, 240);
ZVI_AT(SetEscalationRequest, reserved, 336);
typedef StatusResult SetEscalationResult;

typedef struct CreateEscalationRequest {
    RequestControl control;
    const char* name;
    EscalationTime escalationTime;
    WorkflowConnect workflowConnect;
    uint32_t enable;
    ZVI_WORKFLOW_DEFINITION(WorkflowActionList);
    uint8_t reserved[16];
} CreateEscalationRequest;
ZVI_SIZE(CreateEscalationRequest, 336);
ZVI_AT(CreateEscalationRequest, name, 168);
ZVI_AT(CreateEscalationRequest, escalationTime, 176);
ZVI_AT(CreateEscalationRequest, workflowConnect, 200);
ZVI_AT(CreateEscalationRequest, enable, 216);
ZVI_WORKFLOW_DEFINITION_AT(CreateEscalationRequest, 224);
ZVI_AT(CreateEscalationRequest, reserved, 320);
typedef StatusResult CreateEscalationResult;

typedef WorkflowGetRequest GetEscalationRequest;

typedef struct GetEscalationResult {
    ResultControl control;
    EscalationTime escalationTime;
    WorkflowConnect workflowConnect; /* host form */
    uint32_t enable;
    ZVI_WORKFLOW_OUTPUTS(WorkflowActionList);
} GetEscalationResult;
ZVI_SIZE(GetEscalationResult, 856);
ZVI_AT(GetEscalationResult, escalationTime, 168);
ZVI_AT(GetEscalationResult, workflowConnect, 192);
ZVI_AT(GetEscalationResult, enable, 208);
ZVI_WORKFLOW_OUTPUTS_AT(GetEscalationResult, 216);

typedef WorkflowDeleteRequest DeleteEscalationRequest;
typedef StatusResult DeleteEscalationResult;
typedef WorkflowGetListRequest GetListEscalationRequest;
typedef NameListResult GetListEscalationResult;
typedef WorkflowGetMultipleRequest GetMultipleEscalationsRequest;

typedef struct GetMultipleEscalationsResult {
    ResultControl control;
    ZVI_WORKFLOW_LISTS_HEAD;
    EscalationTimeList escalationTimes;
    WorkflowConnectList workflowConnects; /* host form */
    UintList enables;
    ZVI_WORKFLOW_LISTS(WorkflowActionListList);
} GetMultipleEscalationsResult;
ZVI_SIZE(GetMultipleEscalationsResult, 408);
ZVI_AT(GetMultipleEscalationsResult, escalationTimes, 200);
ZVI_AT(GetMultipleEscalationsResult, workflowConnects, 216);
ZVI_AT(GetMultipleEscalationsResult, enables, 232);
ZVI_WORKFLOW_LISTS_AT(GetMultipleEscalationsResult, 248);

ZVI_EXTERN_C_END

#endif
