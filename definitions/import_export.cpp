// Definition export and import.
#include "definitions/import_export.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bridge/frame.h"
#include "bridge/messages.h"
#include "bridge/record_codecs.h"
#include "platform/win.h"
#include "platform/zvutl.h"
#include "types/definitions.h"
#include "zvi/zvi.h"

using namespace zvi;

namespace zvi {

bool takeExportText(ExportResult& result, char** text, uint32_t* headerFlag) {
    *text = nullptr;
    *headerFlag = 0;
    const uint8_t* data = result.data;
    bool made = true;
    if (data && result.dataLength >= ZVI_EXPORT_HEADER_SIZE) {
        uint32_t header[2];
        std::memcpy(header, data, sizeof header);
        *headerFlag = win::ntohl(header[0]);
        // The header's size bounds the text, and so does the block.
        size_t size = win::ntohl(header[1]);
        const size_t available = result.dataLength - ZVI_EXPORT_HEADER_SIZE;
        if (size > available) size = available;
        if ((*text = static_cast<char*>(std::malloc(size + 1)))) {
            std::memcpy(*text, data + ZVI_EXPORT_HEADER_SIZE, size);
            (*text)[size] = '\0';
        } else {
            made = false;
        }
    }
    std::free(result.data);
    result.data = nullptr;
    result.dataLength = 0;
    return made;
}

uint32_t importCharSet(const char* text) {
    char name[utl::kCharSetNameSize];
    if (*utl::findCharSetDeclaration(text, name)) return utl::charSetCode(name);
    // The head of the text, line by line: a line ends at a line feed, a carriage return
    // or the end; at most 325 characters of it are taken, then one character is skipped.
    constexpr char kDeclaration[] = "char-set:";
    char line[326];
    for (const char* p = text; *p;) {
        size_t n = 0;
        while (n < sizeof line - 1 && p[n] && p[n] != '\n' && p[n] != '\r') ++n;
        std::memcpy(line, p, n);
        line[n] = '\0';
        p += n;
        if (*p) ++p;
        if (n == 0 || line[0] == '#') continue;
        if (std::strncmp(line, kDeclaration, sizeof kDeclaration - 1) == 0) return utl::charSetCode(line);
        break;
    }
    return serverCharSetCode;
}

}  // namespace zvi

