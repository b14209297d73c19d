// Tagged values: what a payload points to is duplicated by data type.
#include <cstdlib>
#include <cstring>

#include "types/padding.h"
#include "types/types.h"

namespace zvi {
namespace {

// Frees what a member points to; a null member is left alone, without a call to free.
template <class T>
void freeIfSet(T* p) {
    if (p) std::free(p);
}

// Duplicates a text (null stays null); false when the heap is exhausted.
bool duplicateText(char** text) {
    if (!*text) return true;
    *text = strdup(*text);
    return *text != nullptr;
}

// Duplicates a byte block; false when the heap is exhausted.
template <class T>
bool duplicateBytes(T** bytes, size_t size) {
    void* copy = std::malloc(size);
    if (!copy) return false;
    std::memcpy(copy, *bytes, size);
    *bytes = static_cast<T*>(copy);
    return true;
}

uint32_t copyByteList(ByteList** slot) {
    if (!duplicateBytes(slot, sizeof(ByteList))) return *slot = nullptr, kCopyNoMemory;
    ByteList* list = *slot;
    if (list->numItems == 0 || !list->bytes) {
        list->bytes = nullptr;
        return 0;
    }
    if (duplicateBytes(&list->bytes, list->numItems)) return 0;
    std::free(list);
    *slot = nullptr;
    return kCopyNoMemory;
}

uint32_t copyAttachment(Attachment** slot) {
    if (!duplicateBytes(slot, sizeof(Attachment))) return *slot = nullptr, kCopyNoMemory;
    Attachment* copy = *slot;
    bool ok = duplicateText(&copy->name);
    if (ok) {
        Locator& loc = copy->locator;
        if (loc.locType == ZVI_LOC_BUFFER && loc.u.mem.buffer && loc.u.mem.bufSize) {
            ok = duplicateBytes(&loc.u.mem.buffer, loc.u.mem.bufSize);
        } else if (loc.locType == ZVI_LOC_FILENAME && loc.u.fileName) {
            ok = duplicateText(&loc.u.fileName);
        } else {  // a locator without data is no locator
            loc.locType = ZVI_LOC_NONE;
            loc.u.mem.bufSize = 0;
            loc.u.mem.buffer = nullptr;
        }
        if (!ok) std::free(copy->name);
    }
    if (ok) return 0;
    std::free(copy);
    *slot = nullptr;
    return kCopyNoMemory;
}

// Fills a zero-filled record from source. A text that cannot be duplicated is
// dropped without a report; only the function list's array is reported.
uint32_t CopyCurrencyValue(CurrencyValue* destination, const CurrencyValue* source) {
    std::memcpy(destination, source, 16);
    if (!duplicateText(&destination->value)) destination->value = nullptr;
    const uint32_t count = source->funcList.numItems;
    if (count == 0 || !source->funcList.items) return 0;  // stays {0, null}: nothing of the caller's
    auto* items = static_cast<FuncCurrency*>(std::malloc(size_t{count} * sizeof(FuncCurrency)));
    if (!items) {
        std::free(destination->value);
        std::memset(destination, 0, sizeof *destination);
        return kCopyNoMemory;
    }
    for (uint32_t i = 0; i < count; ++i) {
        items[i] = source->funcList.items[i];
        if (!duplicateText(&items[i].value)) items[i].value = nullptr;
    }
    destination->funcList.numItems = count;
    destination->funcList.items = items;
    return 0;
}

uint32_t copyCurrency(CurrencyValue** slot) {
    const CurrencyValue* source = *slot;
    auto* copy = static_cast<CurrencyValue*>(std::calloc(1, sizeof(CurrencyValue)));
    *slot = copy;
    if (!copy) return kCopyNoMemory;
    return CopyCurrencyValue(copy, source);  // on failure the zeroed holder stays for the release
}

uint32_t copyIntPairs(IntPairList** slot) {
    const IntPairList* source = *slot;
    auto* copy = static_cast<IntPairList*>(std::calloc(1, sizeof(IntPairList)));
    *slot = copy;
    if (!copy) return kCopyNoMemory;
    const uint32_t count = source->items ? source->numItems : 0;
    if (count) {
        copy->items = static_cast<IntPair*>(std::calloc(count, sizeof(IntPair)));
        if (!copy->items) {
            std::free(copy);
            *slot = nullptr;
            return kCopyNoMemory;
        }
        std::memcpy(copy->items, source->items, size_t{count} * sizeof(IntPair));
    }
    copy->numItems = count;
    return 0;
}

bool isText(uint32_t dataType) {
    switch (dataType) {
        case ZVI_DATA_TEXT: case ZVI_DATA_DIARY: case ZVI_DATA_DECIMAL:
        case ZVI_DATA_TEXT_42: case ZVI_DATA_TEXT_43:
            return true;
        default:
            return false;
    }
}

}  // namespace

uint32_t CopyValue(Value* destination, const Value* source) {
    if (!destination) return 0;
    if (!source) {
        *destination = Value{};
        return 0;
    }
    *destination = *source;
    clearPadding(destination);
    ValuePayload& p = destination->payload;
    switch (destination->dataType) {
        case ZVI_DATA_BYTES: return p.byteList ? copyByteList(&p.byteList) : 0;
        case ZVI_DATA_ATTACHMENT: return p.attachment ? copyAttachment(&p.attachment) : 0;
        case ZVI_DATA_CURRENCY: return p.currency ? copyCurrency(&p.currency) : 0;
        case ZVI_DATA_INT_PAIRS: return p.intPairs ? copyIntPairs(&p.intPairs) : 0;
        default: return isText(destination->dataType) && !duplicateText(&p.text) ? kCopyNoMemory : 0;
    }
}

void ReleaseByteList(ByteList* list, uint8_t freeHolder) {
    if (!list) return;
    if (list->numItems && list->bytes) std::free(list->bytes);
    if (freeHolder) return std::free(list);
    list->numItems = 0;
    list->bytes = nullptr;
}

void ReleaseLocator(Locator* loc, uint8_t freeHolder) {
    if (!loc) return;
    if (loc->locType == ZVI_LOC_BUFFER) {
        freeIfSet(loc->u.mem.buffer);
        loc->u.mem.bufSize = 0;
        loc->u.mem.buffer = nullptr;
    } else if (loc->locType == ZVI_LOC_FILENAME) {
        freeIfSet(loc->u.fileName);
    }
    if (freeHolder) return std::free(loc);
    loc->locType = ZVI_LOC_NONE;
}

void ReleaseAttachment(Attachment* attachment, uint8_t freeHolder) {
    if (!attachment) return;
    freeIfSet(attachment->name);
    ReleaseLocator(&attachment->locator, 0);
    if (freeHolder) return std::free(attachment);
    attachment->name = nullptr;
    attachment->origSize = 0;
    attachment->compSize = 0;
}

void ReleaseCurrencyValue(CurrencyValue* currency, uint8_t freeHolder) {
    if (!currency) return;
    freeIfSet(currency->value);
    currency->value = nullptr;
    FuncCurrencyList& list = currency->funcList;
    if (list.items)
        for (uint32_t i = 0; i < list.numItems; ++i) freeIfSet(list.items[i].value);
    freeIfSet(list.items);
    list = FuncCurrencyList{};
    if (freeHolder) std::free(currency);
}

void ReleaseValue(Value* value, uint8_t freeHolder) {
    if (!value) return;
    ValuePayload& p = value->payload;
    switch (value->dataType) {
        case ZVI_DATA_BYTES: ReleaseByteList(p.byteList, 1); break;
        case ZVI_DATA_ATTACHMENT: ReleaseAttachment(p.attachment, 1); break;
        case ZVI_DATA_CURRENCY: ReleaseCurrencyValue(p.currency, 1); break;
        case ZVI_DATA_INT_PAIRS: ReleaseIntPairList(p.intPairs, 1); break;
        default:
            if (isText(value->dataType)) freeIfSet(p.text);
            break;
    }
    if (freeHolder) return std::free(value);
    std::memset(value, 0, sizeof *value);
}

}  // namespace zvi
