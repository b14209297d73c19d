// Extension candidates: form types and fields the host offers. The host's messages
// reach the caller even when its routine fails (the slot map's variant); outputs are
// written only on success and never emptied before.
#include "definitions/shape.h"
#include "zvi/zvi.h"

using namespace zvi;
using namespace zvi::shape;

extern "C" {

ZVI_API uint32_t ZVIGetListExtSchemaCandidates(ControlRecord* control, uint32_t candidateKind,
                                               FormTypeInfoList* typeInfos, StatusList* status) {
    using Q = GetListExtSchemaCandidatesRequest;
    using R = GetListExtSchemaCandidatesResult;
    Call<Q, R> f(Op::GetListExtSchemaCandidates, control, status);
    return send(f, {}, in::arg<&Q::candidateKind>(candidateKind), kept(out::moved<&R::typeInfos>(typeInfos)));
}

ZVI_API uint32_t ZVIGetMultipleExtFieldCandidates(ControlRecord* control, FormTypeInfo* formTypeInfo,
                                                  FieldMappingList* fieldMappings, FieldLimitList* fieldLimits,
                                                  UintList* codes, StatusList* status) {
    using Q = GetMultipleExtFieldCandidatesRequest;
    using R = GetMultipleExtFieldCandidatesResult;
    Call<Q, R> f(Op::GetMultipleExtFieldCandidates, control, status);
    return send(f, {},
                in::value<&Q::formTypeInfo>(formTypeInfo),
                kept(out::moved<&R::fieldMappings>(fieldMappings)),
                kept(out::moved<&R::fieldLimits>(fieldLimits)),
                kept(out::moved<&R::codes>(codes)));
}

}  // extern "C"
