// Definition export and import: the request and result bytes at the offsets of the
// record tables, the export data header, streams, the character set of import texts.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/zvutl.h"
#include "tests/support/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Export { constexpr size_t items = 168, exportText = 184, exportFlags = 192, optionKind = 196,
                   optionText = 200, zeroWord = 232, size = 240, dataLength = 168, data = 176, status = 184; }
namespace Import { constexpr size_t items = 168, textLength = 184, text = 192, importOption = 200, end = 204,
                   size = 224, status = 168; }
namespace Control { constexpr size_t byte160 = 160; }
namespace Item { constexpr size_t subNames = 264; }
}  // namespace at

constexpr uint32_t kExport = 12592, kImport = 12600;
const uint32_t kLatin1 = zvi::utl::charSetCode("ISO-8859-1"), kUtf8 = zvi::utl::charSetCode("UTF-8");
const std::string kLatin = "char-set: ISO-8859-1\ncaf\xE9", kConverted = "char-set: ISO-8859-1\ncaf\xC3\xA9";

// An export data block as the host returns it: the header in network byte order, then "hello".
uint32_t putData(void* r, uint32_t flag, uint32_t size, uint32_t dataLength = 13) {
    const uint32_t header[2] = {htonl(flag), htonl(size)};
    auto* block = static_cast<char*>(std::malloc(13));
    std::memcpy(block, header, 8);
    std::memcpy(block + 8, "hello", 5);
    raw::put(r, at::Export::dataLength, dataLength);
    return raw::put(r, at::Export::data, block), 1u;
}

class ImportExportTest : public DefinitionsTest {
protected:
    ImportExportTest() {
        std::memset(option.optionText, 'o', sizeof option.optionText);  // no terminator
        std::fputs(definitions, in);  // read from the start whatever the position
    }
    std::vector<DefinitionOp> ops();

