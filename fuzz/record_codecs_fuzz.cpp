// Every record codec decoding arbitrary bytes: the first byte picks the codec, the
// rest is the stream. Whatever was decoded, complete or not, is freed through the
// codec; a record that decoded completely encodes again.
#include <cstdlib>
#include <cstring>

#include "bridge/record_codecs.h"
#include "platform/xdr.h"
#include "zvi/host.h"

namespace {

struct Codec {
    const zvi::rpc::Codec& routine;
    size_t size;  // of the record it codes
};

const Codec kCodecs[] = {
    {zvi::codeValue, sizeof(Value)},
    {zvi::codeStatusList, sizeof(StatusList)},
    {zvi::codeRequestControl, sizeof(RequestControl)},
    {zvi::codeClientTransactionResult, sizeof(ClientTransactionResult)},
    {zvi::codeIdList, sizeof(IdList)},
    {zvi::codeEntryIdList, sizeof(EntryIdList)},
    {zvi::codeFieldValueList, sizeof(FieldValueList)},
};
constexpr size_t kRecordRoom = 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const Codec& codec = kCodecs[data[0] % (sizeof kCodecs / sizeof kCodecs[0])];
    if (codec.size > kRecordRoom) std::abort();
    alignas(16) unsigned char record[kRecordRoom] = {};
    const size_t used = zvi::rpc::decodeRecord(codec.routine, record, data + 1, size - 1);
    if (used) {
        static unsigned char wire[1 << 20];
        if (zvi::rpc::encodeRecord(codec.routine, record, wire, sizeof wire) == 0 && size < sizeof wire / 4)
            std::abort();  // what was decoded codes back
    }
    zvi::releaseThroughCodec(codec.routine, record);
    return 0;
}
