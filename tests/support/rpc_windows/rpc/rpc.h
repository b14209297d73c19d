/* The part of the ONC RPC headers that rpcgen's XDR routines and the codec tests use,
 * for the Windows test build, which has no libtirpc. The routines behind it
 * (tests/support/rpc_windows.c) are written from RFC 4506 independently of the
 * library's own streams, so that the codec tests still compare against a second
 * implementation. Memory streams only; XDR_INLINE never hands out a buffer. */
#ifndef ZVI_TEST_RPC_WINDOWS_H
#define ZVI_TEST_RPC_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t bool_t;
typedef unsigned int u_int;
typedef unsigned char u_char;
typedef int32_t enum_t;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

enum xdr_op { XDR_ENCODE = 0, XDR_DECODE = 1, XDR_FREE = 2 };
typedef struct XDR {
    enum xdr_op x_op;
    unsigned char* base;
    u_int size;
    u_int position;
} XDR;
typedef bool_t (*xdrproc_t)(XDR*, void*);

#define BYTES_PER_XDR_UNIT 4
#define XDR_INLINE(xdrs, len) ((int32_t*)NULL)
#define IXDR_GET_LONG(buf) ((long)*(buf)++)
#define IXDR_PUT_LONG(buf, v) (*(buf)++ = (int32_t)(v))
#define IXDR_GET_U_LONG(buf) ((unsigned long)IXDR_GET_LONG(buf))
#define IXDR_PUT_U_LONG(buf, v) IXDR_PUT_LONG(buf, (int32_t)(v))

void xdrmem_create(XDR* xdrs, char* buffer, u_int size, enum xdr_op op);
u_int xdr_getpos(XDR* xdrs);
void xdr_free(xdrproc_t proc, char* record);

bool_t xdr_int(XDR* xdrs, int* value);
bool_t xdr_u_int(XDR* xdrs, u_int* value);
bool_t xdr_u_char(XDR* xdrs, u_char* value);
bool_t xdr_double(XDR* xdrs, double* value);
bool_t xdr_opaque(XDR* xdrs, char* data, u_int size);
bool_t xdr_string(XDR* xdrs, char** text, u_int maxSize);
bool_t xdr_bytes(XDR* xdrs, char** data, u_int* size, u_int maxSize);
bool_t xdr_array(XDR* xdrs, char** items, u_int* count, u_int maxCount, u_int elementSize, xdrproc_t element);
bool_t xdr_vector(XDR* xdrs, char* items, u_int count, u_int elementSize, xdrproc_t element);
bool_t xdr_pointer(XDR* xdrs, char** record, u_int size, xdrproc_t proc);

#ifdef __cplusplus
}
#endif
#endif
