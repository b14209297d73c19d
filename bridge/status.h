// Status lists: severity-ordered messages with their catalog texts.
#pragma once
#include <cstdint>

#include "zvi/base.h"

namespace zvi {

constexpr uint32_t kMessageTextMax = 255;

uint32_t appendStatus(StatusList* list, uint32_t messageType, uint32_t messageNum, const char* detail);
uint32_t appendStatusNumber(StatusList* list, uint32_t messageType, uint32_t messageNum, uint32_t value);
void mergeStatus(StatusList* source, StatusList* other, StatusList* destination);
void releaseStatusList(StatusList* list, uint8_t freeHolder);
uint32_t lookupMessageText(uint32_t messageNum, char buffer[kMessageTextMax + 1]);

// The operation's return value: the first (most severe) type, 0 for an empty list.
inline uint32_t firstMessageType(const StatusList* list) {
    return list->numItems ? list->entries[0].messageType : 0;
}

}  // namespace zvi
