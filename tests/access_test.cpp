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
namespace VerifyUser { constexpr size_t flag1 = 168, flag2 = 169, flag3 = 170, status = 176; }
namespace GetApplicationState { constexpr size_t stateName = 168, status = 424; }
namespace ExtSchema { constexpr size_t candidateKind = 168, size = 176, typeInfos = 168, status = 184; }
namespace ExtField { constexpr size_t formTypeInfo = 168, size = 2480, lists = 168 /* three, 16 apart */, status = 216; }
}  // namespace at

constexpr uint32_t kGroups = 12568, kUsers = 12576, kVerify = 12584, kRoles = 13200, kStates = 13208,
                   kGetState = 13216, kSetState = 13224, kMessages = 13232, kExtSchema = 13040,
                   kExtField = 13048;
constexpr size_t kExtFieldItems[3] = {268, 688, 4};  // mappings, limits, codes
char appName[] = "Approval", userName[] = "Demo", stateName[] = "Running";
int userArgument = 7;

void answerList(void*, void* r) { hostList(r, at::ListResult::list, 2, 24); }
void answerExtField(void*, void* r) {
    for (size_t i = 0; i < 3; ++i) hostList(r, at::ExtField::lists + 16 * i, 2, kExtFieldItems[i]);
}

// Calls a list operation and frees the list it hands over.
template <class Call>
auto listCall(Call call) {
    return [call](ControlRecord* c, StatusList* s) {
        ServerList got{};
        const uint32_t rc = call(c, &got, s);
        std::free(got.items);
        return rc;
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

std::vector<DefinitionOp> AccessTest::ops() {
    using C = ControlRecord*;
    using S = StatusList*;
    auto nothing = [](void*, void*) {};
    return {
        {"ZVIGetListGroup", kGroups, 33, false, "ZVIGetListGroup", at::ListResult::status, answerList,
         listCall([](C c, ServerList* l, S s) { return ZVIGetListGroup(c, userName, &userArgument, l, s); }), {0}},
        {"ZVIGetListUser", kUsers, 46, false, "ZVIGetListUser", at::ListResult::status, answerList,
         listCall([](C c, ServerList* l, S s) { return ZVIGetListUser(c, 2, 99, l, s); }), {0}},
        {"ZVIVerifyUser", kVerify, 32, false, "ZVIVerifyUser", at::VerifyUser::status, nothing,
         [](C c, S s) { uint8_t a, b, d; return ZVIVerifyUser(c, &a, &b, &d, s); }, {0}},
        {"ZVIGetListRole", kRoles, 126, false, "ZVIGetListRole", at::ListResult::status, answerList,
         listCall([](C c, ServerList* l, S s) { return ZVIGetListRole(c, appName, userName, &userArgument, l, s); }),
         {0}},
        {"ZVIGetListApplicationState", kStates, 127, false, "ZVIGetListApplicationState", at::ListResult::status,
         answerList, listCall([](C c, ServerList* l, S s) { return ZVIGetListApplicationState(c, l, s); }), {0}},
        {"ZVIGetApplicationState", kGetState, 128, false, "ZVIGetApplicationState", at::GetApplicationState::status,
         nothing, [](C c, S s) { char state[255]; return ZVIGetApplicationState(c, appName, state, s); }, {0}},
        {"ZVISetApplicationState", kSetState, 129, true, "ZVISetApplicationState", 168, nothing,
         [](C c, S s) { return ZVISetApplicationState(c, appName, stateName, s); }, {0}, true},
        {"ZVIGetApplicationMessages", kMessages, 132, false, "ZVIGetApplicationMessages", at::ListResult::status,
         answerList, listCall([](C c, ServerList* l, S s) { return ZVIGetApplicationMessages(c, appName, l, s); }),
         {0}},
        {"ZVIGetListExtSchemaCandidates", kExtSchema, 106, false, "ZVIGetListExtSchemaCandidates",
         at::ExtSchema::status, [](void*, void* r) { hostList(r, at::ExtSchema::typeInfos, 2, 2312); },
         [](C c, S s) {
             FormTypeInfoList got{};
             const uint32_t rc = ZVIGetListExtSchemaCandidates(c, 5, &got, s);
             std::free(got.items);
             return rc;
         },
         {0}, true},
        {"ZVIGetMultipleExtFieldCandidates", kExtField, 107, false, "ZVIGetMultipleExtFieldCandidates",
         at::ExtField::status, answerExtField, [](C c, S s) { ExtFieldOutputs o; return o.release(o.get(c, s)); },
         {0}, true},
    };
}

}  // namespace

TEST_F(AccessTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(AccessTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// Names are copied into the request's buffers (cut at 254 characters, empty when not
// given), words and the user argument passed as they are, the rest left zero.
TEST_F(AccessTest, RequestsCarryNamesInTheirOwnBuffers) {
    const std::string longName(300, 'n');
    char* longText = const_cast<char*>(longName.c_str());
    struct Row {
        uint32_t slot;
        std::vector<std::pair<size_t, const char*>> names;  // offset, expected name
        size_t end, size;                                    // zero bytes from end to size
        std::function<uint32_t(ControlRecord*, StatusList*)> call;
    };
    ServerList list{};
    const std::string cut(254, 'n');
    const std::vector<Row> rows{
        {kGroups, {{at::GetListGroup::userName, "Demo"}}, at::GetListGroup::userArgument + 8, at::GetListGroup::size,
         [&](ControlRecord* c, StatusList* s) { return ZVIGetListGroup(c, userName, &userArgument, &list, s); }},
        {kGroups, {{at::GetListGroup::userName, ""}}, at::GetListGroup::userArgument + 8, at::GetListGroup::size,
         [&](ControlRecord* c, StatusList* s) { return ZVIGetListGroup(c, nullptr, &userArgument, &list, s); }},
        {kRoles, {{at::GetListRole::applicationName, cut.c_str()}, {at::GetListRole::userName, ""}},
         at::GetListRole::userArgument + 8, at::GetListRole::size,
         [&](ControlRecord* c, StatusList* s) { return ZVIGetListRole(c, longText, nullptr, &userArgument, &list, s); }},
        {kRoles, {{at::GetListRole::applicationName, "Approval"}, {at::GetListRole::userName, "Demo"}},
         at::GetListRole::userArgument + 8, at::GetListRole::size,
         [&](ControlRecord* c, StatusList* s) { return ZVIGetListRole(c, appName, userName, &userArgument, &list, s); }},
        {kSetState, {{at::SetApplicationState::applicationName, "Approval"}, {at::SetApplicationState::stateName, ""}},
         at::SetApplicationState::size, at::SetApplicationState::size,
         [](ControlRecord* c, StatusList* s) { return ZVISetApplicationState(c, appName, nullptr, s); }},
        {kSetState, {{at::SetApplicationState::applicationName, ""}, {at::SetApplicationState::stateName, cut.c_str()}},
         at::SetApplicationState::size, at::SetApplicationState::size,
         [&](ControlRecord* c, StatusList* s) { return ZVISetApplicationState(c, nullptr, longText, s); }},
        {kGetState, {{at::Application::applicationName, "Approval"}}, at::Application::size, at::Application::size,
         [](ControlRecord* c, StatusList* s) { char state[255]; return ZVIGetApplicationState(c, appName, state, s); }},
        {kMessages, {{at::Application::applicationName, ""}}, at::Application::size, at::Application::size,
         [&](ControlRecord* c, StatusList* s) { return ZVIGetApplicationMessages(c, nullptr, &list, s); }},
        {kUsers, {}, at::GetListUser::size, at::GetListUser::size,
         [&](ControlRecord* c, StatusList* s) { return ZVIGetListUser(c, 2, 1234, &list, s); }},
        {kExtSchema, {}, at::ExtSchema::size, at::ExtSchema::size,
         [](ControlRecord* c, StatusList* s) { return ZVIGetListExtSchemaCandidates(c, 9, nullptr, s); }},
    };
    for (const Row& row : rows) {
        host.on(row.slot, [&](void* q, void*) {
            for (auto [offset, name] : row.names) {
                EXPECT_STREQ(raw::inlineText(q, offset), name) << offset;
                EXPECT_TRUE(raw::zero(q, offset + std::strlen(name), offset + 255)) << "the rest of the buffer";
            }
            if (row.slot == kGroups) {
                EXPECT_EQ(raw::ptr(q, at::GetListGroup::userArgument), &userArgument);
            }
            if (row.slot == kRoles) {
                EXPECT_EQ(raw::ptr(q, at::GetListRole::userArgument), &userArgument);
            }
            if (row.slot == kUsers) {
                EXPECT_EQ(raw::u32(q, at::GetListUser::userListKind), 2u);
                EXPECT_EQ(raw::u32(q, at::GetListUser::sinceTime), 1234u);
            }
            if (row.slot == kExtSchema) {
                EXPECT_EQ(raw::u32(q, at::ExtSchema::candidateKind), 9u);
            }
            EXPECT_TRUE(raw::zero(q, row.end, row.size));
            return 1u;
        });
        EXPECT_EQ(row.call(&control, &status), 0u);
    }
    EXPECT_EQ(host.calls(kGroups) + host.calls(kRoles) + host.calls(kSetState), 6);
}

// The lists are moved unchanged; required ones refused without a call; counts emptied
// at entry except for the application messages; a failed call leaves them alone.
TEST_F(AccessTest, ListsAreRequiredEmptiedAndMoved) {
    host.clearEvents();
    char* items = nullptr;
    for (uint32_t slot : {kGroups, kUsers, kRoles, kStates, kMessages})
        host.on(slot, [&](void*, void* r) { return items = hostList(r, at::ListResult::list, 3, 40), 1u; });
    using Fn = std::function<uint32_t(ServerList*, StatusList*)>;
    const std::vector<std::pair<Fn, bool>> calls{  // the call, whether it empties the count at entry
        {[&](ServerList* l, StatusList* s) { return ZVIGetListGroup(&control, userName, nullptr, l, s); }, true},
        {[&](ServerList* l, StatusList* s) { return ZVIGetListUser(&control, 0, 0, l, s); }, true},
        {[&](ServerList* l, StatusList* s) { return ZVIGetListRole(&control, appName, userName, nullptr, l, s); }, true},
        {[&](ServerList* l, StatusList* s) { return ZVIGetListApplicationState(&control, l, s); }, true},
        {[&](ServerList* l, StatusList* s) { return ZVIGetApplicationMessages(&control, appName, l, s); }, false},
    };
    for (const auto& [call, empties] : calls) {
        EXPECT_EQ(call(nullptr, &status), 2u);
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 105)});
        zvi::releaseStatusList(&status, 0);
        ServerList old{9, &userArgument};
        EXPECT_EQ(call(&old, nullptr), 4u);
        EXPECT_EQ(old.numItems, empties ? 0u : 9u) << "emptied before the status list is looked at";
        EXPECT_EQ(call(&old, &status), 0u);
        EXPECT_EQ(old.numItems, 3u);
        EXPECT_EQ(old.items, items) << "moved, not copied";
        std::free(old.items);
    }
    EXPECT_TRUE(host.events().size() == 5 * 4) << "refused calls convert no control record";

    // Kind 2 is a kind; 3 is refused, after a missing list.
    ServerList users{};
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
    EXPECT_EQ(flags[0], 1u);
    EXPECT_EQ(flags[2], 3u);
    EXPECT_EQ(ZVIVerifyUser(&control, nullptr, nullptr, nullptr, &status), 0u);
    EXPECT_EQ(host.calls(kVerify), 2);

    // At most 254 characters, byte 254 always 0, the rest of the buffer untouched.
    for (size_t length : {300, 3}) {
        host.on(kGetState, [length](void*, void* r) {
            std::memset(static_cast<char*>(r) + at::GetApplicationState::stateName, 's', length < 255 ? length : 255);
            return 1u;
        });
        char state[255];
        std::memset(state, 'x', sizeof state);
        EXPECT_EQ(ZVIGetApplicationState(&control, appName, state, &status), 0u);
        EXPECT_EQ(std::string(state), std::string(length < 254 ? length : 254, 's'));
        EXPECT_EQ(state[254], '\0');
        if (length < 254) {
            EXPECT_EQ(state[length + 1], 'x');
        }
    }
    EXPECT_EQ(ZVIGetApplicationState(&control, appName, nullptr, &status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 105)});
}

