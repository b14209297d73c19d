// Character-set conversion through the system's code pages: the text goes to UTF-16
// and from there to the target set. A byte sequence the source set does not define,
// or a character the target set cannot hold (the system then puts in its default
// character), fails the conversion. Code page 20127 (US-ASCII) takes any byte above
// 0x7F silently, so those are checked here.
#define WIN32_LEAN_AND_MEAN

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "platform/zvutl_charset.h"

namespace zvi::utl {
namespace {

constexpr uint32_t kAscii = 20127;
constexpr uint32_t kUtf8 = CP_UTF8;

bool asciiOnly(const char* text, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(text[i]) > 0x7F) return false;
    return true;
}

}  // namespace

int convertText(const char* text, const CharSet& from, char* output, const CharSet& to) {
    const size_t length = std::strlen(text);
    output[0] = '\0';
    if (length == 0) return 0;
    if (length > 0x7FFFFFFF / 3 || (from.codePage == kAscii && !asciiOnly(text, length))) return -1;
    const int n = static_cast<int>(length);
    auto* wide = static_cast<wchar_t*>(std::malloc(length * sizeof(wchar_t)));
    if (!wide) return -1;
    const int units = MultiByteToWideChar(from.codePage, MB_ERR_INVALID_CHARS, text, n, wide, n);
    int written = 0;
    if (units > 0) {
        BOOL lost = FALSE;
        // UTF-8 reports lost characters through WC_ERR_INVALID_CHARS; the others through
        // the used-default flag, with no near match put in silently.
        const bool utf8 = to.codePage == kUtf8;
        written = WideCharToMultiByte(to.codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, wide, units,
                                      output, 3 * n, nullptr, utf8 ? nullptr : &lost);
        if (lost || (to.codePage == kAscii && !asciiOnly(output, written > 0 ? written : 0))) written = 0;
    }
    std::free(wide);
    output[written > 0 ? written : 0] = '\0';
    return written > 0 ? 0 : -1;
}

}  // namespace zvi::utl
