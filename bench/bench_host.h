// A host whose hooks do nothing, handed to the library with the given service
// routines; the server-information routine answers without a character-set name.
#pragma once
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "zvi/host.h"
#include "zvi/zvi.h"

namespace bench_host {

inline void enter(uint8_t, uint32_t) {}
inline void leave(uint8_t) {}
inline void callerInfo(CallerInfo*) {}
inline uint32_t serverInfo(void*, void*, uint32_t) { return 1; }

template <class Fn>
void put(HostEntryTable& table, uint32_t slot, Fn fn) {
    std::memcpy(table.u.bytes + slot, &fn, sizeof fn);
}

// Fills the table and initialises the library with it.
inline void install(HostEntryTable& table, std::initializer_list<std::pair<uint32_t, ServiceRoutine>> routines) {
    std::memset(&table, 0, sizeof table);
    table.u.version = ZVI_INTERFACE_VERSION;
    put<EnterHook>(table, ZVI_SLOT_ENTER_HOOK, enter);
    put<LeaveHook>(table, ZVI_SLOT_LEAVE_HOOK, leave);
    put<CallerInfoHook>(table, ZVI_SLOT_CALLER_INFO_HOOK, callerInfo);
    put<ServiceRoutine>(table, 12616, serverInfo);
    for (auto [slot, routine] : routines) put<ServiceRoutine>(table, slot, routine);
    if (ZVIInitialization(&table, nullptr) != 0) std::abort();
}

}  // namespace bench_host
