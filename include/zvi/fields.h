/* Fields: read, change, create, delete and list the fields of a form, one at a time. */
#ifndef ZVI_FIELDS_H
#define ZVI_FIELDS_H

#include "zvi/properties.h"
#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

/* Where a field's value lives; the block's content depends on the kind and is the
 * host's. Copied byte for byte in both directions. */
typedef struct FieldMapping {
    uint32_t mappingKind; /* 0 to 5 */
    uint8_t block[264];
} FieldMapping;
ZVI_SIZE(FieldMapping, 268);
ZVI_AT(FieldMapping, block, 4);

/* The names ZVIGetListFieldName returns; the items are laid out by the host and moved
 * to the caller unchanged. */
typedef struct FieldNameList {
    uint32_t numItems;
    void* items;
} FieldNameList;
ZVI_SIZE(FieldNameList, 16);
ZVI_AT(FieldNameList, items, 8);

/* Outputs are written only when given and only on success. fieldName, owner and
 * lastChangedBy are buffers of 255 bytes; a field without a name gets its id in
 * decimal digits. */
ZVI_API uint32_t ZVIGetField(ControlRecord* control, char* formName, uint32_t fieldId, char* fieldName,
                             FieldMapping* mapping, uint32_t* dataType, uint32_t* entryOption,
                             uint32_t* creationOption, uint32_t* extraOption, Value* defaultValue,
                             PermissionList* permissions, FieldLimit* limits, DisplayInstanceList* display,
                             char** helpText, uint32_t* timestamp, char* owner, char* lastChangedBy,
                             char** changeDiary, PropList* objectProperties, StatusList* status);
ZVI_API uint32_t ZVIWfGetField(char* formName, uint32_t fieldId, char* fieldName, FieldMapping* mapping,
                               uint32_t* dataType, uint32_t* entryOption, uint32_t* creationOption,
                               uint32_t* extraOption, Value* defaultValue, PermissionList* permissions,
                               FieldLimit* limits, DisplayInstanceList* display, char** helpText,
                               uint32_t* timestamp, char* owner, char* lastChangedBy, char** changeDiary,
                               StatusList* status);
/* entryOption: 1 to 4; creationOption: 1 or 2. Bit 1 of setOptions is passed on;
 * with nothing else given the call changes nothing (warning 54). */
ZVI_API uint32_t ZVISetField(ControlRecord* control, char* formName, uint32_t fieldId, char* newFieldName,
                             FieldMapping* mapping, uint32_t* entryOption, uint32_t* creationOption,
                             uint32_t* extraOption, Value* defaultValue, PermissionList* permissions,
                             FieldLimit* limits, DisplayInstanceList* display, char* helpText, char* owner,
                             char* changeDiary, uint32_t setOptions, PropList* objectProperties,
                             StatusList* status);
/* fieldId is required: the id asked for, and on success the id the host assigned.
 * dataType: 2 to 43. */
ZVI_API uint32_t ZVICreateField(ControlRecord* control, char* formName, uint32_t* fieldId, uint8_t fieldIdFlag,
                                char* fieldName, FieldMapping* mapping, uint32_t dataType, uint32_t entryOption,
                                uint32_t creationOption, uint32_t extraOption, Value* defaultValue,
                                PermissionList* permissions, FieldLimit* limits, DisplayInstanceList* display,
                                char* helpText, char* owner, char* changeDiary, PropList* objectProperties,
                                StatusList* status);
ZVI_API uint32_t ZVIDeleteField(ControlRecord* control, char* formName, uint32_t fieldId, uint32_t deleteOption,
                                StatusList* status);
/* The output list is required (error 105 without it). */
ZVI_API uint32_t ZVIGetListField(ControlRecord* control, char* formName, uint32_t listKind, uint32_t sinceTime,
                                 PropList* propertyFilter, IdList* fieldIds, StatusList* status);
ZVI_API uint32_t ZVIWfGetListField(char* formName, uint32_t listKind, uint32_t sinceTime, IdList* fieldIds,
                                   StatusList* status);
ZVI_API uint32_t ZVIGetListFieldName(ControlRecord* control, char* formName, FieldNameList* fieldNames,
                                     StatusList* status);

ZVI_EXTERN_C_END

#endif
