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

/* GetList results are NameListResult (zvi/records/forms.h); Set, Create and Delete
 * results StatusResult. */

ZVI_EXTERN_C_END

#endif
