#include <zlib.h>

#include <cstdlib>

#include "platform/zvutl.h"

namespace zvi::utl {

int expand(const uint8_t* data, uint32_t size, uint8_t** out, uint32_t* length) {
    *out = nullptr;
    const uint32_t limit = *length ? *length : kMaxExpansion;
    if (size == 0) {  // nothing to expand
        *out = static_cast<uint8_t*>(std::calloc(1, 1));
        *length = 0;
        return *out ? 0 : Z_MEM_ERROR;
    }
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return Z_MEM_ERROR;
    stream.next_in = const_cast<uint8_t*>(data);
    stream.avail_in = size;

    uint8_t* buffer = nullptr;
    size_t capacity = 0;
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (stream.total_out == capacity) {  // grow, one byte kept for the terminator
            if (capacity >= limit) { rc = Z_BUF_ERROR; break; }
            size_t next = capacity ? capacity * 2 : (size_t{size} * 4 < 4096 ? 4096 : size_t{size} * 4);
            if (next > limit) next = limit;
            auto* grown = static_cast<uint8_t*>(std::realloc(buffer, next + 1));
            if (!grown) { rc = Z_MEM_ERROR; break; }
            buffer = grown;
            capacity = next;
        }
        stream.next_out = buffer + stream.total_out;
        stream.avail_out = static_cast<uInt>(capacity - stream.total_out);
        rc = inflate(&stream, Z_NO_FLUSH);
        if (rc == Z_BUF_ERROR && stream.avail_out != 0) rc = Z_DATA_ERROR;  // input ran out
        if (rc == Z_BUF_ERROR) rc = Z_OK;                                    // output full: grow
    }
    const size_t produced = stream.total_out;
    inflateEnd(&stream);
    if (rc != Z_STREAM_END) {
        std::free(buffer);
        return rc == Z_OK ? Z_DATA_ERROR : rc;
    }
    buffer[produced] = 0;
    *out = buffer;
    *length = static_cast<uint32_t>(produced);
    return 0;
}

}  // namespace zvi::utl
