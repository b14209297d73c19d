// Character menus, container owners and references, and export items.
//
// List menus are trees of any depth: their copies and releases walk them iteratively
// (types/walk.h), and the menu walk links back through the menus it is inside instead
// of keeping a stack. A menu copy stops at the first item it cannot copy and reports
// that item's status: 300 (no memory), 206 (a menu type above 6) or 131 (an item type
// other than 0, 1 or 2); the items of a failed list menu are then released.
//
// Choices where the caller's structure is incomplete or the rules leave memory behind:
// - a list with a count but a null array is copied as an empty list;
// - an item whose sub-menu pointer is null gets an empty (type 0) sub-menu block;
// - a failed item copy called on its own releases the sub-menu it made whatever the
//   status (within a menu copy the failed item is released anyway);
// - a kept container reference also loses its description pointer, so that a second
//   release frees nothing twice.
#include <cstdlib>
#include <cstring>

#include "types/definitions.h"
#include "types/helpers.h"
#include "types/walk.h"

namespace zvi {
namespace {

enum Kind : uint32_t { kMenu, kItem, kItemArray };

constexpr uint32_t kBadMenuType = 206;
constexpr uint32_t kBadItemType = 131;

using DataDictionary = decltype(CharMenuDef::u.dataDictionary);

void releaseDataDictionary(DataDictionary& d) {
    for (char*& t : d.texts) freeMember(t);
    ReleaseFieldValueList(&d.labelValues, 0);
    ReleaseFieldValueList(&d.moreValues, 0);
    ReleaseQualifierList(&d.qualifiers, 0);
}

uint32_t copyQualifierList(QualifierList& d, const QualifierList& s) {
    d = QualifierList{};
    if (s.numItems == 0 || !s.items) return 0;
    auto* items = static_cast<Qualifier*>(std::calloc(s.numItems, sizeof(Qualifier)));
    if (!items) return kCopyNoMemory;
    d.items = items;
    for (uint32_t i = 0; i < s.numItems; ++i) {
        d.numItems = i + 1;  // a failed qualifier keeps only null members
        if (CopyQualifier(&items[i], &s.items[i])) return ReleaseQualifierList(&d, 0), kCopyNoMemory;
    }
    return 0;
}

// d holds the source's bytes: its members are cleared, then filled in order.
bool copyDataDictionary(DataDictionary& d, const DataDictionary& s) {
    d.texts[0] = d.texts[1] = nullptr;
    d.labelValues = d.moreValues = FieldValueList{};
    d.qualifiers = QualifierList{};
    const bool ok = duplicateText(d.texts[0], s.texts[0]) && duplicateText(d.texts[1], s.texts[1]) &&
                    CopyFieldValueList(&d.labelValues, &s.labelValues) == 0 &&
                    CopyFieldValueList(&d.moreValues, &s.moreValues) == 0 &&
                    copyQualifierList(d.qualifiers, s.qualifiers) == 0;
    if (!ok) releaseDataDictionary(d);
    return ok;
}

struct CopyWalk {
    uint32_t status = kCopyNoMemory;  // why the walk stopped

    bool step(uint32_t kind, void* d, const void* s, walk::Stack& pending) {
        if (kind == kItem) return item(*static_cast<CharMenuItem*>(d), *static_cast<const CharMenuItem*>(s), pending);
        auto& menu = *static_cast<CharMenuDef*>(d);
        if (!s) return zeroRecord(menu), true;
        std::memcpy(&menu, s, sizeof menu);
        const auto& source = *static_cast<const CharMenuDef*>(s);
        switch (menu.menuType) {
            case ZVI_MENU_LIST: return items(menu.u.menuItems, pending);
            case ZVI_MENU_QUERY: return CopyQualifier(&menu.u.query.qualifier, &source.u.query.qualifier) == 0;
            case ZVI_MENU_FILE: return duplicateMember(menu.u.file.fileName);
            case ZVI_MENU_SQL: return duplicateMember(menu.u.sql.sqlCommand);
            case ZVI_MENU_DATA_DICTIONARY: return copyDataDictionary(menu.u.dataDictionary, source.u.dataDictionary);
            default:
                if (menu.menuType <= ZVI_MENU_TYPE_MAX) return true;
                menu.menuType = ZVI_MENU_NONE;
                return fail(kBadMenuType);
        }
    }
    void* destination(uint32_t, void* cell) { return cell; }
    void abandon(uint32_t kind, void* d) {
        if (kind == kItem) return zeroRecord(*static_cast<CharMenuItem*>(d));
        zeroRecord(*static_cast<CharMenuDef*>(d));
    }

