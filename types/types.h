// Deep copy and release of the structures that cross the interface.
// Copy<Type>(destination, source) returns 0, or 300 when the heap is exhausted; the
// destination is always releasable afterwards. Release<Type>(pointer, freeHolder)
// frees the contents, then the holder (1) or leaves the structure empty (0).
#pragma once
#include <cstdint>
#include <cstdlib>

#include "zvi/multiquery.h"
#include "zvi/qualifier.h"
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

// Lists of (identifier, Value) items the host returns: properties, server information.
template <class List>
void ReleaseValueItems(List* list, uint8_t freeHolder) {
    if (!list) return;
    for (uint32_t i = 0; list->items && i < list->numItems; ++i) ReleaseValue(&list->items[i].value, 0);
    std::free(list->items);
    if (freeHolder) {
        std::free(list);
    } else {
        *list = List{};
    }
}

// Lists of structured elements. A null source gives an empty destination and 0.
uint32_t CopyValueList(ValueList* destination, const ValueList* source);
uint32_t CopyFieldValueList(FieldValueList* destination, const FieldValueList* source);
void ReleaseValueList(ValueList* list, uint8_t freeHolder);
void ReleaseFieldValueList(FieldValueList* list, uint8_t freeHolder);
void ReleaseFieldValueListList(FieldValueListList* list, uint8_t freeHolder);
void ReleaseEntryFieldValues(EntryFieldValues* item, uint8_t freeHolder);
void ReleaseEntryFieldValuesList(EntryFieldValuesList* list, uint8_t freeHolder);
void ReleaseEntryIdListList(EntryIdListList* list, uint8_t freeHolder);
// Lists only the host returns.
void ReleaseIdListList(IdListList* list, uint8_t freeHolder);
void ReleaseTextPairList(TextPairList* list, uint8_t freeHolder);

// Qualifiers. Copies and releases walk the tree without recursion, whatever its depth.
// A failed CopyQualifier leaves the destination's operation with null members.
uint32_t CopyQualifier(Qualifier* destination, const Qualifier* source);
uint32_t CopyRelationalOp(RelationalOp* destination, const RelationalOp* source);
uint32_t CopyArithOp(ArithOp* destination, const ArithOp* source);
uint32_t CopyOperand(Operand* destination, const Operand* source);
uint32_t CopyQueryRef(QueryRef* destination, const QueryRef* source);
void ReleaseQualifier(Qualifier* qualifier, uint8_t freeHolder);
void ReleaseQualifierList(QualifierList* list, uint8_t freeHolder);
void ReleaseRelationalOp(RelationalOp* relOp, uint8_t freeHolder);
void ReleaseArithOp(ArithOp* arith, uint8_t freeHolder);
void ReleaseOperand(Operand* operand, uint8_t freeHolder);
void ReleaseQueryRef(QueryRef* query, uint8_t freeHolder);

// Multi-form queries. Every copy zeroes its destination (when given) and returns 0
// when either pointer is null.
uint32_t CopyMultiQualifier(MultiQualifier* destination, const MultiQualifier* source);
uint32_t CopyMultiRelationalOp(MultiRelationalOp* destination, const MultiRelationalOp* source);
uint32_t CopyMultiArithOp(MultiArithOp* destination, const MultiArithOp* source);
uint32_t CopyMultiOperand(MultiOperand* destination, const MultiOperand* source);
uint32_t CopyMultiSubQuery(MultiSubQuery* destination, const MultiSubQuery* source);
uint32_t CopyMultiQuery(MultiQuery* destination, const MultiQuery* source);
uint32_t CopyMultiFromItem(MultiFromItem* destination, const MultiFromItem* source);
uint32_t CopyMultiFromList(MultiFromList* destination, const MultiFromList* source);
uint32_t CopyMultiFieldRefList(MultiFieldRefList* destination, const MultiFieldRefList* source);
uint32_t CopyMultiFieldItemList(MultiFieldItemList* destination, const MultiFieldItemList* source);
void ReleaseMultiQualifier(MultiQualifier* qualifier, uint8_t freeHolder);
void ReleaseMultiRelationalOp(MultiRelationalOp* relOp, uint8_t freeHolder);
void ReleaseMultiArithOp(MultiArithOp* arith, uint8_t freeHolder);
void ReleaseMultiOperand(MultiOperand* operand, uint8_t freeHolder);
void ReleaseMultiSubQuery(MultiSubQuery* query, uint8_t freeHolder);
void ReleaseMultiQuery(MultiQuery* query, uint8_t freeHolder);
void ReleaseMultiFromItem(MultiFromItem* item, uint8_t freeHolder);
void ReleaseMultiFromList(MultiFromList* list, uint8_t freeHolder);
void ReleaseMultiFieldRefList(MultiFieldRefList* list, uint8_t freeHolder);
void ReleaseMultiFieldItemList(MultiFieldItemList* list, uint8_t freeHolder);
void ReleaseMultiFieldValueList(MultiFieldValueList* row, uint8_t freeHolder);
void ReleaseMultiFieldValueListList(MultiFieldValueListList* rows, uint8_t freeHolder);

}  // namespace zvi
