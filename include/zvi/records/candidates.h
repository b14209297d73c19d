/* Request and result records of the extension-candidate queries. */
#ifndef ZVI_RECORDS_CANDIDATES_H
#define ZVI_RECORDS_CANDIDATES_H

#include "zvi/candidates.h"
#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

typedef struct GetListExtSchemaCandidatesRequest {
    RequestControl control;
    uint32_t candidateKind;
} GetListExtSchemaCandidatesRequest;
ZVI_SIZE(GetListExtSchemaCandidatesRequest, 176);
ZVI_AT(GetListExtSchemaCandidatesRequest, candidateKind, 168);

typedef struct GetListExtSchemaCandidatesResult {
    ResultControl control;
    FormTypeInfoList typeInfos;
    StatusList status;
} GetListExtSchemaCandidatesResult;
ZVI_SIZE(GetListExtSchemaCandidatesResult, 200);
ZVI_AT(GetListExtSchemaCandidatesResult, typeInfos, 168);
ZVI_AT(GetListExtSchemaCandidatesResult, status, 184);

typedef struct GetMultipleExtFieldCandidatesRequest {
    RequestControl control;
    FormTypeInfo formTypeInfo; /* the caller's bytes, or zero */
} GetMultipleExtFieldCandidatesRequest;
ZVI_SIZE(GetMultipleExtFieldCandidatesRequest, 2480);
ZVI_AT(GetMultipleExtFieldCandidatesRequest, formTypeInfo, 168);

typedef struct GetMultipleExtFieldCandidatesResult {
    ResultControl control;
    FieldMappingList fieldMappings;
    FieldLimitList fieldLimits;
    UintList codes;
    StatusList status;
} GetMultipleExtFieldCandidatesResult;
ZVI_SIZE(GetMultipleExtFieldCandidatesResult, 232);
ZVI_AT(GetMultipleExtFieldCandidatesResult, fieldMappings, 168);
ZVI_AT(GetMultipleExtFieldCandidatesResult, fieldLimits, 184);
ZVI_AT(GetMultipleExtFieldCandidatesResult, codes, 200);
ZVI_AT(GetMultipleExtFieldCandidatesResult, status, 216);

ZVI_EXTERN_C_END

#endif
