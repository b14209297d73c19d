/* Forms: read, change, create, delete and list form definitions. */
#ifndef ZVI_FORMS_H
#define ZVI_FORMS_H

#include "zvi/namelists.h"
#include "zvi/properties.h"
#include "zvi/qualifier.h"
#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

/* A form's type description. The library passes its 2312 bytes through unchanged in
 * both directions: pointers inside it stay the caller's (Set, Create) or become the
 * caller's (Get). */
typedef struct FormTypeInfo {
    uint32_t formType; /* 0 to 5 */
    union {
        struct {
            ObjectName memberA;
            ObjectName memberB;
            Qualifier joinQualifier;
            uint32_t joinOption;
        } join; /* type 2 */
        struct {
            char tableName[2048];
            ObjectName keyField;
        } table; /* type 3 */
        struct {
            ObjectName providerName;
            char tableName[2048];
        } provider; /* type 5 */
    } u;
} FormTypeInfo;
ZVI_SIZE(FormTypeInfo, 2312);
ZVI_AT(FormTypeInfo, u, 8);
ZVI_AT(FormTypeInfo, u.join.memberB, 263);
ZVI_AT(FormTypeInfo, u.join.joinQualifier, 520);
ZVI_AT(FormTypeInfo, u.join.joinOption, 544);
ZVI_AT(FormTypeInfo, u.table.keyField, 2056);
ZVI_AT(FormTypeInfo, u.provider.tableName, 263);

/* A related form as the host returns it; the details are the host's. */
typedef struct FormReferenceDetail {
    uint64_t words[69];
} FormReferenceDetail;
ZVI_SIZE(FormReferenceDetail, 552);
ZVI_COUNTED_LIST(FormReferenceDetailList, FormReferenceDetail);

typedef struct FormReference {
    ObjectName name;
    uint8_t flag;
    uint32_t value;
    FormReferenceDetailList details;
} FormReference;
ZVI_SIZE(FormReference, 280);
ZVI_AT(FormReference, flag, 255);
ZVI_AT(FormReference, value, 256);
ZVI_AT(FormReference, details, 264);
ZVI_COUNTED_LIST(FormReferenceList, FormReference);

/* TransferSettings.flags */
enum {
    ZVI_TRANSFER_TARGET_NAME = 1,  /* target.name holds a form name */
    ZVI_TRANSFER_NO_TARGET = 2,    /* no target data */
    ZVI_TRANSFER_TARGET_TEXT = 4,  /* target.text points to a text */
    ZVI_TRANSFER_TARGET_TEXT2 = 8, /* the same, second kind */
    ZVI_TRANSFER_OPTION_A = 32,
    ZVI_TRANSFER_OPTION_B = 64
};

typedef union TransferTarget {
    ObjectName name;
    char* text;
} TransferTarget;
ZVI_SIZE(TransferTarget, 256);

/* The caller's form of a form's transfer settings (the host keeps another layout;
 * the library converts in both directions). Get hands the target text over to the
 * caller; Set and Create give the host a copy of it. */
typedef struct TransferSettings {
    uint32_t word0;
    uint32_t flags; /* ZVI_TRANSFER_* */
    TransferTarget target;
    uint32_t numbers[4];
    Qualifier qualifier; /* by value: its nodes stay where they are */
    ObjectName name;
} TransferSettings;
ZVI_SIZE(TransferSettings, 560);
ZVI_AT(TransferSettings, flags, 4);
ZVI_AT(TransferSettings, target, 8);
ZVI_AT(TransferSettings, numbers, 264);
ZVI_AT(TransferSettings, qualifier, 280);
ZVI_AT(TransferSettings, name, 304);

/* A form's tracking settings, passed through byte for byte. */
typedef struct TrackingSettings {
    uint32_t word0;
    uint32_t word1;
    ObjectName name;
    Qualifier qualifier;
    uint32_t word2;
} TrackingSettings;
ZVI_SIZE(TrackingSettings, 296);
ZVI_AT(TrackingSettings, word1, 4);
ZVI_AT(TrackingSettings, name, 8);
ZVI_AT(TrackingSettings, qualifier, 264);
ZVI_AT(TrackingSettings, word2, 288);