    bool fail(uint32_t code) {
        status = code;
        return false;
    }

    // The list holds the source's count and array; it gets an array of its own whose
    // items are queued in order.
    static bool items(CharMenuItemList& list, walk::Stack& pending) {
        const CharMenuItemList source = list;
        list = CharMenuItemList{};
        if (source.numItems == 0 || !source.items) return true;
        auto* items = static_cast<CharMenuItem*>(std::malloc(source.numItems * sizeof(CharMenuItem)));
        if (!items) return false;
        list = {source.numItems, items};
        for (uint32_t i = source.numItems; i-- > 0;) pending.push(&items[i], kItem, &source.items[i]);
        return true;
    }

    bool item(CharMenuItem& d, const CharMenuItem& s, walk::Stack& pending) {
        std::memcpy(&d, &s, sizeof d);
        switch (s.itemType) {
            case ZVI_ITEM_NONE: return true;
            case ZVI_ITEM_VALUE: return duplicateMember(d.u.value);
            case ZVI_ITEM_MENU:
                d.u.subMenu = static_cast<CharMenuDef*>(std::malloc(sizeof(CharMenuDef)));
                if (!d.u.subMenu) return false;
                pending.push(d.u.subMenu, kMenu, s.u.subMenu);
                return true;
            default: return fail(kBadItemType);
        }
    }
};

struct ReleaseWalk {
    bool take(uint32_t kind, void* node, uint32_t extra, walk::Children& c, walk::Stack& stack) {
        switch (kind) {
            case kMenu: menu(*static_cast<CharMenuDef*>(node), c); return true;
            case kItem: item(*static_cast<CharMenuItem*>(node), c); return true;
            case kItemArray: walk::takeArray(static_cast<CharMenuItem*>(node), extra, stack, item); return false;
        }
        return false;
    }

