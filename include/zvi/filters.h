/* Filters: the server-side workflow rules that run on a form's entries. Read, change,
 * create, delete and list them. */
#ifndef ZVI_FILTERS_H
#define ZVI_FILTERS_H

#include "zvi/actions.h"
#include "zvi/namelists.h"
#include "zvi/properties.h"
#include "zvi/qualifier.h"

ZVI_EXTERN_C_BEGIN

/* Outputs are written only when given and only on success, after being emptied at
 * entry. Lists and texts handed over are the caller's, released with free and the
 * structures' release routines; a workflowConnect handed over holds a NameList.
 * owner, lastChangedBy and auxName are buffers of 255 bytes. */
ZVI_API uint32_t ZVIGetFilter(ControlRecord* control, char* name, uint32_t* order, WorkflowConnect* workflowConnect,
                              uint32_t* operationMask, uint32_t* enable, Qualifier* qualifier,
                              WorkflowActionList* actions, WorkflowActionList* elseActions, char** helpText,
                              uint32_t* timestamp, char* owner, char* lastChangedBy, char** changeDiary,
                              PropList* objectProperties, uint32_t* auxOptions, char* auxName, StatusList* status);
/* Every argument after name is optional; a call that gives none of them (auxOptions
 * and auxName do not count) returns warning 54. order 0..1000, workflowConnect of
 * type 1, operationMask below 128, enable 0 or 1. The qualifier's top node is sent by
 * value: its nodes stay the caller's. */
ZVI_API uint32_t ZVISetFilter(ControlRecord* control, char* name, char* newName, uint32_t* order,
                              WorkflowConnect* workflowConnect, uint32_t* operationMask, uint32_t* enable,
                              Qualifier* qualifier, WorkflowActionList* actions, WorkflowActionList* elseActions,
                              char* helpText, char* owner, char* changeDiary, PropList* objectProperties,
                              uint32_t* auxOptions, char* auxName, StatusList* status);
ZVI_API uint32_t ZVICreateFilter(ControlRecord* control, char* name, uint32_t order,
                                 WorkflowConnect* workflowConnect, uint32_t operationMask, uint32_t enable,
                                 Qualifier* qualifier, WorkflowActionList* actions, WorkflowActionList* elseActions,
                                 char* helpText, char* owner, char* changeDiary, PropList* objectProperties,
                                 uint32_t auxOptions, char* auxName, StatusList* status);
ZVI_API uint32_t ZVIDeleteFilter(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status);
/* nameList is required (error 105 without it). */
ZVI_API uint32_t ZVIGetListFilter(ControlRecord* control, char* formName, uint32_t sinceTime,
                                  PropList* propertyFilter, NameList* nameList, StatusList* status);
/* One item per filter in every list; auxOptions and auxNames are always handed back
 * empty. */
ZVI_API uint32_t ZVIGetMultipleFilters(ControlRecord* control, uint32_t sinceTime, NameList* names,
                                       FlagList* existList, NameList* filterNames, UintList* orders,
                                       WorkflowConnectList* workflowConnects, UintList* operationMasks,
                                       UintList* enables, QualifierList* qualifiers,
                                       WorkflowActionListList* actions, WorkflowActionListList* elseActions,
                                       TextList* helpTexts, UintList* timestamps, NameList* owners,
                                       NameList* lastChangedBy, TextList* changeDiaries,
                                       PropListList* objectProperties, UintList* auxOptions, NameList* auxNames,
                                       StatusList* status);

ZVI_EXTERN_C_END

#endif
