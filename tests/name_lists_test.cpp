// Name and text lists between the host's form and the caller's: the bytes of each form
// at the offsets of the record tables, host lengths that lie, and what each conversion
// leaves when the heap runs out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/copies.h"
#include "types/definitions.h"

using namespace zvi;
using Holder = copies::Record<16>;  // count at 0, items at 8
using Names = std::vector<std::string>;

namespace {

constexpr size_t kItem = 16, kLength = 0, kText = 8, kName = 255;  // CountedText; a name slot

// A host list as the host leaves it: texts and array on the heap, never failed.
Holder hostList(const std::vector<std::pair<uint32_t, const char*>>& items) {
    alloc::Paused host;
    Holder holder;
    auto* array = static_cast<uint8_t*>(std::calloc(items.size() + 1, kItem));
    for (size_t i = 0; i < items.size(); ++i) {
        raw::put(array, i * kItem + kLength, items[i].first);
        raw::put(array, i * kItem + kText, items[i].second ? strdup(items[i].second) : nullptr);
    }
    holder.putList(0, static_cast<uint32_t>(items.size()), array);
    return holder;
}

Names names(const Holder& h) {
    Names out;
    for (uint32_t i = 0; i < raw::u32(h.bytes, 0); ++i)
        out.emplace_back(raw::inlineText(raw::ptr(h.bytes, 8), i * kName));
    return out;
}

bool empty(const Holder& h) { return raw::u32(h.bytes, 0) == 0 && raw::ptr(h.bytes, 8) == nullptr; }

}  // namespace

TEST(ConvertNameList, HostItemsBecome255ByteNamesAndLengthsThatLieReadNothingBeyond) {
    const std::string n254(254, 'n'), n300(300, 'x');
    const struct {
        std::vector<std::pair<uint32_t, const char*>> items;
        uint32_t code;
        Names names;
    } cases[] = {
        {{{3, "ab"}, {9, "HelpDesk"}}, 0, {"ab", "HelpDesk"}},
        {{{254, n254.c_str()}}, 0, {n254}},  // 254 converts, 255 does not
        {{{255, n254.c_str()}, {2, "a"}}, 103, {}},
        {{{0xFFFFFFFFu, "a"}}, 103, {}},
        {{{1, "a"}, {0, nullptr}, {2, "b"}}, 0, {"a", "", "b"}},  // length 0: an empty name
        {{{200, "short"}}, 0, {"short"}},                         // longer than the text
        {{{4, "abcdefgh"}}, 0, {"abcd"}},                         // shorter than the text
        {{{254, n300.c_str()}}, 0, {n300.substr(0, 254)}},
        {{{7, nullptr}}, 0, {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.names));
        alloc::Window w;
        Holder holder = hostList(c.items);
        EXPECT_EQ(ConvertNameList(holder.as<NameListHolder>()), c.code);
        EXPECT_EQ(names(holder), c.names);
        if (!c.code) {
            EXPECT_EQ(w.sizes().back(), c.items.size() * kName);
        }
        ReleaseNameList(holder.as<NameList>(), 0);
        EXPECT_EQ(w.liveBlocks(), 0u);  // the host's texts and array are gone either way
    }
    alloc::Window w;  // a text whose length is 0 stays the host's; a list without items is left as it is
    Holder holder = hostList({{0, "kept"}}), untouched;
    char* kept = static_cast<char*>(raw::ptr(raw::ptr(holder.bytes, 8), kText));
    untouched.putList(0, 0, &w);
    EXPECT_EQ(ConvertNameList(holder.as<NameListHolder>()) + ConvertNameList(untouched.as<NameListHolder>()), 0u);
    ReleaseNameList(holder.as<NameList>(), 0);
    EXPECT_EQ(w.liveBlocks(), 1u);
    std::free(kept);
    EXPECT_EQ(raw::ptr(untouched.bytes, 8), &w);
    alloc::sweep([](const alloc::Window& sw) {  // no room for the names: 154, the host list freed
        Holder h = hostList({{2, "a"}, {3, "bb"}});
        const uint32_t code = ConvertNameList(h.as<NameListHolder>());
        EXPECT_EQ(code, sw.failed() ? 154u : 0u);
        EXPECT_TRUE(!code || empty(h));
        ReleaseNameList(h.as<NameList>(), 0);
    });
}

TEST(PackNameList, NamesBecomeCountedTextsWithTheTerminatorCounted) {
    ObjectName source[3] = {"a", "bb"};
    std::memset(source[2], 'z', kName);  // no terminator in its 255 bytes: cut at 254
    const NameList caller{3, source};
    const uint32_t lengths[] = {2, 3, 255};
    const Names texts = {"a", "bb", std::string(254, 'z')};
    alloc::sweep([&](const alloc::Window& w) {
        Holder holder;
        {
            alloc::Paused request;
            ASSERT_EQ(CopyNameList(holder.as<NameList>(), &caller), 0u);
        }
        const uint32_t code = PackNameList(holder.as<NameListHolder>());
        EXPECT_EQ(code, w.failed() ? 154u : 0u);
        EXPECT_TRUE(!code || empty(holder));
        if (code) return;
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(raw::u32(raw::ptr(holder.bytes, 8), i * kItem + kLength), lengths[i]);
            EXPECT_EQ(raw::text(raw::ptr(holder.bytes, 8), i * kItem + kText), texts[i]);
        }
        ReleaseCountedTextList(holder.as<CountedTextList>(), 0);
    });
}

TEST(ConvertTextList, MovesTheHostsTextsIntoTheCallersList) {
    alloc::sweep([](const alloc::Window& w) {
        Holder host = hostList({{2, "a"}, {0, nullptr}, {3, "bc"}}), caller(0xab);
        const void* first = raw::ptr(raw::ptr(host.bytes, 8), kText);
        const uint32_t code = ConvertTextList(host.as<CountedTextList>(), caller.as<TextList>());
        EXPECT_EQ(code, w.failed() ? 300u : 0u);
        EXPECT_EQ(raw::ptr(host.bytes, 8), nullptr);
        EXPECT_TRUE(!code || empty(caller));
        if (code) return;
        EXPECT_EQ(raw::u32(host.bytes, 0), 3u);  // the host's count stays
        EXPECT_EQ(raw::u32(caller.bytes, 0), 3u);
        const void* texts = raw::ptr(caller.bytes, 8);
        EXPECT_TRUE(raw::ptr(texts, 0) == first && raw::ptr(texts, 8) == nullptr);  // moved, not copied
        EXPECT_STREQ(raw::text(texts, 16), "bc");
        ReleaseTextList(caller.as<TextList>(), 0);
    });
    alloc::Window w;  // no items: an empty caller list; no caller list: the texts released
    Holder none = hostList({}), caller(0xab), unwanted = hostList({{2, "a"}});
    EXPECT_EQ(ConvertTextList(none.as<CountedTextList>(), caller.as<TextList>()), 0u);
    EXPECT_TRUE(empty(caller));
    EXPECT_EQ(ConvertTextList(unwanted.as<CountedTextList>(), nullptr), 0u);
    EXPECT_EQ(w.liveBlocks(), 0u);
}
