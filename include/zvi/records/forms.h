/* Request and result records of the form operations. In the ZVIWf variants the
 * control head stays zero. Texts are the caller's pointers or, for a text not given,
 * an empty text of the library's own. */
#ifndef ZVI_RECORDS_FORMS_H
#define ZVI_RECORDS_FORMS_H

#include "zvi/forms.h"
#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

/* The host's form of TransferSettings. */
typedef struct HostTransferSettings {
    uint32_t word0;
    uint32_t options;    /* 1 option A, 2 option B, 3 both */
    uint32_t targetKind; /* the caller's flags 1, 2, 4 and 8 */
    uint32_t reserved;
    TransferTarget target; /* a text target is a heap copy the host takes over */
    uint32_t numbers[4];
    Qualifier qualifier;
    ObjectName name;
} HostTransferSettings;
ZVI_SIZE(HostTransferSettings, 568);
ZVI_AT(HostTransferSettings, options, 4);
ZVI_AT(HostTransferSettings, targetKind, 8);
ZVI_AT(HostTransferSettings, target, 16);
ZVI_AT(HostTransferSettings, numbers, 272);
ZVI_AT(HostTransferSettings, qualifier, 288);
ZVI_AT(HostTransferSettings, name, 312);
ZVI_COUNTED_LIST(HostTransferSettingsList, HostTransferSettings);

/* The form's definition as Set and Create send it, laid out alike in both requests
 * from the offset `at` on: lists and settings, then the texts and the properties. */
#define ZVI_SCHEMA_DEFINITION                                                          \
    PermissionList permissions; /* deep copies */                                      \
    IdList adminGroups;                                                                \
    EntryListFieldList listFields;                                                     \
    SortList sortOrder;                                                                \
    IndexList indexes;                                                                 \
    HostTransferSettings transfer;                                                     \
    TrackingSettings tracking;                                                         \
    const char* secondaryName;                                                         \
    const char* helpText;                                                              \
    const char* owner;                                                                 \
    const char* changeDiary;                                                           \
    PropList objectProperties /* deep copy */
#define ZVI_SCHEMA_DEFINITION_AT(T, at)                                                \
    ZVI_AT(T, permissions, at);                                                        \
    ZVI_AT(T, adminGroups, (at) + 16);                                                 \
    ZVI_AT(T, listFields, (at) + 32);                                                  \
    ZVI_AT(T, sortOrder, (at) + 48);                                                   \
    ZVI_AT(T, indexes, (at) + 64);                                                     \
    ZVI_AT(T, transfer, (at) + 80);                                                    \
    ZVI_AT(T, tracking, (at) + 648);                                                   \
    ZVI_AT(T, secondaryName, (at) + 944);                                              \
    ZVI_AT(T, helpText, (at) + 952);                                                   \
    ZVI_AT(T, owner, (at) + 960);                                                      \
    ZVI_AT(T, changeDiary, (at) + 968);                                                \
    ZVI_AT(T, objectProperties, (at) + 976)

typedef struct SetSchemaRequest {
    RequestControl control;
    const char* name;
    uint32_t changeMask;
    const char* newName;
    FormTypeInfo typeInfo;
    uint8_t reserved0[16];
    ZVI_SCHEMA_DEFINITION;
    uint8_t reserved1[24];
} SetSchemaRequest;
ZVI_SIZE(SetSchemaRequest, 3536);
ZVI_AT(SetSchemaRequest, name, 168);
ZVI_AT(SetSchemaRequest, changeMask, 176);
ZVI_AT(SetSchemaRequest, newName, 184);
ZVI_AT(SetSchemaRequest, typeInfo, 192);
ZVI_AT(SetSchemaRequest, reserved0, 2504);
ZVI_SCHEMA_DEFINITION_AT(SetSchemaRequest, 2520); /* objectProperties at 3496 */
ZVI_AT(SetSchemaRequest, reserved1, 3512);
typedef StatusResult SetSchemaResult;

