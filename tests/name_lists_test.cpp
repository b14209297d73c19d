// Name and text lists between the host's form and the caller's: the bytes of each
// form at the offsets of the record tables, host lengths that lie, and what each
// conversion leaves when the heap runs out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/copies.h"
#include "types/definitions.h"

using namespace zvi;

namespace {

namespace at {  // typed in from the record tables
namespace Holder { constexpr size_t size = 16, count = 0, items = 8; }
namespace CountedText { constexpr size_t size = 16, length = 0, text = 8; }
constexpr size_t kName = 255;
}  // namespace at

struct HostItem {
    uint32_t length;
    const char* text;  // null: no text
};

// A host list as the host leaves it in a result: every text and the array on the heap,
// tracked by the window but never failed.
copies::Record<16> hostList(const std::vector<HostItem>& items) {
    alloc::Paused host;
    copies::Record<16> holder;
    auto* array = static_cast<uint8_t*>(std::calloc(items.size(), at::CountedText::size));
    for (size_t i = 0; i < items.size(); ++i) {
        raw::put(array, i * at::CountedText::size + at::CountedText::length, items[i].length);
        raw::put(array, i * at::CountedText::size + at::CountedText::text, items[i].text ? strdup(items[i].text) : nullptr);
    }
    holder.putList(0, static_cast<uint32_t>(items.size()), array);
    return holder;
}

std::vector<std::string> names(const void* holder) {
    const raw::List l = raw::list(holder, at::Holder::count);
    std::vector<std::string> out;
    for (uint32_t i = 0; i < l.count; ++i) out.emplace_back(raw::inlineText(l.items, i * at::kName));
    return out;
}

void expectEmpty(const void* holder) {
    EXPECT_EQ(raw::u32(holder, at::Holder::count), 0u);
    EXPECT_EQ(raw::ptr(holder, at::Holder::items), nullptr);
}

}  // namespace

TEST(ConvertNameList, HostItemsBecome255ByteNamesAndLengthsThatLieReadNothingBeyond) {
    const std::string n254(254, 'n'), n300(300, 'x');
    const struct {
        std::vector<HostItem> items;
        uint32_t code;
        std::vector<std::string> names;
    } cases[] = {
        {{{3, "ab"}, {5, "Form"}}, 0, {"ab", "Form"}},
        {{{254, n254.c_str()}}, 0, {n254}},                       // 254 converts
        {{{255, n254.c_str()}, {2, "a"}}, 103, {}},               // 255 does not
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
        copies::Record<16> holder = hostList(c.items);
        EXPECT_EQ(ConvertNameList(holder.as<NameListHolder>()), c.code);
        if (c.code) {
            expectEmpty(holder.bytes);
        } else {
            EXPECT_EQ(names(holder.bytes), c.names);
            EXPECT_EQ(w.sizes().back(), c.items.size() * at::kName);
            ReleaseNameList(holder.as<NameList>(), 0);
        }
        EXPECT_EQ(w.liveBlocks(), 0u);  // the host's texts and array are gone either way
    }
    // A text whose length is 0 stays the host's; a list without items is left as it is.
    alloc::Window w;
    copies::Record<16> holder = hostList({{0, "kept"}});
    char* kept = static_cast<char*>(raw::ptr(raw::ptr(holder.bytes, at::Holder::items), at::CountedText::text));
    EXPECT_EQ(ConvertNameList(holder.as<NameListHolder>()), 0u);
    EXPECT_EQ(names(holder.bytes), std::vector<std::string>{""});
    ReleaseNameList(holder.as<NameList>(), 0);
    EXPECT_EQ(w.liveBlocks(), 1u);
    std::free(kept);
    int marker;
    for (void* items : {static_cast<void*>(&marker), static_cast<void*>(nullptr)}) {
        copies::Record<16> untouched;
        untouched.putList(0, items ? 0 : 3, items);
        EXPECT_EQ(ConvertNameList(untouched.as<NameListHolder>()), 0u);
        EXPECT_EQ(raw::ptr(untouched.bytes, at::Holder::items), items);
    }
    EXPECT_EQ(ConvertNameList(static_cast<NameListHolder*>(nullptr)), 0u);
}

TEST(ConvertNameList, NoRoomForTheNamesIs154AndFreesTheHostList) {
    alloc::sweep([](const alloc::Window& w) {
        copies::Record<16> holder = hostList({{2, "a"}, {3, "bb"}});
        const uint32_t code = ConvertNameList(holder.as<NameListHolder>());
        EXPECT_EQ(code, w.failed() ? 154u : 0u);
        if (code) expectEmpty(holder.bytes);
        ReleaseNameList(holder.as<NameList>(), 0);
    });
}

