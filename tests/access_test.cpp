// Users, groups, roles, application state and extension candidates: the bytes the
// host receives and what the caller gets back, read at the offsets of the record
// tables; the frame of each operation, its checks and its allocation failures.
#include <gtest/gtest.h>

#include "tests/support/definitions.h"
#include "types/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace GetListGroup { constexpr size_t userName = 168, userArgument = 424, size = 432; }
namespace GetListUser { constexpr size_t userListKind = 168, sinceTime = 172, size = 176; }
namespace GetListRole { constexpr size_t applicationName = 168, userName = 423, userArgument = 680, size = 688; }
namespace Application { constexpr size_t applicationName = 168, size = 424; }  // GetApplicationState, messages
namespace SetApplicationState { constexpr size_t applicationName = 168, stateName = 423, size = 680; }
namespace ListResult { constexpr size_t list = 168, status = 184; }
namespace VerifyUser { constexpr size_t flag1 = 168, status = 176; }  // flags at 168, 169, 170
namespace GetApplicationState { constexpr size_t stateName = 168, status = 424; }
namespace ExtSchema { constexpr size_t candidateKind = 168, size = 176, typeInfos = 168, status = 184; }
namespace ExtField { constexpr size_t formTypeInfo = 168, size = 2480, lists = 168 /* three, 16 apart */, status = 216; }
}  // namespace at

constexpr uint32_t kGroups = 12568, kUsers = 12576, kVerify = 12584, kRoles = 13200, kStates = 13208,
                   kGetState = 13216, kSetState = 13224, kMessages = 13232, kExtSchema = 13040, kExtField = 13048;
constexpr size_t kExtFieldItems[3] = {268, 688, 4};  // mappings, limits, codes
char appName[] = "Approval", userName[] = "Demo", stateName[] = "Running";
std::string longName(300, 'n');  // cut at 254 characters
int userArgument = 7;

// A request's names in their buffers (the rest of each buffer zero) and zero bytes
// from `end` to the record's size.
void expectNames(void* q, std::initializer_list<std::pair<size_t, const char*>> names, size_t end, size_t size) {
    for (auto [at, name] : names) {
        EXPECT_STREQ(raw::inlineText(q, at), name) << at;
        EXPECT_TRUE(raw::zero(q, at + std::strlen(name), at + 255)) << at;
    }
    EXPECT_TRUE(raw::zero(q, end, size));
}
void answerList(void*, void* r) { hostList(r, at::ListResult::list, 2, 24); }

// The list operations with their arguments given.
using C = ControlRecord*;
using S = StatusList*;
using ListCall = uint32_t (*)(C, ServerList*, S);
uint32_t groups(C c, ServerList* l, S s) { return ZVIGetListGroup(c, userName, &userArgument, l, s); }
uint32_t users(C c, ServerList* l, S s) { return ZVIGetListUser(c, 2, 99, l, s); }
uint32_t roles(C c, ServerList* l, S s) { return ZVIGetListRole(c, appName, nullptr, &userArgument, l, s); }
uint32_t states(C c, ServerList* l, S s) { return ZVIGetListApplicationState(c, l, s); }
uint32_t appMessages(C c, ServerList* l, S s) { return ZVIGetApplicationMessages(c, nullptr, l, s); }

// Calls a list operation and frees the list it hands over.
auto listCall(ListCall call) {
    return [call](ControlRecord* c, StatusList* s) {
        ServerList got{};
        const uint32_t rc = call(c, &got, s);
        return std::free(got.items), rc;
    };
}

struct ExtFieldOutputs {
    FieldMappingList mappings{};
    FieldLimitList limits{};
    UintList codes{};
    uint32_t get(ControlRecord* c, StatusList* s, FormTypeInfo* info = nullptr) {
        return ZVIGetMultipleExtFieldCandidates(c, info, &mappings, &limits, &codes, s);
    }
    uint32_t release(uint32_t rc) {
        std::free(mappings.items);
        zvi::ReleaseFieldLimitList(&limits, 0);
        std::free(codes.items);
        return rc;
    }
};

class AccessTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
};

