// The cost of the call frame: ZVIDeleteEntry through the frame against calling the
// same host routine directly with the same records, and the cost of one message.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/bench_host.h"
#include "bridge/status.h"
#include "zvi/host.h"
#include "zvi/zvi.h"

namespace {

uint32_t nothing(void*, void*, uint32_t) { return 1; }

HostEntryTable table;

void BM_DeleteEntryThroughFrame(benchmark::State& state) {
    bench_host::install(table, {{12264, nothing}});
    ControlRecord control{};
    char schema[] = "HelpDesk";
    EntryId id = "000000000000001";
    EntryIdList ids{1, &id};
    StatusList status{};
    for (auto _ : state) benchmark::DoNotOptimize(ZVIDeleteEntry(&control, schema, &ids, 0, &status));
}
BENCHMARK(BM_DeleteEntryThroughFrame);

void BM_HostRoutineDirect(benchmark::State& state) {
    bench_host::install(table, {{12264, nothing}});
    ServiceRoutine routine;
    std::memcpy(&routine, table.u.bytes + 12264, sizeof routine);
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
