// Per-call context: the thread's allocation context, the caller's control record as
// the host sees it, and the server's character set.
#pragma once
#include <atomic>
#include <cstdint>

#include "zvi/host.h"

namespace zvi {

constexpr uint32_t kCharSetUnset = 0xFFFFFFFFu;
// The server's character-set code, unset until the first successful discovery.
extern std::atomic<uint32_t> serverCharSetCode;

void ensureThreadAllocator();
uint32_t convertControlRecord(RequestControl* out, const ControlRecord* in);
// Asks the host for its character-set name and caches its code; false when the host
// routine failed (the code stays unset).
bool discoverServerCharSet();
void callCallerInfoHook();

}  // namespace zvi
