// Escalation operations: the shared workflow-object shape with a timing record; the
// action lists are sent as the caller's headers (never copied nor freed).
#include "workflow/workflow_objects.h"

using namespace zvi;
using namespace zvi::shape;
using namespace zvi::workflow;

namespace {

constexpr Family kEscalations{8, 0, 16, false};
// Set sends this timing when it is not given: kind 1, every 300 units.
constexpr EscalationTime kDefaultTime{1, {300, 0, 0, 0}};

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetEscalation(ControlRecord* control, char* name, EscalationTime* escalationTime,
                                  WorkflowConnect* workflowConnect, uint32_t* enable, Qualifier* qualifier,
                                  WorkflowActionList* actions, WorkflowActionList* elseActions, char** helpText,
                                  uint32_t* timestamp, char* owner, char* lastChangedBy, char** changeDiary,
                                  PropList* objectProperties, StatusList* status) {
    using R = GetEscalationResult;
    Call<GetEscalationRequest, R> f(Op::GetEscalation, control, status);
    return get<kEscalations>(f, name,
                             Outputs<WorkflowActionList>{workflowConnect, enable, qualifier, actions, elseActions,
                                                         helpText, timestamp, owner, lastChangedBy, changeDiary,
                                                         objectProperties},
                             out::word<&R::escalationTime>(escalationTime));
}

ZVI_API uint32_t ZVISetEscalation(ControlRecord* control, char* name, char* newName, EscalationTime* escalationTime,
                                  WorkflowConnect* workflowConnect, uint32_t* enable, Qualifier* qualifier,
                                  WorkflowActionList* actions, WorkflowActionList* elseActions, char* helpText,
                                  char* owner, char* changeDiary, PropList* objectProperties, StatusList* status) {
    using Q = SetEscalationRequest;
    Call<Q, SetEscalationResult> f(Op::SetEscalation, control, status);
    return define<kEscalations>(f, &Q::changeMask,
                                Definition<WorkflowActionList>{name, workflowConnect, enable, qualifier, actions,
                                                               elseActions, helpText, owner, changeDiary,
                                                               objectProperties},
                                Checks{},
                                in::rename<&Q::newName>(newName, name, 1),
                                in::valueOr<&Q::escalationTime>(escalationTime, kDefaultTime, 2));
}

// A null escalationTime or actions (both required) is sent as zero bytes.
ZVI_API uint32_t ZVICreateEscalation(ControlRecord* control, char* name, EscalationTime* escalationTime,
                                     WorkflowConnect* workflowConnect, uint32_t enable, Qualifier* qualifier,
                                     WorkflowActionList* actions, WorkflowActionList* elseActions, char* helpText,
                                     char* owner, char* changeDiary, PropList* objectProperties,
                                     StatusList* status) {
    using Q = CreateEscalationRequest;
    Call<Q, CreateEscalationResult> f(Op::CreateEscalation, control, status);
    return define<kEscalations>(f, noMask<Q>,
                                Definition<WorkflowActionList>{name, workflowConnect, &enable, qualifier, actions,
                                                               elseActions, helpText, owner, changeDiary,
                                                               objectProperties},
                                Checks{},
                                in::value<&Q::escalationTime>(escalationTime));
}

ZVI_API uint32_t ZVIDeleteEscalation(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status) {
    return remove(Op::DeleteEscalation, control, name, deleteOption, status);
}

ZVI_API uint32_t ZVIGetListEscalation(ControlRecord* control, char* formName, uint32_t sinceTime,
                                      PropList* propertyFilter, NameList* nameList, StatusList* status) {
    return list(Op::GetListEscalation, control, formName, sinceTime, propertyFilter, nameList, status);
}

ZVI_API uint32_t ZVIGetMultipleEscalations(ControlRecord* control, uint32_t sinceTime, NameList* names,
                                           FlagList* existList, NameList* escalationNames,
                                           EscalationTimeList* escalationTimes,
                                           WorkflowConnectList* workflowConnects, UintList* enables,
                                           QualifierList* qualifiers, WorkflowActionListList* actions,
                                           WorkflowActionListList* elseActions, TextList* helpTexts,
                                           UintList* timestamps, NameList* owners, NameList* lastChangedBy,
                                           TextList* changeDiaries, PropListList* objectProperties,
                                           StatusList* status) {
    using R = GetMultipleEscalationsResult;
    Call<GetMultipleEscalationsRequest, R> f(Op::GetMultipleEscalations, control, status);
    return getMultiple<kEscalations>(f, sinceTime, names,
                                     Lists<WorkflowActionListList>{existList, escalationNames, workflowConnects,
                                                                   enables, qualifiers, actions, elseActions,
                                                                   helpTexts, timestamps, owners, lastChangedBy,
                                                                   changeDiaries, objectProperties},
                                     out::list<&R::escalationTimes>(escalationTimes, 4));
}

}  // extern "C"
