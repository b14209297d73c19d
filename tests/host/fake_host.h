// A scripted host: a real HostEntryTable whose entry points are trampolines into
// handlers the test sets. Handlers see the request while the call runs and fill the
// result with heap memory, as the server does. Hook calls are recorded in order.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "zvi/host.h"

namespace fake {

struct Event {
    enum Kind { Enter, Leave, CallerInfo, Admin, Service } kind;
    uint32_t value;  // opcode, slot, or the first caller-info word
    bool operator==(const Event& o) const { return kind == o.kind && value == o.value; }
};

class Host {
public:
    using Routine = std::function<uint32_t(void* request, void* result)>;

    explicit Host(uint32_t version = ZVI_INTERFACE_VERSION);
    ~Host();

    // Sets the handler of the entry at slot; Req and Res are the record types.
    template <class Req, class Res, class F>
    void on(uint32_t slot, F handler) {
        routines_[index(slot)] = [handler](void* q, void* s) -> uint32_t {
            return handler(*static_cast<Req*>(q), *static_cast<Res*>(s));
        };
    }
    void on(uint32_t slot, Routine routine) { routines_[index(slot)] = std::move(routine); }

    // Hands the table to the library; returns ZVIInitialization's result.
    uint32_t initialize(StatusList* status = nullptr);
    // (Re)installs the server-information routine that answers the character-set
    // question (installed from the start).
    void serveCharSet();
    const HostEntryTable& table() const { return table_; }

    std::vector<Event> events();
    void clearEvents();
    int calls(uint32_t slot);

    // Admin check answer; the server's character-set name and whether the
    // information routine fails.
    std::function<uint32_t(uint32_t)> adminCheck = [](uint32_t) { return 1u; };
    std::string charSetName = "UTF-8";
    bool failServerInfo = false;
    // The control head the host writes into every result.
    int32_t contextWord0 = 0x11111111;
    int32_t contextWord1 = 0x22222222;
    CallerInfo lastCallerInfo();

    // Dispatch (used by the trampolines).
    static Host* current;
    uint32_t dispatch(uint32_t slot, void* request, void* result);
    void record(Event e);
    void recordCallerInfo(const CallerInfo& info);

private:
    static size_t index(uint32_t slot) { return (slot - ZVI_SLOT_FIRST) / 8; }
    HostEntryTable table_{};
    std::vector<Routine> routines_;
    std::vector<Event> events_;
    CallerInfo lastCallerInfo_{};
    std::mutex mutex_;
};

// Helpers for handlers: heap texts and lists as the host returns them.
char* text(const char* s);
void addMessage(StatusList& list, uint32_t type, uint32_t number, const char* text, const char* detail = nullptr);

}  // namespace fake
