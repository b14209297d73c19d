/* Request and result records of the character-menu operations. Texts are the caller's
 * pointers or, for a text not given, an empty text of the library's own. */
#ifndef ZVI_RECORDS_CHAR_MENUS_H
#define ZVI_RECORDS_CHAR_MENUS_H

#include "zvi/char_menus.h"
#include "zvi/host.h"
#include "zvi/records/forms.h"
#include "zvi/records/workflow_objects.h"

ZVI_EXTERN_C_BEGIN

/* The menu's definition as Set and Create send it, laid out alike in both requests
 * from the offset `at` on. The menu is a deep copy of the caller's (in the caller's
 * form: the host reads menus as callers write them). */
#define ZVI_CHAR_MENU_DEFINITION                                                       \
    uint32_t refreshCode;                                                              \
    CharMenuDef menuDefinition;                                                        \
    ZVI_DEFINITION_TEXTS;                                                              \
    uint8_t reserved[16]
#define ZVI_CHAR_MENU_DEFINITION_AT(T, at)                                             \
    ZVI_AT(T, refreshCode, at);                                                        \
    ZVI_AT(T, menuDefinition, (at) + 8);                                               \
    ZVI_DEFINITION_TEXTS_AT(T, (at) + 712);                                            \
    ZVI_AT(T, reserved, (at) + 752)

typedef struct SetCharMenuRequest {
    ZVI_SET_REQUEST_HEAD;
    ZVI_CHAR_MENU_DEFINITION;
} SetCharMenuRequest;
ZVI_SIZE(SetCharMenuRequest, 960);
ZVI_SET_REQUEST_HEAD_AT(SetCharMenuRequest);
ZVI_CHAR_MENU_DEFINITION_AT(SetCharMenuRequest, 192); /* menuDefinition at 200, objectProperties at 928 */
typedef StatusResult SetCharMenuResult;

typedef struct CreateCharMenuRequest {
    RequestControl control;
    const char* name;
    ZVI_CHAR_MENU_DEFINITION;
} CreateCharMenuRequest;
ZVI_SIZE(CreateCharMenuRequest, 944);
ZVI_AT(CreateCharMenuRequest, name, 168);
ZVI_CHAR_MENU_DEFINITION_AT(CreateCharMenuRequest, 176); /* menuDefinition at 184, objectProperties at 912 */
typedef StatusResult CreateCharMenuResult;

/* Get, Delete and GetMultiple send what they send for every workflow object. */
typedef WorkflowGetRequest GetCharMenuRequest;
typedef WorkflowDeleteRequest DeleteCharMenuRequest;
typedef StatusResult DeleteCharMenuResult;

typedef struct GetCharMenuResult {
    ResultControl control;
    uint32_t refreshCode;
    CharMenuDef menuDefinition; /* the caller's once handed over */
    ZVI_DEFINITION_RESULT_TEXTS;
    StatusList status;
} GetCharMenuResult;
ZVI_SIZE(GetCharMenuResult, 1464);
ZVI_AT(GetCharMenuResult, refreshCode, 168);
ZVI_AT(GetCharMenuResult, menuDefinition, 176);
ZVI_DEFINITION_RESULT_TEXTS_AT(GetCharMenuResult, 880); /* changeDiary at 1416, objectProperties at 1432 */
ZVI_AT(GetCharMenuResult, status, 1448);

typedef struct GetListCharMenuRequest {
    RequestControl control;
    uint32_t sinceTime;
    NameList firstNameFilter;  /* deep copy */
    NameList secondNameFilter; /* deep copy */
    PropList propertyFilter;   /* deep copy */
    uint32_t reserved;
} GetListCharMenuRequest;
ZVI_SIZE(GetListCharMenuRequest, 232);
ZVI_AT(GetListCharMenuRequest, sinceTime, 168);
ZVI_AT(GetListCharMenuRequest, firstNameFilter, 176);
ZVI_AT(GetListCharMenuRequest, secondNameFilter, 192);
ZVI_AT(GetListCharMenuRequest, propertyFilter, 208);
ZVI_AT(GetListCharMenuRequest, reserved, 224);
typedef NameListResult GetListCharMenuResult;

typedef WorkflowGetMultipleRequest GetMultipleCharMenusRequest;

typedef struct GetMultipleCharMenusResult {
    ResultControl control;
    FlagList existList;
    NameList names;
    UintList refreshCodes;
    CharMenuDefList menuDefinitions;
    ZVI_MULTIPLE_RESULT_TEXTS;
    StatusList status;
} GetMultipleCharMenusResult;
ZVI_SIZE(GetMultipleCharMenusResult, 344);
ZVI_AT(GetMultipleCharMenusResult, existList, 168);
ZVI_AT(GetMultipleCharMenusResult, names, 184);
ZVI_AT(GetMultipleCharMenusResult, refreshCodes, 200);
ZVI_AT(GetMultipleCharMenusResult, menuDefinitions, 216);
ZVI_MULTIPLE_RESULT_TEXTS_AT(GetMultipleCharMenusResult, 232); /* objectProperties at 312 */
ZVI_AT(GetMultipleCharMenusResult, status, 328);

ZVI_EXTERN_C_END

#endif
