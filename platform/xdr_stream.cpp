// XDR streams and primitives on libtirpc.
#include "platform/xdr_stream.h"

#include <rpc/xdr.h>

#include "platform/xdr.h"

namespace zvi::rpc {
namespace {

XDR* xdr(void* stream) { return static_cast<XDR*>(stream); }

// The operations of memory streams: one table for aligned buffers, one for others.
const void* memoryOps(size_t offset) {
    alignas(8) static char probeBuffer[8];
    XDR probe;
    xdrmem_create(&probe, probeBuffer + offset, 0, XDR_DECODE);
    return static_cast<const void*>(probe.x_ops);
}

size_t codeInMemory(Codec codec, void* record, void* buffer, size_t size, xdr_op op) {
    XDR stream;
    xdrmem_create(&stream, static_cast<char*>(buffer), static_cast<u_int>(size), op);
    const size_t used = codec(&stream, record) ? xdr_getpos(&stream) : 0;
    xdr_destroy(&stream);
    return used;
}

}  // namespace

size_t remaining(void* stream) {
    static const void* const aligned = memoryOps(0);
    static const void* const unaligned = memoryOps(1);
    const XDR* x = xdr(stream);
    const void* ops = static_cast<const void*>(x->x_ops);
    return ops == aligned || ops == unaligned ? x->x_handy : SIZE_MAX;
}

Direction direction(void* stream) { return static_cast<Direction>(xdr(stream)->x_op); }

bool codeInt32(void* stream, int32_t* value) { return xdr_int(xdr(stream), value); }
bool codeU32(void* stream, uint32_t* value) { return xdr_u_int(xdr(stream), value); }
bool codeEnum(void* stream, uint32_t* value) { return xdr_enum(xdr(stream), reinterpret_cast<enum_t*>(value)); }
bool codeDouble(void* stream, double* value) { return xdr_double(xdr(stream), value); }
bool codeByte(void* stream, uint8_t* value) { return xdr_u_char(xdr(stream), value); }
bool codeFixed(void* stream, void* area, uint32_t size) {
    return xdr_opaque(xdr(stream), static_cast<char*>(area), size);
}

size_t encodeRecord(Codec codec, void* record, void* buffer, size_t size) {
    return codeInMemory(codec, record, buffer, size, XDR_ENCODE);
}

size_t decodeRecord(Codec codec, void* record, const void* buffer, size_t size) {
    return codeInMemory(codec, record, const_cast<void*>(buffer), size, XDR_DECODE);
}

void freeThroughCodec(ThreadAllocContext*, Codec codec, void* record) {
    xdr_free(reinterpret_cast<xdrproc_t>(codec), static_cast<char*>(record));
}

}  // namespace zvi::rpc
