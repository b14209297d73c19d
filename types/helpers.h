// Small pieces the copy and release routines of definitions share.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zvi {

// Replaces a text member by its duplicate (null stays null). On exhaustion the member
// is set null, so that it never holds the caller's pointer, and false is returned.
inline bool duplicateMember(char*& text) {
    if (!text) return true;
    text = strdup(text);
    return text != nullptr;
}

// Sets a text member to a duplicate of source (null stays null); false on exhaustion,
// the member then null.
inline bool duplicateText(char*& member, const char* source) {
    member = const_cast<char*>(source);
    return duplicateMember(member);
}

// Frees a text member and sets it null.
inline void freeMember(char*& text) {
    std::free(text);
    text = nullptr;
}

// Replaces a pointer member by a new block holding a copy of size bytes it points to
// (null stays null); false on exhaustion, the member then null.
template <class T>
bool duplicateBlock(T*& member, size_t size) {
    if (!member) return true;
    void* copy = std::malloc(size);
    if (copy) std::memcpy(copy, member, size);
    member = static_cast<T*>(copy);
    return copy != nullptr;
}

// A counted list's end of life: release(item) on each of the first numItems elements,
// free the array, then free the holder or leave the list empty.
template <class List, class ReleaseItem>
void releaseList(List* list, uint8_t freeHolder, ReleaseItem release) {
    if (!list) return;
    if (list->items) {
        for (uint32_t i = 0; i < list->numItems; ++i) release(&list->items[i]);
        std::free(list->items);
    }
    if (freeHolder) return std::free(list);
    list->numItems = 0;
    list->items = nullptr;
}

// Sets a record to all-zero bytes.
template <class T>
void zeroRecord(T& record) {
    std::memset(static_cast<void*>(&record), 0, sizeof record);
}

// The first step of a record copy: the destination gets the source's bytes (true), or
// there is nothing more to do (false): no destination, or no source, which zeroes it.
template <class T>
bool copyBytes(T* destination, const T* source) {
    if (!destination) return false;
    if (!source) return zeroRecord(*destination), false;
    std::memcpy(static_cast<void*>(destination), source, sizeof *destination);
    return true;
}

}  // namespace zvi
