// XDR coding of the remote-call runtime (RFC 4506): the primitives that record
// codecs are built from, memory streams, and the direction a stream codes in.
//
// Streams are the XDR library's own; codecs see them as opaque pointers. Every
// block a codec allocates while decoding, and every block it releases in the free
// direction, goes through this library's malloc/calloc/free, never through the XDR
// library's allocator, so that releasing a record through its codec (xdr_free) frees
// exactly what our side or the host allocated on the process heap.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/zvrpc.h"

namespace zvi::rpc {

enum class Direction : uint32_t { Encode = 0, Decode = 1, Free = 2 };  // the stream's first word
Direction direction(void* stream);

constexpr uint32_t kUnbounded = 0xFFFFFFFFu;
constexpr uint32_t kNameMax = 254;  // ObjectName: 254 characters and the terminator

// Scalars: nothing happens in the free direction.
bool codeInt32(void* stream, int32_t* value);
bool codeU32(void* stream, uint32_t* value);
bool codeEnum(void* stream, uint32_t* value);
bool codeDouble(void* stream, double* value);
bool codeByte(void* stream, uint8_t* value);
bool codeFixed(void* stream, void* area, uint32_t size);  // fixed-length opaque

// A text by pointer: a null text encodes as the empty string; decoding allocates when
// the pointer is null; the free direction releases it. Longer than maxLength fails.
bool codeText(void* stream, char** text, uint32_t maxLength = kUnbounded);
// An ObjectName coded in place (at most kNameMax characters); skipped when freeing.
bool codeName(void* stream, char* name);
// A counted byte string ("bytes"), no maximum; released when freeing.
bool codeBytes(void* stream, uint8_t** bytes, uint32_t* length);
// A variable-length array (count, then the elements through their codec), no maximum
// count. Decoding allocates the array zero-filled; freeing frees each element, then
// the array.
bool codeArray(void* stream, void** items, uint32_t* count, size_t elementSize, Codec element);
// Optional data: a presence flag, then the record through its codec. Decoding
// allocates a zero-filled block of size bytes; freeing frees the record, then the block.
bool codeOptional(void* stream, void** record, size_t size, Codec codec);

// Typed forms.
template <class T>
bool codeList(void* stream, T** items, uint32_t* count, Codec element) {
    return codeArray(stream, reinterpret_cast<void**>(items), count, sizeof(T), element);
}
template <class List>
bool codeList(void* stream, List* list, Codec element) {
    return codeList(stream, &list->items, &list->numItems, element);
}
template <class T>
bool codeOptional(void* stream, T** record, Codec codec) {
    return codeOptional(stream, reinterpret_cast<void**>(record), sizeof(T), codec);
}
// Adapts a typed routine to the codec signature (element and record codecs).
template <class T, bool (*routine)(void*, T*)>
int codec(void* stream, void* record) {
    return routine(stream, static_cast<T*>(record));
}

// Memory streams: the number of bytes the record took, 0 when coding failed (every
// record takes at least one 4-byte unit). A record whose decoding failed holds what
// was decoded so far; release it through its codec.
size_t encodeRecord(Codec codec, void* record, void* buffer, size_t size);
size_t decodeRecord(Codec codec, void* record, const void* buffer, size_t size);

}  // namespace zvi::rpc
