// XDR streams and primitives of our own (RFC 4506): memory streams, big-endian 4-byte
// units, opaque data padded with zero bytes to a whole unit. A stream starts with its
// direction word, as direction() reads it.
#include <cstdint>
#include <cstring>

#include "platform/xdr.h"
#include "platform/xdr_stream.h"

namespace zvi::rpc {
namespace {

constexpr uint32_t kUnit = 4;

struct MemoryStream {
    Direction op;  // first word
    uint8_t* base;
    size_t size;
    size_t position;
};

MemoryStream* memory(void* stream) { return static_cast<MemoryStream*>(stream); }

// Raw bytes in or out; the free direction moves nothing and succeeds.
bool move(void* stream, void* area, size_t n) {
    MemoryStream* s = memory(stream);
    if (s->op == Direction::Free) return true;
    if (n > s->size - s->position) return false;
    if (s->op == Direction::Encode) std::memcpy(s->base + s->position, area, n);
    else std::memcpy(area, s->base + s->position, n);
    s->position += n;
    return true;
}

bool codeUnit(void* stream, uint32_t* value) {
    uint8_t b[kUnit] = {uint8_t(*value >> 24), uint8_t(*value >> 16), uint8_t(*value >> 8), uint8_t(*value)};
    if (!move(stream, b, kUnit)) return false;
    *value = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    return true;
}

size_t codeInMemory(Codec codec, void* record, void* buffer, size_t size, Direction op) {
    MemoryStream stream{op, static_cast<uint8_t*>(buffer), size, 0};
    return codec(&stream, record) ? stream.position : 0;
}

}  // namespace

size_t remaining(void* stream) { return memory(stream)->size - memory(stream)->position; }

Direction direction(void* stream) { return memory(stream)->op; }

bool codeU32(void* stream, uint32_t* value) { return codeUnit(stream, value); }
bool codeInt32(void* stream, int32_t* value) { return codeUnit(stream, reinterpret_cast<uint32_t*>(value)); }
bool codeEnum(void* stream, uint32_t* value) { return codeUnit(stream, value); }

bool codeByte(void* stream, uint8_t* value) {  // an unsigned char takes a whole unit
    uint32_t unit = *value;
    if (!codeUnit(stream, &unit)) return false;
    *value = static_cast<uint8_t>(unit);
    return true;
}

bool codeDouble(void* stream, double* value) {  // IEEE 754, most significant unit first
    uint64_t bits;
    std::memcpy(&bits, value, sizeof bits);
    uint32_t high = static_cast<uint32_t>(bits >> 32), low = static_cast<uint32_t>(bits);
    if (!codeUnit(stream, &high) || !codeUnit(stream, &low)) return false;
    bits = uint64_t{high} << 32 | low;
    std::memcpy(value, &bits, sizeof bits);
    return true;
}

bool codeFixed(void* stream, void* area, uint32_t size) {
    uint8_t padding[kUnit] = {};  // written as zeros, read and dropped
    const uint32_t pad = (kUnit - size % kUnit) % kUnit;
    return move(stream, area, size) && move(stream, padding, pad);
}

size_t encodeRecord(Codec codec, void* record, void* buffer, size_t size) {
    return codeInMemory(codec, record, buffer, size, Direction::Encode);
}

size_t decodeRecord(Codec codec, void* record, const void* buffer, size_t size) {
    return codeInMemory(codec, record, const_cast<void*>(buffer), size, Direction::Decode);
}

void freeThroughCodec(ThreadAllocContext*, Codec codec, void* record) {
    MemoryStream stream{Direction::Free, nullptr, 0, 0};
    codec(&stream, record);
}

}  // namespace zvi::rpc
