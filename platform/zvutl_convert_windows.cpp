// Character-set conversion through the system's code pages: the text goes to UTF-16
// (a heap buffer) and from there to the target set. A byte sequence the source set
// does not define, or a character the target set cannot hold (the system then puts
// in its default character), fails the conversion. Code page 20127 (US-ASCII) takes
// any byte above 0x7F silently, so those are checked here.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "platform/zvutl_charset.h"

namespace zvi::utl {
namespace {

constexpr uint32_t kAscii = 20127;

// The text in UTF-16: a heap buffer of *units characters, or null.
wchar_t* toWide(const char* text, size_t length, const CharSet& from, int* units) {
    *units = 0;
    if (length == 0 || length > 0x7FFFFFFF / 3) return nullptr;
    if (from.codePage == kAscii)
        for (size_t i = 0; i < length; ++i)
            if (static_cast<unsigned char>(text[i]) > 0x7F) return nullptr;
    auto* wide = static_cast<wchar_t*>(std::malloc(length * sizeof(wchar_t)));
    if (!wide) return nullptr;
    const int n = static_cast<int>(length);
    *units = MultiByteToWideChar(from.codePage, MB_ERR_INVALID_CHARS, text, n, wide, n);
    if (*units > 0) return wide;
    std::free(wide);
    *units = 0;
    return nullptr;
}

// UTF-16 into the target set (with no output: only its length); 0 when a character
// is lost. UTF-8 reports lost characters through WC_ERR_INVALID_CHARS, the others
// through the used-default flag, with no near match put in silently.
int fromWide(const wchar_t* wide, int units, const CharSet& to, char* output, int room) {
    if (to.codePage == kAscii)
        for (int i = 0; i < units; ++i)
            if (wide[i] > 0x7F) return 0;
    const bool utf8 = to.codePage == CP_UTF8;
    BOOL lost = FALSE;
    const int written = WideCharToMultiByte(to.codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, wide,
                                            units, output, room, nullptr, utf8 ? nullptr : &lost);
    return lost ? 0 : written;
}

}  // namespace

int convertText(const char* text, size_t length, const CharSet& from, char* output, const CharSet& to,
                size_t* converted) {
    output[0] = '\0';
    if (converted) *converted = 0;
    if (length == 0) return 0;
    int units;
    wchar_t* wide = toWide(text, length, from, &units);
    if (!wide) return -1;
    const int written = fromWide(wide, units, to, output, static_cast<int>(3 * length));
    std::free(wide);
    if (written <= 0) return -1;
    output[written] = '\0';
    if (converted) *converted = static_cast<size_t>(written);
    return 0;
}

int checkText(const char* text, const CharSet& from, const CharSet& to) {
    const size_t length = std::strlen(text);
    if (length == 0) return 1;
    int units;
    wchar_t* wide = toWide(text, length, from, &units);
    if (!wide) return 0;
    const int ok = fromWide(wide, units, to, nullptr, 0) > 0;
    std::free(wide);
    return ok;
}

}  // namespace zvi::utl
