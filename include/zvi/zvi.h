/* The in-process interface: every exported operation. Plug-ins include this header
 * only. Each operation takes the caller's ControlRecord first (where it has one) and
 * a StatusList last, and returns the most severe message type in that list (0 note,
 * 1 warning, 2 error), 3 when memory ran out while recording a message, 4 when no
 * status list was given, or the code of a failed argument copy (300: no memory). */
#ifndef ZVI_ZVI_H
#define ZVI_ZVI_H

#include "zvi/base.h"
#include "zvi/actions.h"
#include "zvi/menus.h"
#include "zvi/multiquery.h"
#include "zvi/namelists.h"
#include "zvi/properties.h"
#include "zvi/qualifier.h"
#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

/* Start-up: called once by the server with its entry table. */
ZVI_API uint32_t ZVIInitialization(const void* hostTable, StatusList* status);
ZVI_API uint32_t ZVITermination(void* ignored);

ZVI_EXTERN_C_END

/* The operations, one header per family. */
#include "zvi/entries.h"
#include "zvi/server.h"
#include "zvi/transactions.h"
#include "zvi/workflow_context.h"
#include "zvi/codecs.h"
#include "zvi/forms.h"
#include "zvi/fields.h"
#include "zvi/multiple_fields.h"
#include "zvi/views.h"
#include "zvi/filters.h"
#include "zvi/active_links.h"
#include "zvi/escalations.h"
#include "zvi/import_export.h"
#include "zvi/access.h"
#include "zvi/candidates.h"
#include "zvi/char_menus.h"
#include "zvi/containers.h"

#endif
