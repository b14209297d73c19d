// The character sets the utility library knows, and the conversion between two of
// them: iconv on Linux (zvutl_convert.cpp), the system's code pages on Windows
// (zvutl_convert_windows.cpp).
#pragma once
#include <cstdint>

namespace zvi::utl {

struct CharSet {
    const char* name;      // the server's name
    const char* iconvId;   // iconv's name
    uint32_t codePage;     // the Windows code page
};

// Converts text into output (at least 3 * strlen(text) + 1 bytes); 0 on success,
// non-zero when a character cannot be converted without loss or memory ran out.
int convertText(const char* text, const CharSet& from, char* output, const CharSet& to);

}  // namespace zvi::utl
