/* Views: the named presentations of a form's fields, identified by the form's name
 * and a view id. */
#ifndef ZVI_VIEWS_H
#define ZVI_VIEWS_H

#include "zvi/forms.h"
#include "zvi/namelists.h"

ZVI_EXTERN_C_BEGIN

enum { ZVI_VIEW_LABEL_SIZE = 65 };
typedef char ViewLabel[ZVI_VIEW_LABEL_SIZE]; /* at most 64 characters and the terminator */
ZVI_COUNTED_LIST(ViewLabelList, ViewLabel);

/* Outputs are written only when given and only on success. viewName, owner and
 * lastChangedBy are buffers of 255 bytes, viewLabel one of 65. */
ZVI_API uint32_t ZVIGetVUI(ControlRecord* control, char* formName, uint32_t viewId, char* viewName, char* viewLabel,
                           uint32_t* viewKind, PropList* displayProperties, char** helpText, uint32_t* timestamp,
                           char* owner, char* lastChangedBy, char** changeDiary, PropList* objectProperties,
                           StatusList* status);
/* Every argument after viewId is optional; a call that gives none changes nothing
 * and returns warning 54. */
ZVI_API uint32_t ZVISetVUI(ControlRecord* control, char* formName, uint32_t viewId, char* newViewName,
                           char* viewLabel, uint32_t* viewKind, PropList* displayProperties, char* helpText,
                           char* owner, char* changeDiary, PropList* objectProperties, StatusList* status);
/* viewId is required: the id asked for, and on success the id the host assigned. */
ZVI_API uint32_t ZVICreateVUI(ControlRecord* control, char* formName, uint32_t* viewId, char* viewName,
                              char* viewLabel, uint32_t viewKind, PropList* displayProperties, char* helpText,
                              char* owner, char* changeDiary, PropList* objectProperties, StatusList* status);
ZVI_API uint32_t ZVIDeleteVUI(ControlRecord* control, char* formName, uint32_t viewId, StatusList* status);
/* viewIds is required (error 105 without it). propertyFilter is shared with the host
 * for the call. */
ZVI_API uint32_t ZVIGetListVUI(ControlRecord* control, char* formName, uint32_t sinceTime, PropList* propertyFilter,
                               IdList* viewIds, StatusList* status);
/* formName is required (error 233). Each output holds one item per view. */
ZVI_API uint32_t ZVIGetMultipleVUIs(ControlRecord* control, char* formName, IdList* viewIdFilter, uint32_t sinceTime,
                                    FlagList* existList, IdList* viewIds, NameList* viewNames, ViewLabelList* viewLabels,
                                    UintList* viewKinds, PropListList* displayProperties, TextList* helpTexts,
                                    UintList* timestamps, NameList* owners, NameList* lastChangedBy,
                                    TextList* changeDiaries, PropListList* objectProperties, StatusList* status);

ZVI_EXTERN_C_END

#endif
