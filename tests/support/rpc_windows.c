/* RFC 4506 on memory streams, for rpcgen's routines in the Windows test build (see
 * rpc_windows/rpc/rpc.h). Decoding allocates with malloc, the free direction frees. */
#include <stdlib.h>
#include <string.h>

#include "rpc/rpc.h"

static bool_t bytesAt(XDR* x, void* data, u_int n) {
    if (x->x_op == XDR_FREE) return TRUE;
    if (n > x->size - x->position) return FALSE;
    if (x->x_op == XDR_ENCODE) memcpy(x->base + x->position, data, n);
    else memcpy(data, x->base + x->position, n);
    x->position += n;
    return TRUE;
}

void xdrmem_create(XDR* x, char* buffer, u_int size, enum xdr_op op) {
    x->x_op = op;
    x->base = (unsigned char*)buffer;
    x->size = size;
    x->position = 0;
}

u_int xdr_getpos(XDR* x) { return x->position; }

void xdr_free(xdrproc_t proc, char* record) {
    XDR x;
    xdrmem_create(&x, NULL, 0, XDR_FREE);
    proc(&x, record);
}

bool_t xdr_u_int(XDR* x, u_int* value) {
    unsigned char b[4] = {(unsigned char)(*value >> 24), (unsigned char)(*value >> 16), (unsigned char)(*value >> 8),
                          (unsigned char)*value};
    if (!bytesAt(x, b, 4)) return FALSE;
    if (x->x_op == XDR_DECODE) *value = (u_int)b[0] << 24 | (u_int)b[1] << 16 | (u_int)b[2] << 8 | b[3];
    return TRUE;
}

bool_t xdr_int(XDR* x, int* value) { return xdr_u_int(x, (u_int*)value); }

bool_t xdr_u_char(XDR* x, u_char* value) {
    u_int unit = *value;
    if (!xdr_u_int(x, &unit)) return FALSE;
    *value = (u_char)unit;
    return TRUE;
}

bool_t xdr_double(XDR* x, double* value) {
    uint64_t bits;
    memcpy(&bits, value, 8);
    u_int high = (u_int)(bits >> 32), low = (u_int)bits;
    if (!xdr_u_int(x, &high) || !xdr_u_int(x, &low)) return FALSE;
    bits = (uint64_t)high << 32 | low;
    memcpy(value, &bits, 8);
    return TRUE;
}

bool_t xdr_opaque(XDR* x, char* data, u_int size) {
    char padding[4] = {0, 0, 0, 0};
    return bytesAt(x, data, size) && bytesAt(x, padding, (4 - size % 4) % 4);
}

/* Counted data: its length, then the bytes (a terminator added for texts). */
static bool_t counted(XDR* x, char** data, u_int* size, u_int maxSize, int text) {
    if (x->x_op == XDR_FREE) {
        free(*data);
        *data = NULL;
        return TRUE;
    }
    if (!xdr_u_int(x, size) || *size > maxSize) return FALSE;
    if (x->x_op == XDR_DECODE) {
        if (*size > x->size - x->position) return FALSE;
        if (!*data && !(*data = malloc(*size + (text ? 1 : 0) + (*size == 0)))) return FALSE;
        if (text) (*data)[*size] = '\0';
    }
    return xdr_opaque(x, *data, *size);
}

bool_t xdr_string(XDR* x, char** text, u_int maxSize) {
    if (x->x_op == XDR_ENCODE && !*text) return FALSE;
    u_int size = x->x_op == XDR_ENCODE ? (u_int)strlen(*text) : 0;
    return counted(x, text, &size, maxSize, 1);
}

bool_t xdr_bytes(XDR* x, char** data, u_int* size, u_int maxSize) { return counted(x, data, size, maxSize, 0); }

bool_t xdr_vector(XDR* x, char* items, u_int count, u_int elementSize, xdrproc_t element) {
    for (u_int i = 0; i < count; ++i)
        if (!element(x, items + (size_t)i * elementSize)) return FALSE;
    return TRUE;
}

bool_t xdr_array(XDR* x, char** items, u_int* count, u_int maxCount, u_int elementSize, xdrproc_t element) {
    if (!xdr_u_int(x, count) || *count > maxCount) return FALSE;
    if (x->x_op == XDR_ENCODE && !*items && *count) return FALSE;
    if (x->x_op == XDR_DECODE && !*items && *count) {
        if (*count > x->size - x->position) return FALSE;
        if (!(*items = calloc(*count, elementSize))) return FALSE;
    }
    bool_t ok = !*items || xdr_vector(x, *items, *count, elementSize, element);
    if (x->x_op == XDR_FREE) {
        free(*items);
        *items = NULL;
    }
    return ok;
}

bool_t xdr_pointer(XDR* x, char** record, u_int size, xdrproc_t proc) {
    u_int present = *record != NULL;
    if (!xdr_u_int(x, &present)) return FALSE;
    if (!present) {
        if (x->x_op != XDR_ENCODE) *record = NULL;
        return TRUE;
    }
    if (x->x_op == XDR_DECODE && !*record && !(*record = calloc(1, size))) return FALSE;
    bool_t ok = proc(x, *record);
    if (x->x_op == XDR_FREE) {
        free(*record);
        *record = NULL;
    }
    return ok;
}
