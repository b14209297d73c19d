// What filters, active links and escalations share beyond the shape's templates.
#include "workflow/workflow_objects.h"

#include <cstdlib>

namespace zvi {
namespace shape {

void releaseHostConnect(WorkflowConnect* connect, uint8_t) {
    releaseThroughCodec(codeWorkflowConnect, connect);
    *connect = WorkflowConnect{};
}

void releaseHostConnects(WorkflowConnectList* list, uint8_t) {
    for (uint32_t i = 0; list->items && i < list->numItems; ++i) releaseHostConnect(&list->items[i], 0);
    releaseItems(list, 0);
}

}  // namespace shape

namespace workflow {

uint32_t remove(Op op, ControlRecord* control, const char* name, uint32_t deleteOption, StatusList* status) {
    using Q = WorkflowDeleteRequest;
    Call<Q, StatusResult> f(op, control, status);
    return send(f, {}, in::arg<&Q::name>(name), in::arg<&Q::deleteOption>(deleteOption));
}

// A name list that cannot be converted appends its number and is handed over empty.
uint32_t list(Op op, ControlRecord* control, const char* formName, uint32_t sinceTime, const PropList* propertyFilter,
              NameList* nameList, StatusList* status) {
    using Q = WorkflowGetListRequest;
    using R = NameListResult;
    Call<Q, R> f(op, control, status);
    return send(f, {{!nameList, msg::kRowsOutputMissing}},
                in::text<&Q::formName>(formName),
                in::arg<&Q::sinceTime>(sinceTime),
                in::copy<&Q::propertyFilter>(propertyFilter),
                out::names<&R::names>(nameList));
}

}  // namespace workflow
}  // namespace zvi
