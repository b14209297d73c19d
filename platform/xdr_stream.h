// The stream side of the XDR coding in platform/xdr.h: what the composite routines
// (platform/xdr.cpp) need beyond the primitives. Linux: libtirpc's streams
// (xdr_stream.cpp); Windows: memory streams of our own (xdr_stream_windows.cpp).
#pragma once
#include <cstddef>

namespace zvi::rpc {

// The bytes a memory stream still holds (any other stream: SIZE_MAX, no bound).
size_t remaining(void* stream);

}  // namespace zvi::rpc
