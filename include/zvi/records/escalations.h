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
    Qualifier qualifier;
    WorkflowActionList actions;
    WorkflowActionList elseActions;
    const char* helpText;
    const char* owner;
    const char* changeDiary;
    PropList objectProperties; /* deep copy */
    uint8_t reserved[16];
} SetEscalationRequest;
ZVI_SIZE(SetEscalationRequest, 352);
ZVI_AT(SetEscalationRequest, name, 168);
ZVI_AT(SetEscalationRequest, changeMask, 176);
ZVI_AT(SetEscalationRequest, newName, 184);
ZVI_AT(SetEscalationRequest, escalationTime, 192);
ZVI_AT(SetEscalationRequest, workflowConnect, 216);
ZVI_AT(SetEscalationRequest, enable, 232);
ZVI_AT(SetEscalationRequest, qualifier, 240);
ZVI_AT(SetEscalationRequest, actions, 264);
ZVI_AT(SetEscalationRequest, elseActions, 280);
ZVI_AT(SetEscalationRequest, helpText, 296);
ZVI_AT(SetEscalationRequest, owner, 304);
ZVI_AT(SetEscalationRequest, changeDiary, 312);
ZVI_AT(SetEscalationRequest, objectProperties, 320);
ZVI_AT(SetEscalationRequest, reserved, 336);
typedef StatusResult SetEscalationResult;

typedef struct CreateEscalationRequest {
    RequestControl control;
    const char* name;
    EscalationTime escalationTime;
    WorkflowConnect workflowConnect;
    uint32_t enable;
    Qualifier qualifier;
    WorkflowActionList actions;
    WorkflowActionList elseActions;
    const char* helpText;
    const char* owner;
    const char* changeDiary;
    PropList objectProperties;
    uint8_t reserved[16];
} CreateEscalationRequest;
ZVI_SIZE(CreateEscalationRequest, 336);
ZVI_AT(CreateEscalationRequest, name, 168);
ZVI_AT(CreateEscalationRequest, escalationTime, 176);
ZVI_AT(CreateEscalationRequest, workflowConnect, 200);
ZVI_AT(CreateEscalationRequest, enable, 216);
ZVI_AT(CreateEscalationRequest, qualifier, 224);
ZVI_AT(CreateEscalationRequest, actions, 248);
ZVI_AT(CreateEscalationRequest, elseActions, 264);
ZVI_AT(CreateEscalationRequest, helpText, 280);
ZVI_AT(CreateEscalationRequest, owner, 288);
ZVI_AT(CreateEscalationRequest, changeDiary, 296);
ZVI_AT(CreateEscalationRequest, objectProperties, 304);
ZVI_AT(CreateEscalationRequest, reserved, 320);
typedef StatusResult CreateEscalationResult;

typedef WorkflowGetRequest GetEscalationRequest;

typedef struct GetEscalationResult {
    ResultControl control;
    EscalationTime escalationTime;
    WorkflowConnect workflowConnect; /* host form */
    uint32_t enable;
    Qualifier qualifier;
    WorkflowActionList actions;
    WorkflowActionList elseActions;
    CountedText helpText;
    uint32_t timestamp;
    ObjectName owner;
    ObjectName lastChangedBy;
    CountedText changeDiary;
    PropList objectProperties;
    StatusList status;
} GetEscalationResult;
ZVI_SIZE(GetEscalationResult, 856);
ZVI_AT(GetEscalationResult, escalationTime, 168);
ZVI_AT(GetEscalationResult, workflowConnect, 192);
ZVI_AT(GetEscalationResult, enable, 208);
ZVI_AT(GetEscalationResult, qualifier, 216);
ZVI_AT(GetEscalationResult, actions, 240);
ZVI_AT(GetEscalationResult, elseActions, 256);
ZVI_AT(GetEscalationResult, helpText, 272);
ZVI_AT(GetEscalationResult, timestamp, 288);
ZVI_AT(GetEscalationResult, owner, 292);
ZVI_AT(GetEscalationResult, lastChangedBy, 547);
ZVI_AT(GetEscalationResult, changeDiary, 808);
ZVI_AT(GetEscalationResult, objectProperties, 824);
ZVI_AT(GetEscalationResult, status, 840);

typedef WorkflowDeleteRequest DeleteEscalationRequest;
typedef StatusResult DeleteEscalationResult;
typedef WorkflowGetListRequest GetListEscalationRequest;
typedef NameListResult GetListEscalationResult;
typedef WorkflowGetMultipleRequest GetMultipleEscalationsRequest;

typedef struct GetMultipleEscalationsResult {
    ResultControl control;
    FlagList existList;
    NameList names;
    EscalationTimeList escalationTimes;
    WorkflowConnectList workflowConnects; /* host form */
    UintList enables;
    QualifierList qualifiers;
    WorkflowActionListList actions;
    WorkflowActionListList elseActions;
    CountedTextList helpTexts;
    UintList timestamps;
    NameList owners;
    NameList lastChangedBy;
    CountedTextList changeDiaries;
    PropListList objectProperties;
    StatusList status;
} GetMultipleEscalationsResult;
ZVI_SIZE(GetMultipleEscalationsResult, 408);
ZVI_AT(GetMultipleEscalationsResult, existList, 168);
ZVI_AT(GetMultipleEscalationsResult, names, 184);
ZVI_AT(GetMultipleEscalationsResult, escalationTimes, 200);
ZVI_AT(GetMultipleEscalationsResult, workflowConnects, 216);
ZVI_AT(GetMultipleEscalationsResult, enables, 232);
ZVI_AT(GetMultipleEscalationsResult, qualifiers, 248);
ZVI_AT(GetMultipleEscalationsResult, actions, 264);
ZVI_AT(GetMultipleEscalationsResult, elseActions, 280);
ZVI_AT(GetMultipleEscalationsResult, helpTexts, 296);
ZVI_AT(GetMultipleEscalationsResult, timestamps, 312);
ZVI_AT(GetMultipleEscalationsResult, owners, 328);
ZVI_AT(GetMultipleEscalationsResult, lastChangedBy, 344);
ZVI_AT(GetMultipleEscalationsResult, changeDiaries, 360);
ZVI_AT(GetMultipleEscalationsResult, objectProperties, 376);
ZVI_AT(GetMultipleEscalationsResult, status, 392);

ZVI_EXTERN_C_END

#endif
