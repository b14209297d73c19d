/* Entry operations: read, change, create, delete, merge and list the entries of a form. */
#ifndef ZVI_ENTRIES_H
#define ZVI_ENTRIES_H

#include "zvi/multiquery.h"
#include "zvi/qualifier.h"
#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

/* One matching entry of ZVIGetListEntry: its identifier(s) and its list text. The
 * host allocates both; the caller releases them with ReleaseEntryIdList and free. */
typedef struct EntryListItem {
    EntryIdList entryId;
    char* entryText;
} EntryListItem;
ZVI_SIZE(EntryListItem, 24);
ZVI_AT(EntryListItem, entryText, 16);
ZVI_COUNTED_LIST(EntryListItemList, EntryListItem);

/* One flag per requested entry of ZVIGetMultipleEntries; the host gives the flags
 * their meaning. */
ZVI_COUNTED_LIST(ExistList, uint8_t);

ZVI_API uint32_t ZVIGetEntry(ControlRecord* control, char* schema, EntryIdList* entryId, IdList* fieldIds,
                             FieldValueList* values, StatusList* status);
ZVI_API uint32_t ZVISetEntry(ControlRecord* control, char* schema, EntryIdList* entryId,
                             FieldValueList* fieldValues, uint32_t auxValue1, uint32_t auxValue2,
                             StatusList* status);
/* newEntryId: 16 bytes; emptied on entry, the new identifier on success. */
ZVI_API uint32_t ZVICreateEntry(ControlRecord* control, char* schema, FieldValueList* fieldValues,
                                char* newEntryId, StatusList* status);
ZVI_API uint32_t ZVIDeleteEntry(ControlRecord* control, char* schema, EntryIdList* entryId,
                                uint32_t deleteOption, StatusList* status);
ZVI_API uint32_t ZVIMergeEntry(ControlRecord* control, char* schema, FieldValueList* fieldValues,
                               uint32_t mergeType, char* newEntryId, StatusList* status);
ZVI_API uint32_t ZVIGetListEntry(ControlRecord* control, char* schema, Qualifier* qualifier,
                                 EntryListFieldList* listFields, SortList* sortList, uint32_t firstRetrieve,
                                 uint32_t maxRetrieve, uint8_t useLocale, EntryListItemList* entries,
                                 uint32_t* numMatches, StatusList* status);
ZVI_API uint32_t ZVIGetListEntryWithFields(ControlRecord* control, char* schema, Qualifier* qualifier,
                                           EntryListFieldList* listFields, SortList* sortList,
                                           uint32_t firstRetrieve, uint32_t maxRetrieve, uint8_t useLocale,
                                           EntryFieldValuesList* entries, uint32_t* numMatches,
                                           StatusList* status);
/* existList is required. */
ZVI_API uint32_t ZVIGetMultipleEntries(ControlRecord* control, char* schema, EntryIdListList* entryIds,
                                       IdList* fieldIds, ExistList* existList, FieldValueListList* values,
                                       StatusList* status);
/* loc must be a memory-buffer locator; it receives the (expanded) data and its size. */
ZVI_API uint32_t ZVIGetEntryBLOB(ControlRecord* control, char* schema, EntryIdList* entryId, uint32_t fieldId,
                                 Locator* loc, StatusList* status);
ZVI_API uint32_t ZVIServiceEntry(ControlRecord* control, char* schema, EntryIdList* entryId,
                                 FieldValueList* inputValues, IdList* outputFieldIds,
                                 FieldValueList* outputValues, StatusList* status);
/* useLocale is accepted for symmetry with ZVIGetListEntry and not passed on. */
ZVI_API uint32_t ZVIGetListEntryWithMultiSchemaFields(ControlRecord* control, MultiFromList* fromList,
                                                      MultiFieldItemList* fields, MultiQualifier* qualifier,
                                                      MultiFieldItemList* sortList, uint32_t firstRetrieve,
                                                      uint32_t maxRetrieve, uint8_t useLocale,
                                                      MultiFieldRefList* groupBy, MultiQualifier* groupQualifier,
                                                      MultiFieldValueListList* rows, uint32_t* numMatches,
                                                      StatusList* status);

ZVI_EXTERN_C_END

#endif
