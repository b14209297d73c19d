/* Request and result records of the multiple-field and overlay operations. The
 * parallel lists of a request hold n items each (n: the number of field ids), or are
 * empty when their argument is absent. */
#ifndef ZVI_RECORDS_MULTIPLE_FIELDS_H
#define ZVI_RECORDS_MULTIPLE_FIELDS_H

#include "zvi/host.h"
#include "zvi/multiple_fields.h"

ZVI_EXTERN_C_BEGIN

/* The GetMultiple request of the definitions that belong to a form (fields, views): the
 * form, a filter of ids, the outputs wanted. */
typedef struct GetMultipleInFormRequest {
    RequestControl control;
    const char* formName;
    IdList idFilter; /* deep copy */
    uint32_t wantedMask;
    uint32_t sinceTime; /* 0 for fields */
} GetMultipleInFormRequest;
ZVI_SIZE(GetMultipleInFormRequest, 200);
ZVI_AT(GetMultipleInFormRequest, formName, 168);
ZVI_AT(GetMultipleInFormRequest, idFilter, 176);
ZVI_AT(GetMultipleInFormRequest, wantedMask, 192);
ZVI_AT(GetMultipleInFormRequest, sinceTime, 196);
typedef GetMultipleInFormRequest GetMultipleFieldsRequest;

typedef struct GetMultipleFieldsResult {
    ResultControl control;
    FlagList existList;
    IdList fieldIds;
    NameList fieldNames;
    FieldMappingList mappings;
    UintList dataTypes;
    UintList entryOptions;
    UintList creationOptions;
    UintList extraOptions;
    ValueList defaultValues;
    PermissionListList unusedPermissions; /* not handed over */
    PermissionListList permissions;
    FieldLimitList limits;
    DisplayInstanceListList displays;
    CountedTextList helpTexts;
    UintList timestamps;
    NameList owners;
    NameList lastChangedBy;
    CountedTextList changeDiaries;
    PropListList objectProperties;
    StatusList status;
} GetMultipleFieldsResult;
ZVI_SIZE(GetMultipleFieldsResult, 488);
ZVI_AT(GetMultipleFieldsResult, existList, 168);
ZVI_AT(GetMultipleFieldsResult, fieldIds, 184);
ZVI_AT(GetMultipleFieldsResult, fieldNames, 200);
ZVI_AT(GetMultipleFieldsResult, mappings, 216);
ZVI_AT(GetMultipleFieldsResult, dataTypes, 232);
ZVI_AT(GetMultipleFieldsResult, entryOptions, 248);
ZVI_AT(GetMultipleFieldsResult, creationOptions, 264);
ZVI_AT(GetMultipleFieldsResult, extraOptions, 280);
ZVI_AT(GetMultipleFieldsResult, defaultValues, 296);
ZVI_AT(GetMultipleFieldsResult, unusedPermissions, 312);
ZVI_AT(GetMultipleFieldsResult, permissions, 328);
ZVI_AT(GetMultipleFieldsResult, limits, 344);
ZVI_AT(GetMultipleFieldsResult, displays, 360);
ZVI_AT(GetMultipleFieldsResult, helpTexts, 376);
ZVI_AT(GetMultipleFieldsResult, timestamps, 392);
ZVI_AT(GetMultipleFieldsResult, owners, 408);
ZVI_AT(GetMultipleFieldsResult, lastChangedBy, 424);
ZVI_AT(GetMultipleFieldsResult, changeDiaries, 440);
ZVI_AT(GetMultipleFieldsResult, objectProperties, 456);
ZVI_AT(GetMultipleFieldsResult, status, 472);

/* The per-field arrays Create and Set send alike, from the offset `at` on: deep copies,
 * and the caller's help texts and diaries (shared) with owners copied into names. */
#define ZVI_FIELD_COLUMNS                                                              \
    ValueList defaultValues;                                                           \
    PermissionListList permissions;                                                    \
    FieldLimitList limits;                                                             \
    DisplayInstanceListList displays;                                                  \
    CountedTextList helpTexts;                                                         \
    NameList owners;                                                                   \
    CountedTextList changeDiaries
