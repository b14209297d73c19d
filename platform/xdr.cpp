#include "platform/xdr.h"

#include <rpc/xdr.h>

#include <cstdlib>
#include <cstring>

namespace zvi::rpc {
namespace {

XDR* xdr(void* stream) { return static_cast<XDR*>(stream); }
bool freeing(void* stream) { return xdr(stream)->x_op == XDR_FREE; }

// Length and bytes of a text being encoded or decoded.
bool codeCounted(void* stream, char* data, uint32_t length) {
    return xdr_u_int(xdr(stream), &length) && xdr_opaque(xdr(stream), data, length);
}

// The bytes a memory stream still holds (any other stream: no bound). A count or a
// length that the rest of the stream cannot hold fails before anything is allocated
// for it: decoding would fail on the missing bytes anyway, after a block as large as
// the count claims.
// The operations of memory streams: one table for aligned buffers, one for others.
const void* memoryOps(size_t offset) {
    alignas(8) static char probeBuffer[8];
    XDR probe;
    xdrmem_create(&probe, probeBuffer + offset, 0, XDR_DECODE);
    return static_cast<const void*>(probe.x_ops);
}
size_t remaining(void* stream) {
    static const void* const aligned = memoryOps(0);
    static const void* const unaligned = memoryOps(1);
    const XDR* x = xdr(stream);
    const void* ops = static_cast<const void*>(x->x_ops);
    return ops == aligned || ops == unaligned ? x->x_handy : SIZE_MAX;
}
constexpr size_t kUnit = 4;  // every XDR item, and so every element, takes a unit or more

}  // namespace

Direction direction(void* stream) { return static_cast<Direction>(xdr(stream)->x_op); }

bool codeInt32(void* stream, int32_t* value) { return xdr_int(xdr(stream), value); }
bool codeU32(void* stream, uint32_t* value) { return xdr_u_int(xdr(stream), value); }
bool codeEnum(void* stream, uint32_t* value) { return xdr_enum(xdr(stream), reinterpret_cast<enum_t*>(value)); }
bool codeDouble(void* stream, double* value) { return xdr_double(xdr(stream), value); }
bool codeByte(void* stream, uint8_t* value) { return xdr_u_char(xdr(stream), value); }
bool codeFixed(void* stream, void* area, uint32_t size) {
    return xdr_opaque(xdr(stream), static_cast<char*>(area), size);
}

bool codeText(void* stream, char** text, uint32_t maxLength) {
    switch (direction(stream)) {
        case Direction::Encode: {
            char* data = *text ? *text : const_cast<char*>("");
            const size_t length = std::strlen(data);
            return length <= maxLength && codeCounted(stream, data, static_cast<uint32_t>(length));
        }
        case Direction::Decode: {
            uint32_t length;
            if (!xdr_u_int(xdr(stream), &length) || length > maxLength || length == kUnbounded) return false;
            if (length > remaining(stream)) return false;
            if (!*text && !(*text = static_cast<char*>(std::malloc(size_t{length} + 1)))) return false;
            (*text)[length] = '\0';
            return xdr_opaque(xdr(stream), *text, length);
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
            if (!xdr_u_int(xdr(stream), &length) || length > kNameMax) return false;
            name[length] = '\0';
            return xdr_opaque(xdr(stream), name, length);
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
            if (!xdr_u_int(xdr(stream), length)) return false;
            if (*length == 0) return true;
            if (*length > remaining(stream)) return false;
            if (!*bytes && !(*bytes = static_cast<uint8_t*>(std::malloc(*length)))) return false;
            return xdr_opaque(xdr(stream), reinterpret_cast<char*>(*bytes), *length);
        case Direction::Free:
            std::free(*bytes);
            *bytes = nullptr;
            return true;
    }
    return false;
}

bool codeArray(void* stream, void** items, uint32_t* count, size_t elementSize, Codec element) {
    if (!xdr_u_int(xdr(stream), count)) return false;
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
    bool_t present = *record != nullptr;
    if (!xdr_bool(xdr(stream), &present)) return false;
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

namespace {

size_t codeInMemory(Codec codec, void* record, void* buffer, size_t size, xdr_op op) {
    XDR stream;
    xdrmem_create(&stream, static_cast<char*>(buffer), static_cast<u_int>(size), op);
    const size_t used = codec(&stream, record) ? xdr_getpos(&stream) : 0;
    xdr_destroy(&stream);
    return used;
}

}  // namespace

size_t encodeRecord(Codec codec, void* record, void* buffer, size_t size) {
    return codeInMemory(codec, record, buffer, size, XDR_ENCODE);
}

size_t decodeRecord(Codec codec, void* record, const void* buffer, size_t size) {
    return codeInMemory(codec, record, const_cast<void*>(buffer), size, XDR_DECODE);
}

}  // namespace zvi::rpc
