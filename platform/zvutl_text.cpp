#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/zvutl.h"
#include "platform/zvutl_charset.h"

namespace zvi::utl {
namespace {

// Index = code. Code 0 is the unknown set. The converter's name of each set (iconv on
// Linux) and its Windows code page (949, the superset, for EUC-KR: not every Windows
// knows 51949).
constexpr CharSet kCharSets[] = {
    {"", nullptr, 0},
    {"US-ASCII", "ASCII", 20127},
    {"ISO-8859-1", "ISO-8859-1", 28591},
    {"ISO-8859-2", "ISO-8859-2", 28592},
    {"ISO-8859-15", "ISO-8859-15", 28605},
    {"WINDOWS-1252", "CP1252", 1252},
    {"UTF-8", "UTF-8", 65001},
    {"EUC", "EUC-JP", 20932},
    {"SJIS", "SHIFT_JIS", 932},
    {"EUC-KR", "EUC-KR", 949},
    {"GB2312", "GB2312", 936},
    {"BIG5", "BIG5", 950},
};
constexpr uint32_t kCharSetCount = sizeof kCharSets / sizeof kCharSets[0];
constexpr char kDeclaration[] = "char-set:";

const CharSet* known(uint32_t code) { return code > 0 && code < kCharSetCount ? &kCharSets[code] : nullptr; }

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
    const CharSet* source = known(from);
    const CharSet* target = known(to);
    return source && target ? convertText(text, *source, output, *target) : -1;
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
    if (known(to) && std::strcmp(kCharSets[to].name, "UTF-8") == 0 &&
        std::strncmp(converted, "\xEF\xBB\xBF", 3) == 0)
        *replacement = strdup(converted + 3);
}

}  // namespace zvi::utl
