/* Many fields of one form in one call, and overlays of existing objects.
 *
 * The multiple-field operations take parallel lists: fieldIds fixes the number of
 * fields n, and every other list carries one item per field, in the same order. A
 * list that is not required may be null or have 0 items (it is then absent);
 * otherwise it must have exactly n items (error 486). Most lists of Create and Set
 * are pointer lists: one pointer per field to the caller's item, null for a field that
 * has none. A check that fails on one field's item names that field's id in the
 * message's appended text. */
#ifndef ZVI_MULTIPLE_FIELDS_H
#define ZVI_MULTIPLE_FIELDS_H

#include "zvi/fields.h"
#include "zvi/forms.h"
#include "zvi/namelists.h"

ZVI_EXTERN_C_BEGIN

/* Pointer lists: one pointer per field, null where the field has no item. */
ZVI_COUNTED_LIST(ValuePtrList, Value*);
ZVI_COUNTED_LIST(PermissionListPtrList, PermissionList*);
ZVI_COUNTED_LIST(FieldLimitPtrList, FieldLimit*);
ZVI_COUNTED_LIST(DisplayInstanceListPtrList, DisplayInstanceList*);
ZVI_COUNTED_LIST(FieldMappingPtrList, FieldMapping*);
ZVI_COUNTED_LIST(UintPtrList, uint32_t*);

/* One mapping per field, packed. */
ZVI_COUNTED_LIST(FieldMappingList, FieldMapping);

/* ZVISetMultipleFields' result list: emptied by the call, never filled. */
typedef struct FieldResultList {
    uint32_t numItems;
    void* items;
} FieldResultList;
ZVI_SIZE(FieldResultList, 16);
ZVI_AT(FieldResultList, items, 8);

/* An object an overlay is made of; the request borrows its two names. */
typedef struct ObjectRef {
    ObjectName objectName;
    uint32_t objectKind;
    ObjectName relatedName;
    uint32_t refWord1;
    uint32_t refWord2;
    uint32_t refWord3;
} ObjectRef;
ZVI_SIZE(ObjectRef, 528);
ZVI_AT(ObjectRef, objectKind, 256);
ZVI_AT(ObjectRef, relatedName, 260);
ZVI_AT(ObjectRef, refWord1, 516);
ZVI_AT(ObjectRef, refWord2, 520);
ZVI_AT(ObjectRef, refWord3, 524);

/* existList is required (error 292). The other outputs are written only when given;
 * each holds one item per field and is the caller's to release. */
ZVI_API uint32_t ZVIGetMultipleFields(ControlRecord* control, char* formName, IdList* fieldIdFilter,
                                      FlagList* existList, IdList* fieldIds, NameList* fieldNames,
                                      FieldMappingList* mappings, UintList* dataTypes, UintList* entryOptions,
                                      UintList* creationOptions, UintList* extraOptions, ValueList* defaultValues,
                                      PermissionListList* permissions, FieldLimitList* limits,
                                      DisplayInstanceListList* displays, TextList* helpTexts, UintList* timestamps,
                                      NameList* owners, NameList* lastChangedBy, TextList* changeDiaries,
                                      PropListList* objectProperties, StatusList* status);
/* Required, with exactly one item per field: fieldIdFlags, dataTypes (2 to 43),
 * entryOptions (1 to 4), creationOptions (1 or 2), extraOptions. fieldIds is required
 * and, on success, replaced by the ids the host assigned (the array passed in stays
 * the caller's). The texts and the mappings are shared with the host for the call. */
ZVI_API uint32_t ZVICreateMultipleFields(ControlRecord* control, char* formName, IdList* fieldIds,
                                         FlagList* fieldIdFlags, TextList* fieldNames, FieldMappingList* mappings,
                                         UintList* dataTypes, UintList* entryOptions, UintList* creationOptions,
                                         UintList* extraOptions, ValuePtrList* defaultValues,
                                         PermissionListPtrList* permissions, FieldLimitPtrList* limits,
                                         DisplayInstanceListPtrList* displays, TextList* helpTexts,
                                         TextList* owners, TextList* changeDiaries, PropListList* objectProperties,
                                         StatusList* status);
/* Only the items given change (a null pointer or text leaves that field's attribute
 * as it is); with nothing given but setOptions the call changes nothing (warning 54).
 * fieldResults is required; it is emptied and never filled. */
ZVI_API uint32_t ZVISetMultipleFields(ControlRecord* control, char* formName, IdList* fieldIds,
                                      TextList* newFieldNames, FieldMappingPtrList* mappings,
                                      UintPtrList* entryOptions, UintPtrList* creationOptions,
                                      UintPtrList* extraOptions, ValuePtrList* defaultValues,
                                      PermissionListPtrList* permissions, FieldLimitPtrList* limits,
                                      DisplayInstanceListPtrList* displays, TextList* helpTexts, TextList* owners,
                                      TextList* changeDiaries, UintList* setOptions, PropListList* objectProperties,
                                      FieldResultList* fieldResults, StatusList* status);
ZVI_API uint32_t ZVIDeleteMultipleFields(ControlRecord* control, char* formName, IdList* fieldIds,
                                         uint32_t deleteOption, StatusList* status);
/* reserved is neither read nor written. On success only contextWord0 of the control
 * record is written back, and *overlayResult (when given) receives the host's word. */
ZVI_API uint32_t ZVICreateOverlay(ControlRecord* control, ObjectRef* object, char* overlayText, uint64_t reserved,
                                  uint32_t* overlayResult, StatusList* status);
ZVI_API uint32_t ZVICreateOverlayFromObject(ControlRecord* control, ObjectRef* object, ObjectRef* sourceObject,
                                            char* overlayText, uint64_t reserved, uint32_t* overlayResult,
                                            StatusList* status);

ZVI_EXTERN_C_END

#endif
