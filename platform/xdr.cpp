// Composite XDR coding (texts, names, byte strings, arrays, optional data) on the
// stream primitives of platform/xdr_stream*.cpp.
#include "platform/xdr.h"

#include <cstdlib>
#include <cstring>

#include "platform/xdr_stream.h"

namespace zvi::rpc {
namespace {

bool freeing(void* stream) { return direction(stream) == Direction::Free; }

// Length and bytes of a text being encoded or decoded.
bool codeCounted(void* stream, char* data, uint32_t length) {
    return codeU32(stream, &length) && codeFixed(stream, data, length);
}

// A count or a length that the rest of a memory stream cannot hold fails before
// anything is allocated for it: decoding would fail on the missing bytes anyway,
// after a block as large as the count claims.
constexpr size_t kUnit = 4;  // every XDR item, and so every element, takes a unit or more

}  // namespace

bool codeText(void* stream, char** text, uint32_t maxLength) {
    switch (direction(stream)) {
        case Direction::Encode: {
            char* data = *text ? *text : const_cast<char*>("");
            const size_t length = std::strlen(data);
            return length <= maxLength && codeCounted(stream, data, static_cast<uint32_t>(length));
        }
        case Direction::Decode: {
            uint32_t length;
            if (!codeU32(stream, &length) || length > maxLength || length == kUnbounded) return false;
            if (length > remaining(stream)) return false;
            if (!*text && !(*text = static_cast<char*>(std::malloc(size_t{length} + 1)))) return false;
            (*text)[length] = '\0';
            return codeFixed(stream, *text, length);
        }
        case Direction::Free:
            std::free(*text);
            *text = nullptr;
            return true;
    }
    return false;
}

bool codeName(void* stream, char* name) {
    switch (direction(stream)) {
        case Direction::Encode: {
            const size_t length = strnlen(name, kNameMax + 1);
            return length <= kNameMax && codeCounted(stream, name, static_cast<uint32_t>(length));
        }
        case Direction::Decode: {
            uint32_t length;
            if (!codeU32(stream, &length) || length > kNameMax) return false;
            name[length] = '\0';
            return codeFixed(stream, name, length);
        }
        case Direction::Free:
            return true;
    }
    return false;
}

bool codeBytes(void* stream, uint8_t** bytes, uint32_t* length) {
    switch (direction(stream)) {
        case Direction::Encode:
            return (*bytes || *length == 0) &&
                   codeCounted(stream, reinterpret_cast<char*>(*bytes), *length);
        case Direction::Decode:
            if (!codeU32(stream, length)) return false;
            if (*length == 0) return true;
            if (*length > remaining(stream)) return false;
            if (!*bytes && !(*bytes = static_cast<uint8_t*>(std::malloc(*length)))) return false;
            return codeFixed(stream, *bytes, *length);
        case Direction::Free:
            std::free(*bytes);
            *bytes = nullptr;
            return true;
    }
    return false;
}

bool codeArray(void* stream, void** items, uint32_t* count, size_t elementSize, Codec element) {
    if (!codeU32(stream, count)) return false;
    auto* base = static_cast<char*>(*items);
    if (!base) {
        if (*count == 0 || freeing(stream)) return true;
        if (direction(stream) == Direction::Encode) return false;  // a count without items
        if (*count > remaining(stream) / kUnit) return false;
        if (!(base = static_cast<char*>(std::calloc(*count, elementSize)))) return false;
        *items = base;
    }
    bool ok = true;
    for (uint32_t i = 0; ok && i < *count; ++i) ok = element(stream, base + i * elementSize);
    if (freeing(stream)) {
        std::free(base);
        *items = nullptr;
    }
    return ok;
}

bool codeOptional(void* stream, void** record, size_t size, Codec codec) {
    uint32_t present = *record != nullptr;  // a boolean: 1 or 0, anything but 0 reads as present
    if (!codeU32(stream, &present)) return false;
    if (!present) {
        *record = nullptr;
        return true;
    }
    if (!*record && !(*record = std::calloc(1, size))) return false;
    const bool ok = codec(stream, *record);
    if (freeing(stream)) {
        std::free(*record);
        *record = nullptr;
    }
    return ok;
}

}  // namespace zvi::rpc