typedef struct CreateSchemaRequest {
    RequestControl control;
    const char* name;
    FormTypeInfo typeInfo;
    uint8_t reserved0[16];
    ZVI_SCHEMA_DEFINITION;
    uint8_t reserved1[16];
} CreateSchemaRequest;
ZVI_SIZE(CreateSchemaRequest, 3512);
ZVI_AT(CreateSchemaRequest, name, 168);
ZVI_AT(CreateSchemaRequest, typeInfo, 176);
ZVI_AT(CreateSchemaRequest, reserved0, 2488);
ZVI_SCHEMA_DEFINITION_AT(CreateSchemaRequest, 2504); /* objectProperties at 3480 */
ZVI_AT(CreateSchemaRequest, reserved1, 3496);
typedef StatusResult CreateSchemaResult;

typedef struct GetSchemaRequest {
    RequestControl control;
    const char* name;
    uint32_t wantedMask;
} GetSchemaRequest;
ZVI_SIZE(GetSchemaRequest, 184);
ZVI_AT(GetSchemaRequest, name, 168);
ZVI_AT(GetSchemaRequest, wantedMask, 176);

typedef struct GetSchemaResult {
    ResultControl control;
    FormTypeInfo typeInfo;
    FormReferenceList references;
    PermissionList unusedPermissions; /* not handed over */
    PermissionList permissions;
    IdList adminGroups;
    EntryListFieldList listFields;
    SortList sortOrder;
    IndexList indexes;
    HostTransferSettings transfer;
    TrackingSettings tracking;
    ObjectName secondaryName;
    CountedText helpText;
    uint32_t timestamp;
    ObjectName owner;
    ObjectName lastChangedBy;
    CountedText changeDiary;
    PropList objectProperties;
    StatusList status;
} GetSchemaResult;
ZVI_SIZE(GetSchemaResult, 4296);
ZVI_AT(GetSchemaResult, typeInfo, 168);
ZVI_AT(GetSchemaResult, references, 2480);
ZVI_AT(GetSchemaResult, unusedPermissions, 2496);
ZVI_AT(GetSchemaResult, permissions, 2512);
ZVI_AT(GetSchemaResult, adminGroups, 2528);
ZVI_AT(GetSchemaResult, listFields, 2544);
ZVI_AT(GetSchemaResult, sortOrder, 2560);
ZVI_AT(GetSchemaResult, indexes, 2576);
ZVI_AT(GetSchemaResult, transfer, 2592);
ZVI_AT(GetSchemaResult, tracking, 3160);
ZVI_AT(GetSchemaResult, secondaryName, 3456);
ZVI_AT(GetSchemaResult, helpText, 3712);
ZVI_AT(GetSchemaResult, timestamp, 3728);
ZVI_AT(GetSchemaResult, owner, 3732);
ZVI_AT(GetSchemaResult, lastChangedBy, 3987);
ZVI_AT(GetSchemaResult, changeDiary, 4248);
ZVI_AT(GetSchemaResult, objectProperties, 4264);
ZVI_AT(GetSchemaResult, status, 4280);

typedef struct DeleteSchemaRequest {
    RequestControl control;
    const char* name;
    uint32_t deleteOption;
    uint32_t reserved[5];
} DeleteSchemaRequest;
ZVI_SIZE(DeleteSchemaRequest, 200);
ZVI_AT(DeleteSchemaRequest, name, 168);
ZVI_AT(DeleteSchemaRequest, deleteOption, 176);
typedef StatusResult DeleteSchemaResult;

typedef struct GetListSchemaRequest {
    RequestControl control;
    uint32_t sinceTime;
    const char* nameFilter;
    uint32_t listKind;
    IdList idFilter;         /* deep copy */
    PropList propertyFilter; /* deep copy */
    uint32_t reserved;
} GetListSchemaRequest;
ZVI_SIZE(GetListSchemaRequest, 232);
ZVI_AT(GetListSchemaRequest, sinceTime, 168);
ZVI_AT(GetListSchemaRequest, nameFilter, 176);
ZVI_AT(GetListSchemaRequest, listKind, 184);
ZVI_AT(GetListSchemaRequest, idFilter, 192);
ZVI_AT(GetListSchemaRequest, propertyFilter, 208);
ZVI_AT(GetListSchemaRequest, reserved, 224);