    static void menu(CharMenuDef& m, walk::Children& c) {
        switch (m.menuType) {
            case ZVI_MENU_LIST:
                c.add(kItemArray, m.u.menuItems.items, m.u.menuItems.numItems);
                m.u.menuItems = CharMenuItemList{};
                return;
            case ZVI_MENU_QUERY: return ReleaseQualifier(&m.u.query.qualifier, 0);
            case ZVI_MENU_FILE: return freeMember(m.u.file.fileName);
            case ZVI_MENU_SQL: return freeMember(m.u.sql.sqlCommand);
            case ZVI_MENU_DATA_DICTIONARY: return releaseDataDictionary(m.u.dataDictionary);
            default: return;
        }
    }
    static void item(CharMenuItem& i, walk::Children& c) {
        if (i.itemType == ZVI_ITEM_VALUE) freeMember(i.u.value);
        if (i.itemType == ZVI_ITEM_MENU) c.add(kMenu, i.u.subMenu), i.u.subMenu = nullptr;
    }
};

// A failed copy is released (the failed item included) and reports its status.
template <class T>
uint32_t copyMenuTree(uint32_t kind, T* destination, const T* source) {
    if (!destination) return 0;
    if (!source) return zeroRecord(*destination), 0;
    CopyWalk w;
    if (walk::copyTree(w, kind, destination, source)) return 0;
    ReleaseWalk cleanup;
    walk::releaseContents(cleanup, kind, destination);
    return w.status;
}

}  // namespace

uint32_t CopyCharMenuDef(CharMenuDef* d, const CharMenuDef* s) { return copyMenuTree(kMenu, d, s); }
uint32_t CopyCharMenuItem(CharMenuItem* d, const CharMenuItem* s) { return copyMenuTree(kItem, d, s); }

void ReleaseCharMenuDef(CharMenuDef* menu, uint8_t freeHolder) {
    walk::release<ReleaseWalk>(kMenu, menu, freeHolder, false);
    if (menu && !freeHolder) menu->menuType = ZVI_MENU_NONE;
}

void ReleaseCharMenuItem(CharMenuItem* item, uint8_t freeHolder) {
    walk::release<ReleaseWalk>(kItem, item, freeHolder, true);
}

// Each menu on the way down is a list: the item it was reached through points back to
// the menu above, and its type word holds that item's index, until the walk comes back.
uint32_t WalkCharMenu(CharMenuDef* menu, void (*visit)(CharMenuItem*, void*), void* context) {
    if (!menu || menu->menuType != ZVI_MENU_LIST) return 0;
    CharMenuDef* current = menu;
    CharMenuDef* above = nullptr;
    uint32_t next = 0;
    for (;;) {
        CharMenuItemList& items = current->u.menuItems;
        bool down = false;
        for (; items.items && next < items.numItems && !down; ++next) {
            CharMenuItem& item = items.items[next];
            if (visit) visit(&item, context);
            CharMenuDef* sub = item.itemType == ZVI_ITEM_MENU ? item.u.subMenu : nullptr;
            if (!sub || sub->menuType != ZVI_MENU_LIST) continue;
            item.u.subMenu = above;
            sub->menuType = next;
            above = current;
            current = sub;
            down = true;
        }
        if (down) {
            next = 0;
            continue;
        }
        if (!above) return 0;
        const uint32_t index = current->menuType;
        current->menuType = ZVI_MENU_LIST;
        CharMenuItem& via = above->u.menuItems.items[index];
        CharMenuDef* const up = via.u.subMenu;
        via.u.subMenu = current;
        current = above;
        above = up;
        next = index + 1;
    }
}

uint32_t CopyContainerOwnerList(ContainerOwnerList* destination, const ContainerOwnerList* source) {
    if (!source) {
        if (destination) zeroRecord(*destination);
        return 0;
    }
    if (!destination) return 0;
    std::memcpy(destination, source, sizeof *destination);  // a count of 0 passes the array pointer on
    if (source->numItems == 0) return 0;
    destination->items = nullptr;
    auto* items = static_cast<ContainerOwner*>(std::malloc(source->numItems * sizeof(ContainerOwner)));
    if (!items || !source->items) {
        std::free(items);
        destination->numItems = 0;
        return items ? 0 : kCopyNoMemory;
    }
    std::memcpy(items, source->items, source->numItems * sizeof(ContainerOwner));
    destination->items = items;
    return 0;
}

void ReleaseContainerOwnerList(ContainerOwnerList* list, uint8_t freeHolder) {
    if (!list) return;
    if (list->numItems && list->items) std::free(list->items);
    if (freeHolder) return std::free(list);
    list->numItems = 0;
    list->items = nullptr;
}

namespace {

// r holds the source's bytes: its pointers are cleared, then filled one by one, so that
// a failed reference holds nothing of the caller's.
uint32_t copyReference(ContainerReference& r, const ContainerReference& s) {
    r.label = r.description = nullptr;
    const bool external = s.dataKind == ZVI_REFERENCE_EXTERNAL;
    if (external) r.u.external.groups = IdList{}, r.u.external.value = Value{};
    const bool ok = duplicateText(r.label, s.label) && duplicateText(r.description, s.description) &&
                    (!external || (CopyIdList(&r.u.external.groups, &s.u.external.groups) == 0 &&
                                   CopyValue(&r.u.external.value, &s.u.external.value) == 0));
    return ok ? 0 : kCopyNoMemory;
}

}  // namespace

uint32_t CopyContainerReference(ContainerReference* d, const ContainerReference* s) {
    return copyBytes(d, s) ? copyReference(*d, *s) : 0;
}

uint32_t CopyContainerReferenceList(ContainerReferenceList* destination, const ContainerReferenceList* source) {
    if (!source) {
        if (destination) zeroRecord(*destination);
        return 0;
    }
    if (!destination) return 0;
    zeroRecord(*destination);
    if (source->numItems == 0 || !source->items) return 0;
    auto* items = static_cast<ContainerReference*>(std::malloc(source->numItems * sizeof(ContainerReference)));
    if (!items) return kCopyNoMemory;
    std::memcpy(items, source->items, source->numItems * sizeof(ContainerReference));
    destination->items = items;
    for (uint32_t i = 0; i < source->numItems; ++i) {
        ++destination->numItems;
        if (copyReference(items[i], source->items[i]) == 0) continue;
        ReleaseContainerReferenceList(destination, 0);
        return kCopyNoMemory;
    }
    return 0;
}

void ReleaseContainerReference(ContainerReference* reference, uint8_t freeHolder) {
    if (!reference) return;
    std::free(reference->label);
    std::free(reference->description);
    if (reference->dataKind == ZVI_REFERENCE_EXTERNAL) {
        ReleaseIdList(&reference->u.external.groups, 0);
        ReleaseValue(&reference->u.external.value, 0);
    }
    if (freeHolder) return std::free(reference);
    reference->label = reference->description = nullptr;
    reference->refType = reference->dataKind = 0;
    reference->u.refName[0] = '\0';
}

void ReleaseContainerReferenceList(ContainerReferenceList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](ContainerReference* r) { ReleaseContainerReference(r, 0); });
}

