// Our stand-ins for the platform's libraries: catalog handles, character sets,
// conversions and the expansion of compressed data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "platform/win.h"
#include "platform/zvutl.h"
#include "tests/support/alloc_injector.h"

namespace utl = zvi::utl;

namespace {

std::string compress(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    EXPECT_EQ(::compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                         data.size()),
              Z_OK);
    out.resize(size);
    return out;
}

TEST(Catalog, HandlesAreReusedAndUnknownCatalogsRefused) {
    EXPECT_EQ(utl::catalogOpen("no-such-catalog.cat", 0), utl::kNoCatalog);
    const uint32_t a = utl::catalogOpen("zvsystem.cat", 0);
    ASSERT_NE(a, utl::kNoCatalog);
    char* text = utl::catalogGet(a, 1, 9905, "");
    EXPECT_STREQ(text, "The server could not carry out the call");
    zvi::win::LocalFree(text);
    text = utl::catalogGet(a, 1, 4321, "fallback");
    EXPECT_STREQ(text, "fallback");
    zvi::win::LocalFree(text);
    const uint32_t b = utl::catalogOpen("zvsystem.cat", 0);
    EXPECT_NE(a, b);
    utl::catalogClose(a);
    EXPECT_EQ(utl::catalogOpen("zvsystem.cat", 0), a) << "a closed handle is given out again";
    utl::catalogClose(a);
    utl::catalogClose(b);
    utl::catalogClose(12345);  // unknown handles are ignored
}

TEST(CharSets, NamesCodesAndDeclarations) {
    for (const char* name : {"EUC", "SJIS", "UTF-8", "ISO-8859-1", "US-ASCII", "WINDOWS-1252"}) {
        const uint32_t code = utl::charSetCode(name);
        EXPECT_NE(code, 0u) << name;
        char buffer[utl::kCharSetNameSize];
        EXPECT_STREQ(utl::charSetName(code, buffer), name);
    }
    EXPECT_EQ(utl::charSetCode("utf-8"), utl::charSetCode("UTF-8"));
    EXPECT_EQ(utl::charSetCode("char-set: SJIS"), utl::charSetCode("SJIS"));
    EXPECT_EQ(utl::charSetCode("no such set"), 0u);
    EXPECT_EQ(utl::charSetCode(nullptr), 0u);
    char buffer[utl::kCharSetNameSize];
    EXPECT_STREQ(utl::charSetName(9999, buffer), "");

    for (auto [text, declared] : {std::pair{"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a/>", "Shift_JIS"},
                                  {"<?xml encoding = 'EUC' ?>", "EUC"},
                                  {"<?xml version=\"1.0\"?><a encoding=\"EUC\"/>", ""},  // not in the declaration
                                  {"<?xml encoding=\"EUC", ""},
                                  {"# comment\nchar-set: EUC\nbegin", ""},  // the import reads these lines
                                  {"no declaration here", ""}})
        EXPECT_STREQ(utl::findCharSetDeclaration(text, buffer), declared) << text;
    EXPECT_EQ(utl::charSetCode("Shift_JIS"), utl::charSetCode("SJIS")) << "the converter's name is a name too";
}

TEST(CharSets, ConversionsCheckConvertAndAdjust) {
    const uint32_t latin1 = utl::charSetCode("ISO-8859-1"), utf8 = utl::charSetCode("UTF-8"),
                   ascii = utl::charSetCode("US-ASCII"), sjis = utl::charSetCode("SJIS");
    const char caf[] = "caf\xE9";  // latin-1
    char out[3 * sizeof caf + 1];
    ASSERT_EQ(utl::convert(caf, latin1, out, utf8), 0);
    EXPECT_STREQ(out, "caf\xC3\xA9");
    EXPECT_NE(utl::checkConversion(caf, nullptr, latin1, utf8), 0);
    EXPECT_EQ(utl::checkConversion(caf, nullptr, latin1, ascii), 0);
    EXPECT_EQ(utl::checkConversion("\xE3\x81", nullptr, utf8, latin1), 0) << "a character cut short";
    const std::string many(10000, 'a');  // longer than the check's piece of output
    EXPECT_EQ(utl::checkConversion((many + "\xE9").c_str(), nullptr, latin1, ascii), 0);
    EXPECT_EQ(utl::checkConversion((many + "\xE3\x81\x82").c_str(), nullptr, utf8, sjis), 1);
    EXPECT_NE(utl::convert(caf, latin1, out, 0), 0) << "unknown set";

    const char kana[] = "\xE3\x81\x82";  // one kana in UTF-8
    char sj[16];
    ASSERT_EQ(utl::convert(kana, utf8, sj, sjis), 0);
    EXPECT_STREQ(sj, "\x82\xA0");

    char* replacement = nullptr;
    utl::adjustConversion("\xEF\xBB\xBFtext", utf8, &replacement);
    EXPECT_STREQ(replacement, "text");
    std::free(replacement);
    utl::adjustConversion("text", utf8, &replacement);
    EXPECT_EQ(replacement, nullptr);
}