    // A packed copy of the items: sub-names in the host's form (lengths with the terminator).
    void expectItems(void* q, size_t at) {
        const raw::List list = raw::list(q, at);
        ASSERT_EQ(list.count, 2u);
        EXPECT_NE(list.items, items);
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
    // The caller's text itself (or the library's empty text), flags and option (cut at 31), or zeros.
    auto answerExport = [this](const char* given) {
        return [this, given](void* q, void* r) {
            expectItems(q, at::Export::items);
            EXPECT_EQ(raw::text(q, at::Export::exportText) == given, given != nullptr);
            EXPECT_STREQ(raw::text(q, at::Export::exportText), given ? given : "");
            EXPECT_EQ(raw::u32(q, at::Export::exportFlags), given ? 17u : 0u);
            EXPECT_EQ(raw::u32(q, at::Export::optionKind), given ? 4u : 0u);
            EXPECT_EQ(std::string(raw::inlineText(q, at::Export::optionText)), given ? std::string(31, 'o') : "");
            EXPECT_TRUE(raw::zero(q, at::Export::zeroWord, at::Export::size));
            putData(r, 0, 5);
        };
    };
    // The items, the control byte at 160, the option (the text: below).
    auto answerImport = [this](void* q, void*) {
        expectItems(q, at::Import::items);
        EXPECT_EQ(raw::u32(q, at::Import::importOption), 6u);
        EXPECT_EQ(raw::u8(q, at::Control::byte160), 1u);
        EXPECT_TRUE(raw::zero(q, at::Import::end, at::Import::size));
    };
    return {
        {"ZVIExport", kExport, 34, false, "ZVIExport", at::Export::status, answerExport(exportText),
         [this](C c, S s) {
             char* text = nullptr;
             const uint32_t rc = ZVIExport(c, &itemList, exportText, 17, &option, &text, s);
             std::free(text);
             return rc;
         }, {0, 2, 154, 300}},
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

// The header decides what the caller gets: a text of the declared size, never more than
// the block holds; nothing for a block shorter than its header, a flag, or (in memory
// only) a result that reports an error. An empty text cannot be written (301).
TEST_F(ImportExportTest, ExportDataIsReadWithinItsHeaderAndItsBlock) {
    const struct {
        uint32_t flag, size, dataLength;
        bool hostError;
        const char *exported, *written;  // null: none; null: 301
    } rows[] = {
        {0, 5, 13, false, "hello", "hello"},
        {1, 5, 13, false, nullptr, ""},
        {0, 1000, 13, false, "hello", "hello"},
        {0, 3, 13, false, "hel", "hel"},
        {0, 5, 7, false, nullptr, ""},
        {0, 0, 8, false, "", nullptr},
        {0, 5, 13, true, nullptr, "hello"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        host.on(kExport, [&row](void*, void* r) {
            if (row.hostError) fake::addMessage(statusAt(r, at::Export::status), ZVI_ERROR, 88, "host error");
            return putData(r, row.flag, row.size, row.dataLength);
        });
        std::FILE* stream = std::tmpfile();
        std::setvbuf(stream, nullptr, _IONBF, 0);  // no buffer for the library to allocate
        alloc::Window window;  // the host's block is freed whatever becomes of it
        char untouched = 0, *text = &untouched;
        EXPECT_EQ(ZVIExport(&control, nullptr, nullptr, 0, nullptr, &text, &status), row.hostError ? 2u : 0u);
        ASSERT_NE(text, &untouched);
        EXPECT_STREQ(text ? text : "(none)", row.exported ? row.exported : "(none)");
        std::free(text);
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(ZVIExportToFile(&control, nullptr, nullptr, 0, nullptr, stream, &status),
                  row.hostError || !row.written ? 2u : 0u);
        EXPECT_EQ(status.numItems && status.entries[0].messageNum == 301, !row.written);
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(window.liveBlocks(), 0u);
        char written[16];
        std::rewind(stream);
        EXPECT_EQ(std::string(written, std::fread(written, 1, sizeof written, stream)), row.written ? row.written : "");
        std::fclose(stream);
    }
}

// Missing outputs and texts, and streams that are missing or cannot be read, are
// refused without a call.
TEST_F(ImportExportTest, MissingOutputsAndUnusableStreamsAreRefused) {
    std::fflush(in);
    FILE* writeOnly = fdopen(dup(fileno(in)), "a");  // the same file, for writing only
    checkArguments({
        {[&] { return ZVIExport(&control, &itemList, nullptr, 0, nullptr, nullptr, &status); }, 2, 155},
        {[&] { return ZVIExportToFile(&control, &itemList, nullptr, 0, nullptr, nullptr, &status); }, 2, 295},
        {[&] { return ZVIImportFromFile(&control, &itemList, nullptr, 0, &status); }, 2, 295},
        {[&] { return ZVIImportFromFile(&control, &itemList, writeOnly, 0, &status); }, 2, 295},
        {[&] { return ZVIImport(&control, &itemList, const_cast<char*>(""), 0, &status); }, 2, 156},
    });
    std::fclose(writeOnly);
}

// A text that declares a set (on a "char-set:" line after comment lines of at most 325
// characters, or in an XML declaration) other than the server's arrives converted; any
// other text as it is, the caller's own; a text that cannot be converted is refused (156).
TEST_F(ImportExportTest, ImportTextsArriveInTheServersCharacterSet) {
    const std::string xml = "<?xml version='1.0' encoding='ISO-8859-1'?>\n";
    const std::tuple<std::string, uint32_t, std::string> rows[] = {  // sent: empty: the caller's own; "156": refused
        {std::string(325, '#') + "!" + kLatin, kUtf8, std::string(325, '#') + "!" + kConverted},  // 325 make a line
        {xml + "<a>caf\xE9</a>", kUtf8, xml + "<a>caf\xC3\xA9</a>"},
        {kLatin, kLatin1, ""},
        {"char-set: UTF-8\ncaf\xE9", kLatin1, "156"},  // not UTF-8
    };
    for (const auto& [given, server, expected] : rows) {
        SCOPED_TRACE(given);
        zvi::serverCharSetCode = server;
        std::string text = given, sent = "156";
        const char* pointer = nullptr;
        host.on(kImport, [&](void* q, void*) {
            sent = pointer = raw::text(q, at::Import::text);
            EXPECT_EQ(raw::u32(q, at::Import::textLength), sent.size() + 1);
            return 1u;
        });
        const uint32_t rc = ZVIImport(&control, nullptr, text.data(), 0, &status);
        EXPECT_EQ(rc ? status.entries[0].messageNum : 0u, expected == "156" ? 156u : 0u);
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(sent, expected.empty() ? given : expected);
        EXPECT_EQ(pointer == text.data(), expected.empty());
    }
}
