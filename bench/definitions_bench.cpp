// The cost of the name-list conversions and of a property-list copy, each beside a
// baseline that only allocates and copies the same bytes (lengths known beforehand):
// - converting a host list of 100,000 names into 255-byte names (the host's texts freed),
// - packing 100,000 names into the host's form (the names freed),
// - copying and releasing a PropList of 10,000 texts.
// The conversions consume their input, which is rebuilt outside the timed part; the
// timed part is measured on the thread's CPU clock, so that a busy machine does not count.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "types/definitions.h"

using namespace zvi;

namespace {

constexpr uint32_t kNames = 100000;
constexpr uint32_t kProps = 10000;

double cpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Texts of 8 to 40 characters.
std::vector<std::string> makeTexts(uint32_t count) {
    std::vector<std::string> texts;
    uint32_t seed = 7;
    for (uint32_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        texts.emplace_back(8 + (seed >> 16) % 33, static_cast<char>('a' + i % 26));
    }
    return texts;
}

const std::vector<std::string>& names() {
    static const std::vector<std::string> t = makeTexts(kNames);
    return t;
}

CountedTextList hostList() {
    const auto& t = names();
    auto* items = static_cast<CountedText*>(std::malloc(kNames * sizeof(CountedText)));
    for (uint32_t i = 0; i < kNames; ++i) items[i] = {static_cast<uint32_t>(t[i].size() + 1), strdup(t[i].c_str())};
    return {kNames, items};
}

NameList nameList() {
    const auto& t = names();
    auto* items = static_cast<ObjectName*>(std::calloc(kNames, sizeof(ObjectName)));
    for (uint32_t i = 0; i < kNames; ++i) std::memcpy(items[i], t[i].c_str(), t[i].size() + 1);
    return {kNames, items};
}

// Times body(input) on fresh inputs; cleanup runs untimed.
template <class Make, class Body, class Cleanup>
void timed(benchmark::State& state, uint32_t items, Make make, Body body, Cleanup cleanup) {
    for (auto _ : state) {
        auto input = make();
        const double start = cpuSeconds();
        auto output = body(input);
        benchmark::DoNotOptimize(output);
        state.SetIterationTime(cpuSeconds() - start);
        cleanup(output);
    }
    state.SetItemsProcessed(state.iterations() * items);
}

void BM_NameList_Convert(benchmark::State& state) {
    timed(state, kNames, hostList,
          [](CountedTextList& host) {
              NameListHolder holder{};
              holder.host = host;
              ConvertNameList(&holder);
              return holder.names;
          },
          [](NameList& n) { ReleaseNameList(&n, 0); });
}

// The same bytes: 255-byte names allocated, the known lengths copied, the host's texts
// and array freed.
void BM_NameList_Baseline_Convert(benchmark::State& state) {
    timed(state, kNames, hostList,
          [](CountedTextList& host) {
              auto* out = static_cast<ObjectName*>(std::calloc(host.numItems, sizeof(ObjectName)));
              for (uint32_t i = 0; i < host.numItems; ++i) {
                  std::memcpy(out[i], host.items[i].text, host.items[i].length);
                  std::free(host.items[i].text);
              }
              std::free(host.items);
              return NameList{host.numItems, out};
          },
          [](NameList& n) { std::free(n.items); });
}

void BM_NameList_Pack(benchmark::State& state) {
    timed(state, kNames, nameList,
          [](NameList& names) {
              NameListHolder holder{};
              holder.names = names;
              PackNameList(&holder);
              return holder.host;
          },
          [](CountedTextList& h) { ReleaseCountedTextList(&h, 0); });
}

// The same bytes: a text per name allocated and filled with its known length, the
// names freed.
void BM_NameList_Baseline_Pack(benchmark::State& state) {
    const auto& t = names();
    timed(state, kNames, nameList,
          [&](NameList& in) {
              auto* out = static_cast<CountedText*>(std::calloc(in.numItems, sizeof(CountedText)));
              for (uint32_t i = 0; i < in.numItems; ++i) {
                  const size_t length = t[i].size() + 1;
                  out[i] = {static_cast<uint32_t>(length), static_cast<char*>(std::malloc(length))};
                  std::memcpy(out[i].text, in.items[i], length);
              }
              std::free(in.items);
              return CountedTextList{in.numItems, out};
          },
          [](CountedTextList& h) { ReleaseCountedTextList(&h, 0); });
}

struct Props {
    std::vector<std::string> texts = makeTexts(kProps);
    std::vector<Prop> items;
    PropList list{};
    Props() {
        for (uint32_t i = 0; i < kProps; ++i) {
            Prop p{};
            p.propId = i;
            p.value.dataType = ZVI_DATA_TEXT;
            p.value.payload.text = texts[i].data();
            items.push_back(p);
        }
        list = {kProps, items.data()};
    }
};

const Props& props() {
    static const Props p;
    return p;
}

void BM_PropList_CopyRelease(benchmark::State& state) {
    const Props& p = props();
    for (auto _ : state) {
        PropList copy;
        CopyPropList(&copy, &p.list);
        benchmark::DoNotOptimize(copy.items);
        ReleasePropList(&copy, 0);
    }
    state.SetItemsProcessed(state.iterations() * kProps);
}

// The same blocks allocated, filled with the known lengths, and freed.
void BM_PropList_Baseline_CopyFree(benchmark::State& state) {
    const Props& p = props();
    for (auto _ : state) {
        auto* items = static_cast<Prop*>(std::calloc(kProps, sizeof(Prop)));
        std::memcpy(items, p.items.data(), kProps * sizeof(Prop));
        for (uint32_t i = 0; i < kProps; ++i) {
            const size_t size = p.texts[i].size() + 1;
            items[i].value.payload.text = static_cast<char*>(std::malloc(size));
            std::memcpy(items[i].value.payload.text, p.texts[i].c_str(), size);
        }
        benchmark::DoNotOptimize(items);
        for (uint32_t i = 0; i < kProps; ++i) std::free(items[i].value.payload.text);
        std::free(items);
    }
    state.SetItemsProcessed(state.iterations() * kProps);
}

}  // namespace

BENCHMARK(BM_NameList_Convert)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameList_Baseline_Convert)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameList_Pack)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameList_Baseline_Pack)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PropList_CopyRelease)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PropList_Baseline_CopyFree)->Unit(benchmark::kMicrosecond);
