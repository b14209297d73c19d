// Container operations.
#include "types/helpers.h"
#include "workflow/workflow_objects.h"
#include "zvi/zvi.h"

using namespace zvi;
using namespace zvi::shape;

namespace {

void releaseReferenceLists(ContainerReferenceListList* lists, uint8_t freeHolder) {
    releaseList(lists, freeHolder, [](ContainerReferenceList* list) { ReleaseContainerReferenceList(list, 0); });
}

// A word the caller's output receives, emptied at entry.
template <auto Field>
struct EmptiedWord : out::Word<Field> {
    void empty() {
        if (this->out) *this->out = 0;
    }
};

}  // namespace

namespace zvi::shape {

template <> struct Structure<ContainerOwnerList> : CopiedBy<CopyContainerOwnerList, ReleaseContainerOwnerList> {};
template <> struct Structure<ContainerReferenceList> : CopiedBy<CopyContainerReferenceList, ReleaseContainerReferenceList> {};
template <> struct Structure<ContainerOwnerListList> : ReleasedBy<releaseLists<ContainerOwnerListList>> {};
template <> struct Structure<ContainerReferenceListList> : ReleasedBy<releaseReferenceLists> {};
template <> struct Structure<ContainerInfoList> : ReleasedBy<releaseItems<ContainerInfoList>> {};

}  // namespace zvi::shape

