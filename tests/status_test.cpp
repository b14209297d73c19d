// Status lists: severity order, catalog texts, merges and their failure paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tests/support/environment.h"
#include "tests/support/fixtures.h"

using namespace testing_support;
using zvi::appendStatus;
using zvi::mergeStatus;
using zvi::releaseStatusList;

namespace {

using Entries = std::initializer_list<std::pair<uint32_t, const char*>>;
using Tags = std::vector<std::string>;

// Heap list of (type, tag) entries as the host builds them.
StatusList hostList(Entries entries) {
    alloc::Paused hostSide;  // tracked, never failed
    StatusList list{};
    for (auto [type, tag] : entries) fake::addMessage(list, type, 100 + type, "host", tag);
    return list;
}

// Each message as its type and detail: "2h".
Tags tags(const StatusList& list) {
    Tags out;
    for (const Message& m : messages(list)) out.push_back(std::to_string(m.type) + m.detail);
    return out;
}

// For the length of a scope, NLSPATH leads to a catalog built with the tests
// (tests/catalogs/<name>.msg), or nowhere without one.
class ScopedCatalog {
public:
    explicit ScopedCatalog(const char* name = nullptr)
        : nlsPath_("NLSPATH", name ? (std::string(ZVI_TEST_CATALOGS "/") + name + "/%N").c_str() : "/nonexistent/%N") {}

private:
    ScopedEnvironment nlsPath_;
};

// Most severe first and newest first among equals; details are cut at 255 characters,
// an empty one is null; an emptied list's stale array is not reused.
TEST(AppendStatus, OrderDetailsAndCodes) {
    StatusEntry stale{};
    StatusList list{0, &stale};
    const std::string longDetail(300, 'd');
    EXPECT_EQ(appendStatus(&list, 1, 54, "first warning"), 1u);
    EXPECT_NE(list.entries, &stale);
    EXPECT_EQ(appendStatus(&list, 2, 9905, longDetail.c_str()), 2u);
    EXPECT_EQ(appendStatus(&list, 0, 54, ""), 2u);
    EXPECT_EQ(appendStatus(&list, 2, 9905, "second error"), 2u);
    EXPECT_EQ(zvi::appendStatusNumber(&list, 0, 54, 4294967295u), 2u);
    EXPECT_EQ(appendStatus(&list, 0, 54, nullptr), 2u);
    EXPECT_EQ(messages(list), (std::vector<Message>{catalogMessage(2, 9905, "second error"),
                                                    catalogMessage(2, 9905, std::string(255, 'd').c_str()),
                                                    catalogMessage(1, 54, "first warning"), catalogMessage(0, 54),
                                                    catalogMessage(0, 54, "4294967295"), catalogMessage(0, 54)}));
    releaseStatusList(&list, 0);
    EXPECT_EQ(list.numItems, 0u);
    EXPECT_EQ(list.entries, nullptr);
    EXPECT_EQ(appendStatus(nullptr, 0, 54, "x"), 2u);
}

// A catalog that cannot be opened or read only changes the text.
TEST(AppendStatus, EveryAllocationFailureIsReportedAndLeavesAReleasableList) {
    const std::string longDetail(300, 'x');
    alloc::sweep([&](const alloc::Window& w) {
        StatusList list = hostList({{1, "a"}});
        const uint32_t rc = appendStatus(&list, 2, 9905, longDetail.c_str());
        if (rc == 2u) {
            ASSERT_EQ(list.numItems, 2u);
            EXPECT_EQ(std::string(list.entries[0].appendedText), std::string(255, 'x'));
        } else {
            EXPECT_TRUE(w.failed() && rc == 3u) << rc;
        }
        releaseStatusList(&list, 0);
    });
    StatusList list = hostList({{1, "a"}});
    StatusEntry* before = list.entries;
    {
        alloc::Window w(1);  // the realloc of the array
        EXPECT_EQ(appendStatus(&list, 2, 9905, "x"), 3u);
    }
    EXPECT_EQ(list.numItems, 1u) << "a failed growth leaves the list as it was";
    EXPECT_EQ(list.entries, before);
    releaseStatusList(&list, 0);
}

TEST(MessageText, CatalogTextsAndEmptyNumbers) {
    EXPECT_EQ(catalogMessage(2, 9905).text, "The server could not carry out the call");
    for (uint32_t number : {0u, 8914u, 10000u, 4000000000u}) EXPECT_EQ(catalogMessage(2, number).text, "") << number;
    for (uint32_t number : {4242u, 9999u})
        EXPECT_EQ(catalogMessage(2, number).text, "Message not in catalog; Message number = " + std::to_string(number));
}

// A missing catalog never fails an append; one without message 1 gives the built-in
// text; long texts are cut and the number only added while there is room.
TEST(MessageText, MissingShortAndLongCatalogs) {
    {
        ScopedCatalog nowhere;
        StatusList list{};
        EXPECT_EQ(appendStatus(&list, 2, 9905, "ZVIDeleteEntry"), 2u);
        EXPECT_EQ(
            messages(list),
            (std::vector<Message>{{2, 9905, "Cannot open catalog; Message number = 9905", "ZVIDeleteEntry", true}}));
        releaseStatusList(&list, 0);
    }
    {
        ScopedCatalog catalog("without_message_one");  // 5 five
        EXPECT_EQ(catalogMessage(2, 5).text, "five");
        EXPECT_EQ(catalogMessage(2, 6).text, "Message not in catalog; Message number = 6");
    }
    const std::string fill(243, 'F');  // message 1 as long as the limit for adding a number
    ScopedCatalog catalog("long_texts");  // message 1: the fill, message 7: 300 L
    EXPECT_EQ(catalogMessage(2, 7).text, std::string(255, 'L'));
    EXPECT_EQ(catalogMessage(2, 8).text, fill);
}

// Within each class the caller's messages come first. Without memory for the merged
// array the more severe list is kept (the caller's when equal) with message 154.
TEST(MergeStatus, CallerFirstWithinEachClassOrTheMoreSevereListWith154) {
    const struct {
        Entries caller, host;
        Tags merged, kept;
    } cases[] = {
        {{{2, "c"}, {1, "c"}, {0, "c"}},
         {{3, "h"}, {2, "h"}, {1, "h"}, {0, "h"}, {0, "h"}},
         {"2c", "3h", "2h", "1c", "1h", "0c", "0h", "0h"},
         {"3h", "2", "2h", "1h", "0h", "0h"}},
        {{{1, "c"}}, {{2, "h"}, {0, "h"}}, {"2h", "1c", "0h"}, {"2", "2h", "0h"}},
        {{{2, "c"}}, {{2, "h"}}, {"2c", "2h"}, {"2", "2c"}},
        {{{2, "c"}, {0, "c"}}, {{1, "h"}}, {"2c", "1h", "0c"}, {"2", "2c", "0c"}},
    };
    for (const auto& c : cases)
        for (bool outOfMemory : {false, true}) {
            StatusList caller = hostList(c.caller), host = hostList(c.host);
            {
                alloc::Window w(outOfMemory ? 1 : 0);  // the merged array
                mergeStatus(&host, &caller, &caller);
            }
            const Tags& expected = outOfMemory ? c.kept : c.merged;
            EXPECT_EQ(tags(caller), expected);
            if (outOfMemory) {
                const size_t at = std::find(expected.begin(), expected.end(), "2") - expected.begin();
                EXPECT_EQ(caller.entries[at].messageNum, 154u);
            }
            EXPECT_EQ(host.numItems, 0u);
            EXPECT_EQ(host.entries, nullptr);
            releaseStatusList(&caller, 0);
        }
}

TEST(MergeStatus, EmptyAndNullLists) {
    StatusList caller{}, result = hostList({{1, "h"}});
    StatusEntry* array = result.entries;
    {
        alloc::Window w;
        mergeStatus(&result, &caller, &caller);
        EXPECT_EQ(w.allocations(), 0u) << "an empty caller list takes the host's array as it is";
    }
    EXPECT_EQ(caller.entries, array);
    EXPECT_EQ(caller.numItems, 1u);
    EXPECT_EQ(result.entries, nullptr);
    releaseStatusList(&caller, 0);

    StatusList a{}, b{}, d = hostList({{1, "d"}});
    StatusList dropped = d;
    mergeStatus(&a, &b, &d);  // both empty, other is not the destination: destination emptied
    EXPECT_EQ(d.numItems, 0u);
    EXPECT_EQ(d.entries, nullptr);
    releaseStatusList(&dropped, 0);  // dropped, not released, by the merge
    StatusList kept = hostList({{1, "k"}});
    mergeStatus(nullptr, &kept, &kept);
    mergeStatus(&kept, nullptr, &kept);
    EXPECT_EQ(kept.numItems, 1u);
    StatusList host = hostList({{2, "h"}});
    mergeStatus(&a, &host, &d);  // source empty: the other list moves
    EXPECT_EQ(tags(d), Tags{"2h"});
    EXPECT_EQ(host.numItems, 0u);
    releaseStatusList(&d, 0);
    releaseStatusList(&kept, 0);
}

TEST(MergeStatus, EveryAllocationFailureLeavesNothingBehind) {
    alloc::sweep([&](const alloc::Window&) {
        StatusList caller = hostList({{1, "c"}, {0, "c"}});
        StatusList host = hostList({{2, "h"}, {1, "h"}});
        mergeStatus(&host, &caller, &caller);
        EXPECT_EQ(host.numItems, 0u);
        EXPECT_GE(caller.numItems, 1u);
        EXPECT_EQ(caller.entries[0].messageType, 2u);
        releaseStatusList(&caller, 0);
    });
}

TEST(ReleaseStatusList, FreesTheHolderWhenAsked) {
    alloc::Window w;
    auto* list = static_cast<StatusList*>(std::calloc(1, sizeof(StatusList)));
    appendStatus(list, 2, 9905, "x");
    releaseStatusList(list, 1);
    releaseStatusList(nullptr, 1);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

}  // namespace