// Every operation with its arguments given; the host checks what it receives.
std::vector<DefinitionOp> AccessTest::ops() {
    using namespace at;
    return {
        {"ZVIGetListGroup", kGroups, 33, false, "ZVIGetListGroup", ListResult::status,
         [](void* q, void* r) {
             expectNames(q, {{GetListGroup::userName, "Demo"}}, GetListGroup::size, GetListGroup::size);
             EXPECT_EQ(raw::ptr(q, GetListGroup::userArgument), &userArgument);
             answerList(q, r);
         },
         listCall(groups), {0}},
        {"ZVIGetListUser", kUsers, 46, false, "ZVIGetListUser", ListResult::status,
         [](void* q, void* r) {
             EXPECT_EQ(raw::u32(q, GetListUser::userListKind), 2u);
             EXPECT_EQ(raw::u32(q, GetListUser::sinceTime), 99u);
             answerList(q, r);
         },
         listCall(users), {0}},
        {"ZVIVerifyUser", kVerify, 32, false, "ZVIVerifyUser", VerifyUser::status, [](void*, void*) {},
         [](C c, S s) { uint8_t a, b, d; return ZVIVerifyUser(c, &a, &b, &d, s); }, {0}},
        {"ZVIGetListRole", kRoles, 126, false, "ZVIGetListRole", ListResult::status,
         [](void* q, void* r) {
             expectNames(q, {{GetListRole::applicationName, "Approval"}, {GetListRole::userName, ""}},
                         GetListRole::size, GetListRole::size);
             EXPECT_EQ(raw::ptr(q, GetListRole::userArgument), &userArgument);
             answerList(q, r);
         },
         listCall(roles), {0}},
        {"ZVIGetListApplicationState", kStates, 127, false, "ZVIGetListApplicationState", ListResult::status,
         answerList, listCall(states), {0}},
        {"ZVIGetApplicationState", kGetState, 128, false, "ZVIGetApplicationState", GetApplicationState::status,
         [](void* q, void*) { expectNames(q, {{Application::applicationName, "Approval"}}, 423, Application::size); },
         [](C c, S s) { char state[255]; return ZVIGetApplicationState(c, appName, state, s); }, {0}},
        {"ZVISetApplicationState", kSetState, 129, true, "ZVISetApplicationState", 168,
         [](void* q, void*) {
             expectNames(q, {{SetApplicationState::applicationName, std::string(254, 'n').c_str()},
                             {SetApplicationState::stateName, "Running"}}, 678, SetApplicationState::size);
         },
         [](C c, S s) { return ZVISetApplicationState(c, longName.data(), stateName, s); }, {0}, nullptr, true},
        {"ZVIGetApplicationMessages", kMessages, 132, false, "ZVIGetApplicationMessages", ListResult::status,
         [](void* q, void* r) {
             expectNames(q, {{Application::applicationName, ""}}, 423, Application::size);
             answerList(q, r);
         },
         listCall(appMessages), {0}},
        {"ZVIGetListExtSchemaCandidates", kExtSchema, 106, false, "ZVIGetListExtSchemaCandidates", ExtSchema::status,
         [](void* q, void* r) {
             EXPECT_EQ(raw::u32(q, ExtSchema::candidateKind), 5u);
             EXPECT_TRUE(raw::zero(q, ExtSchema::candidateKind + 4, ExtSchema::size));
             hostList(r, ExtSchema::typeInfos, 2, 2312);
         },
         [](C c, S s) {
             FormTypeInfoList got{};
             const uint32_t rc = ZVIGetListExtSchemaCandidates(c, 5, &got, s);
             std::free(got.items);
             return rc;
         },
         {0}, nullptr, true},
        {"ZVIGetMultipleExtFieldCandidates", kExtField, 107, false, "ZVIGetMultipleExtFieldCandidates",
         ExtField::status,
         [](void* q, void* r) {
             EXPECT_TRUE(raw::zero(q, ExtField::formTypeInfo, ExtField::size)) << "no description: zero";
             for (size_t i = 0; i < 3; ++i) hostList(r, ExtField::lists + 16 * i, 2, kExtFieldItems[i]);
         },
         [](C c, S s) { ExtFieldOutputs o; return o.release(o.get(c, s)); }, {0}, nullptr, true},
    };
}

}  // namespace

