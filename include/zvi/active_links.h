/* Active links: the workflow rules that run in the client. Read, change, create,
 * delete and list them. */
#ifndef ZVI_ACTIVE_LINKS_H
#define ZVI_ACTIVE_LINKS_H

#include "zvi/actions.h"
#include "zvi/namelists.h"
#include "zvi/properties.h"
#include "zvi/qualifier.h"

ZVI_EXTERN_C_BEGIN

/* An active link's actions. The library never reads the items: Set and Create send
 * the caller's list header as it is, Get hands the host's over. */
typedef struct ActiveLinkActionList {
    uint32_t numItems;
    void* items;
} ActiveLinkActionList;
ZVI_SIZE(ActiveLinkActionList, 16);
ZVI_AT(ActiveLinkActionList, items, 8);
ZVI_COUNTED_LIST(ActiveLinkActionListList, ActiveLinkActionList);

/* As the filter operations (zvi/filters.h), with a group list (a given list without
 * items draws warning 71, Create warns on a missing one too), an execute mask below
 * 0x200000 and two field identifiers. The action lists are never copied nor freed. */
ZVI_API uint32_t ZVIGetActiveLink(ControlRecord* control, char* name, uint32_t* order,
                                  WorkflowConnect* workflowConnect, IdList* groupList, uint32_t* executeMask,
                                  uint32_t* controlField, uint32_t* focusField, uint32_t* enable,
                                  Qualifier* qualifier, ActiveLinkActionList* actions,
                                  ActiveLinkActionList* elseActions, char** helpText, uint32_t* timestamp,
                                  char* owner, char* lastChangedBy, char** changeDiary, PropList* objectProperties,
                                  uint32_t* auxOptions, char* auxName, StatusList* status);
ZVI_API uint32_t ZVISetActiveLink(ControlRecord* control, char* name, char* newName, uint32_t* order,
                                  WorkflowConnect* workflowConnect, IdList* groupList, uint32_t* executeMask,
                                  uint32_t* controlField, uint32_t* focusField, uint32_t* enable,
                                  Qualifier* qualifier, ActiveLinkActionList* actions,
                                  ActiveLinkActionList* elseActions, char* helpText, char* owner, char* changeDiary,
                                  PropList* objectProperties, uint32_t* auxOptions, char* auxName,
                                  StatusList* status);
/* actions is required: a null one is sent as an empty list. */
ZVI_API uint32_t ZVICreateActiveLink(ControlRecord* control, char* name, uint32_t order,
                                     WorkflowConnect* workflowConnect, IdList* groupList, uint32_t executeMask,
                                     uint32_t* controlField, uint32_t* focusField, uint32_t enable,
                                     Qualifier* qualifier, ActiveLinkActionList* actions,
                                     ActiveLinkActionList* elseActions, char* helpText, char* owner,
                                     char* changeDiary, PropList* objectProperties, uint32_t auxOptions,
                                     char* auxName, StatusList* status);
ZVI_API uint32_t ZVIDeleteActiveLink(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status);
ZVI_API uint32_t ZVIGetListActiveLink(ControlRecord* control, char* formName, uint32_t sinceTime,
                                      PropList* propertyFilter, NameList* nameList, StatusList* status);
ZVI_API uint32_t ZVIGetMultipleActiveLinks(ControlRecord* control, uint32_t sinceTime, NameList* names,
                                           FlagList* existList, NameList* linkNames, UintList* orders,
                                           WorkflowConnectList* workflowConnects, IdListList* groupLists,
                                           UintList* executeMasks, IdList* controlFields, IdList* focusFields,
                                           UintList* enables, QualifierList* qualifiers,
                                           ActiveLinkActionListList* actions, ActiveLinkActionListList* elseActions,
                                           TextList* helpTexts, UintList* timestamps, NameList* owners,
                                           NameList* lastChangedBy, TextList* changeDiaries,
                                           PropListList* objectProperties, UintList* auxOptions,
                                           NameList* auxNames, StatusList* status);

ZVI_EXTERN_C_END

#endif
