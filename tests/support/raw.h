// Records as raw bytes. A test that checks what the host receives reads the request
// at the byte offsets the record tables give, typed in here by hand, never through the
// library's own structs: a misread header moves the struct and its reader together,
// but not a number written in a table.
//
//   namespace at::SetSchemaRequest {            // one compact table per record
//   constexpr size_t size = 3536, name = 168, changeMask = 176, helpText = 3472;
//   }
//   EXPECT_EQ(raw::u32(req, at::SetSchemaRequest::changeMask), 128u);
//   EXPECT_STREQ(raw::text(req, at::SetSchemaRequest::helpText), "");
//
// Results are written the same way: raw::put(res, offset, value).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace raw {

template <class T>
T get(const void* record, size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const char*>(record) + offset, sizeof value);
    return value;
}
template <class T>
void put(void* record, size_t offset, const T& value) {
    std::memcpy(static_cast<char*>(record) + offset, &value, sizeof value);
}

inline uint8_t u8(const void* r, size_t at) { return get<uint8_t>(r, at); }
inline uint32_t u32(const void* r, size_t at) { return get<uint32_t>(r, at); }
inline int32_t i32(const void* r, size_t at) { return get<int32_t>(r, at); }
inline void* ptr(const void* r, size_t at) { return get<void*>(r, at); }
// The text a pointer field points to.
inline const char* text(const void* r, size_t at) { return static_cast<const char*>(ptr(r, at)); }
// A text held inline (a name buffer).
inline const char* inlineText(const void* r, size_t at) { return static_cast<const char*>(r) + at; }
inline const uint8_t* bytes(const void* r, size_t at) { return static_cast<const uint8_t*>(r) + at; }

// A 16-byte counted list: count at +0, items at +8.
struct List {
    uint32_t count;
    void* items;
};
inline List list(const void* r, size_t at) { return {u32(r, at), ptr(r, at + 8)}; }
inline void putList(void* r, size_t at, uint32_t count, const void* items) {
    put(r, at, count);
    put(r, at + 8, items);
}

// True when bytes [from, to) of the record are all zero.
inline bool zero(const void* r, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (bytes(r, 0)[i]) return false;
    return true;
}

}  // namespace raw
