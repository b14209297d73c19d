// Definition export and import: the bytes the host receives and what the caller gets
// back, read at the offsets of the record tables; the export data header, streams,
// the character set of import texts, the frame of each operation and every
// allocation failure.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/zvutl.h"
#include "tests/support/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Export {
constexpr size_t items = 168, exportText = 184, exportFlags = 192, optionKind = 196, optionText = 200,
                 zeroWord = 232, size = 240, dataLength = 168, data = 176, status = 184;
}
namespace Import {
constexpr size_t items = 168, textLength = 184, text = 192, importOption = 200, end = 204, size = 224, status = 168;
}
namespace Control { constexpr size_t word152 = 152, word156 = 156, byte160 = 160; }
namespace Item { constexpr size_t size = 280, name = 4, subNames = 264; }
}  // namespace at

constexpr uint32_t kExport = 12592, kImport = 12600;
const uint32_t kLatin1 = zvi::utl::charSetCode("ISO-8859-1"), kUtf8 = zvi::utl::charSetCode("UTF-8");
const std::string kLatin = "char-set: ISO-8859-1\ncaf\xE9", kConverted = "char-set: ISO-8859-1\ncaf\xC3\xA9";

// An export data block as the host returns it: the header in network byte order, then
// the text; dataLength is the block's size unless the host says otherwise.
uint32_t putData(void* r, uint32_t flag, uint32_t size, const std::string& text, uint32_t dataLength = ~0u) {
    auto* block = static_cast<uint8_t*>(std::malloc(8 + text.size()));
    const uint32_t header[2] = {htonl(flag), htonl(size)};
    std::memcpy(block, header, 8);
    std::memcpy(block + 8, text.data(), text.size());
    raw::put(r, at::Export::dataLength, dataLength == ~0u ? uint32_t(8 + text.size()) : dataLength);
    raw::put(r, at::Export::data, block);
    return 1;
}

// A second handle on a temporary file, open in the given mode only.
FILE* reopened(FILE* file, const char* mode) { return fdopen(dup(fileno(file)), mode); }

class ImportExportTest : public DefinitionsTest {
protected:
    ImportExportTest() {
        std::memset(option.optionText, 'o', sizeof option.optionText);  // no terminator
        std::fputs(definitions, in);  // read from the start whatever the position
    }
    std::vector<DefinitionOp> ops();

    // A copy of the items, packed: the second one's name, the first one's sub-names in
    // the host's form (the length with the terminator).
    void expectItems(void* q, size_t at) {
        const raw::List list = raw::list(q, at);
        ASSERT_EQ(list.count, 2u);
        EXPECT_NE(list.items, items);
        EXPECT_STREQ(raw::inlineText(list.items, at::Item::size + at::Item::name), "Filter B");
        EXPECT_EQ(raw::u32(raw::list(list.items, at::Item::subNames).items, 0), 2u);
    }

    ObjectName subNames[2] = {"x", "yz"};
    ExportItem items[2] = {{1, "Form A", {2, subNames}}, {2, "Filter B", {}}};
    ExportItemList itemList{2, items};
    char definitions[32] = "char-set: ISO-8859-1\ncaf\xE9", exportText[16] = "only these";
    ExportOption option{4, {}};
    std::unique_ptr<FILE, int (*)(FILE*)> input{std::tmpfile(), std::fclose}, output{std::tmpfile(), std::fclose};
    FILE *in = input.get(), *out = output.get();
};

