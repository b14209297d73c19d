// The demo host: loads the library as the server does, hands it an entry table built
// from a small in-memory server, and runs a short plug-in session, printing each
// call, its return value and every message with its catalog text.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/reference_host.h"
#include "zvi/zvi.h"

namespace {

struct Library {
    void* handle;
    decltype(&ZVIInitialization) initialization;
    decltype(&ZVIDeleteEntry) deleteEntry;

    template <class Fn>
    Fn symbol(const char* name) {
        void* p = dlsym(handle, name);
        if (!p) {
            std::fprintf(stderr, "missing export %s\n", name);
            std::exit(1);
        }
        return reinterpret_cast<Fn>(p);
    }
};

void show(const char* call, uint32_t rc, StatusList* status) {
    std::printf("%s -> %u\n", call, rc);
    if (!status) return;
    for (uint32_t i = 0; i < status->numItems; ++i) {
        const StatusEntry& e = status->entries[i];
        std::printf("    [type %u] %u: %s%s%s\n", e.messageType, e.messageNum, e.messageText ? e.messageText : "",
                    e.appendedText ? " : " : "", e.appendedText ? e.appendedText : "");
    }
}

// Releases a status list the library handed over.
void release(StatusList& status) {
    for (uint32_t i = 0; i < status.numItems; ++i) {
        std::free(status.entries[i].messageText);
        std::free(status.entries[i].appendedText);
    }
    std::free(status.entries);
    status = StatusList{};
}

EntryIdList oneEntry(EntryId& id, const char* value) {
    std::snprintf(id, sizeof id, "%s", value);
    return EntryIdList{1, &id};
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : ZVI_DEFAULT_LIBRARY;
    Library lib{dlopen(path, RTLD_NOW | RTLD_LOCAL), nullptr, nullptr};
    if (!lib.handle) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return 1;
    }
    lib.initialization = lib.symbol<decltype(lib.initialization)>("ZVIInitialization");
    lib.deleteEntry = lib.symbol<decltype(lib.deleteEntry)>("ZVIDeleteEntry");
    std::printf("loaded %s\n", path);

    demo::Store store;
    store.forms["HelpDesk"] = {"000000000000001", "000000000000002", "000000000000003"};
    HostEntryTable table = demo::makeHostTable(store);

    StatusList status{};
    show("ZVIInitialization(version 20)", lib.initialization(&table, &status), &status);

    ControlRecord control{};
    std::snprintf(control.text1, sizeof control.text1, "Demo");
    char form[] = "HelpDesk";
    EntryId id;

    EntryIdList entry = oneEntry(id, "000000000000002");
    show("ZVIDeleteEntry(HelpDesk, 000000000000002)", lib.deleteEntry(&control, form, &entry, 0, &status), &status);
    release(status);

    EntryId two[2] = {"000000000000001", "000000000000003"};
    EntryIdList pair{2, two};
    show("ZVIDeleteEntry(HelpDesk, two entries: rejected by the host)",
         lib.deleteEntry(&control, form, &pair, 0, &status), &status);
    release(status);

    entry = oneEntry(id, "000000000000999");
    show("ZVIDeleteEntry(HelpDesk, unknown 000000000000999)", lib.deleteEntry(&control, form, &entry, 0, &status),
         &status);
    release(status);

    show("ZVIDeleteEntry(without a status list)", lib.deleteEntry(&control, form, &entry, 0, nullptr), nullptr);

    std::printf("entries left in HelpDesk: %zu\n", store.forms["HelpDesk"].size());
    dlclose(lib.handle);
    std::printf("session complete\n");
    return 0;
}
