/* Request and result records of the field operations. In the ZVIWf variants the
 * control head stays zero. */
#ifndef ZVI_RECORDS_FIELDS_H
#define ZVI_RECORDS_FIELDS_H

#include "zvi/fields.h"
#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

/* The field's attributes as Set and Create send them, laid out alike in both
 * requests from offset 464 on. */
#define ZVI_FIELD_ATTRIBUTES                                                           \
    uint32_t entryOption;                                                              \
    uint32_t creationOption;                                                           \
    uint32_t extraOption;                                                              \
    Value defaultValue; /* deep copies */                                              \
    PermissionList permissions;                                                        \
    FieldLimit limits;                                                                 \
    DisplayInstanceList display;                                                       \
    const char* helpText;                                                              \
    const char* owner;                                                                 \
    const char* changeDiary;                                                           \
    PropList objectProperties /* deep copy */
#define ZVI_FIELD_ATTRIBUTES_AT(T)                                                     \
    ZVI_SIZE(T, 1272);                                                                 \
    ZVI_AT(T, formName, 168);                                                          \
    ZVI_AT(T, fieldId, 176);                                                           \
    ZVI_AT(T, entryOption, 464);                                                       \
    ZVI_AT(T, creationOption, 468);                                                    \
    ZVI_AT(T, extraOption, 472);                                                       \
    ZVI_AT(T, defaultValue, 480);                                                      \
    ZVI_AT(T, permissions, 496);                                                       \
    ZVI_AT(T, limits, 512);                                                            \
    ZVI_AT(T, display, 1200);                                                          \
    ZVI_AT(T, helpText, 1232);                                                         \
    ZVI_AT(T, owner, 1240);                                                            \
    ZVI_AT(T, changeDiary, 1248);                                                      \
    ZVI_AT(T, objectProperties, 1256)

typedef struct SetFieldRequest {
    RequestControl control;
    const char* formName;
    uint32_t fieldId;
    const char* newFieldName;
    uint32_t changeMask;
    FieldMapping mapping;
    ZVI_FIELD_ATTRIBUTES;
} SetFieldRequest;
ZVI_FIELD_ATTRIBUTES_AT(SetFieldRequest);
ZVI_AT(SetFieldRequest, newFieldName, 184);
ZVI_AT(SetFieldRequest, changeMask, 192);
ZVI_AT(SetFieldRequest, mapping, 196);
typedef StatusResult SetFieldResult;

typedef struct CreateFieldRequest {
    RequestControl control;
    const char* formName;
    uint32_t fieldId; /* the id asked for */
    uint8_t fieldIdFlag;
    const char* fieldName;
    FieldMapping mapping;
    uint32_t dataType;
    ZVI_FIELD_ATTRIBUTES;
} CreateFieldRequest;
ZVI_FIELD_ATTRIBUTES_AT(CreateFieldRequest);
ZVI_AT(CreateFieldRequest, fieldIdFlag, 180);
ZVI_AT(CreateFieldRequest, fieldName, 184);
ZVI_AT(CreateFieldRequest, mapping, 192);
ZVI_AT(CreateFieldRequest, dataType, 460);

typedef struct CreateFieldResult {
    ResultControl control;
    uint32_t fieldId; /* the id the host assigned */
    StatusList status;
} CreateFieldResult;
ZVI_SIZE(CreateFieldResult, 192);
ZVI_AT(CreateFieldResult, fieldId, 168);
ZVI_AT(CreateFieldResult, status, 176);

typedef struct GetFieldRequest {
    RequestControl control;
    const char* formName;
    uint32_t fieldId;
    uint32_t wantedMask;
} GetFieldRequest;
ZVI_SIZE(GetFieldRequest, 184);
ZVI_AT(GetFieldRequest, formName, 168);
ZVI_AT(GetFieldRequest, fieldId, 176);
ZVI_AT(GetFieldRequest, wantedMask, 180);

