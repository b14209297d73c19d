/* Containers: named server objects that group references to other objects, with
 * permissions and owner objects. Read, change, create, delete and list them. */
#ifndef ZVI_CONTAINERS_H
#define ZVI_CONTAINERS_H

#include "zvi/forms.h"
#include "zvi/menus.h"
#include "zvi/namelists.h"
#include "zvi/properties.h"
#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

/* ZVIGetMultipleContainers: one list per container. */
ZVI_COUNTED_LIST(ContainerOwnerListList, ContainerOwnerList);
ZVI_COUNTED_LIST(ContainerReferenceListList, ContainerReferenceList);

/* The containers ZVIGetListContainer finds, as the server lists them: the layout of an
 * item is the server's. The caller frees the array with free. */
struct ContainerInfo;
ZVI_COUNTED_LIST(ContainerInfoList, struct ContainerInfo);

/* Outputs (pointers) are written only when given and only on success, after being
 * emptied at entry. Texts and lists handed over are the caller's, released with free
 * and the structures' release routines. owner and lastChangedBy are buffers of 255
 * bytes. referenceTypes selects the references returned. */
ZVI_API uint32_t ZVIGetContainer(ControlRecord* control, char* name, IdList* referenceTypes,
                                 PermissionList* permissions, IdList* groupList, ContainerOwnerList* ownerObjects,
                                 char** label, char** description, uint32_t* containerType,
                                 ContainerReferenceList* references, char** helpText, char* owner,
                                 uint32_t* timestamp, char* lastChangedBy, char** changeDiary,
                                 PropList* objectProperties, StatusList* status);
/* Every argument after name is optional but removeFlag, which is always sent and is no
 * change by itself; a call that gives none (or only a newName equal to name) changes
 * nothing and returns warning 54. */
ZVI_API uint32_t ZVISetContainer(ControlRecord* control, char* name, char* newName, PermissionList* permissions,
                                 IdList* groupList, ContainerOwnerList* ownerObjects, char* label,
                                 char* description, uint32_t* containerType, ContainerReferenceList* references,
                                 uint8_t removeFlag, char* helpText, char* owner, char* changeDiary,
                                 PropList* objectProperties, StatusList* status);
ZVI_API uint32_t ZVICreateContainer(ControlRecord* control, char* name, PermissionList* permissions,
                                    IdList* groupList, ContainerOwnerList* ownerObjects, char* label,
                                    char* description, uint32_t containerType, ContainerReferenceList* references,
                                    uint8_t removeFlag, char* helpText, char* owner, char* changeDiary,
                                    PropList* objectProperties, StatusList* status);
ZVI_API uint32_t ZVIDeleteContainer(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status);
/* containers is required (error 105 without it). */
ZVI_API uint32_t ZVIGetListContainer(ControlRecord* control, uint32_t sinceTime, IdList* containerTypes,
                                     uint32_t attributeMask, ContainerOwnerList* ownerFilter,
                                     PropList* propertyFilter, ContainerInfoList* containers, StatusList* status);
/* The selection lists (containerTypes, ownerFilter, referenceTypes) come before the
 * outputs, which follow the order of the single Get. */
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
                                          StatusList* status);

ZVI_EXTERN_C_END

#endif
