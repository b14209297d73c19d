#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/zvutl.h"
#include "platform/zvutl_charset.h"

namespace zvi::utl {
namespace {

// Index = code. Code 0 is the unknown set. Each set's name for iconv (Linux; also
// accepted as a name) and its Windows code page (949, the superset, for EUC-KR: not
// every Windows knows 51949).
constexpr CharSet kCharSets[] = {
    {"", nullptr, 0, false},
    {"US-ASCII", "ASCII", 20127, false},
    {"ISO-8859-1", "ISO-8859-1", 28591, true},
    {"ISO-8859-2", "ISO-8859-2", 28592, true},
    {"ISO-8859-15", "ISO-8859-15", 28605, true},
    {"WINDOWS-1252", "CP1252", 1252, false},
    {"UTF-8", "UTF-8", 65001, false},
    {"EUC", "EUC-JP", 20932, false},
    {"SJIS", "SHIFT_JIS", 932, false},
    {"EUC-KR", "EUC-KR", 949, false},
    {"GB2312", "GB2312", 936, false},
    {"BIG5", "BIG5", 950, false},
};
constexpr uint32_t kUtf8 = 6;
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
        if (strcasecmp(name, kCharSets[code].name) == 0 || strcasecmp(name, kCharSets[code].iconvId) == 0)
            return code;
    return 0;
}

char* charSetName(uint32_t code, char* buffer) {
    return boundedCopy(buffer, code < kCharSetCount ? kCharSets[code].name : "", kCharSetNameSize - 1);
}

// The encoding of an XML declaration at the very start of the text
// (<?xml version="1.0" encoding="ISO-8859-1"?>). The "char-set:" line of a definition
// text is the import's own business: it is read only before the first definition line.
char* findCharSetDeclaration(const char* text, char* buffer) {
    buffer[0] = '\0';
    constexpr char kXml[] = "<?xml";
    if (std::strncmp(text, kXml, sizeof kXml - 1) != 0) return buffer;
    const char* end = std::strchr(text, '>');
    const char* at = std::strstr(text, "encoding");
    if (!end || !at || at > end) return buffer;
    at += sizeof "encoding" - 1;
    while (*at == ' ') ++at;
    if (*at++ != '=') return buffer;
    while (*at == ' ') ++at;
    const char quote = *at++;
    if (quote != '"' && quote != '\'') return buffer;
    size_t n = 0;
    while (at + n < end && at[n] != quote && n + 1 < kCharSetNameSize) ++n;
    if (at[n] == quote) {
        std::memcpy(buffer, at, n);
        buffer[n] = '\0';
    }
    return buffer;
}

int convert(const char* text, uint32_t from, char* output, uint32_t to) {
    return convert(text, std::strlen(text), from, output, to, nullptr);
}

int convert(const char* text, size_t length, uint32_t from, char* output, uint32_t to, size_t* converted) {
    *output = '\0';
    if (!iconvId(from) || !iconvId(to)) return -1;
    return convertText(text, length, kCharSets[from], output, kCharSets[to], converted);
}

// Conversions that cannot fail (a set of whole bytes into UTF-8) pass at once.
int checkConversion(const char* text, void*, uint32_t from, uint32_t to) {
    if (from == to) return 1;
    if (!iconvId(from) || !iconvId(to)) return 0;
    if (kCharSets[from].everyByte && to == kUtf8) return 1;
    return checkText(text, kCharSets[from], kCharSets[to]);
}

void adjustConversion(const char* converted, uint32_t to, char** replacement) {
    *replacement = nullptr;
    if (iconvId(to) && std::strcmp(kCharSets[to].name, "UTF-8") == 0 &&
        std::strncmp(converted, "\xEF\xBB\xBF", 3) == 0)
        *replacement = strdup(converted + 3);
}

}  // namespace zvi::utl
