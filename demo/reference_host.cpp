#include "demo/reference_host.h"

#include <cstdlib>
#include <cstring>

namespace demo {
namespace {

Store* store = nullptr;

char* heapText(const std::string& s) { return strdup(s.c_str()); }

void addMessage(StatusList& list, uint32_t type, uint32_t number, const std::string& text,
                const std::string& detail) {
    list.entries = static_cast<StatusEntry*>(std::realloc(list.entries, (list.numItems + 1) * sizeof(StatusEntry)));
    list.entries[list.numItems++] = StatusEntry{type, number, heapText(text), heapText(detail)};
}

void enterHook(uint8_t, uint32_t) {}
void leaveHook(uint8_t) {}
void callerInfoHook(CallerInfo*) {}
uint32_t adminThreadCheck(uint32_t) { return 1; }

uint32_t getServerInfo(void* request, void* result, uint32_t) {
    auto& q = *static_cast<GetServerInfoRequest*>(request);
    auto& r = *static_cast<GetServerInfoResult*>(result);
    r.serverInfo.items = static_cast<ServerInfo*>(std::calloc(q.requestList.numItems, sizeof(ServerInfo)));
    for (uint32_t i = 0; i < q.requestList.numItems; ++i) {
        ServerInfo& info = r.serverInfo.items[r.serverInfo.numItems++];
        info.infoId = q.requestList.items[i];
        if (info.infoId == ZVI_SERVER_INFO_CHARSET) {
            info.value.dataType = ZVI_DATA_TEXT;
            info.value.payload.text = heapText(store->charSet);
        }
    }
    return 1;
}

uint32_t deleteEntry(void* request, void* result, uint32_t) {
    auto& q = *static_cast<DeleteEntryRequest*>(request);
    auto& r = *static_cast<DeleteEntryResult*>(result);
    auto form = store->forms.find(q.schema ? q.schema : "");
    if (form == store->forms.end()) {
        addMessage(r.status, ZVI_ERROR, 303, "Form does not exist on server", q.schema ? q.schema : "");
        return 1;
    }
    if (q.entryId.numItems != 1) {
        addMessage(r.status, ZVI_ERROR, 9905, "Only single entries can be deleted here", "");
        return 0;  // the host refuses: the library reports the call as failed
    }
    const std::string id = q.entryId.items[0];
    if (form->second.erase(id) == 0) {
        addMessage(r.status, ZVI_ERROR, 302, "Entry does not exist in database", id);
        return 1;
    }
    addMessage(r.status, ZVI_NOTE, 1, "Entry deleted", id);
    return 1;
}

template <class Fn>
void put(HostEntryTable& table, uint32_t slot, Fn fn) {
    std::memcpy(table.u.bytes + slot, &fn, sizeof fn);
}

}  // namespace

HostEntryTable makeHostTable(Store& s) {
    store = &s;
    HostEntryTable table{};
    table.u.version = ZVI_INTERFACE_VERSION;
    put<EnterHook>(table, ZVI_SLOT_ENTER_HOOK, enterHook);
    put<LeaveHook>(table, ZVI_SLOT_LEAVE_HOOK, leaveHook);
    put<CallerInfoHook>(table, ZVI_SLOT_CALLER_INFO_HOOK, callerInfoHook);
    put<AdminThreadCheck>(table, ZVI_SLOT_ADMIN_THREAD_CHECK, adminThreadCheck);
    put<ServiceRoutine>(table, 12616, getServerInfo);
    put<ServiceRoutine>(table, 12264, deleteEntry);
    return table;
}

}  // namespace demo
