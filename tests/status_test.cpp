// Status lists: severity order, catalog texts, merges and their failure paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/environment.h"
#include "tests/support/fixtures.h"

using namespace testing_support;
using zvi::appendStatus;
using zvi::mergeStatus;
using zvi::releaseStatusList;

namespace {

// Heap list of (type, number) entries as the host builds them, detail = tag.
StatusList hostList(std::initializer_list<std::pair<uint32_t, const char*>> entries) {
    alloc::Paused hostSide;  // tracked, never failed
    StatusList list{};
    for (auto [type, tag] : entries) fake::addMessage(list, type, 100 + type, "host", tag);
    return list;
}

std::vector<std::string> tags(const StatusList& list) {
    std::vector<std::string> out;
    for (const Message& m : messages(list)) out.push_back(std::to_string(m.type) + m.detail);
    return out;
}

// A catalog built with the tests (tests/catalogs/<name>.msg), as an NLSPATH template.
std::string testCatalog(const char* name) { return std::string(ZVI_TEST_CATALOGS "/") + name + "/%N"; }

TEST(AppendStatus, KeepsMostSevereFirstAndNewestFirstAmongEquals) {
    StatusList list{};
    EXPECT_EQ(appendStatus(&list, 1, 54, "first warning"), 1u);
    EXPECT_EQ(appendStatus(&list, 2, 9905, "first error"), 2u);
    EXPECT_EQ(appendStatus(&list, 0, 54, "note"), 2u);
    EXPECT_EQ(appendStatus(&list, 2, 9905, "second error"), 2u);
    std::vector<std::string> details;
    for (const Message& m : messages(list)) details.push_back(m.detail);
    EXPECT_EQ(details, (std::vector<std::string>{"second error", "first error", "first warning", "note"}));
    releaseStatusList(&list, 0);
    EXPECT_EQ(list.numItems, 0u);
    EXPECT_EQ(list.entries, nullptr);
}

TEST(AppendStatus, NullListGivesErrorAndNothingElse) { EXPECT_EQ(appendStatus(nullptr, 0, 54, "x"), 2u); }

TEST(AppendStatus, DetailIsCutAt255AndEmptyDetailIsNull) {
    StatusList list{};
    const std::string longDetail(300, 'd');
    appendStatus(&list, 2, 9905, longDetail.c_str());
    appendStatus(&list, 1, 54, "");
    appendStatus(&list, 0, 54, nullptr);
    auto m = messages(list);
    EXPECT_EQ(m[0].detail, std::string(255, 'd'));
    EXPECT_FALSE(m[1].hasDetail);
    EXPECT_FALSE(m[2].hasDetail);
    releaseStatusList(&list, 0);
}

TEST(AppendStatus, StaleArrayOfEmptiedListIsNotReused) {
    StatusEntry stale{};
    StatusList list{0, &stale};  // a pointer left behind by an emptied list
    EXPECT_EQ(appendStatus(&list, 2, 9905, "x"), 2u);
    EXPECT_NE(list.entries, &stale);
    releaseStatusList(&list, 0);
}

TEST(AppendStatus, NumberFormatsItsValue) {
    StatusList list{};
    EXPECT_EQ(zvi::appendStatusNumber(&list, 2, 9905, 4294967295u), 2u);
    EXPECT_EQ(messages(list)[0].detail, "4294967295");
    releaseStatusList(&list, 0);
}

TEST(AppendStatus, EveryAllocationFailureIsReportedAndLeavesAReleasableList) {
    const std::string longDetail(300, 'x');
    const std::string catalogText = catalogMessage(2, 9905).text;
    alloc::sweep([&](const alloc::Window& w) {
        StatusList list = hostList({{1, "a"}});
        const uint32_t rc = appendStatus(&list, 2, 9905, longDetail.c_str());
        if (rc == 2u) {  // a catalog that cannot be opened or read only changes the text
            ASSERT_EQ(list.numItems, 2u);
            const std::string text = list.entries[0].messageText;
            EXPECT_TRUE(text == catalogText || (w.failed() && (text == "Message not in catalog; Message number = 9905" ||
                                                               text == "Cannot open catalog; Message number = 9905")))
                << text;
            EXPECT_EQ(std::string(list.entries[0].appendedText), std::string(255, 'x'));
        } else {
            EXPECT_TRUE(w.failed());
            EXPECT_EQ(rc, 3u);
        }
        releaseStatusList(&list, 0);
    });
}

TEST(AppendStatus, FailedGrowthLeavesListUnchanged) {
    StatusList list = hostList({{1, "a"}});
    StatusEntry* before = list.entries;
    {
        alloc::Window w(1);  // the realloc of the array
        EXPECT_EQ(appendStatus(&list, 2, 9905, "x"), 3u);
    }
    EXPECT_EQ(list.numItems, 1u);
    EXPECT_EQ(list.entries, before);
    releaseStatusList(&list, 0);
}

TEST(MessageText, CatalogTextsAndEmptyNumbers) {
    EXPECT_EQ(catalogMessage(2, 9905).text, "The server could not carry out the call");
    for (uint32_t number : {0u, 8914u, 10000u, 4000000000u}) EXPECT_EQ(catalogMessage(2, number).text, "") << number;
    EXPECT_EQ(catalogMessage(2, 4242).text, "Message not in catalog; Message number = 4242");
    EXPECT_EQ(catalogMessage(2, 9999).text, "Message not in catalog; Message number = 9999");

    StatusList list{};
    appendStatus(&list, 2, 8914, "detail");
    EXPECT_EQ(messages(list)[0].text, "");
    releaseStatusList(&list, 0);
}

TEST(MessageText, MissingCatalogNeverFailsAnAppend) {
    ScopedEnvironment nowhere("NLSPATH", "/nonexistent/%N");
    StatusList list{};
    EXPECT_EQ(appendStatus(&list, 2, 9905, "ZVIDeleteEntry"), 2u);
    EXPECT_EQ(messages(list)[0].text, "Cannot open catalog; Message number = 9905");
    EXPECT_EQ(messages(list)[0].detail, "ZVIDeleteEntry");
    releaseStatusList(&list, 0);
}

TEST(MessageText, CatalogWithoutMessageOneUsesTheBuiltInText) {
    ScopedEnvironment catalog("NLSPATH", testCatalog("without_message_one").c_str());
    EXPECT_EQ(catalogMessage(2, 5).text, "five");
    EXPECT_EQ(catalogMessage(2, 6).text, "Message not in catalog; Message number = 6");
}

TEST(MessageText, LongTextsAreCutAndTheNumberOnlyAddedWhenThereIsRoom) {
    const std::string fill(243, 'F');  // message 1 as long as the limit for adding a number
    ScopedEnvironment catalog("NLSPATH", testCatalog("long_texts").c_str());  // message 7: 300 L
    EXPECT_EQ(catalogMessage(2, 7).text, std::string(255, 'L'));
    EXPECT_EQ(catalogMessage(2, 8).text, fill);
}

TEST(MergeStatus, SixRunsPutCallerMessagesFirstWithinEachClass) {
    StatusList caller = hostList({{2, "c"}, {1, "c"}, {0, "c"}});
    StatusList result = hostList({{3, "h"}, {2, "h"}, {1, "h"}, {0, "h"}, {0, "h"}});
    mergeStatus(&result, &caller, &caller);
    EXPECT_EQ(tags(caller), (std::vector<std::string>{"2c", "3h", "2h", "1c", "1h", "0c", "0h", "0h"}));
    EXPECT_EQ(result.numItems, 0u);
    EXPECT_EQ(result.entries, nullptr);
    releaseStatusList(&caller, 0);
}

TEST(MergeStatus, HostErrorsAndNotesAroundCallerWarning) {
    StatusList caller = hostList({{1, "c"}});
    StatusList result = hostList({{2, "h"}, {0, "h"}});
    mergeStatus(&result, &caller, &caller);
    EXPECT_EQ(tags(caller), (std::vector<std::string>{"2h", "1c", "0h"}));
    releaseStatusList(&caller, 0);
}

TEST(MergeStatus, EmptyCallerListTakesTheHostArrayAsItIs) {
    StatusList caller{};
    StatusList result = hostList({{1, "h"}});
    StatusEntry* array = result.entries;
    alloc::Window w;
    mergeStatus(&result, &caller, &caller);
    EXPECT_EQ(w.allocations(), 0u);
    EXPECT_EQ(caller.entries, array);
    EXPECT_EQ(caller.numItems, 1u);
    EXPECT_EQ(result.entries, nullptr);
    releaseStatusList(&caller, 0);
}

TEST(MergeStatus, EmptyAndNullLists) {
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
    StatusList callerEmpty{};
    mergeStatus(&callerEmpty, &host, &d);  // source empty: the other list moves
    EXPECT_EQ(tags(d), (std::vector<std::string>{"2h"}));
    EXPECT_EQ(host.numItems, 0u);
    releaseStatusList(&d, 0);
    releaseStatusList(&kept, 0);
}

TEST(MergeStatus, OutOfMemoryKeepsTheMoreSevereListAndAdds154) {
    struct Case {
        std::initializer_list<std::pair<uint32_t, const char*>> caller, host;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{{1, "c"}}, {{2, "h"}, {0, "h"}}, {"2", "2h", "0h"}},  // host more severe
        {{{2, "c"}}, {{2, "h"}}, {"2", "2c"}},                  // equal: the caller's list
        {{{2, "c"}, {0, "c"}}, {{1, "h"}}, {"2", "2c", "0c"}},  // caller more severe
    };
    for (const Case& c : cases) {
        StatusList caller = hostList(c.caller);
        StatusList host = hostList(c.host);
        {
            alloc::Window w(1);  // the merged array
            mergeStatus(&host, &caller, &caller);
            EXPECT_TRUE(w.failed());
        }
        EXPECT_EQ(tags(caller), c.expected);
        EXPECT_EQ(caller.entries[0].messageNum, 154u);
        EXPECT_EQ(host.numItems, 0u);
        EXPECT_EQ(host.entries, nullptr);
        releaseStatusList(&caller, 0);
    }
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
