// The platform stand-ins (character sets, expansion, catalog handles) and failures inside them, operations
// on many threads at once (run under ThreadSanitizer too), the heap exhausted at a thread's first call.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>

#include "platform/zvrpc.h"
#include "platform/zvutl.h"
#include "tests/support/calls.h"

using namespace testing_support;
namespace utl = zvi::utl;

namespace {

// Every set the table knows, by its name or the converter's, from UTF-8 and back (iconv on Linux, code
// pages on Windows); a character a set cannot hold fails rather than being replaced, and so does a call
// whose allocations inside the converter fail. A byte-order mark is dropped from a UTF-8 text.
TEST(CharSets, ConversionsAndChecks) {
    const struct {
        const char *set, *utf8, *converted;  // converted null: cannot be converted
    } cases[] = {  // the last two: cut short, and a set by its converter's name
        {"US-ASCII", "plain", "plain"}, {"US-ASCII", "caf\xC3\xA9", nullptr}, {"SJIS", "", ""},
        {"ISO-8859-1", "caf\xC3\xA9", "caf\xE9"}, {"ISO-8859-1", "\xE2\x82\xAC", nullptr},
        {"ISO-8859-2", "\xC5\x91", "\xF5"}, {"ISO-8859-15", "\xE2\x82\xAC", "\xA4"}, {"EUC", "\xEA\xB0\x80", nullptr},
        {"WINDOWS-1252", "\xE2\x82\xAC", "\x80"}, {"EUC", "\xE3\x81\x82", "\xA4\xA2"},
        {"SJIS", "\xE3\x81\x82", "\x82\xA0"}, {"EUC-KR", "\xEA\xB0\x80", "\xB0\xA1"},
        {"GB2312", "\xE4\xB8\xAD", "\xD6\xD0"}, {"BIG5", "\xE4\xB8\xAD", "\xA4\xA4"}, {"ISO-8859-1", "\xC3", nullptr},
        {"Shift_JIS", "\xE3\x81\x82", "\x82\xA0"}};
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
    utl::adjustConversion("\xEF\xBB\xBFtext", utf8, &replacement);
    EXPECT_STREQ(replacement, "text");
    std::free(replacement);
}

// The buffer grows up to the caller's limit and the data is terminated; more than the limit fails with
// no buffer, and so does every failing allocation, zlib's own among them.
TEST(Expand, GrowsWithinItsLimit) {
    std::string data(1 << 20, 'a');  // compresses a thousandfold: the buffer grows many times
    for (size_t i = 0; i < data.size(); i += 97) data[i] = char('a' + i % 26);
    const std::string packed = deflated(data);
    uint8_t* out = nullptr;
    uint32_t length = 0;
    auto expand = [&](uint32_t limit) {
        std::free(std::exchange(out, nullptr));
        length = limit;
        return utl::expand(reinterpret_cast<const uint8_t*>(packed.data()), uint32_t(packed.size()), &out, &length);
    };
    for (uint32_t limit : {0u, uint32_t(data.size())}) {
        ASSERT_EQ(expand(limit), 0);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(out), length), data);
        EXPECT_EQ(out[length], 0) << "terminated";
    }
    EXPECT_NE(expand(uint32_t(data.size() - 1)), 0) << "more than the limit";
    EXPECT_EQ(out, nullptr);
    EXPECT_GE(alloc::sweep([&](const alloc::Window& w) {
        const bool refused = expand(0) != 0;
        EXPECT_EQ(refused, w.failed());
        EXPECT_EQ(out == nullptr, refused);
        std::free(std::exchange(out, nullptr));
    }), 3u) << "zlib's allocations are failed too";
}

// Catalog handles come from a fixed table: when every handle is taken an open waits for one to be
// closed, and gets that one.
TEST(MessageLookups, AnOpenWaitsForAFreeHandle) {
    std::vector<uint32_t> taken;
    while (taken.size() < 64) {
        taken.push_back(utl::catalogOpen("zvsystem.cat", 0));
        ASSERT_NE(taken.back(), utl::kNoCatalog);
    }
    uint32_t waited = utl::kNoCatalog;
    std::thread opener([&] { waited = utl::catalogOpen("zvsystem.cat", 0); });
    utl::catalogClose(taken[17]);
    opener.join();
    EXPECT_EQ(waited, taken[17]);
    for (uint32_t h : taken) utl::catalogClose(h);
}

char form[] = "HelpDesk";
using Concurrency = HostTest;

// The frame takes no lock, each thread gets its allocation context, and concurrent first calls may each
// run the discovery. Odd identifiers fail, even ones succeed with a note.
TEST_F(Concurrency, DeleteEntryOnEightThreads) {
    zvi::serverCharSetCode = zvi::kCharSetUnset;  // the first calls race to discover it
    host.on<DeleteEntryRequest, DeleteEntryResult>(12264, [](DeleteEntryRequest& q, DeleteEntryResult& r) {
        const bool odd = q.entryId.items[0][0] % 2;
        fake::addMessage(r.status, odd ? 2 : 0, odd ? 302 : 1, "host", q.entryId.items[0]);
        return odd ? 0u : 1u;
    });
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            ControlRecord control{};  // each thread's own: the context words are written back
            for (int i = 0; i < 500; ++i) {
                EntryId id;
                std::snprintf(id, sizeof id, "%d-%d", (t + i) % 10, t);
                EntryIdList ids{1, &id};
                StatusList s{};
                const uint32_t rc = ZVIDeleteEntry(&control, form, &ids, 0, &s);
                const bool odd = (t + i) % 2;
                wrong += s.numItems != 1 || rc != (odd ? 2u : 0u) ||
                         (odd ? s.entries[0].messageNum != 9905 : std::strcmp(s.entries[0].appendedText, id) != 0);
                zvi::releaseStatusList(&s, 0);
            }
            wrong += !zvi::rpc::getThreadContext();
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(host.calls(12264), 8 * 500);
    EXPECT_EQ(zvi::serverCharSetCode.load(), utl::charSetCode("UTF-8"));
}

// A thread's first call with the heap exhausted runs without an allocation context and leaves none
// behind; its next call makes one.
TEST_F(HostTest, FirstCallOfAThreadWithTheHeapExhausted) {
    std::thread([&] {
        {
            alloc::Window w(alloc::kEvery);
            EXPECT_EQ(ZVIDeleteEntry(&control, form, nullptr, 0, &status), 0u);
            EXPECT_TRUE(w.failed());
            EXPECT_EQ(w.liveBlocks(), 0u);
        }
        EXPECT_EQ(zvi::rpc::getThreadContext(), nullptr);
        EXPECT_EQ(ZVIDeleteEntry(&control, form, nullptr, 0, &status), 0u);
        EXPECT_NE(zvi::rpc::getThreadContext(), nullptr);
    }).join();
}

}  // namespace
