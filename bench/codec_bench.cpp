// Fetching one entry of 100 fields: what a remote client would spend at the least,
// network aside (the request encoded and decoded again, the result encoded and
// decoded again, both decoded records released, all with the library's XDR record
// codecs), against ZVIGetEntry in process, against the host's routine called
// directly and the result released by its caller.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_host.h"
#include "bridge/record_codecs.h"
#include "bridge/status.h"
#include "platform/xdr.h"
#include "types/types.h"
#include "zvi/host.h"
#include "zvi/zvi.h"

namespace {

using namespace zvi;

// The arguments of a GetEntry call and the values of its result: a mix of texts,
// integers, times, reals, enumerations and decimals.
struct GetEntryShape {
    explicit GetEntryShape(uint32_t fields) : ids(fields), items(fields), texts(fields) {
        std::strcpy(control.text1, "Demo");
        std::strcpy(control.text3, "en_US");
        const uint32_t types[] = {ZVI_DATA_TEXT, ZVI_DATA_INTEGER, ZVI_DATA_TIME,
                                  ZVI_DATA_REAL, ZVI_DATA_ENUM,    ZVI_DATA_DECIMAL};
        for (uint32_t i = 0; i < fields; ++i) {
            ids[i] = 536870913 + i;
            FieldValue& f = items[i];
            f.fieldId = ids[i];
            f.value.dataType = types[i % 6];
            texts[i] = f.value.dataType == ZVI_DATA_DECIMAL ? std::to_string(i) + ".50" : "value of field " + std::to_string(i);
            switch (f.value.dataType) {
                case ZVI_DATA_TEXT: case ZVI_DATA_DECIMAL: f.value.payload.text = texts[i].data(); break;
                case ZVI_DATA_REAL: f.value.payload.real = i * 1.25; break;
                default: f.value.payload.i = static_cast<int32_t>(1700000000 + i); break;
            }
        }
        fieldIds = {fields, ids.data()};
        values = {fields, items.data()};
    }
    // The request as the frame builds it: the control's non-empty texts borrowed.
    GetEntryRequest request() {
        GetEntryRequest q{};
        q.control.text[0] = control.text1;
        q.control.text[2] = control.text3;
        q.schema = schema;
        q.entryId = entryId;
        q.fieldIds = fieldIds;
        q.wantValues = 1;
        return q;
    }

    ControlRecord control{};
    char schema[9] = "HelpDesk";
    EntryId id = "000000000000042";
    EntryIdList entryId{1, &id};
    std::vector<uint32_t> ids;
    IdList fieldIds{};
    std::vector<FieldValue> items;
    std::vector<std::string> texts;
    FieldValueList values{};
};

bool getEntryRequest(void* s, GetEntryRequest* q) {
    return codeRequestControl(s, &q->control) && rpc::codeText(s, const_cast<char**>(&q->schema)) &&
           codeEntryIdList(s, &q->entryId) && codeIdList(s, &q->fieldIds) && rpc::codeU32(s, &q->wantValues);
}
bool getEntryResult(void* s, GetEntryResult* r) {
    return codeRequestControl(s, &r->control) && codeFieldValueList(s, &r->values) && codeStatusList(s, &r->status);
}
constexpr rpc::Codec kRequestCodec = rpc::codec<GetEntryRequest, getEntryRequest>;
constexpr rpc::Codec kResultCodec = rpc::codec<GetEntryResult, getEntryResult>;

// Encodes record, decodes it into a cleared record of the same type and releases
// that one; returns the wire size.
template <class Record>
size_t roundTrip(rpc::Codec codec, Record& record, std::vector<char>& wire) {
    const size_t used = rpc::encodeRecord(codec, &record, wire.data(), wire.size());
    Record decoded{};
    if (!used || rpc::decodeRecord(codec, &decoded, wire.data(), used) != used) std::abort();
    releaseThroughCodec(codec, &decoded);
    return used;
}

void BM_GetEntryThroughCodecs(benchmark::State& state) {
    GetEntryShape shape(static_cast<uint32_t>(state.range(0)));
    GetEntryRequest request = shape.request();
    GetEntryResult result{};
    result.values = shape.values;
    std::vector<char> wire(1 << 16);
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = roundTrip(kRequestCodec, request, wire) + roundTrip(kResultCodec, result, wire);
        benchmark::ClobberMemory();
    }
    state.counters["wire_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GetEntryThroughCodecs)->Arg(100);

// An in-process server whose get-entry routine returns a deep copy of the shape's
// values, allocated on the heap as the server does.
const FieldValueList* served = nullptr;

uint32_t getEntry(void*, void* result, uint32_t) {
    return CopyFieldValueList(&static_cast<GetEntryResult*>(result)->values, served) == 0;
}

void BM_GetEntryInProcess(benchmark::State& state) {
    GetEntryShape shape(static_cast<uint32_t>(state.range(0)));
    served = &shape.values;
    static HostEntryTable table;
    bench_host::install(table, {{12224, getEntry}});
    StatusList status{};
    FieldValueList values{};
    for (auto _ : state) {
        if (ZVIGetEntry(&shape.control, shape.schema, &shape.entryId, &shape.fieldIds, &values, &status) != 0 ||
            values.numItems != shape.values.numItems)
            std::abort();
        ReleaseFieldValueList(&values, 0);
    }
    releaseStatusList(&status, 0);
}
BENCHMARK(BM_GetEntryInProcess)->Arg(100);

// The same host routine called directly with the request the frame would build, and
// the caller's release of the result: what ZVIGetEntry costs beyond the library.
void BM_GetEntryHostDirect(benchmark::State& state) {
    GetEntryShape shape(static_cast<uint32_t>(state.range(0)));
    served = &shape.values;
    GetEntryRequest request = shape.request();
    for (auto _ : state) {
        GetEntryResult result;
        std::memset(&result, 0, sizeof result);
        if (!getEntry(&request, &result, 0) || result.values.numItems != shape.values.numItems) std::abort();
        ReleaseFieldValueList(&result.values, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GetEntryHostDirect)->Arg(100);

}  // namespace
