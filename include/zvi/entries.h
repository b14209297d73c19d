/* Entry operations: read, change, create, delete, merge and list the entries of a form. */
#ifndef ZVI_ENTRIES_H
#define ZVI_ENTRIES_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

ZVI_API uint32_t ZVIDeleteEntry(ControlRecord* control, char* schema, EntryIdList* entryId,
                                uint32_t deleteOption, StatusList* status);

ZVI_EXTERN_C_END

#endif
