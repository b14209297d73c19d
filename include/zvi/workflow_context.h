/* Workflow-context, queued and timed calls. */
#ifndef ZVI_WORKFLOW_CONTEXT_H
#define ZVI_WORKFLOW_CONTEXT_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

ZVI_EXTERN_C_END

#endif
