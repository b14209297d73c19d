// Our stand-ins for the platform's libraries: character-set conversions and expansion.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/zvutl.h"
#include "tests/support/calls.h"

namespace utl = zvi::utl;

namespace {

// Every set the table knows, by its name or the converter's, from UTF-8 and back (iconv on
// Linux, code pages on Windows); a character a set cannot hold fails rather than being
// replaced, and so does a call whose allocations inside the converter fail.
TEST(CharSets, ConversionsAndChecks) {
    const struct {
        const char *set, *utf8, *converted;  // converted null: cannot be converted
    } cases[] = {
        {"US-ASCII", "plain", "plain"},           {"US-ASCII", "caf\xC3\xA9", nullptr},
        {"ISO-8859-1", "caf\xC3\xA9", "caf\xE9"}, {"ISO-8859-1", "\xE2\x82\xAC", nullptr},
        {"ISO-8859-2", "\xC5\x91", "\xF5"},       {"ISO-8859-15", "\xE2\x82\xAC", "\xA4"},
        {"WINDOWS-1252", "\xE2\x82\xAC", "\x80"}, {"EUC", "\xE3\x81\x82", "\xA4\xA2"},
        {"SJIS", "\xE3\x81\x82", "\x82\xA0"},     {"EUC-KR", "\xEA\xB0\x80", "\xB0\xA1"},
        {"GB2312", "\xE4\xB8\xAD", "\xD6\xD0"},   {"BIG5", "\xE4\xB8\xAD", "\xA4\xA4"},
        {"EUC", "\xEA\xB0\x80", nullptr},         {"ISO-8859-1", "\xC3", nullptr},  // cut short
        {"SJIS", "", ""},                         {"Shift_JIS", "\xE3\x81\x82", "\x82\xA0"},  // the converter's name
    };
    const uint32_t utf8 = utl::charSetCode("UTF-8");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.set) + " " + c.utf8);
        const uint32_t set = utl::charSetCode(c.set);
        auto run = [&] {  // the converted text, "(failed)", or what went wrong
            char out[64], back[64];
            const bool checked = utl::checkConversion(c.utf8, nullptr, utf8, set) != 0;
            if (utl::convert(c.utf8, utf8, out, set) != 0) return std::string(checked ? "(checked)" : "(failed)");
            if (!checked) return std::string("(unchecked)");
            if (utl::convert(out, set, back, utf8) != 0 || std::strcmp(back, c.utf8) != 0) return std::string("(back)");
            return std::string(out);
        };
        EXPECT_EQ(run(), c.converted ? c.converted : "(failed)");  // loads the converter's modules once
        if (std::strcmp(c.set, "SJIS") != 0 || !*c.utf8) continue;
        alloc::sweep([&](const alloc::Window& w) {
            const bool same = run() == c.converted;  // before failed() is read
            EXPECT_EQ(same, !w.failed());
        });
    }
    char* replacement = nullptr;
    for (const char* text : {"text", "\xEF\xBB\xBFtext"}) {  // a byte-order mark is dropped
        utl::adjustConversion(text, utf8, &replacement);
        EXPECT_STREQ(replacement, *text == 't' ? nullptr : "text");
        std::free(replacement);
    }
}

// The buffer grows up to the caller's limit and the data is terminated; more than the limit
// fails with no buffer, and so does every failing allocation, zlib's own among them.
TEST(Expand, GrowsWithinItsLimit) {
    std::string data(1 << 20, 'a');  // compresses a thousandfold: the buffer grows many times
    for (size_t i = 0; i < data.size(); i += 97) data[i] = char('a' + i % 26);
    const std::string packed = testing_support::deflated(data);
    uint8_t* out = nullptr;
    uint32_t length = 0;
    auto expand = [&](uint32_t limit) {
        std::free(out);
        length = limit;
        return utl::expand(reinterpret_cast<const uint8_t*>(packed.data()), uint32_t(packed.size()), &out, &length);
    };
    for (uint32_t limit : {0u, uint32_t(data.size())}) {
        ASSERT_EQ(expand(limit), 0);
        ASSERT_EQ(length, data.size());
        EXPECT_EQ(std::memcmp(out, data.data(), length), 0);
        EXPECT_EQ(out[length], 0) << "terminated";
    }
    EXPECT_NE(expand(uint32_t(data.size() - 1)), 0) << "more than the limit";
    EXPECT_EQ(out, nullptr);
    size_t failures = 0;
    alloc::sweep([&](const alloc::Window& w) {
        const bool refused = expand(0) != 0;
        EXPECT_EQ(refused, w.failed());
        EXPECT_EQ(out == nullptr, refused);
        failures += w.failed();
        std::free(std::exchange(out, nullptr));
    });
    EXPECT_GE(failures, 3u) << "zlib's allocations are failed too";
}

}  // namespace
