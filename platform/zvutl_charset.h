// The character sets the utility library knows, and the conversion between two of
// them: iconv on Linux (zvutl_convert.cpp), the system's code pages on Windows
// (zvutl_convert_windows.cpp).
#pragma once
#include <cstddef>
#include <cstdint>

namespace zvi::utl {

struct CharSet {
    const char* name;     // the server's name
    const char* iconvId;  // iconv's name
    uint32_t codePage;    // the Windows code page
    bool everyByte;       // a single-byte set in which every byte is a character
};

// Converts length bytes of text into output (room for 3 * length + 1 bytes, which
// ends with a terminator); *converted (when given) receives the output's length.
// 0 on success, non-zero when a character cannot be converted without loss or memory
// ran out.
int convertText(const char* text, size_t length, const CharSet& from, char* output, const CharSet& to,
                size_t* converted);
// Non-zero when the terminated text converts without loss.
int checkText(const char* text, const CharSet& from, const CharSet& to);

}  // namespace zvi::utl
