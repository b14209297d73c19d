#include "tests/host/fake_host.h"
#include "tests/support/raw.h"

#include <utility>

#include "tests/support/alloc_injector.h"
#include "zvi/zvi.h"

namespace fake {
namespace {

constexpr size_t kSlots = (ZVI_SLOT_LAST - ZVI_SLOT_FIRST) / 8 + 1;

uint32_t flagsOf(uint32_t slot) {
#define ZVI_OPERATION(name, s, opcode, flags, text) \
    if (slot == (s)) return (flags);
#include "zvi/operations.def"
#undef ZVI_OPERATION
    return 0;
}
bool twoArgs(uint32_t slot) { return flagsOf(slot) & ZVI_F_TWO_ARGS; }

template <size_t I>
uint32_t service3(void* request, void* result, uint32_t) {
    return Host::current->dispatch(ZVI_SLOT_FIRST + 8 * I, request, result);
}
template <size_t I>
uint32_t service2(void* request, void* result) {
    return Host::current->dispatch(ZVI_SLOT_FIRST + 8 * I, request, result);
}

template <size_t... I>
void installServices(HostEntryTable& table, std::index_sequence<I...>) {
    auto put = [&table](uint32_t slot, void* fn) { std::memcpy(table.u.bytes + slot, &fn, sizeof fn); };
    ((twoArgs(ZVI_SLOT_FIRST + 8 * I) ? put(ZVI_SLOT_FIRST + 8 * I, reinterpret_cast<void*>(&service2<I>))
                                      : put(ZVI_SLOT_FIRST + 8 * I, reinterpret_cast<void*>(&service3<I>))),
     ...);
}

void enterHook(uint8_t, uint32_t opcode) { Host::current->record({Event::Enter, opcode}); }
void leaveHook(uint8_t) { Host::current->record({Event::Leave, 0}); }
void callerInfoHook(CallerInfo* info) { Host::current->recordCallerInfo(*info); }
uint32_t adminThreadCheck(uint32_t opcode) {
    Host::current->record({Event::Admin, opcode});
    return Host::current->adminCheck(opcode);
}

}  // namespace

Host* Host::current = nullptr;

Host::Host(uint32_t version) : routines_(kSlots) {
    table_.u.version = version;
    installServices(table_, std::make_index_sequence<kSlots>{});
    auto put = [this](uint32_t slot, void* fn) { std::memcpy(table_.u.bytes + slot, &fn, sizeof fn); };
    put(ZVI_SLOT_ENTER_HOOK, reinterpret_cast<void*>(&enterHook));
    put(ZVI_SLOT_LEAVE_HOOK, reinterpret_cast<void*>(&leaveHook));
    put(ZVI_SLOT_CALLER_INFO_HOOK, reinterpret_cast<void*>(&callerInfoHook));
    put(ZVI_SLOT_ADMIN_THREAD_CHECK, reinterpret_cast<void*>(&adminThreadCheck));

    serveCharSet();
    current = this;
}

void Host::serveCharSet() {
    // Request: the wanted identifiers (a counted list) at 168. Result: the information
    // list at 168, the status list at 184.
    on(12616, [this](void* q, void* r) -> uint32_t {
        if (failServerInfo) {
            addMessage(*reinterpret_cast<StatusList*>(static_cast<char*>(r) + 184), 2, 9905, "host failure");
            return 0u;  // the messages are left for the library to free
        }
        const raw::List ids = raw::list(q, 168);
        auto* items = static_cast<ServerInfo*>(std::calloc(ids.count, sizeof(ServerInfo)));
        for (uint32_t i = 0; i < ids.count; ++i) {
            items[i].infoId = static_cast<const uint32_t*>(ids.items)[i];
            items[i].value.dataType = ZVI_DATA_TEXT;
            items[i].value.payload.text = text(charSetName.c_str());
        }
        raw::putList(r, 168, ids.count, items);
        return 1u;
    });
}

Host::~Host() {
    if (current == this) current = nullptr;
}

uint32_t Host::initialize(StatusList* status) {
    return ZVIInitialization(&table_, status);
}

uint32_t Host::dispatch(uint32_t slot, void* request, void* result) {
    record({Event::Service, slot});
    alloc::Paused hostSide;
    // The host's context words head the results of operations that write them back.
    if (!(flagsOf(slot) & (ZVI_F_NO_CONTROL | ZVI_F_NO_WRITE_BACK))) {
        std::memcpy(result, &contextWord0, 4);
        std::memcpy(static_cast<char*>(result) + 4, &contextWord1, 4);
    }
    const Routine& routine = routines_[index(slot)];
    return routine ? routine(request, result) : 1;
}

void Host::recordCallerInfo(const CallerInfo& info) {
    std::lock_guard lock(mutex_);
    lastCallerInfo_ = info;
    events_.push_back({Event::CallerInfo, info.value0});
}

CallerInfo Host::lastCallerInfo() {
    std::lock_guard lock(mutex_);
    return lastCallerInfo_;
}

void Host::record(Event e) {
    std::lock_guard lock(mutex_);
    events_.push_back(e);
}

std::vector<Event> Host::events() {
    std::lock_guard lock(mutex_);
    return events_;
}

void Host::clearEvents() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

int Host::calls(uint32_t slot) {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const Event& e : events_) n += e.kind == Event::Service && e.value == slot;
    return n;
}

char* text(const char* s) { return strdup(s); }

void addMessage(StatusList& list, uint32_t type, uint32_t number, const char* message, const char* detail) {
    list.entries = static_cast<StatusEntry*>(std::realloc(list.entries, (list.numItems + 1) * sizeof(StatusEntry)));
    list.entries[list.numItems++] = StatusEntry{type, number, text(message), detail ? text(detail) : nullptr};
}

}  // namespace fake
