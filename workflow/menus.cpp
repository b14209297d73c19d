// Character-menu operations.
//
// A menu crosses in the caller's form both ways: the request holds a deep copy of the
// caller's menu and a Get hands over the host's menu as it is (or releases it, with
// everything below it, when the caller passed no menu output). The menu walk that
// stands for the conversion between the two forms changes nothing and cannot fail;
// it still runs where the conversion belongs, and a number it returned would be
// reported as an error. Copies are released with ReleaseCharMenuDef, which frees
// exactly what a release through the menu's record codec would, but without
// recursion: menus of any depth run on a small stack.
#include "types/helpers.h"
#include "workflow/workflow_objects.h"
#include "zvi/zvi.h"

using namespace zvi;
using namespace zvi::shape;

namespace {

uint32_t walkMenu(CharMenuDef* menu) { return WalkCharMenu(menu); }

void releaseMenus(CharMenuDefList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](CharMenuDef* menu) { ReleaseCharMenuDef(menu, 0); });
}

bool refreshCodeInvalid(uint32_t code) { return code < ZVI_REFRESH_FIRST || code > ZVI_REFRESH_LAST; }

}  // namespace

namespace zvi::shape {

template <> struct Structure<CharMenuDef> : CopiedBy<CopyCharMenuDef, ReleaseCharMenuDef> {};
template <> struct Structure<CharMenuDefList> : ReleasedBy<releaseMenus> {};

}  // namespace zvi::shape

extern "C" {

ZVI_API uint32_t ZVIGetCharMenu(ControlRecord* control, char* name, uint32_t* refreshCode,
                                CharMenuDef* menuDefinition, char** helpText, uint32_t* timestamp, char* owner,
                                char* lastChangedBy, char** changeDiary, PropList* objectProperties,
                                StatusList* status) {
    using Q = GetCharMenuRequest;
    using R = GetCharMenuResult;
    Call<Q, R> f(Op::GetCharMenu, control, status);
    return get(f, &Q::wantedMask, in::arg<&Q::name>(name),
               out::word<&R::refreshCode>(refreshCode),
               out::unpacked<&R::menuDefinition, walkMenu>(menuDefinition, 1),
               out::text<&R::helpText>(helpText, 2),
               out::word<&R::timestamp>(timestamp),
               out::name<&R::owner>(owner, 16),
               out::name<&R::lastChangedBy>(lastChangedBy, 32),
               out::text<&R::changeDiary>(changeDiary, 4),
               out::moved<&R::objectProperties>(objectProperties, 8));
}

ZVI_API uint32_t ZVISetCharMenu(ControlRecord* control, char* name, char* newName, uint32_t* refreshCode,
                                CharMenuDef* menuDefinition, char* helpText, char* owner, char* changeDiary,
                                PropList* objectProperties, StatusList* status) {
    using Q = SetCharMenuRequest;
    Call<Q, SetCharMenuResult> f(Op::SetCharMenu, control, status);
    return set(f, &Q::changeMask, {{refreshCode && refreshCodeInvalid(*refreshCode), msg::kRefreshCodeInvalid}},
               in::arg<&Q::name>(name),
               in::renameIfDifferent<&Q::newName>(newName, name, 1),
               in::value<&Q::refreshCode>(refreshCode, 2),
               in::packed<&Q::menuDefinition, walkMenu>(menuDefinition, 4),
               in::text<&Q::helpText>(helpText, 8),
               in::text<&Q::owner>(owner, 16),
               in::text<&Q::changeDiary>(changeDiary, 32),
               in::copy<&Q::objectProperties>(objectProperties, 64));
}

// A null menu is sent as an empty one (type 0), which is what its copy gives.
ZVI_API uint32_t ZVICreateCharMenu(ControlRecord* control, char* name, uint32_t refreshCode,
                                   CharMenuDef* menuDefinition, char* helpText, char* owner, char* changeDiary,
                                   PropList* objectProperties, StatusList* status) {
    using Q = CreateCharMenuRequest;
    Call<Q, CreateCharMenuResult> f(Op::CreateCharMenu, control, status);
    return send(f, {{refreshCodeInvalid(refreshCode), msg::kRefreshCodeInvalid}},
                in::arg<&Q::name>(name),
                in::arg<&Q::refreshCode>(refreshCode),
                in::packed<&Q::menuDefinition, walkMenu>(menuDefinition),
                in::text<&Q::helpText>(helpText),
                in::text<&Q::owner>(owner),
                in::text<&Q::changeDiary>(changeDiary),
                in::copy<&Q::objectProperties>(objectProperties));
}

ZVI_API uint32_t ZVIDeleteCharMenu(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status) {
    using Q = DeleteCharMenuRequest;
    Call<Q, DeleteCharMenuResult> f(Op::DeleteCharMenu, control, status);
    return send(f, {}, in::arg<&Q::name>(name), in::arg<&Q::deleteOption>(deleteOption));
}

ZVI_API uint32_t ZVIGetListCharMenu(ControlRecord* control, uint32_t sinceTime, NameList* firstNameFilter,
                                    NameList* secondNameFilter, PropList* propertyFilter, NameList* nameList,
                                    StatusList* status) {
    using Q = GetListCharMenuRequest;
    using R = GetListCharMenuResult;
    Call<Q, R> f(Op::GetListCharMenu, control, status);
    return send(f, {{!nameList, msg::kRowsOutputMissing}},
                in::arg<&Q::sinceTime>(sinceTime),
                in::copy<&Q::firstNameFilter>(firstNameFilter),
                in::copy<&Q::secondNameFilter>(secondNameFilter),
                in::copy<&Q::propertyFilter>(propertyFilter),
                out::names<&R::names>(nameList));
}

ZVI_API uint32_t ZVIGetMultipleCharMenus(ControlRecord* control, uint32_t sinceTime, NameList* names,
                                         FlagList* existList, NameList* menuNames, UintList* refreshCodes,
                                         CharMenuDefList* menuDefinitions, TextList* helpTexts,
                                         UintList* timestamps, NameList* owners, NameList* lastChangedBy,
                                         TextList* changeDiaries, PropListList* objectProperties,
                                         StatusList* status) {
    using Q = GetMultipleCharMenusRequest;
    using R = GetMultipleCharMenusResult;
    Call<Q, R> f(Op::GetMultipleCharMenus, control, status);
    // Every output list is emptied whole at entry, but the change diaries, by their count.
    return get(f, &Q::wantedMask,
               in::copy<&Q::names>(names),
               in::arg<&Q::sinceTime>(sinceTime),
               out::list<&R::existList>(existList, 1),
               out::list<&R::names>(menuNames, 2),
               out::list<&R::refreshCodes>(refreshCodes, 4),
               out::list<&R::menuDefinitions>(menuDefinitions, 8),
               out::textList<&R::helpTexts>(helpTexts, 16),
               out::list<&R::timestamps>(timestamps, 32),
               out::list<&R::owners>(owners, 64),
               out::list<&R::lastChangedBy>(lastChangedBy, 128),
               out::texts<&R::changeDiaries>(changeDiaries, 256),
               out::list<&R::objectProperties>(objectProperties, 512));
}

}  // extern "C"
