#include <nl_types.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/catalog_slots.h"
#include "platform/zvutl.h"

#ifndef ZVI_CATALOG_DIR
#define ZVI_CATALOG_DIR "/usr/local/share/zvi"
#endif

namespace zvi::utl {
namespace {

CatalogSlots<nl_catd> slots;
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
    return slots.claim(catd);
}

char* catalogGet(uint32_t handle, int set, int number, const char* fallback) {
    nl_catd catd = slots.at(handle);
    const char* text = catd ? catgets(catd, set, number, fallback) : fallback;
    return text ? strdup(text) : nullptr;  // catgets keeps its texts: hand out a copy
}

void catalogClose(uint32_t handle) {
    if (nl_catd catd = slots.release(handle)) catclose(catd);
}

}  // namespace zvi::utl
