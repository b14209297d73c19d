// Status lists: severity order, catalog texts, merges and their failure paths.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/environment.h"
#include "tests/support/fixtures.h"

using namespace testing_support;
using namespace zvi;

namespace {

// A heap list as the host builds it, one entry a character: its type, tagged with tag.
StatusList hostList(const char* types, const char* tag) {
    alloc::Paused hostSide;  // tracked, never failed
    StatusList list{};
    for (const char* t = types; *t; ++t) fake::addMessage(list, *t - '0', 100 + *t - '0', "host", tag);
    return list;
}

// Each message as its type and detail, or number when it has none: "2h 2#154 0c".
std::string tags(const StatusList& list) {
    std::string out;
    for (const Message& m : messages(list)) {
        out += (out.empty() ? "" : " ") + std::to_string(m.type);
        out += m.hasDetail ? m.detail : "#" + std::to_string(m.number);
    }
    return out;
}

// Most severe and newest first; details cut at 255 characters, an empty one null; an
// emptied list's stale array not reused. A release empties the list or frees its holder.
TEST(StatusList, AppendOrderDetailsAndRelease) {
    StatusEntry stale{};
    StatusList list{0, &stale};
    EXPECT_EQ(appendStatus(&list, 1, 54, "first warning"), 1u);
    EXPECT_NE(list.entries, &stale);
    EXPECT_EQ(appendStatus(&list, 2, 9905, std::string(300, 'd').c_str()), 2u);
    EXPECT_EQ(appendStatus(&list, 0, 54, ""), 2u);
    EXPECT_EQ(appendStatus(&list, 2, 9905, "second error"), 2u);
    EXPECT_EQ(appendStatusNumber(&list, 0, 54, 4294967295u), 2u);
    EXPECT_EQ(appendStatus(&list, 0, 54, nullptr), 2u);
    EXPECT_EQ(messages(list), (std::vector<Message>{catalogMessage(2, 9905, "second error"),
                                                    catalogMessage(2, 9905, std::string(255, 'd').c_str()),
                                                    catalogMessage(1, 54, "first warning"), catalogMessage(0, 54),
                                                    catalogMessage(0, 54, "4294967295"), catalogMessage(0, 54)}));
    releaseStatusList(&list, 0);
    EXPECT_EQ(list.entries, nullptr);
    EXPECT_EQ(appendStatus(nullptr, 0, 54, "x"), 2u);
    alloc::Window w;
    auto* held = static_cast<StatusList*>(std::calloc(1, sizeof(StatusList)));
    appendStatus(held, 2, 9905, "x");
    releaseStatusList(held, 1);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

// Numbers outside 1..9999 (and 8914) have no text; one missing from the catalog gets that
// of message 1 with the number while there is room for it. Texts are cut at 255.
TEST(StatusList, CatalogTexts) {
    const std::string notIn = "Message not in catalog; Message number = ";
    const std::tuple<const char*, uint32_t, std::string> rows[] = {  // catalog null: the library's
        {nullptr, 9905, "The server could not carry out the call"}, {nullptr, 0, ""}, {nullptr, 8914, ""},
        {nullptr, 10000, ""}, {nullptr, 4000000000u, ""}, {nullptr, 4242, notIn + "4242"},
        {nullptr, 9999, notIn + "9999"},
        {"nowhere", 9905, "Cannot open catalog; Message number = 9905"}, {"without_message_one", 5, "five"},
        {"without_message_one", 6, notIn + "6"}, {"long_texts", 7, std::string(255, 'L')},  // 300 in the catalog
        {"long_texts", 8, std::string(243, 'F')}};  // message 1 as long as leaves no room for the number
    for (const auto& [catalog, number, text] : rows) {
        const std::string path = std::string(ZVI_TEST_CATALOGS "/") + (catalog ? catalog : "") + "/%N";
        ScopedEnvironment nlsPath("NLSPATH", catalog ? path.c_str() : std::getenv("NLSPATH"));
        EXPECT_EQ(catalogMessage(2, number).text, text) << number;
    }
}

// Within each class the caller's messages come first; an empty list takes the other's
// array as it is. Without memory for the merged array the more severe list is kept (the
// caller's when equal) with message 154.
TEST(StatusList, MergeCallerFirstWithinEachClassOrTheMoreSevereListWith154) {
    const struct {
        const char *caller, *host, *merged, *kept;
    } cases[] = {
        {"210", "32100", "2c 3h 2h 1c 1h 0c 0h 0h", "3h 2#154 2h 1h 0h 0h"}, {"1", "20", "2h 1c 0h", "2#154 2h 0h"},
        {"2", "2", "2c 2h", "2#154 2c"}, {"20", "1", "2c 1h 0c", "2#154 2c 0c"}, {"", "1", "1h", "1h"},
        {"2", "", "2c", "2c"}};
    for (const auto& c : cases)
        for (bool outOfMemory : {false, true}) {
            StatusList caller = hostList(c.caller, "c"), host = hostList(c.host, "h");
            {
                alloc::Window w(outOfMemory ? 1 : 0);  // the merged array
                mergeStatus(&host, &caller, &caller);
            }
            EXPECT_EQ(tags(caller), outOfMemory ? c.kept : c.merged);
            EXPECT_EQ(host.numItems, 0u);
            releaseStatusList(&caller, 0);
        }
    alloc::sweep([&](const alloc::Window&) {
        StatusList caller = hostList("10", "c"), host = hostList("21", "h");
        mergeStatus(&host, &caller, &caller);
        EXPECT_EQ(caller.entries[0].messageType, 2u);
        releaseStatusList(&caller, 0);
    });
    StatusList a{}, d = hostList("1", "d"), dropped = d;
    mergeStatus(&a, &a, &d);  // two empty lists empty a third, dropping what it held
    EXPECT_EQ(d.numItems, 0u);
    mergeStatus(nullptr, &dropped, &dropped);  // a null list changes nothing
    releaseStatusList(&dropped, 0);
}

}  // namespace
