/* Request and result records of the workflow-context operations. */
#ifndef ZVI_RECORDS_WORKFLOW_CONTEXT_H
#define ZVI_RECORDS_WORKFLOW_CONTEXT_H

#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

ZVI_EXTERN_C_END

#endif
