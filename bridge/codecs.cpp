// Protocol version and the server's XDR primitives, passed through to plug-ins.
#include "bridge/host_table.h"
#include "zvi/zvi.h"

using namespace zvi;

namespace {

// Calls the host entry of op with the caller's arguments, unchanged: no frame, no
// allocation context, no status. An entry the host left empty answers 0.
template <Op op, class... Args>
int passThrough(Args... args) {
    auto entry = hostEntry<int (*)(Args...)>(operation(op).slot);
    return entry ? entry(args...) : 0;
}

}  // namespace

extern "C" {

ZVI_API uint32_t Zv_xdr_api_protocol_vers(void) { return ZVI_PROTOCOL_VERSION; }

ZVI_API int ZVI_svr_xdr_opaque(void* stream, char* data, uint32_t length) {
    return passThrough<Op::_svr_xdr_opaque>(stream, data, length);
}

ZVI_API int ZVI_svr_xdr_string(void* stream, char** text, uint32_t maxLength) {
    return passThrough<Op::_svr_xdr_string>(stream, text, maxLength);
}

ZVI_API int ZVI_svr_xdr_ZvsGuardOpaqueOff(void* first, void* second) {
    return passThrough<Op::_svr_xdr_ZvsGuardOpaqueOff>(first, second);
}

ZVI_API int ZVI_svr_xdr_ZvsGuardOpaqueOn(void* first, void* second) {
    return passThrough<Op::_svr_xdr_ZvsGuardOpaqueOn>(first, second);
}

ZVI_API int ZVI_svr_xdr_bytes(void* stream, char** data, uint32_t* length, uint32_t maxLength) {
    return passThrough<Op::_svr_xdr_bytes>(stream, data, length, maxLength);
}

}  // extern "C"
