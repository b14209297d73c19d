// Our stand-ins for the platform's libraries: catalog handles, character sets,
// conversions (also with the converter's own allocations failing), the expansion of
// compressed data, byte order and mutexes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/win.h"
#include "platform/zvutl.h"
#include "tests/support/calls.h"

namespace utl = zvi::utl;
using testing_support::deflated;

namespace {

// Handles are given out again once closed; unknown catalogs are refused, unknown
// handles ignored, unknown numbers give the fallback. (A full table: the hardening tests.)
TEST(Catalog, HandlesAreReusedAndUnknownCatalogsRefused) {
    EXPECT_EQ(utl::catalogOpen("no-such-catalog.cat", 0), utl::kNoCatalog);
    const uint32_t a = utl::catalogOpen("zvsystem.cat", 0), b = utl::catalogOpen("zvsystem.cat", 0);
    ASSERT_NE(a, utl::kNoCatalog);
    EXPECT_NE(a, b);
    for (auto [number, text] : {std::pair{9905u, "The server could not carry out the call"}, {4321u, "fallback"}}) {
        char* got = utl::catalogGet(a, 1, number, "fallback");
        EXPECT_STREQ(got, text);
        zvi::win::LocalFree(got);
    }
    utl::catalogClose(a);
    EXPECT_EQ(utl::catalogOpen("zvsystem.cat", 0), a) << "a closed handle is given out again";
    for (uint32_t h : {a, b, 12345u}) utl::catalogClose(h);
}

TEST(CharSets, NamesCodesAndDeclarations) {
    char buffer[utl::kCharSetNameSize];
    for (const char* name : {"EUC", "SJIS", "UTF-8", "ISO-8859-1", "US-ASCII", "WINDOWS-1252"}) {
        EXPECT_NE(utl::charSetCode(name), 0u) << name;
        EXPECT_STREQ(utl::charSetName(utl::charSetCode(name), buffer), name);
    }
    EXPECT_EQ(utl::charSetCode("utf-8"), utl::charSetCode("UTF-8"));
    EXPECT_EQ(utl::charSetCode("char-set: SJIS"), utl::charSetCode("SJIS"));
    EXPECT_EQ(utl::charSetCode("Shift_JIS"), utl::charSetCode("SJIS")) << "the converter's name is a name too";
    EXPECT_EQ(utl::charSetCode("no such set"), 0u);
    EXPECT_EQ(utl::charSetCode(nullptr), 0u);
    EXPECT_STREQ(utl::charSetName(9999, buffer), "");
    for (auto [text, declared] : {std::pair{"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a/>", "Shift_JIS"},
                                  {"<?xml encoding = 'EUC' ?>", "EUC"},
                                  {"<?xml version=\"1.0\"?><a encoding=\"EUC\"/>", ""},  // not in the declaration
                                  {"<?xml encoding=\"EUC", ""},
                                  {"# comment\nchar-set: EUC\nbegin", ""},  // the import reads these lines
                                  {"no declaration here", ""}})
        EXPECT_STREQ(utl::findCharSetDeclaration(text, buffer), declared) << text;
}

using Conversion = std::function<std::string()>;
Conversion convert(std::string text, uint32_t from, uint32_t to) {
    return [=] {
        char out[64] = {};
        return utl::convert(text.c_str(), from, out, to) == 0 ? std::string(out) : "(failed)";
    };
}
Conversion check(std::string text, uint32_t from, uint32_t to) {
    return [=] { return std::string(utl::checkConversion(text.c_str(), nullptr, from, to) ? "1" : "0"); };
}
Conversion adjust(std::string text, uint32_t set) {
    return [=] {
        char* replacement = nullptr;
        utl::adjustConversion(text.c_str(), set, &replacement);
        const std::string got = replacement ? replacement : "(none)";
        std::free(replacement);
        return got;
    };
}

// Those that succeed fail cleanly when, and only when, an allocation inside the
// converter (iconv_open's among them) fails.
TEST(CharSets, ConversionsCheckConvertAndAdjust) {
    const uint32_t latin1 = utl::charSetCode("ISO-8859-1"), utf8 = utl::charSetCode("UTF-8"),
                   ascii = utl::charSetCode("US-ASCII"), sjis = utl::charSetCode("SJIS");
    const std::string cafe = "caf\xE9", kana = "\xE3\x81\x82", many(10000, 'a');  // longer than the check's piece
    const struct {
        Conversion run;
        std::string expected;
        bool swept;
    } rows[] = {
        {convert(cafe, latin1, utf8), "caf\xC3\xA9", true},
        {convert(kana, utf8, sjis), "\x82\xA0", true},
        {convert(cafe, latin1, 0), "(failed)", false},  // an unknown set
        {check(kana, utf8, sjis), "1", true},
        {check(cafe, latin1, utf8), "1", false},
        {check(cafe, latin1, ascii), "0", false},
        {check("\xE3\x81", utf8, latin1), "0", false},  // a character cut short
        {check(many + "\xE9", latin1, ascii), "0", false},
        {check(many + kana, utf8, sjis), "1", false},
        {adjust("\xEF\xBB\xBFtext", utf8), "text", true},
        {adjust("text", utf8), "(none)", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        EXPECT_EQ(row.run(), row.expected);  // loads the converter's modules and caches once
        if (!row.swept) continue;
        size_t failures = 0;
        alloc::sweep([&](const alloc::Window& w) {
            const bool same = row.run() == row.expected;
            EXPECT_EQ(same, !w.failed());
            failures += w.failed();
        });
        EXPECT_GE(failures, 1u);
    }
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

// The buffer grows as needed up to the caller's limit and the data is terminated; more
// than the limit, a stream cut short and bad data fail with no buffer; empty input
// expands to nothing. (Allocation failures: the hardening tests, through an operation.)
TEST(Expand, GrowsWithinItsLimit) {
    std::string data(1 << 20, 'a');  // compresses a thousandfold: the buffer grows many times
    for (size_t i = 0; i < data.size(); i += 97) data[i] = char('a' + i % 26);
    const std::string packed = deflated(data);
    uint8_t sentinel, *out = nullptr;
    uint32_t length = 0;
    auto expand = [&](const std::string& in, size_t size, uint32_t limit) {
        if (out != &sentinel) std::free(out);
        out = &sentinel;
        length = limit;
        return utl::expand(reinterpret_cast<const uint8_t*>(in.data()), static_cast<uint32_t>(size), &out, &length);
    };
    for (uint32_t limit : {0u, uint32_t(data.size())}) {
        ASSERT_EQ(expand(packed, packed.size(), limit), 0);
        ASSERT_EQ(length, data.size());
        EXPECT_EQ(std::memcmp(out, data.data(), length), 0);
        EXPECT_EQ(out[length], 0) << "terminated";
    }
    EXPECT_NE(expand(packed, packed.size(), uint32_t(data.size() - 1)), 0) << "more than the limit";
    EXPECT_EQ(out, nullptr);
    EXPECT_NE(expand(packed, packed.size() / 2, 0), 0) << "a stream cut short";
    EXPECT_EQ(out, nullptr);
    EXPECT_NE(expand("\1\2\3\4\5", 5, 0), 0) << "bad data";
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(expand("", 0, 0), 0) << "empty input expands to nothing";
    EXPECT_EQ(length, 0u);
    std::free(out);
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
