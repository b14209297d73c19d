// Deep copy and release of the structures that cross the interface.
// Copy<Type>(destination, source) returns 0, or 300 when the heap is exhausted; the
// destination is always releasable afterwards. Release<Type>(pointer, freeHolder)
// frees the contents, then the holder (1) or leaves the structure empty (0).
#pragma once
#include <cstdint>

#include "zvi/values.h"

namespace zvi {

constexpr uint32_t kCopyNoMemory = 300;

// Flat lists (byte-for-byte element arrays).
uint32_t CopyNameList(NameList* destination, const NameList* source);             // room for count/10*10+10
uint32_t CopyIdList(IdList* destination, const IdList* source);                   // room for count/100*100+100
uint32_t CopyIdListExact(IdList* destination, const IdList* source);              // exact size
uint32_t CopyIdListZeroed(IdList* destination, const IdList* source);             // exact, zero-filled
uint32_t CopyEntryIdList(EntryIdList* destination, const EntryIdList* source);    // count kept on failure
uint32_t CopySortList(SortList* destination, const SortList* source);             // silent
uint32_t CopyEntryListFieldList(EntryListFieldList* destination, const EntryListFieldList* source);  // silent
uint32_t CopyPermissionList(PermissionList* destination, const PermissionList* source);
uint32_t CopyIndexList(IndexList* destination, const IndexList* source);          // silent
uint32_t CopyFlagList(FlagList* destination, const FlagList* source);
uint32_t CopyEnumItemList(EnumItemList* destination, const EnumItemList* source);

void ReleaseNameList(NameList* list, uint8_t freeHolder);
void ReleaseIdList(IdList* list, uint8_t freeHolder);
void ReleaseEntryIdList(EntryIdList* list, uint8_t freeHolder);
void ReleaseSortList(SortList* list, uint8_t freeHolder);
void ReleaseEntryListFieldList(EntryListFieldList* list, uint8_t freeHolder);
void ReleasePermissionList(PermissionList* list, uint8_t freeHolder);
void ReleaseIndexList(IndexList* list, uint8_t freeHolder);
void ReleaseFlagList(FlagList* list, uint8_t freeHolder);
void ReleaseEnumItemList(EnumItemList* list, uint8_t freeHolder);
void ReleaseIntPairList(IntPairList* list, uint8_t freeHolder);

// Values.
uint32_t CopyValue(Value* destination, const Value* source);
void ReleaseValue(Value* value, uint8_t freeHolder);
void ReleaseByteList(ByteList* list, uint8_t freeHolder);
void ReleaseLocator(Locator* locator, uint8_t freeHolder);
void ReleaseAttachment(Attachment* attachment, uint8_t freeHolder);
void ReleaseCurrencyValue(CurrencyValue* currency, uint8_t freeHolder);

}  // namespace zvi
