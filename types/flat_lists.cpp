// Flat lists: the element array is duplicated byte for byte. The variants differ in
// what a null or empty source gives, how much room is allocated, and whether an
// allocation failure is reported.
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "types/definitions.h"
#include "types/padding.h"
#include "types/types.h"

namespace zvi {
namespace {

enum class Room { Exact, Tens, Hundreds };

struct Variant {
    Room room;
    bool zeroFill;
    bool reportFailure;
};

constexpr Variant R10{Room::Tens, true, true};
constexpr Variant R100{Room::Hundreds, true, true};
constexpr Variant E300{Room::Exact, false, true};
constexpr Variant ES{Room::Exact, false, false};
constexpr Variant C300{Room::Exact, true, true};
constexpr Variant CS{Room::Exact, true, false};

size_t capacity(Room room, uint32_t count) {
    switch (room) {
        case Room::Tens: return (count / 10 + 1) * size_t{10};
        case Room::Hundreds: return (count / 100 + 1) * size_t{100};
        case Room::Exact: break;
    }
    return count;
}

template <class List>
uint32_t copyFlat(List* destination, const List* source, Variant variant, bool keepCountOnFailure = false) {
    using Item = std::remove_pointer_t<decltype(source->items)>;
    if (!source) {
        if (destination) *destination = List{};
        return 0;
    }
    if (!destination) return 0;
    *destination = List{};
    const uint32_t count = source->numItems;
    if (count == 0 || !source->items) return 0;
    if (keepCountOnFailure) destination->numItems = count;
    const size_t room = capacity(variant.room, count);
    auto* items = static_cast<Item*>(variant.zeroFill ? std::calloc(room, sizeof(Item)) : std::malloc(room * sizeof(Item)));
    if (!items) return variant.reportFailure ? kCopyNoMemory : 0;
    std::memcpy(items, source->items, size_t{count} * sizeof(Item));
    clearPadding(items, count);
    destination->items = items;
    destination->numItems = count;
    return 0;
}

template <class List>
void releaseFlat(List* list, uint8_t freeHolder) {
    if (!list) return;
    if (list->numItems && list->items) std::free(list->items);
    if (freeHolder) {
        std::free(list);
    } else {
        list->numItems = 0;
        list->items = nullptr;
    }
}

}  // namespace

uint32_t CopyNameList(NameList* d, const NameList* s) { return copyFlat(d, s, R10); }
uint32_t CopyIdListExact(IdList* d, const IdList* s) { return copyFlat(d, s, E300); }
uint32_t CopyIdListZeroed(IdList* d, const IdList* s) { return copyFlat(d, s, C300); }
uint32_t CopyUintListExact(UintList* d, const UintList* s) { return copyFlat(d, s, E300); }
uint32_t CopyEntryIdList(EntryIdList* d, const EntryIdList* s) { return copyFlat(d, s, C300, true); }
uint32_t CopySortList(SortList* d, const SortList* s) { return copyFlat(d, s, ES); }
uint32_t CopyEntryListFieldList(EntryListFieldList* d, const EntryListFieldList* s) { return copyFlat(d, s, ES); }
uint32_t CopyPermissionList(PermissionList* d, const PermissionList* s) { return copyFlat(d, s, E300); }
uint32_t CopyIndexList(IndexList* d, const IndexList* s) { return copyFlat(d, s, CS); }
uint32_t CopyFlagList(FlagList* d, const FlagList* s) { return copyFlat(d, s, C300); }
uint32_t CopyEnumItemList(EnumItemList* d, const EnumItemList* s) { return copyFlat(d, s, E300); }
uint32_t CopyMultiFieldRefList(MultiFieldRefList* d, const MultiFieldRefList* s) { return copyFlat(d, s, C300); }
uint32_t CopyMultiFieldItemList(MultiFieldItemList* d, const MultiFieldItemList* s) { return copyFlat(d, s, C300); }

// Identifier lists of request arguments: a null source leaves the destination as it
// is, an empty one is copied as it stands with a null array.
uint32_t CopyIdList(IdList* d, const IdList* s) {
    if (!s || !d) return 0;
    if (s->numItems == 0) {
        std::memcpy(d, s, sizeof *d);
        d->items = nullptr;
        return 0;
    }
    return copyFlat(d, s, R100);
}

void ReleaseNameList(NameList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseIdList(IdList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseUintList(UintList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseEntryIdList(EntryIdList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseSortList(SortList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseEntryListFieldList(EntryListFieldList* l, uint8_t h) { releaseFlat(l, h); }
void ReleasePermissionList(PermissionList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseIndexList(IndexList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseFlagList(FlagList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseEnumItemList(EnumItemList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseIntPairList(IntPairList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseMultiFieldRefList(MultiFieldRefList* l, uint8_t h) { releaseFlat(l, h); }
void ReleaseMultiFieldItemList(MultiFieldItemList* l, uint8_t h) { releaseFlat(l, h); }

}  // namespace zvi