#define ZVI_FIELD_COLUMNS_AT(T, at)                                                    \
    ZVI_AT(T, defaultValues, at);                                                      \
    ZVI_AT(T, permissions, (at) + 16);                                                 \
    ZVI_AT(T, limits, (at) + 32);                                                      \
    ZVI_AT(T, displays, (at) + 48);                                                    \
    ZVI_AT(T, helpTexts, (at) + 64);                                                   \
    ZVI_AT(T, owners, (at) + 80);                                                      \
    ZVI_AT(T, changeDiaries, (at) + 96)

/* Create: texts, names and mappings are shared with the caller or copied into arrays
 * of the library's own; the other lists are deep copies. */
typedef struct CreateMultipleFieldsRequest {
    RequestControl control;
    const char* formName;
    IdList fieldIds;
    FlagList fieldIdFlags;
    NameList fieldNames;        /* n names of at most 254 characters */
    FieldMappingList mappings;  /* the caller's holder: items shared */
    UintList dataTypes;         /* exact copies */
    UintList entryOptions;
    UintList creationOptions;
    UintList extraOptions;
    ZVI_FIELD_COLUMNS;
    PropListList objectProperties;
} CreateMultipleFieldsRequest;
ZVI_SIZE(CreateMultipleFieldsRequest, 432);
ZVI_AT(CreateMultipleFieldsRequest, formName, 168);
ZVI_AT(CreateMultipleFieldsRequest, fieldIds, 176);
ZVI_AT(CreateMultipleFieldsRequest, fieldIdFlags, 192);
ZVI_AT(CreateMultipleFieldsRequest, fieldNames, 208);
ZVI_AT(CreateMultipleFieldsRequest, mappings, 224);
ZVI_AT(CreateMultipleFieldsRequest, dataTypes, 240);
ZVI_AT(CreateMultipleFieldsRequest, entryOptions, 256);
ZVI_AT(CreateMultipleFieldsRequest, creationOptions, 272);
ZVI_AT(CreateMultipleFieldsRequest, extraOptions, 288);
ZVI_FIELD_COLUMNS_AT(CreateMultipleFieldsRequest, 304); /* changeDiaries at 400 */
ZVI_AT(CreateMultipleFieldsRequest, objectProperties, 416);

/* Result of the operations that hand back one list of ids: the ids of the fields
 * created, the views of a form. */
typedef struct IdListResult {
    ResultControl control;
    IdList ids;
    StatusList status;
} IdListResult;
ZVI_SIZE(IdListResult, 200);
ZVI_AT(IdListResult, ids, 168);
ZVI_AT(IdListResult, status, 184);
typedef IdListResult CreateMultipleFieldsResult;

/* Set: every array holds one item per field (zero where the caller gave none), and
 * fieldMasks says which items of a field are set. */
enum {
    ZVI_FIELD_SET_NAME = 1,
    ZVI_FIELD_SET_MAPPING = 2,
    ZVI_FIELD_SET_ENTRY_OPTION = 4,
    ZVI_FIELD_SET_CREATION_OPTION = 8,
    ZVI_FIELD_SET_EXTRA_OPTION = 16,
    ZVI_FIELD_SET_DEFAULT_VALUE = 32,
    ZVI_FIELD_SET_PERMISSIONS = 64,
    ZVI_FIELD_SET_LIMITS = 128,
    ZVI_FIELD_SET_DISPLAY = 256,
    ZVI_FIELD_SET_HELP_TEXT = 512,
    ZVI_FIELD_SET_OWNER = 1024,
    ZVI_FIELD_SET_CHANGE_DIARY = 2048,
    ZVI_FIELD_SET_PROPERTIES = 4096
};

typedef struct SetMultipleFieldsRequest {
    RequestControl control;
    const char* formName;
    IdList fieldIds;
    NameList newFieldNames;
    UintList fieldMasks;       /* ZVI_FIELD_SET_* per field */
    FieldMappingList mappings; /* copies of the mappings given */
    UintList entryOptions;
    UintList creationOptions;
    UintList extraOptions;
    ZVI_FIELD_COLUMNS;
    UintList setOptions;       /* the caller's holder: items shared */
    PropListList objectProperties;
} SetMultipleFieldsRequest;
ZVI_SIZE(SetMultipleFieldsRequest, 432);
ZVI_AT(SetMultipleFieldsRequest, formName, 168);
ZVI_AT(SetMultipleFieldsRequest, fieldIds, 176);
ZVI_AT(SetMultipleFieldsRequest, newFieldNames, 192);
ZVI_AT(SetMultipleFieldsRequest, fieldMasks, 208);
ZVI_AT(SetMultipleFieldsRequest, mappings, 224);
ZVI_AT(SetMultipleFieldsRequest, entryOptions, 240);
ZVI_AT(SetMultipleFieldsRequest, creationOptions, 256);
ZVI_AT(SetMultipleFieldsRequest, extraOptions, 272);
ZVI_FIELD_COLUMNS_AT(SetMultipleFieldsRequest, 288); /* changeDiaries at 384 */
ZVI_AT(SetMultipleFieldsRequest, setOptions, 400);
ZVI_AT(SetMultipleFieldsRequest, objectProperties, 416);

