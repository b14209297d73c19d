// Message numbers the library raises; their texts live in the catalog.
#pragma once
#include <cstdint>

namespace zvi::msg {

constexpr uint32_t kNothingToChange = 54;
constexpr uint32_t kRowsOutputMissing = 105;
constexpr uint32_t kDataTypeInvalid = 110;
constexpr uint32_t kDefaultNotAllowed = 111;
constexpr uint32_t kCommandMissing = 117;
constexpr uint32_t kEntryOptionInvalid = 118;
constexpr uint32_t kCreationOptionInvalid = 119;
constexpr uint32_t kNoMemoryForMerge = 154;
constexpr uint32_t kExportOutputMissing = 155;
constexpr uint32_t kDefinitionUnreadable = 156;
constexpr uint32_t kExpansionFailed = 160;
constexpr uint32_t kDefaultTypeMismatch = 166;
constexpr uint32_t kIdOutputMissing = 178;
constexpr uint32_t kDefaultTextTooLong = 180;
constexpr uint32_t kRefreshCodeInvalid = 207;
constexpr uint32_t kFormNameMissing = 233;
constexpr uint32_t kUserListKindInvalid = 235;
constexpr uint32_t kSqlMissing = 261;
constexpr uint32_t kExistListMissing = 292;
constexpr uint32_t kStreamUnusable = 295;
constexpr uint32_t kNoMemory = 300;
constexpr uint32_t kStreamWriteFailed = 301;
constexpr uint32_t kFieldFlagsMissing = 485;
constexpr uint32_t kCountMismatch = 486;
constexpr uint32_t kResultsOutputMissing = 487;
constexpr uint32_t kNotBufferLocator = 8700;
constexpr uint32_t kNoCatalogText = 8914;
constexpr uint32_t kVersionNotSupported = 9756;
constexpr uint32_t kHostCallFailed = 9905;

}  // namespace zvi::msg
