// Active-link operations: the shared workflow-object shape with an order, a group
// list, an execute mask, two field identifiers and the aux pair. The action lists are
// sent as the caller's headers and handed back as the host's: their items are never
// read. Set and Create run without the allocation-context step (the slot map says so).
#include "workflow/workflow_objects.h"

using namespace zvi;
using namespace zvi::shape;
using namespace zvi::workflow;

namespace {

constexpr uint32_t kNoGroups = 71;               // warning: a group list without items
constexpr uint32_t kExecuteMaskTooHigh = 187;    // 0x200000 or more (21 bits)
constexpr uint32_t kExecuteMaskLimit = 0x200000;
constexpr Family kActiveLinks{128, 1, 256, false};

bool hasGroups(const IdList* groups) { return groups && groups->numItems && groups->items; }

// Set and Create differ in their request, the mask, the rename and in when a missing
// group list draws the warning (Set: an empty one given; Create: also none).
template <class Q, class R, class... Own>
uint32_t defineActiveLink(Call<Q, R>& f, uint32_t Q::*changeMask, const Definition<ActiveLinkActionList>& d,
                          const uint32_t* order, const IdList* groupList, bool warnNoGroups,
                          const uint32_t* executeMask, const uint32_t* controlField, const uint32_t* focusField,
                          Own... parts) {
    const Checks checks{{orderTooHigh(order), kOrderTooHigh},
                        {{warnNoGroups && !hasGroups(groupList), kNoGroups, "", ZVI_WARNING, true},
                         {executeMask && *executeMask >= kExecuteMaskLimit, kExecuteMaskTooHigh}}};
    return define<kActiveLinks>(f, changeMask, d, checks, parts...,
                                in::valueOr<&Q::order>(order, 0u, 2),
                                in::copy<&Q::groupList>(groupList, 8),
                                in::valueOr<&Q::executeMask>(executeMask, 0u, 16),
                                in::valueOr<&Q::controlField>(controlField, 0u, 32),
                                in::valueOr<&Q::focusField>(focusField, 0u, 64));
}

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetActiveLink(ControlRecord* control, char* name, uint32_t* order,
                                  WorkflowConnect* workflowConnect, IdList* groupList, uint32_t* executeMask,
                                  uint32_t* controlField, uint32_t* focusField, uint32_t* enable,
                                  Qualifier* qualifier, ActiveLinkActionList* actions,
                                  ActiveLinkActionList* elseActions, char** helpText, uint32_t* timestamp,
                                  char* owner, char* lastChangedBy, char** changeDiary, PropList* objectProperties,
                                  uint32_t* auxOptions, char* auxName, StatusList* status) {
    using R = GetActiveLinkResult;
    Call<GetActiveLinkRequest, R> f(Op::GetActiveLink, control, status);
    return get<kActiveLinks>(f, name,
                             Outputs<ActiveLinkActionList>{workflowConnect, enable, qualifier, actions, elseActions,
                                                           helpText, timestamp, owner, lastChangedBy, changeDiary,
                                                           objectProperties},
                             out::word<&R::order>(order),
                             out::moved<&R::groupList>(groupList, 1),
                             out::word<&R::executeMask>(executeMask),
                             out::word<&R::controlField>(controlField),
                             out::word<&R::focusField>(focusField),
                             out::word<&R::auxOptions>(auxOptions),
                             out::name<&R::auxName>(auxName));
}

ZVI_API uint32_t ZVISetActiveLink(ControlRecord* control, char* name, char* newName, uint32_t* order,
                                  WorkflowConnect* workflowConnect, IdList* groupList, uint32_t* executeMask,
                                  uint32_t* controlField, uint32_t* focusField, uint32_t* enable,
                                  Qualifier* qualifier, ActiveLinkActionList* actions,
                                  ActiveLinkActionList* elseActions, char* helpText, char* owner, char* changeDiary,
                                  PropList* objectProperties, uint32_t* auxOptions, char* auxName,
                                  StatusList* status) {
    using Q = SetActiveLinkRequest;
    Call<Q, SetActiveLinkResult> f(Op::SetActiveLink, control, status);
    return defineActiveLink(f, &Q::changeMask,
                            {name, workflowConnect, enable, qualifier, actions, elseActions, helpText, owner,
                             changeDiary, objectProperties},
                            order, groupList, groupList != nullptr, executeMask, controlField, focusField,
                            in::rename<&Q::newName>(newName, name, 1),
                            notAChange(in::value<&Q::auxOptions>(auxOptions, 32768)),
                            notAChange(in::text<&Q::auxName>(auxName, 65536)));
}

ZVI_API uint32_t ZVICreateActiveLink(ControlRecord* control, char* name, uint32_t order,
                                     WorkflowConnect* workflowConnect, IdList* groupList, uint32_t executeMask,
                                     uint32_t* controlField, uint32_t* focusField, uint32_t enable,
                                     Qualifier* qualifier, ActiveLinkActionList* actions,
                                     ActiveLinkActionList* elseActions, char* helpText, char* owner,
                                     char* changeDiary, PropList* objectProperties, uint32_t auxOptions,
                                     char* auxName, StatusList* status) {
    using Q = CreateActiveLinkRequest;
    Call<Q, CreateActiveLinkResult> f(Op::CreateActiveLink, control, status);
    return defineActiveLink(f, noMask<Q>,
                            {name, workflowConnect, &enable, qualifier, actions, elseActions, helpText, owner,
                             changeDiary, objectProperties},
                            &order, groupList, true, &executeMask, controlField, focusField,
                            in::arg<&Q::auxOptions>(auxOptions),
                            in::arg<&Q::auxName>(auxName));
}

ZVI_API uint32_t ZVIDeleteActiveLink(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status) {
    return remove(Op::DeleteActiveLink, control, name, deleteOption, status);
}

ZVI_API uint32_t ZVIGetListActiveLink(ControlRecord* control, char* formName, uint32_t sinceTime,
                                      PropList* propertyFilter, NameList* nameList, StatusList* status) {
    return list(Op::GetListActiveLink, control, formName, sinceTime, propertyFilter, nameList, status);
}

ZVI_API uint32_t ZVIGetMultipleActiveLinks(ControlRecord* control, uint32_t sinceTime, NameList* names,
                                           FlagList* existList, NameList* linkNames, UintList* orders,
                                           WorkflowConnectList* workflowConnects, IdListList* groupLists,
                                           UintList* executeMasks, IdList* controlFields, IdList* focusFields,
                                           UintList* enables, QualifierList* qualifiers,
                                           ActiveLinkActionListList* actions, ActiveLinkActionListList* elseActions,
                                           TextList* helpTexts, UintList* timestamps, NameList* owners,
                                           NameList* lastChangedBy, TextList* changeDiaries,
                                           PropListList* objectProperties, UintList* auxOptions,
                                           NameList* auxNames, StatusList* status) {
    using R = GetMultipleActiveLinksResult;
    Call<GetMultipleActiveLinksRequest, R> f(Op::GetMultipleActiveLinks, control, status);
    return getMultiple<kActiveLinks>(f, sinceTime, names,
                                     Lists<ActiveLinkActionListList>{existList, linkNames, workflowConnects, enables,
                                                                     qualifiers, actions, elseActions, helpTexts,
                                                                     timestamps, owners, lastChangedBy,
                                                                     changeDiaries, objectProperties},
                                     out::list<&R::orders>(orders, 4),
                                     out::dropped<&R::unusedGroupLists>(),  // no output asks for it
                                     out::list<&R::groupLists>(groupLists, 16),
                                     out::list<&R::executeMasks>(executeMasks, 32),
                                     out::list<&R::controlFields>(controlFields, 64),
                                     out::list<&R::focusFields>(focusFields, 128),
                                     out::unanswered<&R::auxOptions>(auxOptions),
                                     out::unanswered<&R::auxNames>(auxNames));
}

}  // extern "C"
