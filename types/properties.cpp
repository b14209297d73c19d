// Properties, display instances and field limits: the descriptive data of definitions.
//
// Choices where the caller's structure is incomplete: a list whose count is set but
// whose array is null is copied as an empty list; a property whose value fails to copy
// is released before it is zeroed, so that the currency holder a failed value keeps is
// not lost.
#include <cstdlib>
#include <cstring>

#include "types/definitions.h"
#include "types/helpers.h"

namespace zvi {
namespace {

template <class List>
bool hasItems(const List* list) {
    return list && list->numItems && list->items;
}

uint32_t copyEnumeration(FieldLimit& d, const FieldLimit& s) {
    auto& du = d.u.enumeration.u;
    const auto& su = s.u.enumeration.u;
    switch (s.u.enumeration.enumKind) {
        case ZVI_ENUM_NAMES: return CopyNameList(&du.enumNames, &su.enumNames);
        case ZVI_ENUM_ITEMS: return CopyEnumItemList(&du.enumItems, &su.enumItems);
        case ZVI_ENUM_QUERY: return CopyQualifier(&du.enumQuery.qualifier, &su.enumQuery.qualifier);
        default: return 0;
    }
}

void releaseEnumeration(FieldLimit& limit) {
    auto& u = limit.u.enumeration.u;
    switch (limit.u.enumeration.enumKind) {
        case ZVI_ENUM_NAMES: return ReleaseNameList(&u.enumNames, 0);
        case ZVI_ENUM_ITEMS: return ReleaseEnumItemList(&u.enumItems, 0);
        case ZVI_ENUM_QUERY: return ReleaseQualifier(&u.enumQuery.qualifier, 0);
        default: return;
    }
}

// Both texts or neither: when the second cannot be duplicated the first is freed.
uint32_t copyTextPair(char*& low, char*& high) {
    if (!duplicateMember(low)) {
        high = nullptr;
        return kCopyNoMemory;
    }
    if (duplicateMember(high)) return 0;
    freeMember(low);
    return kCopyNoMemory;
}

}  // namespace

uint32_t CopyProp(Prop* destination, const Prop* source) {
    if (!destination) return 0;
    if (!source) return zeroRecord(*destination), 0;
    destination->propId = source->propId;
    const uint32_t code = CopyValue(&destination->value, &source->value);
    if (code) {
        ReleaseValue(&destination->value, 0);
        zeroRecord(*destination);
    }
    return code;
}

uint32_t CopyPropList(PropList* destination, const PropList* source) {
    if (!destination) return 0;
    *destination = PropList{};
    if (!hasItems(source)) return 0;
    auto* items = static_cast<Prop*>(std::calloc(source->numItems, sizeof(Prop)));
    if (!items) return kCopyNoMemory;
    destination->items = items;
    for (uint32_t i = 0; i < source->numItems; ++i) {
        if (const uint32_t code = CopyProp(&items[i], &source->items[i])) {
            ReleasePropList(destination, 0);
            return code;
        }
        ++destination->numItems;
    }
    return 0;
}

uint32_t CopyDisplayInstance(DisplayInstance* destination, const DisplayInstance* source) {
    if (!destination) return 0;
    if (!source) return zeroRecord(*destination), 0;
    destination->viewId = source->viewId;
    return CopyPropList(&destination->props, &source->props);
}

uint32_t CopyDisplayInstanceList(DisplayInstanceList* destination, const DisplayInstanceList* source) {
    if (!destination) return 0;
    zeroRecord(*destination);
    if (!hasItems(source)) return 0;  // the common properties are not copied either
    if (CopyPropList(&destination->commonProps, &source->commonProps)) return kCopyNoMemory;
    auto* items = static_cast<DisplayInstance*>(std::calloc(source->numItems, sizeof(DisplayInstance)));
    if (!items) {
        ReleasePropList(&destination->commonProps, 0);
        return kCopyNoMemory;
    }
    destination->numItems = source->numItems;
    destination->items = items;
    for (uint32_t i = 0; i < source->numItems; ++i) {
        if (CopyDisplayInstance(&items[i], &source->items[i]) == 0) continue;
        ReleaseDisplayInstanceList(destination, 0);
        return kCopyNoMemory;
    }
    return 0;
}

uint32_t CopyFieldLimit(FieldLimit* destination, const FieldLimit* source) {
    if (!source) {
        if (destination) zeroRecord(*destination);
        return 0;
    }
    if (!destination) return 0;
    std::memcpy(destination, source, sizeof *destination);
    FieldLimit& d = *destination;
    switch (d.dataType) {
        case ZVI_DATA_TEXT: return duplicateMember(d.u.text.charPattern) ? 0 : kCopyNoMemory;
        case ZVI_DATA_ENUM: case ZVI_DATA_BITMASK: return copyEnumeration(d, *source);
        case ZVI_DATA_DECIMAL: return copyTextPair(d.u.decimal.lowText, d.u.decimal.highText);
        case ZVI_DATA_CURRENCY: return CopyCurrencyLimits(&d.u.currency, &source->u.currency);
        case ZVI_LIMIT_QUALIFIED: return CopyQualifier(&d.u.qualified.qualifier, &source->u.qualified.qualifier);
        default: return 0;
    }
}

// Both detail lists are copied even when the first fails; either failure is 300.
uint32_t CopyCurrencyLimits(CurrencyLimits* destination, const CurrencyLimits* source) {
    if (!destination) return 0;
    zeroRecord(*destination);
    if (!source) return 0;
    destination->lowText = source->lowText;
    destination->highText = source->highText;
    if (copyTextPair(destination->lowText, destination->highText)) return kCopyNoMemory;
    destination->precision = source->precision;
    const uint32_t allowed = CopyCurrencyDetailList(&destination->allowed, &source->allowed);
    const uint32_t functional = CopyCurrencyDetailList(&destination->functional, &source->functional);
    return allowed || functional ? kCopyNoMemory : 0;
}

uint32_t CopyCurrencyDetailList(CurrencyDetailList* destination, const CurrencyDetailList* source) {
    if (!destination) return 0;
    *destination = CurrencyDetailList{};
    if (!hasItems(source)) return 0;
    auto* items = static_cast<CurrencyDetail*>(std::calloc(source->numItems, sizeof(CurrencyDetail)));
    if (!items) return kCopyNoMemory;
    std::memcpy(items, source->items, size_t{source->numItems} * sizeof(CurrencyDetail));
    *destination = {source->numItems, items};
    return 0;
}

void ReleaseProp(Prop* prop, uint8_t freeHolder) {
    if (!prop) return;
    ReleaseValue(&prop->value, 0);
    if (freeHolder) return std::free(prop);
    prop->propId = 0;
}

void ReleasePropList(PropList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](Prop* p) { ReleaseProp(p, 0); });
}

