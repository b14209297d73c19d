// Importing a 10 MB definition text declared as Latin-1 into a UTF-8 server (the
// declaration found, the text converted once into a buffer sized for the worst case,
// the host called), beside a bare converter pass over the same bytes: with an output
// buffer allocated per pass as the import does, and with one allocated once. Compare
// the CPU columns.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_host.h"
#include "bridge/control.h"
#include "bridge/status.h"
#include "platform/zvutl.h"

namespace {

constexpr size_t kTextSize = 10u << 20;
constexpr uint32_t kImportSlot = 12600;

const std::string& definitions() {
    static const std::string text = [] {
        std::string t = "# exported definitions\nchar-set: ISO-8859-1\n";
        const std::string line = "field: 536870913 4 Num\xE9ro de s\xE9rie du mat\xE9riel achet\xE9 \xE0 Z\xFCrich\n";
        while (t.size() + line.size() <= kTextSize) t += line;
        return t;
    }();
    return text;
}

size_t sent = 0;
uint32_t import(void* request, void*, uint32_t) {
    sent = static_cast<ImportRequest*>(request)->textLength;
    return 1;
}

void BM_Import(benchmark::State& state) {
    HostEntryTable table;
    bench_host::install(table, {{kImportSlot, import}});
    zvi::serverCharSetCode = zvi::utl::charSetCode("UTF-8");
    std::string text = definitions();
    ControlRecord control{};
    for (auto _ : state) {
        StatusList status{};
        if (ZVIImport(&control, nullptr, text.data(), 0, &status) != 0) state.SkipWithError("import failed");
        zvi::releaseStatusList(&status, 0);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["sent"] = double(sent);
}

void convertOnce(const std::string& text, char* out) {
    iconv_t cd = iconv_open("UTF-8", "ISO-8859-1");
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size(), outLeft = 3 * text.size();
    iconv(cd, &in, &inLeft, &out, &outLeft);
    *out = '\0';
    iconv_close(cd);
}

void BM_BareConversion(benchmark::State& state) {
    const std::string& text = definitions();
    const bool allocatePerPass = state.range(0) != 0;
    char* kept = allocatePerPass ? nullptr : static_cast<char*>(std::malloc(3 * text.size() + 1));
    if (kept) std::memset(kept, 0, 3 * text.size() + 1);
    for (auto _ : state) {
        char* out = kept ? kept : static_cast<char*>(std::malloc(3 * text.size() + 1));
        convertOnce(text, out);
        benchmark::DoNotOptimize(out);
        if (!kept) std::free(out);
    }
    std::free(kept);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

}  // namespace

BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareConversion)->Arg(1)->Arg(0)->ArgName("allocatePerPass")->Unit(benchmark::kMillisecond);
