// Stand-in for the server maker's utility library: the message catalog, bounded
// copies, character-set names, codes and conversions, and expansion of compressed
// entry data.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zvi::utl {

// Message catalog: handles are 32-bit; kNoCatalog when the catalog cannot be opened.
constexpr uint32_t kNoCatalog = 0xFFFFFFFFu;
uint32_t catalogOpen(const char* name, int flags);
// A heap text the caller releases with LocalFree, or null.
char* catalogGet(uint32_t handle, int set, int number, const char* fallback);
void catalogClose(uint32_t handle);

// Copies at most n characters of source and terminates destination (n + 1 bytes).
char* boundedCopy(char* destination, const char* source, size_t n);
// Non-null (the first occurrence) when pattern occurs in text.
const char* contains(const char* text, const char* pattern);

// Character sets. Code 0 is the unknown set, whose name is empty.
constexpr size_t kCharSetNameSize = 33;
uint32_t charSetCode(const char* nameOrDeclaration);
char* charSetName(uint32_t code, char* buffer);  // buffer of kCharSetNameSize bytes
// Writes the set a text declares on a "char-set:" line into buffer (kCharSetNameSize
// bytes), or leaves it empty.
char* findCharSetDeclaration(const char* text, char* buffer);
// Non-zero when text converts from one set to the other without loss. The work area
// is unused by this implementation.
int checkConversion(const char* text, void* workArea, uint32_t from, uint32_t to);
// Converts text into output (at least 3 * strlen(text) + 1 bytes); 0 on success.
int convert(const char* text, uint32_t from, char* output, uint32_t to);
// The same for a text whose length is known; *converted (when given) receives the
// length of the output.
int convert(const char* text, size_t length, uint32_t from, char* output, uint32_t to, size_t* converted);
// Sets *replacement to a heap text to use instead of converted, or leaves it null.
// A UTF-8 result loses its byte-order mark.
void adjustConversion(const char* converted, uint32_t to, char** replacement);

// Expands an RFC 1950 stream. On entry *length may give the largest expansion
// accepted (0: kMaxExpansion). On success returns 0 with *out a heap block of
// *length bytes plus a terminating zero byte; otherwise non-zero and *out null.
constexpr uint32_t kMaxExpansion = 256u << 20;
int expand(const uint8_t* data, uint32_t size, uint8_t** out, uint32_t* length);

}  // namespace zvi::utl