extern "C" {

// An owner list nobody takes loses its array whatever count the host gave with it.
ZVI_API uint32_t ZVIGetContainer(ControlRecord* control, char* name, IdList* referenceTypes,
                                 PermissionList* permissions, IdList* groupList, ContainerOwnerList* ownerObjects,
                                 char** label, char** description, uint32_t* containerType,
                                 ContainerReferenceList* references, char** helpText, char* owner,
                                 uint32_t* timestamp, char* lastChangedBy, char** changeDiary,
                                 PropList* objectProperties, StatusList* status) {
    using Q = GetContainerRequest;
    using R = GetContainerResult;
    Call<Q, R> f(Op::GetContainer, control, status);
    return get(f, &Q::wantedMask, in::arg<&Q::name>(name),
               in::copy<&Q::referenceTypes>(referenceTypes),
               out::moved<&R::permissions>(permissions, 1),
               out::moved<&R::groupList>(groupList, 2),
               out::moved<&R::ownerObjects, releaseItems<ContainerOwnerList>>(ownerObjects, 4),
               out::text<&R::label>(label, 8),
               out::text<&R::description>(description, 16),
               EmptiedWord<&R::containerType>{{{32, containerType != nullptr}, containerType}},
               out::moved<&R::references>(references, 64),
               out::text<&R::helpText>(helpText, 128),
               out::name<&R::owner>(owner, 1024),
               out::word<&R::timestamp>(timestamp),
               out::name<&R::lastChangedBy>(lastChangedBy, 2048),
               out::text<&R::changeDiary>(changeDiary, 256),
               out::moved<&R::objectProperties>(objectProperties, 512),
               out::dropped<&R::unusedPermissions>());
}

ZVI_API uint32_t ZVISetContainer(ControlRecord* control, char* name, char* newName, PermissionList* permissions,
                                 IdList* groupList, ContainerOwnerList* ownerObjects, char* label,
                                 char* description, uint32_t* containerType, ContainerReferenceList* references,
                                 uint8_t removeFlag, char* helpText, char* owner, char* changeDiary,
                                 PropList* objectProperties, StatusList* status) {
    using Q = SetContainerRequest;
    Call<Q, SetContainerResult> f(Op::SetContainer, control, status);
    return set(f, &Q::changeMask, {},
               in::arg<&Q::name>(name),
               in::renameIfDifferent<&Q::newName>(newName, name, 1),
               in::copy<&Q::permissions>(permissions, 2),
               in::copy<&Q::groupList>(groupList, 4),
               in::copy<&Q::ownerObjects>(ownerObjects, 8),
               in::text<&Q::label>(label, 64),
               in::text<&Q::description>(description, 128),
               in::value<&Q::containerType>(containerType, 16),
               in::copy<&Q::references>(references, 32),
               in::arg<&Q::removeFlag>(removeFlag),
               in::text<&Q::helpText>(helpText, 256),
               in::text<&Q::owner>(owner, 512),
               in::text<&Q::changeDiary>(changeDiary, 1024),
               in::copy<&Q::objectProperties>(objectProperties, 2048));
}

ZVI_API uint32_t ZVICreateContainer(ControlRecord* control, char* name, PermissionList* permissions,
                                    IdList* groupList, ContainerOwnerList* ownerObjects, char* label,
                                    char* description, uint32_t containerType, ContainerReferenceList* references,
                                    uint8_t removeFlag, char* helpText, char* owner, char* changeDiary,
                                    PropList* objectProperties, StatusList* status) {
    using Q = CreateContainerRequest;
    Call<Q, CreateContainerResult> f(Op::CreateContainer, control, status);
    return send(f, {},
                in::arg<&Q::name>(name),
                in::copy<&Q::permissions>(permissions),
                in::copy<&Q::groupList>(groupList),
                in::copy<&Q::ownerObjects>(ownerObjects),
                in::text<&Q::label>(label),
                in::text<&Q::description>(description),
                in::arg<&Q::containerType>(containerType),
                in::copy<&Q::references>(references),
                in::arg<&Q::removeFlag>(removeFlag),
                in::text<&Q::helpText>(helpText),
                in::text<&Q::owner>(owner),
                in::text<&Q::changeDiary>(changeDiary),
                in::copy<&Q::objectProperties>(objectProperties));
}

ZVI_API uint32_t ZVIDeleteContainer(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status) {
    using Q = DeleteContainerRequest;
    Call<Q, DeleteContainerResult> f(Op::DeleteContainer, control, status);
    return send(f, {}, in::arg<&Q::name>(name), in::arg<&Q::deleteOption>(deleteOption));
}

ZVI_API uint32_t ZVIGetListContainer(ControlRecord* control, uint32_t sinceTime, IdList* containerTypes,
                                     uint32_t attributeMask, ContainerOwnerList* ownerFilter,
                                     PropList* propertyFilter, ContainerInfoList* containers, StatusList* status) {
    using Q = GetListContainerRequest;
    using R = GetListContainerResult;
    Call<Q, R> f(Op::GetListContainer, control, status);
    return send(f, {{!containers, msg::kRowsOutputMissing}},
                in::arg<&Q::sinceTime>(sinceTime),
                in::copy<&Q::containerTypes>(containerTypes),
                in::arg<&Q::attributeMask>(attributeMask),
                in::copy<&Q::ownerFilter>(ownerFilter),
                in::copy<&Q::propertyFilter>(propertyFilter),
                out::moved<&R::containers>(containers));
}

ZVI_API uint32_t ZVIGetMultipleContainers(ControlRecord* control, uint32_t sinceTime, NameList* names,
                                          IdList* containerTypes, uint32_t attributeMask,
                                          ContainerOwnerList* ownerFilter, IdList* referenceTypes,
                                          FlagList* existList, NameList* containerNames,
                                          PermissionListList* permissions, IdListList* groupLists,
                                          ContainerOwnerListList* ownerObjects, TextList* labels,
                                          TextList* descriptions, UintList* types,
                                          ContainerReferenceListList* references, TextList* helpTexts,
                                          NameList* owners, UintList* timestamps, NameList* lastChangedBy,
                                          TextList* changeDiaries, PropListList* objectProperties,
                                          StatusList* status) {
    using Q = GetMultipleContainersRequest;
    using R = GetMultipleContainersResult;
    Call<Q, R> f(Op::GetMultipleContainers, control, status);
    // The four text lists are emptied at entry by their count, the others whole. An
    // empty owner filter is sent as an empty list (its copy would pass its pointer on).
    return get(f, &Q::wantedMask,
               in::copy<&Q::names>(names),
               in::arg<&Q::sinceTime>(sinceTime),
               in::copy<&Q::containerTypes>(containerTypes),
               in::arg<&Q::attributeMask>(attributeMask),
               in::copy<&Q::ownerFilter>(ownerFilter && ownerFilter->numItems ? ownerFilter : nullptr),
               in::copy<&Q::referenceTypes>(referenceTypes),
               out::list<&R::existList>(existList, 1),
               out::list<&R::names>(containerNames, 2),
               out::list<&R::permissions>(permissions, 4),
               out::list<&R::groupLists>(groupLists, 8),
               out::list<&R::ownerObjects>(ownerObjects, 16),
               out::texts<&R::labels>(labels, 32),
               out::texts<&R::descriptions>(descriptions, 64),
               out::list<&R::types>(types, 128),
               out::list<&R::references>(references, 256),
               out::texts<&R::helpTexts>(helpTexts, 512),
               out::list<&R::owners>(owners, 2048),
               out::list<&R::timestamps>(timestamps, 1024),
               out::list<&R::lastChangedBy>(lastChangedBy, 4096),
               out::texts<&R::changeDiaries>(changeDiaries, 8192),
               out::list<&R::objectProperties>(objectProperties, 16384),
               out::dropped<&R::unusedPermissions>());
}

}  // extern "C"
