// Filter operations: the shared workflow-object shape with an order, an operation
// mask and the aux pair; the action lists are deep-copied.
#include "workflow/workflow_objects.h"

using namespace zvi;
using namespace zvi::shape;
using namespace zvi::workflow;

namespace {

constexpr uint32_t kOperationMaskTooHigh = 115;  // 128 or more (seven bits)
constexpr uint32_t kOperationMaskLimit = 128;
constexpr Family kFilters{16, 0, 32, true};

// Set and Create differ only in their request, the mask and the rename.
template <class Q, class R, class... Own>
uint32_t defineFilter(Call<Q, R>& f, uint32_t Q::*changeMask, const Definition<WorkflowActionList>& d,
                      const uint32_t* order, const uint32_t* operationMask, Own... parts) {
    const Checks checks{{orderTooHigh(order), kOrderTooHigh},
                        {{operationMask && *operationMask >= kOperationMaskLimit, kOperationMaskTooHigh}}};
    return define<kFilters>(f, changeMask, d, checks, parts...,
                            in::valueOr<&Q::order>(order, 0u, 2),
                            in::valueOr<&Q::operationMask>(operationMask, 0u, 8));
}

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetFilter(ControlRecord* control, char* name, uint32_t* order, WorkflowConnect* workflowConnect,
                              uint32_t* operationMask, uint32_t* enable, Qualifier* qualifier,
                              WorkflowActionList* actions, WorkflowActionList* elseActions, char** helpText,
                              uint32_t* timestamp, char* owner, char* lastChangedBy, char** changeDiary,
                              PropList* objectProperties, uint32_t* auxOptions, char* auxName, StatusList* status) {
    using R = GetFilterResult;
    Call<GetFilterRequest, R> f(Op::GetFilter, control, status);
    return get<kFilters>(f, name,
                         Outputs<WorkflowActionList>{workflowConnect, enable, qualifier, actions, elseActions, helpText,
                                                     timestamp, owner, lastChangedBy, changeDiary, objectProperties},
                         out::word<&R::order>(order),
                         out::word<&R::operationMask>(operationMask),
                         out::word<&R::auxOptions>(auxOptions),
                         out::name<&R::auxName>(auxName));
}

ZVI_API uint32_t ZVISetFilter(ControlRecord* control, char* name, char* newName, uint32_t* order,
                              WorkflowConnect* workflowConnect, uint32_t* operationMask, uint32_t* enable,
                              Qualifier* qualifier, WorkflowActionList* actions, WorkflowActionList* elseActions,
                              char* helpText, char* owner, char* changeDiary, PropList* objectProperties,
                              uint32_t* auxOptions, char* auxName, StatusList* status) {
    using Q = SetFilterRequest;
    Call<Q, SetFilterResult> f(Op::SetFilter, control, status);
    return defineFilter(f, &Q::changeMask,
                        {name, workflowConnect, enable, qualifier, actions, elseActions, helpText, owner,
                         changeDiary, objectProperties},
                        order, operationMask,
                        in::rename<&Q::newName>(newName, name, 1),
                        notAChange(in::value<&Q::auxOptions>(auxOptions, 4096)),
                        notAChange(in::text<&Q::auxName>(auxName, 8192)));
}

ZVI_API uint32_t ZVICreateFilter(ControlRecord* control, char* name, uint32_t order,
                                 WorkflowConnect* workflowConnect, uint32_t operationMask, uint32_t enable,
                                 Qualifier* qualifier, WorkflowActionList* actions, WorkflowActionList* elseActions,
                                 char* helpText, char* owner, char* changeDiary, PropList* objectProperties,
                                 uint32_t auxOptions, char* auxName, StatusList* status) {
    using Q = CreateFilterRequest;
    Call<Q, CreateFilterResult> f(Op::CreateFilter, control, status);
    return defineFilter(f, noMask<Q>,
                        {name, workflowConnect, &enable, qualifier, actions, elseActions, helpText, owner,
                         changeDiary, objectProperties},
                        &order, &operationMask,
                        in::arg<&Q::auxOptions>(auxOptions),
                        in::arg<&Q::auxName>(auxName));
}

ZVI_API uint32_t ZVIDeleteFilter(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status) {
    return remove(Op::DeleteFilter, control, name, deleteOption, status);
}

ZVI_API uint32_t ZVIGetListFilter(ControlRecord* control, char* formName, uint32_t sinceTime,
                                  PropList* propertyFilter, NameList* nameList, StatusList* status) {
    return list(Op::GetListFilter, control, formName, sinceTime, propertyFilter, nameList, status);
}

ZVI_API uint32_t ZVIGetMultipleFilters(ControlRecord* control, uint32_t sinceTime, NameList* names,
                                       FlagList* existList, NameList* filterNames, UintList* orders,
                                       WorkflowConnectList* workflowConnects, UintList* operationMasks,
                                       UintList* enables, QualifierList* qualifiers,
                                       WorkflowActionListList* actions, WorkflowActionListList* elseActions,
                                       TextList* helpTexts, UintList* timestamps, NameList* owners,
                                       NameList* lastChangedBy, TextList* changeDiaries,
                                       PropListList* objectProperties, UintList* auxOptions, NameList* auxNames,
                                       StatusList* status) {
    using R = GetMultipleFiltersResult;
    Call<GetMultipleFiltersRequest, R> f(Op::GetMultipleFilters, control, status);
    return getMultiple<kFilters>(f, sinceTime, names,
                                 Lists<WorkflowActionListList>{existList, filterNames, workflowConnects, enables,
                                                               qualifiers, actions, elseActions, helpTexts,
                                                               timestamps, owners, lastChangedBy, changeDiaries,
                                                               objectProperties},
                                 out::list<&R::orders>(orders, 4),
                                 out::list<&R::operationMasks>(operationMasks, 16),
                                 out::unanswered<&R::auxOptions>(auxOptions),
                                 out::unanswered<&R::auxNames>(auxNames));
}

}  // extern "C"