/* ZVIGetMultipleSchemas outputs: one item per form. */
ZVI_COUNTED_LIST(FormTypeInfoList, FormTypeInfo);
ZVI_COUNTED_LIST(FormReferenceListList, FormReferenceList);
ZVI_COUNTED_LIST(PermissionListList, PermissionList);
ZVI_COUNTED_LIST(EntryListFieldListList, EntryListFieldList);
ZVI_COUNTED_LIST(SortListList, SortList);
ZVI_COUNTED_LIST(IndexListList, IndexList);
ZVI_COUNTED_LIST(TransferSettingsList, TransferSettings);
ZVI_COUNTED_LIST(TrackingSettingsList, TrackingSettings);

/* Outputs (pointers) are written only when given and only on success, after being
 * emptied at entry. Lists and texts handed over are the caller's, released with free
 * and the structures' release routines. secondaryName, owner and lastChangedBy are
 * buffers of 255 bytes. */
ZVI_API uint32_t ZVIGetSchema(ControlRecord* control, char* name, FormTypeInfo* typeInfo,
                              FormReferenceList* references, PermissionList* permissions, IdList* adminGroups,
                              EntryListFieldList* listFields, SortList* sortOrder, IndexList* indexes,
                              TransferSettings* transfer, TrackingSettings* tracking, char* secondaryName,
                              char** helpText, uint32_t* timestamp, char* owner, char* lastChangedBy,
                              char** changeDiary, PropList* objectProperties, StatusList* status);
ZVI_API uint32_t ZVIWfGetSchema(char* name, FormTypeInfo* typeInfo, FormReferenceList* references,
                                PermissionList* permissions, IdList* adminGroups, EntryListFieldList* listFields,
                                SortList* sortOrder, IndexList* indexes, TransferSettings* transfer,
                                TrackingSettings* tracking, char* secondaryName, char** helpText,
                                uint32_t* timestamp, char* owner, char* lastChangedBy, char** changeDiary,
                                PropList* objectProperties, StatusList* status);
/* Every argument after name is optional; a call that gives none (or only a newName
 * equal to name) changes nothing and returns warning 54. references and reserved are
 * ignored. */
ZVI_API uint32_t ZVISetSchema(ControlRecord* control, char* name, char* newName, FormTypeInfo* typeInfo,
                              FormReferenceList* references, PermissionList* permissions, IdList* adminGroups,
                              EntryListFieldList* listFields, SortList* sortOrder, IndexList* indexes,
                              TransferSettings* transfer, TrackingSettings* tracking, char* secondaryName,
                              char* helpText, char* owner, char* changeDiary, PropList* objectProperties,
                              void* reserved, StatusList* status);
/* references is ignored. */
ZVI_API uint32_t ZVICreateSchema(ControlRecord* control, char* name, FormTypeInfo* typeInfo,
                                 FormReferenceList* references, PermissionList* permissions, IdList* adminGroups,
                                 EntryListFieldList* listFields, SortList* sortOrder, IndexList* indexes,
                                 TransferSettings* transfer, TrackingSettings* tracking, char* secondaryName,
                                 char* helpText, char* owner, char* changeDiary, PropList* objectProperties,
                                 StatusList* status);
ZVI_API uint32_t ZVIDeleteSchema(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status);
/* nameList is required (error 105 without it). */
ZVI_API uint32_t ZVIGetListSchema(ControlRecord* control, uint32_t sinceTime, uint32_t listKind, char* nameFilter,
                                  IdList* idFilter, PropList* propertyFilter, NameList* nameList,
                                  StatusList* status);
ZVI_API uint32_t ZVIWfGetListSchema(uint32_t sinceTime, uint32_t listKind, char* nameFilter, IdList* idFilter,
                                    PropList* propertyFilter, NameList* nameList, StatusList* status);
ZVI_API uint32_t ZVIGetMultipleSchemas(ControlRecord* control, uint32_t sinceTime, IdList* ids, NameList* names,
                                       IdList* idFilter, FlagList* existList, NameList* formNames,
                                       FormTypeInfoList* typeInfos, FormReferenceListList* references,
                                       PermissionListList* permissions, IdListList* adminGroups,
                                       EntryListFieldListList* listFields, SortListList* sortOrders,
                                       IndexListList* indexes, TransferSettingsList* transfers,
                                       TrackingSettingsList* trackings, NameList* secondaryNames,
                                       TextList* helpTexts, UintList* timestamps, NameList* owners,
                                       NameList* lastChangedBy, TextList* changeDiaries,
                                       PropListList* objectProperties, StatusList* status);

ZVI_EXTERN_C_END

#endif
