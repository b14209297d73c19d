/* Request records that filters, active links and escalations share, laid out alike in
 * the three families; each family's header names them for its operations. */
#ifndef ZVI_RECORDS_WORKFLOW_OBJECTS_H
#define ZVI_RECORDS_WORKFLOW_OBJECTS_H

#include "zvi/host.h"
#include "zvi/records/forms.h"

ZVI_EXTERN_C_BEGIN

typedef struct WorkflowGetRequest {
    RequestControl control;
    const char* name;
    uint32_t wantedMask;
} WorkflowGetRequest;
ZVI_SIZE(WorkflowGetRequest, 184);
ZVI_AT(WorkflowGetRequest, name, 168);
ZVI_AT(WorkflowGetRequest, wantedMask, 176);

typedef struct WorkflowDeleteRequest {
    RequestControl control;
    const char* name;
    uint32_t deleteOption;
    uint32_t reserved[5];
} WorkflowDeleteRequest;
ZVI_SIZE(WorkflowDeleteRequest, 200);
ZVI_AT(WorkflowDeleteRequest, name, 168);
ZVI_AT(WorkflowDeleteRequest, deleteOption, 176);
ZVI_AT(WorkflowDeleteRequest, reserved, 180);

typedef struct WorkflowGetListRequest {
    RequestControl control;
    const char* formName; /* the caller's, or an empty text */
    uint32_t sinceTime;
    PropList propertyFilter; /* deep copy */
    uint32_t reserved;       /* always 0 */
} WorkflowGetListRequest;
ZVI_SIZE(WorkflowGetListRequest, 208);
ZVI_AT(WorkflowGetListRequest, formName, 168);
ZVI_AT(WorkflowGetListRequest, sinceTime, 176);
ZVI_AT(WorkflowGetListRequest, propertyFilter, 184);
ZVI_AT(WorkflowGetListRequest, reserved, 200);

typedef struct WorkflowGetMultipleRequest {
    RequestControl control;
    NameList names; /* deep copy, or empty */
    uint32_t wantedMask;
    uint32_t sinceTime;
} WorkflowGetMultipleRequest;
ZVI_SIZE(WorkflowGetMultipleRequest, 192);
ZVI_AT(WorkflowGetMultipleRequest, names, 168);
ZVI_AT(WorkflowGetMultipleRequest, wantedMask, 184);
ZVI_AT(WorkflowGetMultipleRequest, sinceTime, 188);

/* The attributes every family's Set and Create send after their own, laid out alike
 * from the qualifier on: the caller's top node, the action lists (deep copies or the
 * caller's headers, by family), the texts and a deep copy of the properties. */
#define ZVI_WORKFLOW_DEFINITION(Actions)                                               \
    Qualifier qualifier;                                                               \
    Actions actions;                                                                   \
    Actions elseActions;                                                               \
    const char* helpText;                                                              \
    const char* owner;                                                                 \
    const char* changeDiary;                                                           \
    PropList objectProperties
#define ZVI_WORKFLOW_DEFINITION_AT(T, at)                                              \
    ZVI_AT(T, qualifier, at);                                                          \
    ZVI_AT(T, actions, (at) + 24);                                                     \
    ZVI_AT(T, elseActions, (at) + 40);                                                 \
    ZVI_AT(T, helpText, (at) + 56);                                                    \
    ZVI_AT(T, owner, (at) + 64);                                                       \
    ZVI_AT(T, changeDiary, (at) + 72);                                                 \
    ZVI_AT(T, objectProperties, (at) + 80)

/* What every family's Get returns from the qualifier on, up to its status list. */
#define ZVI_WORKFLOW_OUTPUTS(Actions)                                                  \
    Qualifier qualifier;                                                               \
    Actions actions;                                                                   \
    Actions elseActions;                                                               \
    CountedText helpText;                                                              \
    uint32_t timestamp;                                                                \
    ObjectName owner;                                                                  \
    ObjectName lastChangedBy;                                                          \
    CountedText changeDiary;                                                           \
    PropList objectProperties;                                                         \
    StatusList status
#define ZVI_WORKFLOW_OUTPUTS_AT(T, at)                                                 \
    ZVI_AT(T, qualifier, at);                                                          \
    ZVI_AT(T, actions, (at) + 24);                                                     \
    ZVI_AT(T, elseActions, (at) + 40);                                                 \
    ZVI_AT(T, helpText, (at) + 56);                                                    \
    ZVI_AT(T, timestamp, (at) + 72);                                                   \
    ZVI_AT(T, owner, (at) + 76);                                                       \
    ZVI_AT(T, lastChangedBy, (at) + 331);                                              \
    ZVI_AT(T, changeDiary, (at) + 592);                                                \
    ZVI_AT(T, objectProperties, (at) + 608);                                           \
    ZVI_AT(T, status, (at) + 624)

/* What every family's GetMultiple returns: one list per output, 16 bytes each, the
 * family's own lists between the names and the qualifiers; workflow connects in the
 * host's form. */
#define ZVI_WORKFLOW_LISTS_HEAD                                                        \
    FlagList existList;                                                                \
    NameList names
#define ZVI_WORKFLOW_LISTS(ActionsList)                                                \
    QualifierList qualifiers;                                                          \
    ActionsList actions;                                                               \
    ActionsList elseActions;                                                           \
    CountedTextList helpTexts;                                                         \
    UintList timestamps;                                                               \
    NameList owners;                                                                   \
    NameList lastChangedBy;                                                            \
    CountedTextList changeDiaries;                                                     \
    PropListList objectProperties;                                                     \
    StatusList status
#define ZVI_WORKFLOW_LISTS_AT(T, at)                                                   \
    ZVI_AT(T, existList, 168);                                                         \
    ZVI_AT(T, names, 184);                                                             \
    ZVI_AT(T, qualifiers, at);                                                         \
    ZVI_AT(T, actions, (at) + 16);                                                     \
    ZVI_AT(T, elseActions, (at) + 32);                                                 \
    ZVI_AT(T, helpTexts, (at) + 48);                                                   \
    ZVI_AT(T, timestamps, (at) + 64);                                                  \
    ZVI_AT(T, owners, (at) + 80);                                                      \
    ZVI_AT(T, lastChangedBy, (at) + 96);                                               \
    ZVI_AT(T, changeDiaries, (at) + 112);                                              \
    ZVI_AT(T, objectProperties, (at) + 128);                                           \
    ZVI_AT(T, status, (at) + 144)

/* GetList results are NameListResult (zvi/records/forms.h); Set, Create and Delete
 * results StatusResult. */

ZVI_EXTERN_C_END

#endif
