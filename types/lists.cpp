// Lists whose elements hold memory of their own: values, field/value pairs, and the
// lists of lists that the host returns.
#include <cstdlib>
#include <cstring>

#include "types/helpers.h"
#include "types/types.h"

namespace zvi {

uint32_t CopyValueList(ValueList* destination, const ValueList* source) {
    if (!destination) return 0;
    *destination = ValueList{};
    if (!source || source->numItems == 0 || !source->items) return 0;
    const uint32_t count = source->numItems;
    auto* items = static_cast<Value*>(std::malloc(size_t{count} * sizeof(Value)));
    if (!items) return kCopyNoMemory;
    destination->items = items;
    for (uint32_t i = 0; i < count; ++i) {
        if (CopyValue(&items[i], &source->items[i]) == 0) continue;
        destination->numItems = i + 1;  // the failed value holds nothing the release cannot free
        ReleaseValueList(destination, 0);
        return kCopyNoMemory;
    }
    destination->numItems = count;
    return 0;
}

uint32_t CopyFieldValueList(FieldValueList* destination, const FieldValueList* source) {
    if (!destination) return 0;
    *destination = FieldValueList{};
    if (!source || source->numItems == 0 || !source->items) return 0;
    const uint32_t count = source->numItems;
    auto* items = static_cast<FieldValue*>(std::calloc(count, sizeof(FieldValue)));
    if (!items) return kCopyNoMemory;
    destination->items = items;
    for (uint32_t i = 0; i < count; ++i) {
        items[i].fieldId = source->items[i].fieldId;
        if (CopyValue(&items[i].value, &source->items[i].value) == 0) {
            ++destination->numItems;
            continue;
        }
        ReleaseValue(&items[i].value, 0);
        items[i] = FieldValue{};
        if (destination->numItems) {
            ReleaseFieldValueList(destination, 0);
        } else {
            std::free(items);
            destination->items = nullptr;
        }
        return kCopyNoMemory;
    }
    return 0;
}

void ReleaseValueList(ValueList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](Value* v) { ReleaseValue(v, 0); });
}

void ReleaseFieldValueList(FieldValueList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](FieldValue* f) { ReleaseValue(&f->value, 0); });
}

void ReleaseFieldValueListList(FieldValueListList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](FieldValueList* l) { ReleaseFieldValueList(l, 0); });
}

void ReleaseEntryFieldValues(EntryFieldValues* item, uint8_t freeHolder) {
    if (!item) return;
    ReleaseEntryIdList(&item->entryId, 0);
    ReleaseFieldValueList(item->values, 1);
    item->values = nullptr;
    if (freeHolder) std::free(item);
}

void ReleaseEntryFieldValuesList(EntryFieldValuesList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](EntryFieldValues* e) { ReleaseEntryFieldValues(e, 0); });
}

void ReleaseEntryIdListList(EntryIdListList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](EntryIdList* l) { ReleaseEntryIdList(l, 0); });
}

void ReleaseIdListList(IdListList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](IdList* l) { ReleaseIdList(l, 0); });
}

void ReleaseTextPairList(TextPairList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](TextPair* p) {
        std::free(p->first);
        std::free(p->second);
    });
}

// The rows of a multi-form listing: a kept column also loses its alias, field and
// word.
void ReleaseMultiFieldValueList(MultiFieldValueList* row, uint8_t freeHolder) {
    releaseList(row, freeHolder, [](MultiFieldValue* column) {
        ReleaseValue(&column->value, 0);
        column->alias[0] = '\0';
        column->fieldId = 0;
        column->option = 0;
    });
}

void ReleaseMultiFieldValueListList(MultiFieldValueListList* rows, uint8_t freeHolder) {
    releaseList(rows, freeHolder, [](MultiFieldValueList* row) { ReleaseMultiFieldValueList(row, 0); });
}

}  // namespace zvi
