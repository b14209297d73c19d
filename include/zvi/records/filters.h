/* Request and result records of the filter operations. Texts are the caller's
 * pointers or, for a text not given, an empty text of the library's own; the
 * workflow-connect copy holds its form names in the host's form (counted texts). */
#ifndef ZVI_RECORDS_FILTERS_H
#define ZVI_RECORDS_FILTERS_H

#include "zvi/filters.h"
#include "zvi/records/workflow_objects.h"

ZVI_EXTERN_C_BEGIN

typedef struct SetFilterRequest {
    RequestControl control;
    const char* name;
    uint32_t changeMask;
    const char* newName;
    uint32_t order;
    WorkflowConnect workflowConnect; /* copy, host form */
    uint32_t operationMask;
    uint32_t enable;
    ZVI_WORKFLOW_DEFINITION(WorkflowActionList);
    uint32_t auxOptions;
    const char* auxName;
    uint8_t reserved[16];
} SetFilterRequest;
ZVI_SIZE(SetFilterRequest, 352);
ZVI_AT(SetFilterRequest, name, 168);
ZVI_AT(SetFilterRequest, changeMask, 176);
ZVI_AT(SetFilterRequest, newName, 184);
ZVI_AT(SetFilterRequest, order, 192);
ZVI_AT(SetFilterRequest, workflowConnect, 200);
ZVI_AT(SetFilterRequest, operationMask, 216);
ZVI_AT(SetFilterRequest, enable, 220);
ZVI_WORKFLOW_DEFINITION_AT(SetFilterRequest, 224);
ZVI_AT(SetFilterRequest, auxOptions, 320);
ZVI_AT(SetFilterRequest, auxName, 328);
ZVI_AT(SetFilterRequest, reserved, 336);
typedef StatusResult SetFilterResult;

typedef struct CreateFilterRequest {
    RequestControl control;
    const char* name;
    uint32_t order;
    WorkflowConnect workflowConnect; /* copy, host form */
    uint32_t operationMask;
    uint32_t enable;
    ZVI_WORKFLOW_DEFINITION(WorkflowActionList);
    uint32_t auxOptions;
    const char* auxName; /* as passed, null included */
    uint8_t reserved[16];
} CreateFilterRequest;
ZVI_SIZE(CreateFilterRequest, 336);
ZVI_AT(CreateFilterRequest, name, 168);
ZVI_AT(CreateFilterRequest, order, 176);
ZVI_AT(CreateFilterRequest, workflowConnect, 184);
ZVI_AT(CreateFilterRequest, operationMask, 200);
ZVI_AT(CreateFilterRequest, enable, 204);
ZVI_WORKFLOW_DEFINITION_AT(CreateFilterRequest, 208);
ZVI_AT(CreateFilterRequest, auxOptions, 304);
ZVI_AT(CreateFilterRequest, auxName, 312);
ZVI_AT(CreateFilterRequest, reserved, 320);
typedef StatusResult CreateFilterResult;

typedef WorkflowGetRequest GetFilterRequest;

typedef struct GetFilterResult {
    ResultControl control;
    uint32_t order;
    WorkflowConnect workflowConnect; /* host form */
    uint32_t operationMask;
    uint32_t enable;
    ZVI_WORKFLOW_OUTPUTS(WorkflowActionList);
    uint32_t auxOptions;
    ObjectName auxName;
} GetFilterResult;
ZVI_SIZE(GetFilterResult, 1104);
ZVI_AT(GetFilterResult, order, 168);
ZVI_AT(GetFilterResult, workflowConnect, 176);
ZVI_AT(GetFilterResult, operationMask, 192);
ZVI_AT(GetFilterResult, enable, 196);
ZVI_WORKFLOW_OUTPUTS_AT(GetFilterResult, 200);
ZVI_AT(GetFilterResult, auxOptions, 840);
ZVI_AT(GetFilterResult, auxName, 844);

typedef WorkflowDeleteRequest DeleteFilterRequest;
typedef StatusResult DeleteFilterResult;
typedef WorkflowGetListRequest GetListFilterRequest;
typedef NameListResult GetListFilterResult;
typedef WorkflowGetMultipleRequest GetMultipleFiltersRequest;

typedef struct GetMultipleFiltersResult {
    ResultControl control;
    ZVI_WORKFLOW_LISTS_HEAD;
    UintList orders;
    WorkflowConnectList workflowConnects; /* host form */
    UintList operationMasks;
    UintList enables;
    ZVI_WORKFLOW_LISTS(WorkflowActionListList);
    UintList auxOptions; /* neither asked for nor handed over */
    NameList auxNames;
} GetMultipleFiltersResult;
ZVI_SIZE(GetMultipleFiltersResult, 456);
ZVI_AT(GetMultipleFiltersResult, orders, 200);
ZVI_AT(GetMultipleFiltersResult, workflowConnects, 216);
ZVI_AT(GetMultipleFiltersResult, operationMasks, 232);
ZVI_AT(GetMultipleFiltersResult, enables, 248);
ZVI_WORKFLOW_LISTS_AT(GetMultipleFiltersResult, 264);
ZVI_AT(GetMultipleFiltersResult, auxOptions, 424);
ZVI_AT(GetMultipleFiltersResult, auxNames, 440);

ZVI_EXTERN_C_END

#endif