namespace {

void releasePackedItems(void* items) { releaseThroughCodec(codeExportItemList, items); }
void freeHeld(void* held) {
    std::free(*static_cast<char**>(held));
    *static_cast<char**>(held) = nullptr;
}

// The caller's items copied into the request and packed into the host's form; the
// frame releases them through their codec (a failed copy or packing leaves a list
// that reads in host form). 0, or the copy's or the packing's code.
uint32_t packItems(Frame& f, ExportItemList& into, const ExportItemList* items) {
    if (!items) return 0;
    f.track(&into, releasePackedItems);
    uint32_t code = CopyExportItemList(&into, items);
    if (code == 0) code = PackExportItems(&into);
    return code;
}

// The text (of the given length) in the server's character set: 0 with *converted a
// heap text of *length characters, or the message number of the failure. The buffer
// is sized once for the worst case.
uint32_t convertText(const char* text, size_t* length, uint32_t from, char** converted) {
    const uint32_t to = serverCharSetCode;
    char* buffer = static_cast<char*>(std::malloc(3 * *length + 1));
    if (!buffer) return msg::kNoMemory;
    buffer[0] = '\0';
    *converted = buffer;
    if (!utl::checkConversion(text, buffer, from, to) || utl::convert(text, *length, from, buffer, to, length) != 0)
        return msg::kDefinitionUnreadable;
    char* replacement = nullptr;
    utl::adjustConversion(buffer, to, &replacement);
    if (replacement) {
        std::free(buffer);
        *converted = replacement;
        *length = std::strlen(replacement);
    }
    return *length ? 0 : msg::kDefinitionUnreadable;
}

// ZVIExport and ZVIExportToFile: the same request, the text handed back or written.
uint32_t exportDefinitions(Op op, ControlRecord* control, const ExportItemList* items, const char* exportText,
                           uint32_t exportFlags, const ExportOption* option, char** exportedText, FILE* stream,
                           StatusList* status) {
    const bool toFile = op == Op::ExportToFile;
    if (exportedText) *exportedText = nullptr;
    Call<ExportRequest, ExportResult> f(op, control, status);
    if (!f.begin()) return f.code();
    if (toFile ? !stream : !exportedText)
        return f.error(toFile ? msg::kStreamUnusable : msg::kExportOutputMissing, "");
    f.convert();
    if (const uint32_t code = packItems(f, f.req.items, items)) {
        const uint32_t rc = f.error(code, "");
        return toFile ? rc : code;
    }
    f.req.exportText = exportText ? exportText : host.emptyText;
    f.req.exportFlags = exportFlags;
    if (option) {
        f.req.optionKind = option->optionKind;
        utl::boundedCopy(f.req.optionText, option->optionText, sizeof f.req.optionText - 1);
    }
    if (!f.call()) {
        std::free(f.res.data);  // whatever a failing host left
        return f.code();
    }
    // A result that reports an error is not read for a text, except by ExportToFile.
    char* text = nullptr;
    uint32_t headerFlag = 0;
    if (!toFile && firstMessageType(&f.res.status) >= ZVI_ERROR) {
        std::free(f.res.data);
    } else if (!takeExportText(f.res, &text, &headerFlag)) {
        releaseStatusList(&f.res.status, 0);
        return f.error(msg::kNoMemory, "");
    }
    f.mergeResult();
    if (headerFlag != 0) {  // not a text for the caller
        std::free(text);
        text = nullptr;
    }
    if (!toFile) {
        *exportedText = text;
    } else if (text) {
        const bool written = std::fwrite(text, std::strlen(text), 1, stream) == 1;
        std::free(text);
        if (!written) return f.error(msg::kStreamWriteFailed, "");
    }
    f.writeBack();
    return firstMessageType(status);
}

// The whole stream in a new heap text: 0, or the message number of the failure. A
// stream that cannot be positioned or read counts as one that cannot be used.
uint32_t readStream(FILE* stream, char** text) {
    if (!stream || std::fseek(stream, 0, SEEK_END) != 0) return msg::kStreamUnusable;
    const long size = std::ftell(stream);
    if (size < 1) return msg::kStreamUnusable;
    std::rewind(stream);
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1));
    if (!buffer) return msg::kNoMemory;
    const size_t got = std::fread(buffer, 1, static_cast<size_t>(size), stream);
    // Nothing read from a stream that holds bytes: it cannot be read (not every C
    // library marks the error on a stream opened for writing only).
    if (std::ferror(stream) || got == 0) {
        std::free(buffer);
        return msg::kStreamUnusable;
    }
    buffer[got] = '\0';
    *text = buffer;
    return 0;
}

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIExport(ControlRecord* control, ExportItemList* items, char* exportText, uint32_t exportFlags,
                           ExportOption* option, char** exportedText, StatusList* status) {
    return exportDefinitions(Op::Export, control, items, exportText, exportFlags, option, exportedText, nullptr,
                             status);
}

ZVI_API uint32_t ZVIExportToFile(ControlRecord* control, ExportItemList* items, char* exportText,
                                 uint32_t exportFlags, ExportOption* option, FILE* stream, StatusList* status) {
    return exportDefinitions(Op::ExportToFile, control, items, exportText, exportFlags, option, nullptr, stream,
                             status);
}

ZVI_API uint32_t ZVIImport(ControlRecord* control, ExportItemList* items, char* text, uint32_t importOption,
                           StatusList* status) {
    char* converted = nullptr;  // outlives the frame, which frees it
    Call<ImportRequest, ImportResult> f(Op::Import, control, status);
    if (!f.begin()) return f.code();
    if (!text || !*text) return f.error(msg::kDefinitionUnreadable, "");
    f.convert();  // the server's character set is known from here on
    f.track(&converted, freeHeld);
    size_t length = std::strlen(text);
    const uint32_t from = importCharSet(text);
    if (from != serverCharSetCode) {
        if (const uint32_t code = convertText(text, &length, from, &converted)) return f.error(code, "");
        text = converted;
    }
    f.req.textLength = static_cast<uint32_t>(length + 1);
    f.req.text = text;
    if (const uint32_t code = packItems(f, f.req.items, items)) return f.error(code, "");
    f.req.control.flag160 = 1;
    f.req.importOption = importOption;
    return f.complete();
}

ZVI_API uint32_t ZVIImportFromFile(ControlRecord* control, ExportItemList* items, FILE* stream,
                                   uint32_t importOption, StatusList* status) {
    if (!status) return ZVI_NO_STATUS;
    *status = host.emptyStatus;
    ensureThreadAllocator();
    char* text = nullptr;
    if (const uint32_t code = readStream(stream, &text)) return appendStatus(status, ZVI_ERROR, code, "");
    ZVIImport(control, items, text, importOption, status);
    std::free(text);
    return firstMessageType(status);
}

}  // extern "C"
