// Fuzz target: the bytes of unknown shape that definition export and import read. The
// first input byte chooses: even, the rest is the data block a host returns for an
// export (its header's flag and size may lie about the text); odd, the rest is an
// import text of any bytes, sent to a server whose character set the second byte
// chooses. Each call must end in a defined result, never read or write outside its
// blocks, and leave nothing behind but what the caller frees.
#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bridge/control.h"
#include "bridge/host_table.h"
#include "bridge/status.h"
#include "definitions/import_export.h"
#include "platform/zvutl.h"
#include "zvi/host.h"
#include "zvi/zvi.h"

namespace {

const uint8_t* block;
size_t blockSize;
size_t sentLength;

[[noreturn]] void finding(const char* what) {
    std::fputs(what, stderr);
    std::fputc('\n', stderr);
    std::abort();
}

// The host returns the block on its heap, as the server does.
uint32_t exportData(void*, void* result, uint32_t) {
    auto* r = static_cast<ExportResult*>(result);
    r->dataLength = static_cast<uint32_t>(blockSize);
    r->data = static_cast<uint8_t*>(std::malloc(blockSize ? blockSize : 1));
    if (blockSize) std::memcpy(r->data, block, blockSize);
    return 1;
}

uint32_t importText(void* request, void*, uint32_t) {
    const auto* q = static_cast<ImportRequest*>(request);
    if (!q->text || q->textLength != std::strlen(q->text) + 1) finding("the text length does not match the text");
    sentLength = q->textLength;
    return 1;
}

bool initialized() {
    static HostEntryTable table = [] {
        HostEntryTable t{};
        t.u.version = ZVI_INTERFACE_VERSION;
        auto put = [&t](zvi::Op op, ServiceRoutine routine) {
            std::memcpy(t.u.bytes + zvi::operation(op).slot, &routine, sizeof routine);
        };
        put(zvi::Op::Export, exportData);
        put(zvi::Op::Import, importText);
        return t;
    }();
    static const bool done = ZVIInitialization(&table, nullptr) == 0;
    return done;
}

void releaseStatus(StatusList& status) { zvi::releaseStatusList(&status, 0); }

void exportBlock() {
    ControlRecord control{};
    StatusList status{};
    char* text = nullptr;
    const uint32_t rc = ZVIExport(&control, nullptr, nullptr, 0, nullptr, &text, &status);
    if (rc != 0 && rc != 2) finding("an export ended in an undefined result");
    if (text) {
        if (blockSize < 8) finding("a text from a block shorter than its header");
        uint32_t header[2];
        std::memcpy(header, block, sizeof header);
        const size_t length = std::strlen(text);
        if (length > ntohl(header[1]) || length > blockSize - 8) finding("the text is longer than its header or its block");
        if (header[0] != 0) finding("a text handed over under a flag");
        std::free(text);
    }
    releaseStatus(status);
    static std::FILE* sink = std::fopen("/dev/null", "w");
    if (ZVIExportToFile(&control, nullptr, nullptr, 0, nullptr, sink, &status) > 2) finding("undefined result");
    releaseStatus(status);
}

void importText(const uint8_t* data, size_t size) {
    static const uint32_t sets[] = {zvi::utl::charSetCode("UTF-8"), zvi::utl::charSetCode("ISO-8859-1"),
                                    zvi::utl::charSetCode("SJIS"), zvi::utl::charSetCode("US-ASCII")};
    zvi::serverCharSetCode = sets[size ? data[0] % 4 : 0];
    if (size) {
        ++data;
        --size;
    }
    char* text = static_cast<char*>(std::malloc(size + 1));
    if (size) std::memcpy(text, data, size);
    text[size] = '\0';
    (void)zvi::importCharSet(text);
    ControlRecord control{};
    StatusList status{};
    sentLength = 0;
    const uint32_t rc = ZVIImport(&control, nullptr, text, 0, &status);
    if (rc != 0 && rc != 2) finding("an import ended in an undefined result");
    if ((rc == 0) != (sentLength != 0)) finding("a successful import sent nothing, or a refused one something");
    releaseStatus(status);
    std::free(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!size || !initialized()) return 0;
    if (data[0] % 2 == 0) {
        block = data + 1;
        blockSize = size - 1;
        exportBlock();
    } else {
        importText(data + 1, size - 1);
    }
    return 0;
}
