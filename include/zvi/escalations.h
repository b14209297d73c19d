/* Escalations: the workflow rules that run on a timer. Read, change, create, delete
 * and list them. */
#ifndef ZVI_ESCALATIONS_H
#define ZVI_ESCALATIONS_H

#include "zvi/actions.h"
#include "zvi/namelists.h"
#include "zvi/properties.h"
#include "zvi/qualifier.h"

ZVI_EXTERN_C_BEGIN

/* When an escalation runs; copied as its 20 bytes, never interpreted. Kind 0 uses no
 * word, kind 1 the first (a time), kind 2 all four. */
typedef struct EscalationTime {
    uint32_t kind;
    uint32_t words[4];
} EscalationTime;
ZVI_SIZE(EscalationTime, 20);
ZVI_AT(EscalationTime, words, 4);
ZVI_COUNTED_LIST(EscalationTimeList, EscalationTime);

/* As the filter operations (zvi/filters.h), with a timing record instead of order and
 * operation mask, and no auxOptions/auxName. The action lists are sent as the
 * caller's headers: never copied nor freed. Set without escalationTime sends kind 1
 * with 300 (and does not count it as a change). */
ZVI_API uint32_t ZVIGetEscalation(ControlRecord* control, char* name, EscalationTime* escalationTime,
                                  WorkflowConnect* workflowConnect, uint32_t* enable, Qualifier* qualifier,
                                  WorkflowActionList* actions, WorkflowActionList* elseActions, char** helpText,
                                  uint32_t* timestamp, char* owner, char* lastChangedBy, char** changeDiary,
                                  PropList* objectProperties, StatusList* status);
ZVI_API uint32_t ZVISetEscalation(ControlRecord* control, char* name, char* newName, EscalationTime* escalationTime,
                                  WorkflowConnect* workflowConnect, uint32_t* enable, Qualifier* qualifier,
                                  WorkflowActionList* actions, WorkflowActionList* elseActions, char* helpText,
                                  char* owner, char* changeDiary, PropList* objectProperties, StatusList* status);
/* escalationTime and actions are required: a null one is sent as zero bytes. */
ZVI_API uint32_t ZVICreateEscalation(ControlRecord* control, char* name, EscalationTime* escalationTime,
                                     WorkflowConnect* workflowConnect, uint32_t enable, Qualifier* qualifier,
                                     WorkflowActionList* actions, WorkflowActionList* elseActions, char* helpText,
                                     char* owner, char* changeDiary, PropList* objectProperties, StatusList* status);
ZVI_API uint32_t ZVIDeleteEscalation(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status);
ZVI_API uint32_t ZVIGetListEscalation(ControlRecord* control, char* formName, uint32_t sinceTime,
                                      PropList* propertyFilter, NameList* nameList, StatusList* status);
ZVI_API uint32_t ZVIGetMultipleEscalations(ControlRecord* control, uint32_t sinceTime, NameList* names,
                                           FlagList* existList, NameList* escalationNames,
                                           EscalationTimeList* escalationTimes,
                                           WorkflowConnectList* workflowConnects, UintList* enables,
                                           QualifierList* qualifiers, WorkflowActionListList* actions,
                                           WorkflowActionListList* elseActions, TextList* helpTexts,
                                           UintList* timestamps, NameList* owners, NameList* lastChangedBy,
                                           TextList* changeDiaries, PropListList* objectProperties,
                                           StatusList* status);

ZVI_EXTERN_C_END

#endif