// Every operation with its arguments given; the host checks what it receives.
std::vector<DefinitionOp> ImportExportTest::ops() {
    using C = ControlRecord*;
    using S = StatusList*;
    // The caller's text itself (or an empty text of the library's), the flags and the
    // option (its text cut at 31 characters), or zeros.
    auto answerExport = [this](const char* given) {
        return [this, given](void* q, void* r) {
            expectItems(q, at::Export::items);
            EXPECT_EQ(raw::text(q, at::Export::exportText) == given, given != nullptr);
            EXPECT_STREQ(raw::text(q, at::Export::exportText), given ? given : "");
            EXPECT_EQ(raw::u32(q, at::Export::exportFlags), given ? 17u : 0u);
            EXPECT_EQ(raw::u32(q, at::Export::optionKind), given ? 4u : 0u);
            EXPECT_EQ(std::string(raw::inlineText(q, at::Export::optionText)), given ? std::string(31, 'o') : "");
            EXPECT_TRUE(raw::zero(q, at::Export::zeroWord, at::Export::size));
            putData(r, 0, 5, "hello");
        };
    };
    // The converted text with its length, the items, the control byte at 160, the option.
    auto answerImport = [this](void* q, void*) {
        expectItems(q, at::Import::items);
        EXPECT_EQ(raw::text(q, at::Import::text), kConverted);
        EXPECT_EQ(raw::u32(q, at::Import::textLength), 27u);
        EXPECT_EQ(raw::u32(q, at::Import::importOption), 6u);
        EXPECT_EQ(raw::u8(q, at::Control::byte160), 1u);
        EXPECT_EQ(raw::u32(q, at::Control::word152) | raw::u32(q, at::Control::word156), 0u);
        EXPECT_TRUE(raw::zero(q, at::Import::end, at::Import::size));
    };
    return {
        {"ZVIExport", kExport, 34, false, "ZVIExport", at::Export::status, answerExport(exportText),
         [this](C c, S s) {
             char* text = nullptr;
             const uint32_t rc = ZVIExport(c, &itemList, exportText, 17, &option, &text, s);
             std::free(text);
             return rc;
         },
         {0, 2, 154, 300}},
        {"ZVIExportToFile", kExport, 34, false, "ZVIExportToFile", at::Export::status, answerExport(nullptr),
         [this](C c, S s) { return ZVIExportToFile(c, &itemList, nullptr, 0, nullptr, out, s); }, {0, 2}},
        {"ZVIImport", kImport, 35, true, "ZVIImport", at::Import::status, answerImport,
         [this](C c, S s) { return ZVIImport(c, &itemList, definitions, 6, s); }, {0, 2}},
        {"ZVIImportFromFile", kImport, 35, true, "ZVIImport", at::Import::status, answerImport,
         [this](C c, S s) { return ZVIImportFromFile(c, &itemList, in, 6, s); }, {0, 2}, "ZVIImport"},
    };
}

}  // namespace

TEST_F(ImportExportTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(ImportExportTest, EveryAllocationFailureEndsInADefinedOutcome) {
    EXPECT_EQ(ZVIImport(&control, nullptr, definitions, 0, &status), 0u);  // the converter loads what it caches
    sweep(ops());
}

// The header decides what the caller gets: a text of the declared size, never more
// than the block holds; nothing for a block shorter than its header, a header with a
// flag, or (in memory only) a result that reports an error. A stream receives the
// text whatever the status; an empty text cannot be written (301).
TEST_F(ImportExportTest, ExportDataIsReadWithinItsHeaderAndItsBlock) {
    const struct {
        uint32_t flag, size, dataLength;  // dataLength ~0: the block's size
        std::string data;
        bool hostError;
        const char* exported;  // null: none
        const char* written;   // null: 301
        uint32_t rcExport, rcFile;
    } rows[] = {
        {0, 5, ~0u, "hello", false, "hello", "hello", 0, 0},
        {1, 5, ~0u, "hello", false, nullptr, "", 0, 0},
        {0, 1000, ~0u, "hello", false, "hello", "hello", 0, 0},
        {0, 3, ~0u, "hello", false, "hel", "hel", 0, 0},
        {0, 5, 4, "hello", false, nullptr, "", 0, 0},
        {0, 0, ~0u, "", false, "", nullptr, 0, 2},
        {0, 0xFFFFFFFF, ~0u, std::string("a\0b", 3), false, "a", "a", 0, 0},
        {0, 5, ~0u, "hello", true, nullptr, "hello", 2, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        host.on(kExport, [&row](void*, void* r) {
            if (row.hostError) fake::addMessage(statusAt(r, at::Export::status), ZVI_ERROR, 88, "host error");
            return putData(r, row.flag, row.size, row.data, row.dataLength);
        });
        std::FILE* stream = std::tmpfile();
        std::setvbuf(stream, nullptr, _IONBF, 0);  // no buffer for the library to allocate
        alloc::Window window;  // the host's block is freed whatever becomes of it
        char untouched = 0, *text = &untouched;
        EXPECT_EQ(ZVIExport(&control, nullptr, nullptr, 0, nullptr, &text, &status), row.rcExport);
        ASSERT_NE(text, &untouched);
        EXPECT_STREQ(text ? text : "(none)", row.exported ? row.exported : "(none)");
        std::free(text);
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(ZVIExportToFile(&control, nullptr, nullptr, 0, nullptr, stream, &status), row.rcFile);
        EXPECT_EQ(status.numItems && status.entries[0].messageNum == 301, !row.written);
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(window.liveBlocks(), 0u);
        char written[16];
        std::rewind(stream);
        EXPECT_EQ(std::string(written, std::fread(written, 1, sizeof written, stream)), row.written ? row.written : "");
        std::fclose(stream);
    }
}

// Missing outputs and texts, and streams that are missing, empty or cannot be used,
// are refused.
TEST_F(ImportExportTest, MissingOutputsAndUnusableStreamsAreRefused) {
    host.on(kExport, [](void*, void* r) { return putData(r, 0, 5, "hello"); });
    std::fflush(in);
    FILE *empty = std::tmpfile(), *readOnly = reopened(in, "r"), *writeOnly = reopened(in, "a");
    const std::pair<std::function<uint32_t()>, uint32_t> refused[] = {
        {[&] { return ZVIExport(&control, &itemList, nullptr, 0, nullptr, nullptr, &status); }, 155},
        {[&] { return ZVIExportToFile(&control, &itemList, nullptr, 0, nullptr, nullptr, &status); }, 295},
        {[&] { return ZVIExportToFile(&control, &itemList, nullptr, 0, nullptr, readOnly, &status); }, 301},  // called
        {[&] { return ZVIImportFromFile(&control, &itemList, nullptr, 0, &status); }, 295},
        {[&] { return ZVIImportFromFile(&control, &itemList, empty, 0, &status); }, 295},
        {[&] { return ZVIImportFromFile(&control, &itemList, writeOnly, 0, &status); }, 295},
        {[&] { return ZVIImport(&control, &itemList, nullptr, 0, &status); }, 156},
        {[&] { return ZVIImport(&control, &itemList, const_cast<char*>(""), 0, &status); }, 156},
    };
    for (const auto& [call, number] : refused) {
        SCOPED_TRACE(&call - &refused[0].first);
        host.clearEvents();
        EXPECT_EQ(call(), 2u);
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, number)});
        EXPECT_EQ(host.calls(kExport) + host.calls(kImport), number == 301 ? 1 : 0);
        zvi::releaseStatusList(&status, 0);
    }
    for (FILE* f : {empty, readOnly, writeOnly}) std::fclose(f);
    EXPECT_EQ(ZVIImportFromFile(&control, nullptr, in, 0, nullptr), 4u);
}

