// Users, groups, roles and application state.
#include "definitions/shape.h"
#include "zvi/zvi.h"

using namespace zvi;
using namespace zvi::shape;

namespace zvi::shape {

// The items of these lists are the host's layout: only the array is the library's to
// free when a failed call leaves one behind.
template <> struct Structure<ServerList> : ReleasedBy<releaseItems<ServerList>> {};

}  // namespace zvi::shape

namespace {

using ListResult = ServerListResult;

// A user flag: set to 0 at entry when given, then the host's byte.
template <auto Field>
struct UserFlag : out::Word<Field> {
    void empty() {
        if (this->out) *this->out = 0;
    }
};
template <auto Field>
UserFlag<Field> userFlag(uint8_t* out) {
    return {out::word<Field>(out)};
}

// The application's state: at most 254 characters of the host's name, and byte 254 of
// the caller's buffer set to 0 whatever the name's length.
template <auto Field>
struct StateName : Part {
    char* out;
    template <class F, class R>
    void deliver(F&, R& r) {
        utl::boundedCopy(out, r.*Field, ZVI_NAME_SIZE - 1);
        out[ZVI_NAME_SIZE - 1] = '\0';
    }
};

// A list output the call cannot go without.
Rule required(const void* out) { return {out == nullptr, msg::kRowsOutputMissing}; }

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetListGroup(ControlRecord* control, char* userName, void* userArgument, GroupList* groups,
                                 StatusList* status) {
    using Q = GetListGroupRequest;
    Call<Q, ListResult> f(Op::GetListGroup, control, status);
    return send(f, {required(groups)},
                in::name<&Q::userName>(userName),
                in::arg<&Q::userArgument>(userArgument),
                out::moved<&ListResult::list>(groups));
}

ZVI_API uint32_t ZVIGetListUser(ControlRecord* control, uint32_t userListKind, uint32_t sinceTime, UserList* users,
                                StatusList* status) {
    using Q = GetListUserRequest;
    Call<Q, ListResult> f(Op::GetListUser, control, status);
    return send(f, {required(users), {userListKind >= 3, msg::kUserListKindInvalid}},
                in::arg<&Q::userListKind>(userListKind),
                in::arg<&Q::sinceTime>(sinceTime),
                out::moved<&ListResult::list>(users));
}

ZVI_API uint32_t ZVIVerifyUser(ControlRecord* control, uint8_t* userFlag1, uint8_t* userFlag2, uint8_t* userFlag3,
                               StatusList* status) {
    using R = VerifyUserResult;
    Call<ControlOnlyRequest, R> f(Op::VerifyUser, control, status);
    return send(f, {},
                userFlag<&R::userFlag1>(userFlag1),
                userFlag<&R::userFlag2>(userFlag2),
                userFlag<&R::userFlag3>(userFlag3));
}

ZVI_API uint32_t ZVIGetListRole(ControlRecord* control, char* applicationName, char* userName, void* userArgument,
                                RoleList* roles, StatusList* status) {
    using Q = GetListRoleRequest;
    Call<Q, ListResult> f(Op::GetListRole, control, status);
    return send(f, {required(roles)},
                in::name<&Q::applicationName>(applicationName),
                in::name<&Q::userName>(userName),
                in::arg<&Q::userArgument>(userArgument),
                out::moved<&ListResult::list>(roles));
}

ZVI_API uint32_t ZVIGetListApplicationState(ControlRecord* control, ApplicationStateList* states,
                                            StatusList* status) {
    Call<ControlOnlyRequest, ListResult> f(Op::GetListApplicationState, control, status);
    return send(f, {required(states)}, out::moved<&ListResult::list>(states));
}

// The state name is a required output like the lists: without a buffer the call ends
// with 105 before the host is called.
ZVI_API uint32_t ZVIGetApplicationState(ControlRecord* control, char* applicationName, char* stateName,
                                        StatusList* status) {
    using Q = ApplicationRequest;
    using R = GetApplicationStateResult;
    Call<Q, R> f(Op::GetApplicationState, control, status);
    return send(f, {required(stateName)},
                in::name<&Q::applicationName>(applicationName),
                StateName<&R::stateName>{{0, true}, stateName});
}

// A host routine that fails hands its messages over, followed by 9905 (the slot map's
// variant for this operation); the context words stay as they were.
ZVI_API uint32_t ZVISetApplicationState(ControlRecord* control, char* applicationName, char* stateName,
                                        StatusList* status) {
    using Q = SetApplicationStateRequest;
    Call<Q, StatusResult> f(Op::SetApplicationState, control, status);
    return send(f, {},
                in::name<&Q::applicationName>(applicationName),
                in::name<&Q::stateName>(stateName));
}

ZVI_API uint32_t ZVIGetApplicationMessages(ControlRecord* control, char* applicationName,
                                           ApplicationMessageList* messages, StatusList* status) {
    using Q = ApplicationRequest;
    Call<Q, ListResult> f(Op::GetApplicationMessages, control, status);
    return send(f, {required(messages)},
                in::name<&Q::applicationName>(applicationName),
                kept(out::moved<&ListResult::list>(messages)));
}

}  // extern "C"