// The candidates are sent as given (a zero description for none); a failing host's
// warnings arrive after the error, and the caller's outputs keep what they held.
TEST_F(AccessTest, CandidateQueriesSendTheDescriptionAndKeepOutputsOnFailure) {
    FormTypeInfo info;
    std::memset(&info, 0x5A, sizeof info);
    bool given = true;
    uint32_t ok = 1;
    host.on(kExtField, [&](void* q, void* r) {
        EXPECT_TRUE(given ? std::memcmp(raw::bytes(q, at::ExtField::formTypeInfo), &info, sizeof info) == 0
                          : raw::zero(q, at::ExtField::formTypeInfo, at::ExtField::size));
        answerExtField(q, r);
        fake::addMessage(statusAt(r, at::ExtField::status), ZVI_WARNING, 77, "host warning");
        return ok;
    });
    ExtFieldOutputs o;
    EXPECT_EQ(o.get(&control, &status, &info), 1u);
    EXPECT_EQ(o.mappings.numItems + o.limits.numItems + o.codes.numItems, 6u);
    o.release(0);
    zvi::releaseStatusList(&status, 0);

    given = false;
    ok = 0;
    uint32_t oldCodes[1] = {42};
    o.codes = UintList{1, oldCodes};
    o.mappings.numItems = 5;
    EXPECT_EQ(o.get(&control, &status), 2u);
    EXPECT_EQ(messages(status), (std::vector<Message>{catalogMessage(ZVI_ERROR, 9905, "ZVIGetMultipleExtFieldCandidates"),
                                                      {ZVI_WARNING, 77, "host warning", "", false}}));
    EXPECT_EQ(o.codes.items, oldCodes);
    EXPECT_EQ(o.mappings.numItems, 5u);
    EXPECT_EQ(ZVIGetMultipleExtFieldCandidates(&control, nullptr, nullptr, nullptr, nullptr, nullptr), 4u);
}
