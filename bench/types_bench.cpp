// The cost of the deep copies: a field/value list of 10,000 texts against a baseline
// that only allocates and copies the same bytes, and qualifier trees per node, deep
// (walked iteratively) and balanced (against a plain recursive copy).
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "types/types.h"

using namespace zvi;

namespace {

constexpr uint32_t kValues = 10000;

// 10,000 texts of 16 to 64 characters.
struct TextList {
    std::vector<std::string> texts;
    std::vector<size_t> sizes;
    std::vector<FieldValue> items;
    FieldValueList list{};
    TextList() {
        uint32_t seed = 12345;
        for (uint32_t i = 0; i < kValues; ++i) {
            seed = seed * 1103515245u + 12345u;
            texts.emplace_back(16 + (seed >> 16) % 49, static_cast<char>('a' + i % 26));
        }
        for (uint32_t i = 0; i < kValues; ++i) {
            FieldValue f{};
            f.fieldId = 536870912 + i;
            f.value.dataType = ZVI_DATA_TEXT;
            f.value.payload.text = texts[i].data();
            items.push_back(f);
            sizes.push_back(texts[i].size() + 1);
        }
        list = {kValues, items.data()};
    }
};

const TextList& texts() {
    static const TextList t;
    return t;
}

// The baseline: the same blocks allocated and filled, lengths known beforehand.
FieldValue* baselineCopy(const TextList& t) {
    auto* items = static_cast<FieldValue*>(std::malloc(kValues * sizeof(FieldValue)));
    std::memcpy(items, t.items.data(), kValues * sizeof(FieldValue));
    for (uint32_t i = 0; i < kValues; ++i) {
        auto* p = static_cast<char*>(std::malloc(t.sizes[i]));
        std::memcpy(p, t.texts[i].data(), t.sizes[i]);
        items[i].value.payload.text = p;
    }
    return items;
}

void baselineFree(FieldValue* items) {
    for (uint32_t i = 0; i < kValues; ++i) std::free(items[i].value.payload.text);
    std::free(items);
}

// The copy alone is timed on the thread's CPU clock, so that a busy machine does not
// count; the release runs untimed.
double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <class Copy, class Release>
void copyOnly(benchmark::State& state, Copy copy, Release release) {
    for (auto _ : state) {
        const double start = threadSeconds();
        auto result = copy();
        benchmark::DoNotOptimize(result);
        state.SetIterationTime(threadSeconds() - start);
        release(result);
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}

void BM_FieldValueList_Copy(benchmark::State& state) {
    const TextList& t = texts();
    copyOnly(
        state,
        [&] {
            FieldValueList copy;
            CopyFieldValueList(&copy, &t.list);
            return copy;
        },
        [](FieldValueList& copy) { ReleaseFieldValueList(&copy, 0); });
}

void BM_FieldValueList_Baseline_Copy(benchmark::State& state) {
    const TextList& t = texts();
    copyOnly(state, [&] { return baselineCopy(t); }, [](FieldValue* items) { baselineFree(items); });
}

void BM_FieldValueList_CopyRelease(benchmark::State& state) {
    const TextList& t = texts();
    for (auto _ : state) {
        FieldValueList copy;
        CopyFieldValueList(&copy, &t.list);
        benchmark::DoNotOptimize(copy.items);
        ReleaseFieldValueList(&copy, 0);
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}

void BM_FieldValueList_Baseline_CopyFree(benchmark::State& state) {
    const TextList& t = texts();
    for (auto _ : state) {
        FieldValue* items = baselineCopy(t);
        benchmark::DoNotOptimize(items);
        baselineFree(items);
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}

// Qualifier trees built on the heap once; their nodes are counted per copy.
Qualifier* node(uint32_t op, Qualifier* left = nullptr, Qualifier* right = nullptr) {
    auto* q = static_cast<Qualifier*>(std::calloc(1, sizeof(Qualifier)));
    q->operation = op;
    q->u.pair.left = left;
    q->u.pair.right = right;
    return q;
}

Qualifier* compare(uint32_t fieldId, int32_t value) {
    auto* op = static_cast<RelationalOp*>(std::calloc(1, sizeof(RelationalOp)));
    op->operation = 1;
    op->left.tag = ZVI_OPERAND_FIELD;
    op->left.u.id = fieldId;
    op->right.tag = ZVI_OPERAND_VALUE;
    op->right.u.value.dataType = ZVI_DATA_INTEGER;
    op->right.u.value.payload.i = value;
    Qualifier* q = node(ZVI_QUAL_REL_OP);
    q->u.relOp = op;
    return q;
}

// "f = 0 OR f = 1 OR ...": a left-deep chain of depth boolean nodes over comparisons.
Qualifier* chain(int depth) {
    Qualifier* q = compare(1, 0);
    for (int i = 1; i <= depth; ++i) q = node(ZVI_QUAL_OR, q, compare(1, i));
    return q;
}

Qualifier* balanced(int leaves, int& next) {
    if (leaves == 1) return compare(1, next++);
    return node(ZVI_QUAL_AND, balanced(leaves / 2, next), balanced(leaves - leaves / 2, next));
}

// A plain recursive copy and release of the same trees, for comparison.
bool recursiveCopy(Qualifier* d, const Qualifier* s) {
    *d = *s;
    switch (s->operation) {
        case ZVI_QUAL_AND:
        case ZVI_QUAL_OR: {
            d->u.pair.left = static_cast<Qualifier*>(std::malloc(sizeof(Qualifier)));
            d->u.pair.right = static_cast<Qualifier*>(std::malloc(sizeof(Qualifier)));
            return recursiveCopy(d->u.pair.left, s->u.pair.left) && recursiveCopy(d->u.pair.right, s->u.pair.right);
        }
        case ZVI_QUAL_REL_OP:
            d->u.relOp = static_cast<RelationalOp*>(std::malloc(sizeof(RelationalOp)));
            *d->u.relOp = *s->u.relOp;
            return true;
        default:
            return true;
    }
}

void recursiveRelease(Qualifier* q) {
    if (q->operation == ZVI_QUAL_AND || q->operation == ZVI_QUAL_OR) {
        recursiveRelease(q->u.pair.left);
        std::free(q->u.pair.left);
        recursiveRelease(q->u.pair.right);
        std::free(q->u.pair.right);
    } else if (q->operation == ZVI_QUAL_REL_OP) {
        std::free(q->u.relOp);
    }
}

// Time per block copied and released: a tree of n comparisons has 2n - 1 qualifier
// nodes and n comparison records.
void perNode(benchmark::State& state, int comparisons) {
    state.counters["per_node"] = benchmark::Counter(static_cast<double>(state.iterations()) * (3.0 * comparisons - 1),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Copies and releases source again and again; comparisons: its number of leaves.
template <class CopyRelease>
void copyRelease(benchmark::State& state, Qualifier* source, int comparisons, CopyRelease copyRelease) {
    for (auto _ : state) copyRelease(source);
    perNode(state, comparisons);
    ReleaseQualifier(source, 1);
}

void walked(const Qualifier* source) {
    Qualifier copy;
    CopyQualifier(&copy, source);
    ReleaseQualifier(&copy, 0);
}

void recursive(const Qualifier* source) {
    Qualifier copy;
    recursiveCopy(&copy, source);
    recursiveRelease(&copy);
}

void BM_DeepQualifier_CopyRelease(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    copyRelease(state, chain(depth), depth + 1, walked);
}

void BM_BalancedQualifier_CopyRelease(benchmark::State& state) {
    int leaves = 0;
    Qualifier* source = balanced(static_cast<int>(state.range(0)), leaves);
    copyRelease(state, source, leaves, walked);
}

void BM_BalancedQualifier_Recursive_CopyRelease(benchmark::State& state) {
    int leaves = 0;
    Qualifier* source = balanced(static_cast<int>(state.range(0)), leaves);
    copyRelease(state, source, leaves, recursive);
}

}  // namespace

BENCHMARK(BM_FieldValueList_Copy)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FieldValueList_Baseline_Copy)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FieldValueList_CopyRelease)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FieldValueList_Baseline_CopyFree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeepQualifier_CopyRelease)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BalancedQualifier_CopyRelease)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BalancedQualifier_Recursive_CopyRelease)->Arg(100000)->Unit(benchmark::kMillisecond);
