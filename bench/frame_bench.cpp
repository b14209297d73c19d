// The cost of the call frame: ZVIDeleteEntry through the frame against calling the
// same host routine directly with the same records, and the cost of one message.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bridge/status.h"
#include "zvi/host.h"
#include "zvi/zvi.h"

namespace {

uint32_t nothing(void*, void*, uint32_t) { return 1; }
void enter(uint8_t, uint32_t) {}
void leave(uint8_t) {}
void callerInfo(CallerInfo*) {}
uint32_t serverInfo(void*, void*, uint32_t) { return 1; }

template <class Fn>
void put(HostEntryTable& t, uint32_t slot, Fn fn) {
    std::memcpy(t.u.bytes + slot, &fn, sizeof fn);
}

struct Setup {
    HostEntryTable table{};
    Setup() {
        table.u.version = ZVI_INTERFACE_VERSION;
        put<EnterHook>(table, ZVI_SLOT_ENTER_HOOK, enter);
        put<LeaveHook>(table, ZVI_SLOT_LEAVE_HOOK, leave);
        put<CallerInfoHook>(table, ZVI_SLOT_CALLER_INFO_HOOK, callerInfo);
        put<ServiceRoutine>(table, 12616, serverInfo);
        put<ServiceRoutine>(table, 12264, nothing);
        ZVIInitialization(&table, nullptr);
    }
};

void BM_DeleteEntryThroughFrame(benchmark::State& state) {
    static Setup setup;
    ControlRecord control{};
    char schema[] = "HelpDesk";
    EntryId id = "000000000000001";
    EntryIdList ids{1, &id};
    StatusList status{};
    for (auto _ : state) benchmark::DoNotOptimize(ZVIDeleteEntry(&control, schema, &ids, 0, &status));
}
BENCHMARK(BM_DeleteEntryThroughFrame);

void BM_HostRoutineDirect(benchmark::State& state) {
    static Setup setup;
    ServiceRoutine routine;
    std::memcpy(&routine, setup.table.u.bytes + 12264, sizeof routine);
    DeleteEntryRequest request{};
    DeleteEntryResult result{};
    benchmark::DoNotOptimize(&request);
    for (auto _ : state) {
        benchmark::ClobberMemory();
        benchmark::DoNotOptimize(routine(&request, &result, 0));
    }
}
BENCHMARK(BM_HostRoutineDirect);

void BM_AppendOneMessage(benchmark::State& state) {
    StatusList status{};
    for (auto _ : state) {
        zvi::appendStatus(&status, ZVI_ERROR, 9905, "ZVIDeleteEntry");
        zvi::releaseStatusList(&status, 0);
    }
}
BENCHMARK(BM_AppendOneMessage);

}  // namespace
