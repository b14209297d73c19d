// Users, groups, roles, application state and extension candidates: request and result
// bytes at the offsets of the record tables, checks, defaults and hand-over.
#include <gtest/gtest.h>

#include "tests/support/definitions.h"

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
namespace ExtSchema { constexpr size_t candidateKind = 168, size = 176; }  // its result as ListResult
namespace ExtField { constexpr size_t formTypeInfo = 168, size = 2480, lists = 168 /* 3, 16 apart */, status = 216; }
}  // namespace at

constexpr uint32_t kGroups = 12568, kUsers = 12576, kVerify = 12584, kRoles = 13200, kStates = 13208,
                   kGetState = 13216, kSetState = 13224, kMessages = 13232, kExtSchema = 13040, kExtField = 13048;
char appName[] = "Approval", userName[] = "Demo", stateName[] = "Running";
std::string longName(300, 'n');  // cut at 254 characters
int userArgument = 7;
FormTypeInfo typeInfo;  // filled with 0x5A by ops()

// A request's names in their buffers, zero bytes from the last one's end to the record's size.
void expectNames(void* q, std::initializer_list<std::pair<size_t, std::string>> names, size_t size) {
    for (const auto& [at, name] : names) EXPECT_EQ(raw::inlineText(q, at), name) << at;
    const auto& last = *(names.end() - 1);
    EXPECT_TRUE(raw::zero(q, last.first + last.second.size(), size));
}

using C = ControlRecord*;
using S = StatusList*;
using ListCall = uint32_t (*)(C, ServerList*, S);
uint32_t groups(C c, ServerList* l, S s) { return ZVIGetListGroup(c, userName, &userArgument, l, s); }
uint32_t users(C c, ServerList* l, S s) { return ZVIGetListUser(c, 2, 99, l, s); }
uint32_t roles(C c, ServerList* l, S s) { return ZVIGetListRole(c, appName, nullptr, &userArgument, l, s); }
uint32_t states(C c, ServerList* l, S s) { return ZVIGetListApplicationState(c, l, s); }
uint32_t appMessages(C c, ServerList* l, S s) { return ZVIGetApplicationMessages(c, nullptr, l, s); }
uint32_t schemas(C c, ServerList* l, S s) {  // the same layout
    return ZVIGetListExtSchemaCandidates(c, 5, reinterpret_cast<FormTypeInfoList*>(l), s);
}

// A list operation's row: the host's list is moved to the caller. A call that hands
// nothing over empties the caller's list at entry, except for the application messages
// and the candidates (whose failing host's messages precede 9905).
char* hostItems = nullptr;
DefinitionOp listRow(const char* name, uint32_t slot, uint32_t opcode, ListCall call,
                     std::function<void(void*)> request = [](void*) {}) {
    return {name, slot, opcode, false, name, at::ListResult::status,
            [request](void* q, void* r) { request(q), hostItems = hostList(r, at::ListResult::list, 2, 24); },
            [call](C c, S s) {
                ServerList got{9, nullptr};
                const uint32_t rc = call(c, &got, s);
                EXPECT_EQ(got.numItems, rc < 2 ? 2u : call == appMessages || call == schemas ? 9u : 0u);
                EXPECT_EQ(got.items, rc < 2 ? hostItems : nullptr);
                std::free(got.items);
                return rc;
            },
            {0}, nullptr, call == schemas};
}

using AccessTest = DefinitionsTest;