/* Result of the operations that return one list of names; the host sends them as
 * counted texts, the library hands them over as a NameList. */
typedef struct NameListResult {
    ResultControl control;
    CountedTextList names;
    StatusList status;
} NameListResult;
ZVI_SIZE(NameListResult, 200);
ZVI_AT(NameListResult, names, 168);
ZVI_AT(NameListResult, status, 184);
typedef NameListResult GetListSchemaResult;

typedef struct GetMultipleSchemasRequest {
    RequestControl control;
    NameList names; /* deep copy */
    uint32_t wantedMask;
    uint32_t sinceTime;
    IdList ids;       /* deep copy, exact */
    IdList* idFilter; /* a deep copy held by the library for the call, or null */
} GetMultipleSchemasRequest;
ZVI_SIZE(GetMultipleSchemasRequest, 216);
ZVI_AT(GetMultipleSchemasRequest, names, 168);
ZVI_AT(GetMultipleSchemasRequest, wantedMask, 184);
ZVI_AT(GetMultipleSchemasRequest, sinceTime, 188);
ZVI_AT(GetMultipleSchemasRequest, ids, 192);
ZVI_AT(GetMultipleSchemasRequest, idFilter, 208);

typedef struct GetMultipleSchemasResult {
    ResultControl control;
    FlagList existList;
    NameList formNames;
    FormTypeInfoList typeInfos;
    FormReferenceListList references;
    PermissionListList unusedPermissions; /* not handed over */
    PermissionListList permissions;
    IdListList adminGroups;
    EntryListFieldListList listFields;
    SortListList sortOrders;
    IndexListList indexes;
    HostTransferSettingsList transfers;
    TrackingSettingsList trackings;
    NameList secondaryNames;
    CountedTextList helpTexts;
    UintList timestamps;
    NameList owners;
    NameList lastChangedBy;
    CountedTextList changeDiaries;
    PropListList objectProperties;
    StatusList status;
} GetMultipleSchemasResult;
ZVI_SIZE(GetMultipleSchemasResult, 488);
ZVI_AT(GetMultipleSchemasResult, existList, 168);
ZVI_AT(GetMultipleSchemasResult, formNames, 184);
ZVI_AT(GetMultipleSchemasResult, typeInfos, 200);
ZVI_AT(GetMultipleSchemasResult, references, 216);
ZVI_AT(GetMultipleSchemasResult, unusedPermissions, 232);
ZVI_AT(GetMultipleSchemasResult, permissions, 248);
ZVI_AT(GetMultipleSchemasResult, adminGroups, 264);
ZVI_AT(GetMultipleSchemasResult, listFields, 280);
ZVI_AT(GetMultipleSchemasResult, sortOrders, 296);
ZVI_AT(GetMultipleSchemasResult, indexes, 312);
ZVI_AT(GetMultipleSchemasResult, transfers, 328);
ZVI_AT(GetMultipleSchemasResult, trackings, 344);
ZVI_AT(GetMultipleSchemasResult, secondaryNames, 360);
ZVI_AT(GetMultipleSchemasResult, helpTexts, 376);
ZVI_AT(GetMultipleSchemasResult, timestamps, 392);
ZVI_AT(GetMultipleSchemasResult, owners, 408);
ZVI_AT(GetMultipleSchemasResult, lastChangedBy, 424);
ZVI_AT(GetMultipleSchemasResult, changeDiaries, 440);
ZVI_AT(GetMultipleSchemasResult, objectProperties, 456);
ZVI_AT(GetMultipleSchemasResult, status, 472);

ZVI_EXTERN_C_END

#endif
