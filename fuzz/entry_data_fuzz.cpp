// The entry data a host returns for ZVIGetEntryBLOB, as arbitrary bytes: the header,
// plain data, and compressed data of every shape. The call must end in one of its
// defined results and leave nothing behind but what the caller frees.
#include <cstdlib>
#include <cstring>

#include "bridge/host_table.h"
#include "bridge/status.h"
#include "zvi/host.h"
#include "zvi/zvi.h"

namespace {

const uint8_t* input;
size_t inputSize;

// The host returns the input on its heap, as the server does.
uint32_t getEntryBLOB(void*, void* result, uint32_t) {
    auto* r = static_cast<GetEntryBLOBResult*>(result);
    r->byteCount = static_cast<uint32_t>(inputSize);
    r->data = static_cast<uint8_t*>(std::malloc(inputSize ? inputSize : 1));
    if (inputSize) std::memcpy(r->data, input, inputSize);
    return 1;
}

bool initialized() {
    static HostEntryTable table = [] {
        HostEntryTable t{};
        t.u.version = ZVI_INTERFACE_VERSION;
        auto routine = &getEntryBLOB;
        std::memcpy(t.u.bytes + zvi::operation(zvi::Op::GetEntryBLOB).slot, &routine, sizeof routine);
        return t;
    }();
    static const bool done = ZVIInitialization(&table, nullptr) == 0;
    return done;
}

// Inputs whose header declares a stored length above 1 MiB are passed over: the
// library allocates what the header declares (up to 4 GiB), which tells the fuzzer
// nothing and only slows it down.
bool declaresHugeBlock(const uint8_t* data, size_t size) {
    if (size < 8) return false;
    const uint32_t storedLength = uint32_t{data[4]} << 24 | uint32_t{data[5]} << 16 | uint32_t{data[6]} << 8 | data[7];
    return storedLength > (1u << 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (declaresHugeBlock(data, size)) return 0;
    if (!initialized()) std::abort();
    input = data;
    inputSize = size;
    ControlRecord control{};
    EntryId id = "000000000000001";
    EntryIdList ids{1, &id};
    Locator loc{};
    loc.locType = ZVI_LOC_BUFFER;
    StatusList status{};
    const uint32_t rc = ZVIGetEntryBLOB(&control, const_cast<char*>("Form"), &ids, 1, &loc, &status);
    if (rc > 3) std::abort();
    if (loc.u.mem.buffer && loc.u.mem.buffer[loc.u.mem.bufSize] != 0) std::abort();  // terminated
    std::free(loc.u.mem.buffer);
    zvi::releaseStatusList(&status, 0);
    return 0;
}
