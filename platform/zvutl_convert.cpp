// Character-set conversion through iconv.
#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "platform/zvutl_charset.h"

namespace zvi::utl {

int convertText(const char* text, size_t length, const CharSet& from, char* output, const CharSet& to,
                size_t* converted) {
    iconv_t cd = iconv_open(to.iconvId, from.iconvId);
    if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
    size_t inLeft = length;
    size_t outLeft = 3 * inLeft;
    char* in = const_cast<char*>(text);
    char* out = output;
    size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    if (rc != static_cast<size_t>(-1)) rc = iconv(cd, nullptr, nullptr, &out, &outLeft);
    iconv_close(cd);
    *out = '\0';
    if (converted) *converted = static_cast<size_t>(out - output);
    return rc == static_cast<size_t>(-1) ? -1 : 0;
}

// Tried in pieces through a small buffer, so that the check allocates nothing.
int checkText(const char* text, const CharSet& from, const CharSet& to) {
    iconv_t cd = iconv_open(to.iconvId, from.iconvId);
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    char* in = const_cast<char*>(text);
    size_t inLeft = std::strlen(text);
    char piece[4096];
    bool ok = true;
    while (ok && inLeft) {
        char* out = piece;
        size_t outLeft = sizeof piece;
        ok = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1) || errno == E2BIG;
    }
    iconv_close(cd);
    return ok;
}

}  // namespace zvi::utl