/* The host's 16 bytes before the status are not read. */
typedef struct SetMultipleFieldsResult {
    ResultControl control;
    uint8_t reserved[16];
    StatusList status;
} SetMultipleFieldsResult;
ZVI_SIZE(SetMultipleFieldsResult, 200);
ZVI_AT(SetMultipleFieldsResult, status, 184);

typedef struct DeleteMultipleFieldsRequest {
    RequestControl control;
    const char* formName;
    IdList fieldIds; /* deep copy */
    uint32_t deleteOption;
} DeleteMultipleFieldsRequest;
ZVI_SIZE(DeleteMultipleFieldsRequest, 200);
ZVI_AT(DeleteMultipleFieldsRequest, formName, 168);
ZVI_AT(DeleteMultipleFieldsRequest, fieldIds, 176);
ZVI_AT(DeleteMultipleFieldsRequest, deleteOption, 192);
typedef StatusResult DeleteMultipleFieldsResult;

/* An ObjectRef as an overlay request carries it: its names are borrowed. */
typedef struct HostObjectRef {
    const char* objectName;
    uint32_t objectKind;
    const char* relatedName;
    uint32_t refWord1;
} HostObjectRef;
ZVI_SIZE(HostObjectRef, 32);
ZVI_AT(HostObjectRef, objectKind, 8);
ZVI_AT(HostObjectRef, relatedName, 16);
ZVI_AT(HostObjectRef, refWord1, 24);

/* The same with the object's other two words. */
typedef struct HostObjectRefFull {
    const char* objectName;
    uint32_t objectKind;
    const char* relatedName;
    uint32_t refWord1;
    uint32_t refWord2;
    uint32_t refWord3;
} HostObjectRefFull;
ZVI_SIZE(HostObjectRefFull, 40);
ZVI_AT(HostObjectRefFull, objectKind, 8);
ZVI_AT(HostObjectRefFull, relatedName, 16);
ZVI_AT(HostObjectRefFull, refWord1, 24);
ZVI_AT(HostObjectRefFull, refWord2, 28);
ZVI_AT(HostObjectRefFull, refWord3, 32);

/* An object group stays zero when its argument is null. */
typedef struct CreateOverlayRequest {
    RequestControl control;
    HostObjectRefFull object;
    const char* overlayText;
} CreateOverlayRequest;
ZVI_SIZE(CreateOverlayRequest, 216);
ZVI_AT(CreateOverlayRequest, object, 168);
ZVI_AT(CreateOverlayRequest, object.refWord3, 200);
ZVI_AT(CreateOverlayRequest, overlayText, 208);

/* refWord2 and refWord3 of the two objects are not sent. */
typedef struct CreateOverlayFromObjectRequest {
    RequestControl control;
    HostObjectRef object;
    HostObjectRef sourceObject;
    const char* overlayText;
} CreateOverlayFromObjectRequest;
ZVI_SIZE(CreateOverlayFromObjectRequest, 240);
ZVI_AT(CreateOverlayFromObjectRequest, object, 168);
ZVI_AT(CreateOverlayFromObjectRequest, sourceObject, 200);
ZVI_AT(CreateOverlayFromObjectRequest, overlayText, 232);

typedef struct OverlayResult {
    ResultControl control;
    uint64_t value; /* not handed over */
    uint32_t overlayResult;
    StatusList status;
} OverlayResult;
ZVI_SIZE(OverlayResult, 200);
ZVI_AT(OverlayResult, value, 168);
ZVI_AT(OverlayResult, overlayResult, 176);
ZVI_AT(OverlayResult, status, 184);
typedef OverlayResult CreateOverlayResult;
typedef OverlayResult CreateOverlayFromObjectResult;

ZVI_EXTERN_C_END

#endif
