/* Record codec pass-through and protocol version. The XDR streams belong to the
 * server's remote-call runtime; plug-ins pass them through as opaque pointers. */
#ifndef ZVI_CODECS_H
#define ZVI_CODECS_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

enum { ZVI_PROTOCOL_VERSION = 12 };

/* The protocol version the library's record layouts follow. */
ZVI_API uint32_t Zv_xdr_api_protocol_vers(void);

/* The server's XDR primitives, called with the arguments unchanged; each returns the
 * server routine's result (non-zero on success). No status list, no other work. */
ZVI_API int ZVI_svr_xdr_opaque(void* stream, char* data, uint32_t length);
ZVI_API int ZVI_svr_xdr_string(void* stream, char** text, uint32_t maxLength);
ZVI_API int ZVI_svr_xdr_ZvsGuardOpaqueOff(void* first, void* second);
ZVI_API int ZVI_svr_xdr_ZvsGuardOpaqueOn(void* first, void* second);
ZVI_API int ZVI_svr_xdr_bytes(void* stream, char** data, uint32_t* length, uint32_t maxLength);

ZVI_EXTERN_C_END

#endif