typedef struct DeleteFieldRequest {
    RequestControl control;
    const char* formName;
    uint32_t fieldId;
    uint32_t deleteOption;
} DeleteFieldRequest;
ZVI_SIZE(DeleteFieldRequest, 184);
ZVI_AT(DeleteFieldRequest, formName, 168);
ZVI_AT(DeleteFieldRequest, fieldId, 176);
ZVI_AT(DeleteFieldRequest, deleteOption, 180);
typedef StatusResult DeleteFieldResult;

typedef struct GetFieldResult {
    ResultControl control;
    ObjectName fieldName;
    FieldMapping mapping;
    uint32_t dataType;
    uint32_t entryOption;
    uint32_t creationOption;
    uint32_t extraOption;
    Value defaultValue;
    PermissionList unusedPermissions; /* not handed over */
    PermissionList permissions;
    FieldLimit limits;
    DisplayInstanceList display;
    CountedText helpText;
    uint32_t timestamp;
    ObjectName owner;
    ObjectName lastChangedBy;
    CountedText changeDiary;
    PropList objectProperties;
    StatusList status;
} GetFieldResult;
ZVI_SIZE(GetFieldResult, 2064);
ZVI_AT(GetFieldResult, fieldName, 168);
ZVI_AT(GetFieldResult, mapping, 424);
ZVI_AT(GetFieldResult, dataType, 692);
ZVI_AT(GetFieldResult, entryOption, 696);
ZVI_AT(GetFieldResult, creationOption, 700);
ZVI_AT(GetFieldResult, extraOption, 704);
ZVI_AT(GetFieldResult, defaultValue, 712);
ZVI_AT(GetFieldResult, unusedPermissions, 728);
ZVI_AT(GetFieldResult, permissions, 744);
ZVI_AT(GetFieldResult, limits, 760);
ZVI_AT(GetFieldResult, display, 1448);
ZVI_AT(GetFieldResult, helpText, 1480);
ZVI_AT(GetFieldResult, timestamp, 1496);
ZVI_AT(GetFieldResult, owner, 1500);
ZVI_AT(GetFieldResult, lastChangedBy, 1755);
ZVI_AT(GetFieldResult, changeDiary, 2016);
ZVI_AT(GetFieldResult, objectProperties, 2032);
ZVI_AT(GetFieldResult, status, 2048);

typedef struct GetListFieldRequest {
    RequestControl control;
    const char* formName;
    uint32_t listKind;
    uint32_t sinceTime;
    uint32_t reserved;
    PropList propertyFilter; /* the caller's holder: items shared, never released */
} GetListFieldRequest;
ZVI_SIZE(GetListFieldRequest, 208);
ZVI_AT(GetListFieldRequest, formName, 168);
ZVI_AT(GetListFieldRequest, listKind, 176);
ZVI_AT(GetListFieldRequest, sinceTime, 180);
ZVI_AT(GetListFieldRequest, reserved, 184);
ZVI_AT(GetListFieldRequest, propertyFilter, 192);

typedef struct GetListFieldResult {
    ResultControl control;
    IdList fieldIds;
    StatusList status;
} GetListFieldResult;
ZVI_SIZE(GetListFieldResult, 200);
ZVI_AT(GetListFieldResult, fieldIds, 168);
ZVI_AT(GetListFieldResult, status, 184);

typedef struct GetListFieldNameRequest {
    RequestControl control;
    const char* formName;
    uint8_t reserved[16];
} GetListFieldNameRequest;
ZVI_SIZE(GetListFieldNameRequest, 192);
ZVI_AT(GetListFieldNameRequest, formName, 168);

typedef struct GetListFieldNameResult {
    ResultControl control;
    FieldNameList fieldNames;
    StatusList status;
} GetListFieldNameResult;
ZVI_SIZE(GetListFieldNameResult, 200);
ZVI_AT(GetListFieldNameResult, fieldNames, 168);
ZVI_AT(GetListFieldNameResult, status, 184);

ZVI_EXTERN_C_END

#endif
