#include "bridge/status.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "bridge/host_table.h"
#include "bridge/messages.h"
#include "platform/win.h"
#include "platform/zvutl.h"

namespace zvi {
namespace {

constexpr char kCatalogName[] = "zvsystem.cat";
constexpr char kCannotOpen[] = "Cannot open catalog; Message number = ";
constexpr char kNotInCatalog[] = "Message not in catalog; Message number = ";
constexpr uint32_t kMaxEntries = 0x10000000;  // larger arrays are refused

// A status list's entries, and how far each of three severity runs reaches.
struct Cursor {
    const StatusEntry* entries;
    uint32_t count;
    uint32_t next = 0;

    // Moves the leading entries of at least minType into out.
    StatusEntry* takeWhile(StatusEntry* out, uint32_t minType) {
        while (next < count && entries[next].messageType >= minType) *out++ = entries[next++];
        return out;
    }
};

}  // namespace

uint32_t lookupMessageText(uint32_t messageNum, char buffer[kMessageTextMax + 1]) {
    if (messageNum == 0 || messageNum > 9999 || messageNum == msg::kNoCatalogText) {
        buffer[0] = '\0';
        return 0;
    }
    std::memset(buffer, 0, kMessageTextMax + 1);
    const uint32_t catalog = utl::catalogOpen(kCatalogName, 0);
    if (catalog == utl::kNoCatalog) {
        std::snprintf(buffer, kMessageTextMax + 1, "%s%d", kCannotOpen, static_cast<int>(messageNum));
        return 0;
    }
    char* text = utl::catalogGet(catalog, 1, static_cast<int>(messageNum), "");
    if (text && *text) {
        utl::boundedCopy(buffer, text, kMessageTextMax);
    } else {
        win::LocalFree(text);
        text = utl::catalogGet(catalog, 1, 1, kNotInCatalog);
        if (text) utl::boundedCopy(buffer, text, kMessageTextMax);
        size_t used = std::strlen(buffer);
        if (used < 243)
            std::snprintf(buffer + used, kMessageTextMax + 1 - used, "%d", static_cast<int>(messageNum));
    }
    win::LocalFree(text);
    utl::catalogClose(catalog);
    return 0;
}

uint32_t appendStatus(StatusList* list, uint32_t messageType, uint32_t messageNum, const char* detail) {
    if (!list) return ZVI_ERROR;
    if (list->numItems == 0) list->entries = nullptr;
    const uint32_t count = list->numItems;
    if (count + 1 >= kMaxEntries) return ZVI_NO_MEMORY;
    auto* entries = static_cast<StatusEntry*>(std::realloc(list->entries, (count + 1) * sizeof(StatusEntry)));
    if (!entries) return ZVI_NO_MEMORY;
    list->entries = entries;

    uint32_t at = 0;
    while (at < count && entries[at].messageType > messageType) ++at;
    std::memmove(entries + at + 1, entries + at, (count - at) * sizeof(StatusEntry));
    list->numItems = count + 1;
    StatusEntry& entry = entries[at];
    entry = StatusEntry{messageType, messageNum, nullptr, nullptr};

    char text[kMessageTextMax + 1];
    lookupMessageText(messageNum, text);
    entry.messageText = strdup(text);
    if (!entry.messageText) return ZVI_NO_MEMORY;

    if (detail && *detail) {
        const size_t length = std::strlen(detail);
        entry.appendedText = static_cast<char*>(std::malloc(length + 4));
        if (!entry.appendedText) return ZVI_NO_MEMORY;
        utl::boundedCopy(entry.appendedText, detail, kMessageTextMax);
    }
    return entries[0].messageType;
}

uint32_t appendStatusNumber(StatusList* list, uint32_t messageType, uint32_t messageNum, uint32_t value) {
    char detail[16];
    std::snprintf(detail, sizeof detail, "%u", value);
    return appendStatus(list, messageType, messageNum, detail);
}

void releaseStatusList(StatusList* list, uint8_t freeHolder) {
    if (!list) return;
    for (uint32_t i = 0; i < list->numItems; ++i) {
        std::free(list->entries[i].messageText);
        std::free(list->entries[i].appendedText);
    }
    std::free(list->entries);
    if (freeHolder) {
        std::free(list);
    } else {
        *list = host.emptyStatus;
    }
}

void mergeStatus(StatusList* a, StatusList* b, StatusList* d) {
    if (!a || !b) return;
    auto moveInto = [d](StatusList* from) {
        if (from == d) return;
        *d = *from;
        *from = host.emptyStatus;
    };
    if (a->numItems == 0 && b->numItems == 0) {
        if (b != d) *d = host.emptyStatus;
        return;
    }
    if (a->numItems == 0) return moveInto(b);
    if (b->numItems == 0) return moveInto(a);

    const uint32_t total = a->numItems + b->numItems;
    auto* merged = static_cast<StatusEntry*>(std::malloc(size_t{total} * sizeof(StatusEntry)));
    if (!merged) {
        // Keep the more severe list (the other one when equal) and say what was lost.
        const bool keepA = a->entries[0].messageType > b->entries[0].messageType;
        StatusList* kept = keepA ? a : b;
        releaseStatusList(keepA ? b : a, 0);
        moveInto(kept);
        appendStatus(d, ZVI_ERROR, msg::kNoMemoryForMerge, nullptr);
        return;
    }
    // Within each severity class the other list's messages come first.
    Cursor fromB{b->entries, b->numItems};
    Cursor fromA{a->entries, a->numItems};
    StatusEntry* out = merged;
    for (uint32_t minType : {uint32_t{ZVI_ERROR}, uint32_t{ZVI_WARNING}, uint32_t{ZVI_NOTE}}) {
        out = fromB.takeWhile(out, minType);
        out = fromA.takeWhile(out, minType);
    }
    std::free(a->entries);
    std::free(b->entries);
    *a = host.emptyStatus;
    *b = host.emptyStatus;
    *d = StatusList{total, merged};
}

}  // namespace zvi