// Every set the table knows, from UTF-8 and back, and characters a set cannot hold
// (the conversion fails rather than put in a substitute). The same table holds on
// Linux (iconv) and on Windows (code pages; EUC-KR through 949).
TEST(CharSets, EverySetConvertsItsOwnCharactersAndRefusesOthers) {
    struct Case {
        const char* set;
        const char* utf8;
        const char* converted;  // null: cannot be converted
    } cases[] = {
        {"US-ASCII", "plain", "plain"},          {"US-ASCII", "caf\xC3\xA9", nullptr},
        {"ISO-8859-1", "caf\xC3\xA9", "caf\xE9"}, {"ISO-8859-1", "\xE2\x82\xAC", nullptr},
        {"ISO-8859-2", "\xC5\x91", "\xF5"},      {"ISO-8859-15", "\xE2\x82\xAC", "\xA4"},
        {"WINDOWS-1252", "\xE2\x82\xAC", "\x80"}, {"EUC", "\xE3\x81\x82", "\xA4\xA2"},
        {"SJIS", "\xE3\x81\x82", "\x82\xA0"},    {"EUC-KR", "\xEA\xB0\x80", "\xB0\xA1"},
        {"GB2312", "\xE4\xB8\xAD", "\xD6\xD0"},  {"BIG5", "\xE4\xB8\xAD", "\xA4\xA4"},
        {"EUC", "\xEA\xB0\x80", nullptr},         {"ISO-8859-1", "\xE3\x81\x82", nullptr},
    };
    const uint32_t utf8 = utl::charSetCode("UTF-8");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.set) + " " + c.utf8);
        const uint32_t set = utl::charSetCode(c.set);
        char out[64], back[64];
        EXPECT_EQ(utl::convert(c.utf8, utf8, out, set) == 0, c.converted != nullptr);
        EXPECT_EQ(utl::checkConversion(c.utf8, nullptr, utf8, set) != 0, c.converted != nullptr);
        if (!c.converted) continue;
        EXPECT_STREQ(out, c.converted);
        ASSERT_EQ(utl::convert(out, set, back, utf8), 0);
        EXPECT_STREQ(back, c.utf8);
    }
    char out[16];
    EXPECT_NE(utl::convert("caf\xE9", utl::charSetCode("US-ASCII"), out, utf8), 0) << "a byte above 0x7F in ASCII";
    EXPECT_NE(utl::convert("\xC3", utf8, out, utl::charSetCode("ISO-8859-1")), 0) << "a cut UTF-8 sequence";
    ASSERT_EQ(utl::convert("", utf8, out, utl::charSetCode("SJIS")), 0);
    EXPECT_STREQ(out, "");
}

TEST(Expand, RoundTripsAndGrowsAsNeeded) {
    std::string data(1 << 20, 'a');  // compresses a thousandfold: the buffer grows many times
    for (size_t i = 0; i < data.size(); i += 97) data[i] = char('a' + i % 26);
    const std::string packed = compress(data);
    uint8_t* out = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(utl::expand(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(), &out, &length), 0);
    ASSERT_EQ(length, data.size());
    EXPECT_EQ(std::memcmp(out, data.data(), length), 0);
    EXPECT_EQ(out[length], 0) << "terminated";
    std::free(out);
}

TEST(Expand, BadDataLimitsAndEmptyInput) {
    const std::string packed = compress(std::string(10000, 'z'));
    uint8_t* out = reinterpret_cast<uint8_t*>(1);
    uint32_t length = 100;  // at most 100 bytes accepted
    EXPECT_NE(utl::expand(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(), &out, &length), 0);
    EXPECT_EQ(out, nullptr);

    length = 0;
    EXPECT_NE(utl::expand(reinterpret_cast<const uint8_t*>(packed.data()), packed.size() / 2, &out, &length), 0)
        << "truncated stream";
    const uint8_t garbage[] = {1, 2, 3, 4, 5};
    EXPECT_NE(utl::expand(garbage, sizeof garbage, &out, &length), 0);

    length = 0;
    ASSERT_EQ(utl::expand(garbage, 0, &out, &length), 0) << "empty input expands to nothing";
    EXPECT_EQ(length, 0u);
    std::free(out);
}

TEST(Expand, AllocationFailuresLeaveNothing) {
    const std::string packed = compress(std::string(100000, 'q'));
    alloc::sweep([&](const alloc::Window& w) {
        uint8_t* out = nullptr;
        uint32_t length = 0;
        const int rc = utl::expand(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(), &out, &length);
        EXPECT_EQ(rc != 0, w.failed());
        std::free(out);
    });
}

TEST(Windows, ByteOrderAndMutexes) {
    const uint8_t bigEndian[4] = {0, 0, 1, 2};
    uint32_t word;
    std::memcpy(&word, bigEndian, 4);
    EXPECT_EQ(zvi::win::ntohl(word), 0x102u);
    zvi::win::Handle m = zvi::win::CreateMutexA(nullptr, false, nullptr);
    EXPECT_EQ(zvi::win::WaitForSingleObject(m, zvi::win::INFINITE), 0u);
    EXPECT_TRUE(zvi::win::ReleaseMutex(m));
    EXPECT_TRUE(zvi::win::CloseHandle(m));
    EXPECT_NE(zvi::win::GetCurrentThreadId(), 0u);
}

}  // namespace