// Room for count / 10 * 10 + 10 items; an item's sub-names are copied only when it has
// some.
uint32_t CopyExportItemList(ExportItemList* destination, const ExportItemList* source) {
    if (!destination) return 0;
    zeroRecord(*destination);
    if (!source || source->numItems == 0 || !source->items) return 0;
    const size_t room = (source->numItems / 10 + 1) * size_t{10};
    auto* items = static_cast<ExportItem*>(std::calloc(room, sizeof(ExportItem)));
    if (!items) return kCopyNoMemory;
    destination->items = items;
    for (uint32_t i = 0; i < source->numItems; ++i) {
        if (const uint32_t code = CopyExportItem(&items[i], &source->items[i])) {
            ReleaseExportItemList(destination, 0);
            return code;
        }
        ++destination->numItems;
    }
    return 0;
}

// The item's type and name; its sub-names only when it has some.
uint32_t CopyExportItem(ExportItem* destination, const ExportItem* source) {
    if (!destination) return 0;
    zeroRecord(*destination);
    if (!source) return 0;
    destination->itemType = source->itemType;
    std::memcpy(destination->itemName, source->itemName, sizeof source->itemName);
    return source->subNames.numItems ? CopyNameList(&destination->subNames, &source->subNames) : 0;
}

void ReleaseExportItem(ExportItem* item, uint8_t freeHolder) {
    if (!item) return;
    ReleaseNameList(&item->subNames, 0);
    if (freeHolder) std::free(item);
}

void ReleaseExportItemList(ExportItemList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](ExportItem* i) { ReleaseExportItem(i, 0); });
}

// The items after a failing one are emptied, so that every list reads in host form.
uint32_t PackExportItems(ExportItemList* list) {
    if (!list || !list->items) return 0;
    for (uint32_t i = 0; i < list->numItems; ++i) {
        const uint32_t code = PackNameList(&list->items[i].subNames);
        if (code == 0) continue;
        for (uint32_t j = i + 1; j < list->numItems; ++j) ReleaseNameList(&list->items[j].subNames, 0);
        return code;
    }
    return 0;
}

}  // namespace zvi