// Every operation with its arguments given; the host checks what it receives.
std::vector<DefinitionOp> ops() {
    using namespace at;
    std::memset(&typeInfo, 0x5A, sizeof typeInfo);
    return {
        listRow("ZVIGetListGroup", kGroups, 33, groups, [](void* q) {
            expectNames(q, {{GetListGroup::userName, "Demo"}}, GetListGroup::userArgument);
            EXPECT_EQ(raw::ptr(q, GetListGroup::userArgument), &userArgument);
        }),
        listRow("ZVIGetListUser", kUsers, 46, users, [](void* q) {
            EXPECT_EQ(raw::u32(q, GetListUser::userListKind), 2u);
            EXPECT_EQ(raw::u32(q, GetListUser::sinceTime), 99u);
        }),
        listRow("ZVIGetListRole", kRoles, 126, roles, [](void* q) {
            expectNames(q, {{GetListRole::applicationName, "Approval"}, {GetListRole::userName, ""}},
                        GetListRole::userArgument);
            EXPECT_EQ(raw::ptr(q, GetListRole::userArgument), &userArgument);
        }),
        listRow("ZVIGetListApplicationState", kStates, 127, states),
        listRow("ZVIGetApplicationMessages", kMessages, 132, appMessages,
                [](void* q) { expectNames(q, {{Application::applicationName, ""}}, Application::size); }),
        // The flags given are set to 0 at entry, then take the host's bytes.
        {"ZVIVerifyUser", kVerify, 32, false, "ZVIVerifyUser", VerifyUser::status,
         [](void*, void* r) { std::memcpy(static_cast<char*>(r) + VerifyUser::flag1, "\1\2\3", 3); },
         [](C c, S s) {
             uint8_t flags[3] = {9, 9, 9};
             const uint32_t rc = ZVIVerifyUser(c, &flags[0], nullptr, &flags[2], s);
             EXPECT_EQ(flags[0] * 100 + flags[1] * 10 + flags[2], rc < 2 ? 193 : 90);
             return rc;
         }, {0}},
        // The host's name, the rest of the caller's buffer untouched but for byte 254, set to 0.
        {"ZVIGetApplicationState", kGetState, 128, false, "ZVIGetApplicationState", GetApplicationState::status,
         [](void* q, void* r) {
             expectNames(q, {{Application::applicationName, "Approval"}}, Application::size);
             std::memcpy(static_cast<char*>(r) + GetApplicationState::stateName, "sss", 4);
         },
         [](C c, S s) {
             std::string state(255, 'x');
             const uint32_t rc = ZVIGetApplicationState(c, appName, state.data(), s);
             EXPECT_EQ(state, rc < 2 ? std::string("sss\0", 4) + std::string(250, 'x') + '\0' : std::string(255, 'x'));
             return rc;
         }, {0}},
        {"ZVISetApplicationState", kSetState, 129, true, "ZVISetApplicationState", 168,
         [](void* q, void*) {
             expectNames(q, {{SetApplicationState::applicationName, std::string(254, 'n')},
                             {SetApplicationState::stateName, "Running"}}, SetApplicationState::size);
         },
         [](C c, S s) { return ZVISetApplicationState(c, longName.data(), stateName, s); }, {0}, nullptr, true},
        listRow("ZVIGetListExtSchemaCandidates", kExtSchema, 106, schemas, [](void* q) {
            EXPECT_EQ(raw::u32(q, ExtSchema::candidateKind), 5u);
            EXPECT_TRUE(raw::zero(q, ExtSchema::candidateKind + 4, ExtSchema::size));
        }),
        // The description is sent as given; the outputs of a failed call keep what they held.
        {"ZVIGetMultipleExtFieldCandidates", kExtField, 107, false, "ZVIGetMultipleExtFieldCandidates",
         ExtField::status,
         [](void* q, void* r) {
             EXPECT_EQ(std::memcmp(raw::bytes(q, ExtField::formTypeInfo), &typeInfo, sizeof typeInfo), 0);
             hostLists(r, ExtField::lists, {268, 688, 4}, 2, [](size_t, char*, uint32_t) {});
         },
         [](C c, S s) {
             FieldMappingList mappings{5, nullptr};
             UintList codes{1, nullptr};  // the limits, not asked for, are the library's to release
             const uint32_t rc = ZVIGetMultipleExtFieldCandidates(c, &typeInfo, &mappings, nullptr, &codes, s);
             EXPECT_EQ(codes.numItems == 1 && mappings.numItems == 5, rc >= 2);
             std::free(mappings.items);
             std::free(codes.items);
             return rc;
         }, {0}, nullptr, true},
    };
}

}  // namespace

TEST_F(AccessTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(AccessTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// Required lists and the state name are refused without a call (105); a user list kind
// past 2 is refused (235), after a missing list.
TEST_F(AccessTest, RequiredOutputsAndTheUserListKindAreChecked) {
    ServerList list{};
    std::vector<CheckRow> rows{{[&] { return ZVIGetApplicationState(&control, appName, nullptr, &status); }, 2, 105},
                               {[&] { return ZVIGetListUser(&control, 3, 0, &list, &status); }, 2, 235},
                               {[&] { return ZVIGetListUser(&control, 3, 0, nullptr, &status); }, 2, 105}};
    for (ListCall call : {groups, users, roles, states, appMessages})
        rows.push_back({[this, call] { return call(&control, nullptr, &status); }, 2, 105});
    checkArguments(rows);
}

// The state name takes at most 254 characters of a host's name without a terminator.
TEST_F(AccessTest, StateNameIsBounded) {
    host.on(kGetState, [](void*, void* r) {
        return std::memset(static_cast<char*>(r) + at::GetApplicationState::stateName, 's', 255), 1u;
    });
    char state[255];
    EXPECT_EQ(ZVIGetApplicationState(&control, appName, state, &status), 0u);
    EXPECT_EQ(std::string(state, 255), std::string(254, 's') + '\0');
}
