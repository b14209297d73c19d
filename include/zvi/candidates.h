/* Extension candidates: the form types and fields the server offers for extending
 * its forms. */
#ifndef ZVI_CANDIDATES_H
#define ZVI_CANDIDATES_H

#include "zvi/forms.h"
#include "zvi/multiple_fields.h"
#include "zvi/namelists.h"
#include "zvi/properties.h"

ZVI_EXTERN_C_BEGIN

/* Outputs may be null; they are written only on success and are not emptied at
 * entry. The server's messages reach the caller even when its routine fails. */
ZVI_API uint32_t ZVIGetListExtSchemaCandidates(ControlRecord* control, uint32_t candidateKind,
                                               FormTypeInfoList* typeInfos, StatusList* status);
/* formTypeInfo is sent byte for byte (a zero description when null). */
ZVI_API uint32_t ZVIGetMultipleExtFieldCandidates(ControlRecord* control, FormTypeInfo* formTypeInfo,
                                                  FieldMappingList* fieldMappings, FieldLimitList* fieldLimits,
                                                  UintList* codes, StatusList* status);

ZVI_EXTERN_C_END

#endif