// A text that declares a set (on a "char-set:" line before its first other line, or
// in an XML declaration) other than the server's arrives converted; any other text
// as it is; a text that cannot be converted is refused (156).
TEST_F(ImportExportTest, ImportTextsArriveInTheServersCharacterSet) {
    const std::string comments = "# exported\n\r\n\n#\r\n", xml = "<?xml version='1.0' encoding='ISO-8859-1'?>\n";
    const struct {
        std::string text;
        uint32_t server;
        std::string sent;  // empty: the caller's text itself; "156": refused
    } rows[] = {
        {kLatin, kUtf8, kConverted},
        {comments + kLatin, kUtf8, comments + kConverted},
        {std::string(325, '#') + "!" + kLatin, kUtf8, std::string(325, '#') + "!" + kConverted},  // 325 make a line
        {std::string(326, '#') + "!" + kLatin, kUtf8, ""},  // then "!char-set: ..." is the first line
        {"caf\xE9\n" + kLatin, kUtf8, ""},
        {"Char-set: ISO-8859-1\ncaf\xE9", kUtf8, ""},  // case counts
        {xml + "<a>caf\xE9</a>", kUtf8, xml + "<a>caf\xC3\xA9</a>"},
        {"char-set: UTF-8\ncaf\xC3\xA9", kLatin1, "char-set: UTF-8\ncaf\xE9"},
        {kLatin, kLatin1, ""},
        {"char-set: UTF-8\ncaf\xE9", kLatin1, "156"},  // not UTF-8
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        zvi::serverCharSetCode = row.server;
        std::string sent;
        const char* pointer = nullptr;
        host.on(kImport, [&](void* q, void*) {
            sent = pointer = raw::text(q, at::Import::text);
            EXPECT_EQ(raw::u32(q, at::Import::textLength), sent.size() + 1);
            return 1u;
        });
        std::string text = row.text;
        const bool refused = row.sent == "156";
        EXPECT_EQ(ZVIImport(&control, nullptr, text.data(), 0, &status), refused ? 2u : 0u);
        EXPECT_EQ(status.numItems ? status.entries[0].messageNum : 0u, refused ? 156u : 0u);
        zvi::releaseStatusList(&status, 0);
        if (!refused) {
            EXPECT_EQ(sent, row.sent.empty() ? row.text : row.sent);
            EXPECT_EQ(pointer == text.data(), row.sent.empty());
        }
    }
}
