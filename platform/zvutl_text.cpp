#include <iconv.h>
#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/zvutl.h"

namespace zvi::utl {
namespace {

struct CharSet {
    const char* name;     // the server's name
    const char* iconvId;  // the converter's name
};

// Index = code. Code 0 is the unknown set.
constexpr CharSet kCharSets[] = {
    {"", nullptr},
    {"US-ASCII", "ASCII"},
    {"ISO-8859-1", "ISO-8859-1"},
    {"ISO-8859-2", "ISO-8859-2"},
    {"ISO-8859-15", "ISO-8859-15"},
    {"WINDOWS-1252", "CP1252"},
    {"UTF-8", "UTF-8"},
    {"EUC", "EUC-JP"},
    {"SJIS", "SHIFT_JIS"},
    {"EUC-KR", "EUC-KR"},
    {"GB2312", "GB2312"},
    {"BIG5", "BIG5"},
};
constexpr uint32_t kCharSetCount = sizeof kCharSets / sizeof kCharSets[0];
constexpr char kDeclaration[] = "char-set:";

const char* iconvId(uint32_t code) { return code < kCharSetCount ? kCharSets[code].iconvId : nullptr; }

// Copies the set name that follows "char-set:" (blanks trimmed) into buffer.
void declaredName(const char* after, char* buffer) {
    while (*after == ' ' || *after == '\t') ++after;
    size_t n = 0;
    while (after[n] && !std::isspace(static_cast<unsigned char>(after[n])) && n + 1 < kCharSetNameSize) ++n;
    std::memcpy(buffer, after, n);
    buffer[n] = '\0';
}

}  // namespace

char* boundedCopy(char* destination, const char* source, size_t n) {
    size_t len = strnlen(source, n);
    std::memcpy(destination, source, len);
    destination[len] = '\0';
    return destination;
}

const char* contains(const char* text, const char* pattern) {
    return text && pattern ? std::strstr(text, pattern) : nullptr;
}

uint32_t charSetCode(const char* name) {
    if (!name) return 0;
    char declared[kCharSetNameSize];
    if (strncasecmp(name, kDeclaration, sizeof kDeclaration - 1) == 0) {
        declaredName(name + sizeof kDeclaration - 1, declared);
        name = declared;
    }
    for (uint32_t code = 1; code < kCharSetCount; ++code)
        if (strcasecmp(name, kCharSets[code].name) == 0) return code;
    return 0;
}

char* charSetName(uint32_t code, char* buffer) {
    return boundedCopy(buffer, code < kCharSetCount ? kCharSets[code].name : "", kCharSetNameSize - 1);
}

char* findCharSetDeclaration(const char* text, char* buffer) {
    buffer[0] = '\0';
    for (const char* line = text; line && *line;) {
        if (strncasecmp(line, kDeclaration, sizeof kDeclaration - 1) == 0) {
            declaredName(line + sizeof kDeclaration - 1, buffer);
            break;
        }
        line = std::strchr(line, '\n');
        if (line) ++line;
    }
    return buffer;
}

int convert(const char* text, uint32_t from, char* output, uint32_t to) {
    const char* fromId = iconvId(from);
    const char* toId = iconvId(to);
    if (!fromId || !toId) return -1;
    iconv_t cd = iconv_open(toId, fromId);
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

int checkConversion(const char* text, void*, uint32_t from, uint32_t to) {
    if (from == to) return 1;
    char* scratch = static_cast<char*>(std::malloc(3 * std::strlen(text) + 1));
    if (!scratch) return 0;
    int ok = convert(text, from, scratch, to) == 0;
    std::free(scratch);
    return ok;
}

void adjustConversion(const char* converted, uint32_t to, char** replacement) {
    *replacement = nullptr;
    if (iconvId(to) && std::strcmp(kCharSets[to].name, "UTF-8") == 0 &&
        std::strncmp(converted, "\xEF\xBB\xBF", 3) == 0)
        *replacement = strdup(converted + 3);
}

}  // namespace zvi::utl
