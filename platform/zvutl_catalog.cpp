#include <nl_types.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/zvutl.h"

#ifndef ZVI_CATALOG_DIR
#define ZVI_CATALOG_DIR "/usr/local/share/zvi"
#endif

namespace zvi::utl {
namespace {
// 32-bit handles index this table of open catalogs.
std::mutex catalogsMutex;
std::vector<nl_catd> catalogs;

nl_catd catalogAt(uint32_t handle) {
    std::lock_guard lock(catalogsMutex);
    return handle < catalogs.size() ? catalogs[handle] : nullptr;
}
}  // namespace

uint32_t catalogOpen(const char* name, int flags) {
    nl_catd catd = catopen(name, flags);
    if (catd == reinterpret_cast<nl_catd>(-1) && !std::getenv("NLSPATH") && !std::strchr(name, '/')) {
        // Without NLSPATH, the catalog installed beside the library.
        std::string path = std::string(ZVI_CATALOG_DIR "/") + name;
        catd = catopen(path.c_str(), flags);
    }
    if (catd == reinterpret_cast<nl_catd>(-1)) return kNoCatalog;
    std::lock_guard lock(catalogsMutex);
    for (uint32_t i = 0; i < catalogs.size(); ++i) {
        if (!catalogs[i]) {
            catalogs[i] = catd;
            return i;
        }
    }
    catalogs.push_back(catd);
    return static_cast<uint32_t>(catalogs.size() - 1);
}

char* catalogGet(uint32_t handle, int set, int number, const char* fallback) {
    nl_catd catd = catalogAt(handle);
    const char* text = catd ? catgets(catd, set, number, fallback) : fallback;
    return text ? strdup(text) : nullptr;  // catgets keeps its texts: hand out a copy
}

void catalogClose(uint32_t handle) {
    nl_catd catd = nullptr;
    {
        std::lock_guard lock(catalogsMutex);
        if (handle >= catalogs.size()) return;
        catd = catalogs[handle];
        catalogs[handle] = nullptr;
    }
    if (catd) catclose(catd);
}

}  // namespace zvi::utl
