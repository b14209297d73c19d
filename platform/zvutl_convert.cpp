// Character-set conversion through iconv.
#include <iconv.h>

#include <cstring>

#include "platform/zvutl_charset.h"

namespace zvi::utl {

int convertText(const char* text, const CharSet& from, char* output, const CharSet& to) {
    iconv_t cd = iconv_open(to.iconvId, from.iconvId);
    if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
    size_t inLeft = std::strlen(text);
    size_t outLeft = 3 * inLeft;
    char* in = const_cast<char*>(text);
    char* out = output;
    size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    if (rc != static_cast<size_t>(-1)) rc = iconv(cd, nullptr, nullptr, &out, &outLeft);
    iconv_close(cd);
    *out = '\0';
    return rc == static_cast<size_t>(-1) ? -1 : 0;
}

}  // namespace zvi::utl