void ReleasePropListList(PropListList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](PropList* l) { ReleasePropList(l, 0); });
}

void ReleaseDisplayInstance(DisplayInstance* instance, uint8_t freeHolder) {
    if (!instance) return;
    ReleasePropList(&instance->props, 0);
    if (freeHolder) std::free(instance);
}

void ReleaseDisplayInstanceList(DisplayInstanceList* list, uint8_t freeHolder) {
    if (!list) return;
    ReleasePropList(&list->commonProps, 0);
    if (list->numItems && list->items) {
        for (uint32_t i = 0; i < list->numItems; ++i) ReleaseDisplayInstance(&list->items[i], 0);
        std::free(list->items);
    }
    if (freeHolder) return std::free(list);
    list->numItems = 0;
    list->items = nullptr;
}

void ReleaseDisplayInstanceListList(DisplayInstanceListList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](DisplayInstanceList* l) { ReleaseDisplayInstanceList(l, 0); });
}

void ReleaseFieldLimit(FieldLimit* limit, uint8_t freeHolder) {
    if (!limit) return;
    switch (limit->dataType) {
        case ZVI_DATA_TEXT: freeMember(limit->u.text.charPattern); break;
        case ZVI_DATA_ENUM: case ZVI_DATA_BITMASK: releaseEnumeration(*limit); break;
        case ZVI_DATA_DECIMAL:
            freeMember(limit->u.decimal.lowText);
            freeMember(limit->u.decimal.highText);
            break;
        case ZVI_DATA_CURRENCY: ReleaseCurrencyLimits(&limit->u.currency, 0); break;
        case ZVI_LIMIT_QUALIFIED: ReleaseQualifier(&limit->u.qualified.qualifier, 0); break;
        default: break;
    }
    if (freeHolder) return std::free(limit);
    limit->dataType = 0;
}

void ReleaseFieldLimitList(FieldLimitList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](FieldLimit* l) { ReleaseFieldLimit(l, 0); });
}

void ReleaseCurrencyLimits(CurrencyLimits* limits, uint8_t freeHolder) {
    if (!limits) return;
    std::free(limits->lowText);
    std::free(limits->highText);
    if (limits->allowed.numItems) std::free(limits->allowed.items);
    if (limits->functional.numItems) std::free(limits->functional.items);
    zeroRecord(*limits);
    if (freeHolder) std::free(limits);
}

}  // namespace zvi
