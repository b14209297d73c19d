// View operations.
#include "definitions/shape.h"
#include "zvi/zvi.h"

using namespace zvi;
using namespace zvi::shape;

namespace zvi::shape {

template <> struct Structure<ViewLabelList> : ReleasedBy<releaseItems<ViewLabelList>> {};

}  // namespace zvi::shape

namespace {

// A text the request cannot do without, checked once the control record is converted:
// missing, it ends the call with its error before anything is copied.
template <auto Field>
struct RequiredText : Part {
    const char* text;
    uint32_t number;
    template <class F, class Q>
    bool fill(F& f, Q& q) {
        if (!text) return f.error(number, ""), false;
        q.*Field = text;
        return true;
    }
};

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetVUI(ControlRecord* control, char* formName, uint32_t viewId, char* viewName, char* viewLabel,
                           uint32_t* viewKind, PropList* displayProperties, char** helpText, uint32_t* timestamp,
                           char* owner, char* lastChangedBy, char** changeDiary, PropList* objectProperties,
                           StatusList* status) {
    using Q = GetVUIRequest;
    using R = GetVUIResult;
    Call<Q, R> f(Op::GetVUI, control, status);
    return get(f, &Q::wantedMask,
               in::arg<&Q::formName>(formName),
               in::arg<&Q::viewId>(viewId),
               out::name<&R::viewName>(viewName),
               out::name<&R::viewLabel>(viewLabel),
               out::word<&R::viewKind>(viewKind),
               out::moved<&R::displayProperties>(displayProperties, 1),
               out::text<&R::helpText>(helpText, 2),
               out::word<&R::timestamp>(timestamp),
               out::name<&R::owner>(owner, 8),
               out::name<&R::lastChangedBy>(lastChangedBy, 16),
               out::text<&R::changeDiary>(changeDiary, 4),
               late(out::moved<&R::objectProperties>(objectProperties, 32)));
}

// A new name is sent as given, even when it is the view's current name.
ZVI_API uint32_t ZVISetVUI(ControlRecord* control, char* formName, uint32_t viewId, char* newViewName,
                           char* viewLabel, uint32_t* viewKind, PropList* displayProperties, char* helpText,
                           char* owner, char* changeDiary, PropList* objectProperties, StatusList* status) {
    using Q = SetVUIRequest;
    Call<Q, SetVUIResult> f(Op::SetVUI, control, status);
    return set(f, &Q::changeMask, {},
               in::arg<&Q::formName>(formName),
               in::arg<&Q::viewId>(viewId),
               in::text<&Q::newViewName>(newViewName, 1),
               in::text<&Q::viewLabel>(viewLabel, 32),
               in::value<&Q::viewKind>(viewKind, 64),
               in::copy<&Q::displayProperties>(displayProperties, 2),
               in::copy<&Q::objectProperties>(objectProperties, 128),
               in::text<&Q::helpText>(helpText, 4),
               in::text<&Q::owner>(owner, 8),
               in::text<&Q::changeDiary>(changeDiary, 16));
}

ZVI_API uint32_t ZVICreateVUI(ControlRecord* control, char* formName, uint32_t* viewId, char* viewName,
                              char* viewLabel, uint32_t viewKind, PropList* displayProperties, char* helpText,
                              char* owner, char* changeDiary, PropList* objectProperties, StatusList* status) {
    using Q = CreateVUIRequest;
    using R = CreateVUIResult;
    Call<Q, R> f(Op::CreateVUI, control, status);
    return send(f, {{!viewId, msg::kIdOutputMissing}},
                in::arg<&Q::formName>(formName),
                in::value<&Q::viewId>(viewId),
                in::text<&Q::viewName>(viewName),
                in::text<&Q::viewLabel>(viewLabel),
                in::arg<&Q::viewKind>(viewKind),
                in::copy<&Q::displayProperties>(displayProperties),
                in::copy<&Q::objectProperties>(objectProperties),
                in::text<&Q::helpText>(helpText),
                in::text<&Q::owner>(owner),
                in::text<&Q::changeDiary>(changeDiary),
                out::word<&R::viewId>(viewId));
}

ZVI_API uint32_t ZVIDeleteVUI(ControlRecord* control, char* formName, uint32_t viewId, StatusList* status) {
    using Q = DeleteVUIRequest;
    Call<Q, DeleteVUIResult> f(Op::DeleteVUI, control, status);
    return send(f, {}, in::arg<&Q::formName>(formName), in::arg<&Q::viewId>(viewId));
}

ZVI_API uint32_t ZVIGetListVUI(ControlRecord* control, char* formName, uint32_t sinceTime, PropList* propertyFilter,
                               IdList* viewIds, StatusList* status) {
    using Q = GetListVUIRequest;
    using R = GetListVUIResult;
    Call<Q, R> f(Op::GetListVUI, control, status);
    return send(f, {{!viewIds, msg::kRowsOutputMissing}},
                in::arg<&Q::formName>(formName),
                in::arg<&Q::sinceTime>(sinceTime),
                in::value<&Q::propertyFilter>(propertyFilter),  // the caller's holder, items shared
                out::moved<&R::ids>(viewIds));
}

ZVI_API uint32_t ZVIGetMultipleVUIs(ControlRecord* control, char* formName, IdList* viewIdFilter, uint32_t sinceTime,
                                    FlagList* existList, IdList* viewIds, NameList* viewNames, ViewLabelList* viewLabels,
                                    UintList* viewKinds, PropListList* displayProperties, TextList* helpTexts,
                                    UintList* timestamps, NameList* owners, NameList* lastChangedBy,
                                    TextList* changeDiaries, PropListList* objectProperties, StatusList* status) {
    using Q = GetMultipleVUIsRequest;
    using R = GetMultipleVUIsResult;
    Call<Q, R> f(Op::GetMultipleVUIs, control, status);
    return get(f, &Q::wantedMask,
               RequiredText<&Q::formName>{{0, false}, formName, msg::kFormNameMissing},
               in::copy<&Q::idFilter>(viewIdFilter),
               in::arg<&Q::sinceTime>(sinceTime),
               out::moved<&R::existList>(existList, 1024),
               out::moved<&R::viewIds>(viewIds, 1),
               out::moved<&R::viewNames>(viewNames, 2),
               out::moved<&R::viewLabels>(viewLabels, 4),
               out::moved<&R::viewKinds>(viewKinds, 8),
               out::moved<&R::displayProperties>(displayProperties, 16),
               out::texts<&R::helpTexts>(helpTexts, 32),
               out::moved<&R::timestamps>(timestamps, 64),
               out::moved<&R::owners>(owners, 128),
               out::moved<&R::lastChangedBy>(lastChangedBy, 256),
               out::texts<&R::changeDiaries>(changeDiaries, 512),
               out::moved<&R::objectProperties>(objectProperties, 2048));
}

}  // extern "C"
