/* Request and result records of the view operations. Texts are the caller's pointers
 * or, for a text not given, an empty text of the library's own. */
#ifndef ZVI_RECORDS_VIEWS_H
#define ZVI_RECORDS_VIEWS_H

#include "zvi/host.h"
#include "zvi/records/multiple_fields.h"
#include "zvi/views.h"

ZVI_EXTERN_C_BEGIN

typedef struct GetVUIRequest {
    RequestControl control;
    const char* formName;
    uint32_t viewId;
    uint32_t wantedMask;
} GetVUIRequest;
ZVI_SIZE(GetVUIRequest, 184);
ZVI_AT(GetVUIRequest, formName, 168);
ZVI_AT(GetVUIRequest, viewId, 176);
ZVI_AT(GetVUIRequest, wantedMask, 180);

typedef struct GetVUIResult {
    ResultControl control;
    ObjectName viewName;
    ViewLabel viewLabel;
    uint32_t viewKind;
    PropList displayProperties;
    CountedText helpText;
    uint32_t timestamp;
    ObjectName owner;
    ObjectName lastChangedBy;
    CountedText changeDiary;
    PropList objectProperties;
    StatusList status;
} GetVUIResult;
ZVI_SIZE(GetVUIResult, 1096);
ZVI_AT(GetVUIResult, viewName, 168);
ZVI_AT(GetVUIResult, viewLabel, 423);
ZVI_AT(GetVUIResult, viewKind, 488);
ZVI_AT(GetVUIResult, displayProperties, 496);
ZVI_AT(GetVUIResult, helpText, 512);
ZVI_AT(GetVUIResult, timestamp, 528);
ZVI_AT(GetVUIResult, owner, 532);
ZVI_AT(GetVUIResult, lastChangedBy, 787);
ZVI_AT(GetVUIResult, changeDiary, 1048);
ZVI_AT(GetVUIResult, objectProperties, 1064);
ZVI_AT(GetVUIResult, status, 1080);

/* Set and Create: the view's definition, laid out alike in both requests from 184 on
 * (Set's newViewName where Create has viewName); property lists are deep copies. */
#define ZVI_VIEW_DEFINITION                                                            \
    const char* viewLabel;                                                             \
    uint32_t viewKind;                                                                 \
    uint32_t changeMask; /* Set only */                                                \
    PropList displayProperties;                                                        \
    PropList objectProperties;                                                         \
    const char* helpText;                                                              \
    const char* owner;                                                                 \
    const char* changeDiary
#define ZVI_VIEW_DEFINITION_AT(T)                                                      \
    ZVI_SIZE(T, 264);                                                                  \
    ZVI_AT(T, formName, 168);                                                          \
    ZVI_AT(T, viewId, 176);                                                            \
    ZVI_AT(T, viewLabel, 192);                                                         \
    ZVI_AT(T, viewKind, 200);                                                          \
    ZVI_AT(T, changeMask, 204);                                                        \
    ZVI_AT(T, displayProperties, 208);                                                 \
    ZVI_AT(T, objectProperties, 224);                                                  \
    ZVI_AT(T, helpText, 240);                                                          \
    ZVI_AT(T, owner, 248);                                                             \
    ZVI_AT(T, changeDiary, 256)

typedef struct SetVUIRequest {
    RequestControl control;
    const char* formName;
    uint32_t viewId;
    const char* newViewName;
    ZVI_VIEW_DEFINITION;
} SetVUIRequest;
ZVI_VIEW_DEFINITION_AT(SetVUIRequest);
ZVI_AT(SetVUIRequest, newViewName, 184);
typedef StatusResult SetVUIResult;

/* changeMask stays zero. */
typedef struct CreateVUIRequest {
    RequestControl control;
    const char* formName;
    uint32_t viewId; /* the id asked for */
    const char* viewName;
    ZVI_VIEW_DEFINITION;
} CreateVUIRequest;
ZVI_VIEW_DEFINITION_AT(CreateVUIRequest);
ZVI_AT(CreateVUIRequest, viewName, 184);

typedef struct CreateVUIResult {
    ResultControl control;
    uint32_t viewId; /* the id the host assigned */
    StatusList status;
} CreateVUIResult;
ZVI_SIZE(CreateVUIResult, 192);
ZVI_AT(CreateVUIResult, viewId, 168);
ZVI_AT(CreateVUIResult, status, 176);

typedef struct DeleteVUIRequest {
    RequestControl control;
    const char* formName;
    uint32_t viewId;
} DeleteVUIRequest;
ZVI_SIZE(DeleteVUIRequest, 184);
ZVI_AT(DeleteVUIRequest, formName, 168);
ZVI_AT(DeleteVUIRequest, viewId, 176);
typedef StatusResult DeleteVUIResult;

typedef struct GetListVUIRequest {
    RequestControl control;
    const char* formName;
    uint32_t sinceTime;
    uint32_t reserved;
    PropList propertyFilter; /* the caller's holder: items shared, never released */
} GetListVUIRequest;
ZVI_SIZE(GetListVUIRequest, 200);
ZVI_AT(GetListVUIRequest, formName, 168);
ZVI_AT(GetListVUIRequest, sinceTime, 176);
ZVI_AT(GetListVUIRequest, reserved, 180);
ZVI_AT(GetListVUIRequest, propertyFilter, 184);

typedef IdListResult GetListVUIResult;

typedef GetMultipleInFormRequest GetMultipleVUIsRequest;

typedef struct GetMultipleVUIsResult {
    ResultControl control;
    FlagList existList;
    IdList viewIds;
    NameList viewNames;
    ViewLabelList viewLabels;
    UintList viewKinds;
    PropListList displayProperties;
    CountedTextList helpTexts;
    UintList timestamps;
    NameList owners;
    NameList lastChangedBy;
    CountedTextList changeDiaries;
    PropListList objectProperties;
    StatusList status;
} GetMultipleVUIsResult;
ZVI_SIZE(GetMultipleVUIsResult, 376);
ZVI_AT(GetMultipleVUIsResult, existList, 168);
ZVI_AT(GetMultipleVUIsResult, viewIds, 184);
ZVI_AT(GetMultipleVUIsResult, viewNames, 200);
ZVI_AT(GetMultipleVUIsResult, viewLabels, 216);
ZVI_AT(GetMultipleVUIsResult, viewKinds, 232);
ZVI_AT(GetMultipleVUIsResult, displayProperties, 248);
ZVI_AT(GetMultipleVUIsResult, helpTexts, 264);
ZVI_AT(GetMultipleVUIsResult, timestamps, 280);
ZVI_AT(GetMultipleVUIsResult, owners, 296);
ZVI_AT(GetMultipleVUIsResult, lastChangedBy, 312);
ZVI_AT(GetMultipleVUIsResult, changeDiaries, 328);
ZVI_AT(GetMultipleVUIsResult, objectProperties, 344);
ZVI_AT(GetMultipleVUIsResult, status, 360);

ZVI_EXTERN_C_END

#endif