TEST(PackNameList, NamesBecomeCountedTextsWithTheTerminatorCounted) {
    std::vector<ObjectName> source(3);
    std::strcpy(source[0], "a");
    std::strcpy(source[1], "bb");
    std::memset(source[2], 'z', at::kName);  // no terminator in its 255 bytes
    const NameList caller{3, source.data()};
    const uint32_t lengths[] = {2, 3, 255};
    const std::string texts[] = {"a", "bb", std::string(254, 'z')};
    alloc::sweep([&](const alloc::Window& w) {
        copies::Record<16> holder;
        {
            alloc::Paused request;  // the request's copy
            ASSERT_EQ(CopyNameList(holder.as<NameList>(), &caller), 0u);
        }
        const uint32_t code = PackNameList(holder.as<NameListHolder>());
        EXPECT_EQ(code, w.failed() ? 154u : 0u);
        if (code) return expectEmpty(holder.bytes);
        const raw::List l = raw::list(holder.bytes, 0);
        ASSERT_EQ(l.count, 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(raw::u32(l.items, i * at::CountedText::size + at::CountedText::length), lengths[i]);
            EXPECT_EQ(raw::text(l.items, i * at::CountedText::size + at::CountedText::text), texts[i]);
        }
        ReleaseCountedTextList(holder.as<CountedTextList>(), 0);
    });
    // Back to names: what the caller gave, but for a name of 254 characters, whose
    // packed length of 255 the conversion refuses.
    for (uint32_t count : {2u, 3u}) {
        alloc::Window w;
        copies::Record<16> holder;
        const NameList part{count, source.data()};
        ASSERT_EQ(CopyNameList(holder.as<NameList>(), &part), 0u);
        ASSERT_EQ(PackNameList(holder.as<NameListHolder>()), 0u);
        EXPECT_EQ(ConvertNameList(holder.as<NameListHolder>()), count == 2 ? 0u : 103u);
        if (count == 2) {
            EXPECT_EQ(names(holder.bytes), (std::vector<std::string>{"a", "bb"}));
        }
        ReleaseNameList(holder.as<NameList>(), 0);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
    copies::Record<16> empty;
    empty.putList(0, 0, source.data());
    EXPECT_EQ(PackNameList(empty.as<NameListHolder>()) + PackNameList(static_cast<NameListHolder*>(nullptr)), 0u);
    EXPECT_EQ(raw::ptr(empty.bytes, at::Holder::items), source.data());
}

TEST(ConvertTextList, MovesTheHostsTextsIntoTheCallersList) {
    alloc::sweep([](const alloc::Window& w) {
        copies::Record<16> host = hostList({{2, "a"}, {0, nullptr}, {3, "bc"}});
        const void* items = raw::ptr(host.bytes, at::Holder::items);
        const void* first = raw::ptr(items, at::CountedText::text);
        copies::Record<16> caller(0xab);
        const uint32_t code = ConvertTextList(host.as<CountedTextList>(), caller.as<TextList>());
        EXPECT_EQ(code, w.failed() ? 300u : 0u);
        EXPECT_EQ(raw::ptr(host.bytes, at::Holder::items), nullptr);
        if (code) return expectEmpty(caller.bytes);
        EXPECT_EQ(raw::u32(host.bytes, at::Holder::count), 3u);  // the host's count stays
        const raw::List l = raw::list(caller.bytes, 0);
        ASSERT_EQ(l.count, 3u);
        EXPECT_EQ(raw::ptr(l.items, 0), first);  // moved, not copied
        EXPECT_EQ(raw::ptr(l.items, 8), nullptr);
        EXPECT_STREQ(raw::text(l.items, 16), "bc");
        ReleaseTextList(caller.as<TextList>(), 0);
    });
    // No items: an empty caller list; without a caller list the host's texts are released.
    alloc::Window w;
    copies::Record<16> host = hostList({});
    raw::put<uint32_t>(host.bytes, at::Holder::count, 0);
    copies::Record<16> caller(0xab);
    EXPECT_EQ(ConvertTextList(host.as<CountedTextList>(), caller.as<TextList>()), 0u);
    expectEmpty(caller.bytes);
    copies::Record<16> unwanted = hostList({{2, "a"}});
    EXPECT_EQ(ConvertTextList(unwanted.as<CountedTextList>(), nullptr), 0u);
    EXPECT_EQ(w.liveBlocks(), 0u);
}
