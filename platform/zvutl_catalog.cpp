#include <nl_types.h>
#include <sched.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/zvutl.h"

#ifndef ZVI_CATALOG_DIR
#define ZVI_CATALOG_DIR "/usr/local/share/zvi"
#endif

namespace zvi::utl {
namespace {

// 32-bit handles index a fixed table of open catalogs: nothing is allocated for a
// handle and nothing stays behind when it is closed. A lookup holds its handle only
// from open to close, so the table bounds the lookups in flight at one time; an open
// that finds every slot taken waits for one to come free rather than fail.
constexpr uint32_t kSlots = 64;
std::atomic<nl_catd> slots[kSlots];

nl_catd slotAt(uint32_t handle) {
    return handle < kSlots ? slots[handle].load(std::memory_order_acquire) : nullptr;
}

uint32_t claimSlot(nl_catd catd) {
    for (;;) {
        for (uint32_t i = 0; i < kSlots; ++i) {
            nl_catd expected = nullptr;
            if (slots[i].compare_exchange_strong(expected, catd, std::memory_order_acq_rel)) return i;
        }
        sched_yield();
    }
}

const nl_catd kFailed = reinterpret_cast<nl_catd>(-1);

}  // namespace

uint32_t catalogOpen(const char* name, int flags) {
    nl_catd catd = catopen(name, flags);
    if (catd == kFailed && !std::getenv("NLSPATH") && !std::strchr(name, '/')) {
        // Without NLSPATH, the catalog installed beside the library.
        char path[4096];
        const int n = std::snprintf(path, sizeof path, "%s/%s", ZVI_CATALOG_DIR, name);
        if (n > 0 && static_cast<size_t>(n) < sizeof path) catd = catopen(path, flags);
    }
    if (catd == kFailed) return kNoCatalog;
    return claimSlot(catd);
}

char* catalogGet(uint32_t handle, int set, int number, const char* fallback) {
    nl_catd catd = slotAt(handle);
    const char* text = catd ? catgets(catd, set, number, fallback) : fallback;
    return text ? strdup(text) : nullptr;  // catgets keeps its texts: hand out a copy
}

void catalogClose(uint32_t handle) {
    if (handle >= kSlots) return;
    nl_catd catd = slots[handle].exchange(nullptr, std::memory_order_acq_rel);
    if (catd) catclose(catd);
}

}  // namespace zvi::utl