TEST_F(AccessTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(AccessTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// The lists are moved unchanged; required ones refused without a call; counts emptied
// at entry except for the application messages.
TEST_F(AccessTest, ListsAreRequiredEmptiedAndMoved) {
    host.clearEvents();
    char* items = nullptr;
    for (uint32_t slot : {kGroups, kUsers, kRoles, kStates, kMessages})
        host.on(slot, [&](void*, void* r) { return items = hostList(r, at::ListResult::list, 3, 40), 1u; });
    const std::pair<ListCall, bool> calls[] = {  // the call, whether it empties the count at entry
        {groups, true}, {users, true}, {roles, true}, {states, true}, {appMessages, false}};
    for (const auto& [call, empties] : calls) {
        EXPECT_EQ(call(&control, nullptr, &status), 2u);
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 105)});
        zvi::releaseStatusList(&status, 0);
        ServerList old{9, &userArgument};
        EXPECT_EQ(call(&control, &old, nullptr), 4u);
        EXPECT_EQ(old.numItems, empties ? 0u : 9u) << "emptied before the status list is looked at";
        EXPECT_EQ(call(&control, &old, &status), 0u);
        EXPECT_EQ(old.numItems, 3u);
        EXPECT_EQ(old.items, items) << "moved, not copied";
        std::free(old.items);
    }
    EXPECT_EQ(host.events().size(), 5u * 4) << "refused calls convert no control record";

    ServerList users{};  // kind 3 is refused, after a missing list
    EXPECT_EQ(ZVIGetListUser(&control, 3, 0, &users, &status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 235)});
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(ZVIGetListUser(&control, 3, 0, nullptr, &status), 2u);
    EXPECT_EQ(status.entries[0].messageNum, 105u);
    EXPECT_EQ(host.calls(kUsers), 1);
}

TEST_F(AccessTest, VerifyUserAndApplicationStateHandOverTheirValues) {
    host.on(kVerify, [](void*, void* r) {
        for (size_t i = 0; i < 3; ++i) raw::put(r, at::VerifyUser::flag1 + i, uint8_t(i + 1));
        return 1u;
    });
    uint8_t flags[3] = {9, 9, 9};
    EXPECT_EQ(ZVIVerifyUser(&control, &flags[0], &flags[1], &flags[2], nullptr), 4u);
    EXPECT_EQ(flags[0] + flags[1] + flags[2], 0) << "set to 0 at entry";
    EXPECT_EQ(ZVIVerifyUser(&control, &flags[0], nullptr, &flags[2], &status), 0u);
    EXPECT_EQ(flags[0] * 10 + flags[2], 13);
    EXPECT_EQ(ZVIVerifyUser(&control, nullptr, nullptr, nullptr, &status), 0u);
    EXPECT_EQ(host.calls(kVerify), 2);

    for (size_t length : {300, 3}) {  // at most 254 characters, byte 254 always 0, the rest untouched
        host.on(kGetState, [length](void*, void* r) {
            std::memset(static_cast<char*>(r) + at::GetApplicationState::stateName, 's', length < 255 ? length : 255);
            return 1u;
        });
        char state[255];
        std::memset(state, 'x', sizeof state);
        EXPECT_EQ(ZVIGetApplicationState(&control, appName, state, &status), 0u);
        EXPECT_EQ(std::string(state), std::string(length < 254 ? length : 254, 's'));
        EXPECT_EQ(state[254], '\0');
        EXPECT_EQ(state[253], length < 254 ? 'x' : 's');
    }
    EXPECT_EQ(ZVIGetApplicationState(&control, appName, nullptr, &status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 105)});
}

// The description is sent as given; outputs of a failed call keep what they held.
TEST_F(AccessTest, CandidateQueriesSendTheDescriptionAndKeepOutputsOnFailure) {
    FormTypeInfo info;
    std::memset(&info, 0x5A, sizeof info);
    host.on(kExtField, [&](void* q, void* r) {
        EXPECT_EQ(std::memcmp(raw::bytes(q, at::ExtField::formTypeInfo), &info, sizeof info), 0);
        hostList(r, at::ExtField::lists + 32, 1, 4);
        return 0u;
    });
    uint32_t oldCodes[1] = {42};
    ExtFieldOutputs o;
    o.codes = UintList{1, oldCodes};
    o.mappings.numItems = 5;
    EXPECT_EQ(o.get(&control, &status, &info), 2u);
    EXPECT_EQ(o.codes.items, oldCodes);
    EXPECT_EQ(o.mappings.numItems, 5u);
    EXPECT_EQ(ZVIGetMultipleExtFieldCandidates(&control, nullptr, nullptr, nullptr, nullptr, nullptr), 4u);
}
