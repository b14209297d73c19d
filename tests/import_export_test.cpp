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
namespace Item { constexpr size_t size = 280, type = 0, name = 4, subNames = 264; }
namespace CountedText { constexpr size_t size = 16, length = 0, text = 8; }
}  // namespace at

constexpr uint32_t kExport = 12592, kImport = 12600;
const uint32_t kLatin1 = zvi::utl::charSetCode("ISO-8859-1"), kUtf8 = zvi::utl::charSetCode("UTF-8");

// An export data block as the host returns it: the header in network byte order,
// then the text; dataLength is the block's size unless the host says otherwise.
void putData(void* r, uint32_t flag, uint32_t size, const std::string& text, uint32_t dataLength = ~0u) {
    auto* block = static_cast<uint8_t*>(std::malloc(8 + text.size()));
    const uint32_t header[2] = {htonl(flag), htonl(size)};
    std::memcpy(block, header, 8);
    std::memcpy(block + 8, text.data(), text.size());
    raw::put(r, at::Export::dataLength, dataLength == ~0u ? uint32_t(8 + text.size()) : dataLength);
    raw::put(r, at::Export::data, block);
}

// The stream's whole content.
std::string content(FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    std::string s;
    for (int c; (c = std::fgetc(stream)) != EOF;) s += char(c);
    return s;
}

// A second handle on a temporary file, open in the given mode only.
FILE* reopened(FILE* file, const char* mode) { return fdopen(dup(fileno(file)), mode); }

class ImportExportTest : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        std::strcpy(items[0].itemName, "Form A");
        items[0].itemType = 1;
        items[0].subNames = NameList{2, subNames};
        std::strcpy(items[1].itemName, "Filter B");
        items[1].itemType = 2;
    }
    void TearDown() override {
        for (FILE* f : {file, other})
            if (f) std::fclose(f);
        DefinitionsTest::TearDown();
    }
    std::vector<DefinitionOp> ops();

    // The packed copy of the items above, in the host's form.
    static void expectItems(void* q, size_t at) {
        const raw::List list = raw::list(q, at);
        ASSERT_EQ(list.count, 2u);
        EXPECT_EQ(raw::u32(list.items, at::Item::type), 1u);
        EXPECT_STREQ(raw::inlineText(list.items, at::Item::name), "Form A");
        const raw::List names = raw::list(list.items, at::Item::subNames);
        ASSERT_EQ(names.count, 2u);
        EXPECT_EQ(raw::u32(names.items, at::CountedText::length), 2u);
        EXPECT_STREQ(raw::text(names.items, at::CountedText::text), "x");
        EXPECT_EQ(raw::u32(names.items, at::CountedText::size + at::CountedText::length), 3u);
        EXPECT_STREQ(raw::text(names.items, at::CountedText::size + at::CountedText::text), "yz");
        EXPECT_EQ(raw::u32(list.items, at::Item::size + at::Item::type), 2u);
        EXPECT_STREQ(raw::inlineText(list.items, at::Item::size + at::Item::name), "Filter B");
        EXPECT_EQ(raw::list(list.items, at::Item::size + at::Item::subNames).count, 0u);
    }

    ObjectName subNames[2] = {"x", "yz"};
    ExportItem items[2] = {};
    ExportItemList itemList{2, items};
    char definitions[32] = "char-set: ISO-8859-1\ncaf\xE9";
    FILE* file = std::tmpfile();
    FILE* other = nullptr;
};

// Every operation with its arguments given; the host checks what it receives.
std::vector<DefinitionOp> ImportExportTest::ops() {
    auto answerExport = [](void* q, void* r) {
        expectItems(q, at::Export::items);
        putData(r, 0, 5, "hello");
    };
    auto exportText = [this](ControlRecord* c, StatusList* s) {
        char* text = nullptr;
        const uint32_t rc = ZVIExport(c, &itemList, nullptr, 0, nullptr, &text, s);
        std::free(text);
        return rc;
    };
    // The converted text with its length, the items, the control byte at 160, the option.
    auto answerImport = [](void* q, void*) {
        expectItems(q, at::Import::items);
        EXPECT_STREQ(raw::text(q, at::Import::text), "char-set: ISO-8859-1\ncaf\xC3\xA9");
        EXPECT_EQ(raw::u32(q, at::Import::textLength), 27u);
        EXPECT_EQ(raw::u32(q, at::Import::importOption), 6u);
        EXPECT_EQ(raw::u8(q, at::Control::byte160), 1u);
        EXPECT_EQ(raw::u32(q, at::Control::word152) | raw::u32(q, at::Control::word156), 0u);
        EXPECT_TRUE(raw::zero(q, at::Import::end, at::Import::size));
    };
    return {
        {"ZVIExport", kExport, 34, false, "ZVIExport", at::Export::status, answerExport, exportText, {0, 2, 154, 300}},
        {"ZVIExportToFile", kExport, 34, false, "ZVIExportToFile", at::Export::status, answerExport,
         [this](ControlRecord* c, StatusList* s) { return ZVIExportToFile(c, &itemList, nullptr, 0, nullptr, file, s); },
         {0, 2}},
        {"ZVIImport", kImport, 35, true, "ZVIImport", at::Import::status, answerImport,
         [this](ControlRecord* c, StatusList* s) { return ZVIImport(c, &itemList, definitions, 6, s); }, {0, 2}},
    };
}

}  // namespace

TEST_F(ImportExportTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(ImportExportTest, EveryAllocationFailureEndsInADefinedOutcome) {
    std::fputs(definitions, file);
    EXPECT_EQ(ZVIImport(&control, nullptr, definitions, 0, &status), 0u);  // the converter loads what it caches
    std::vector<DefinitionOp> all = ops();
    all.push_back({"ZVIImportFromFile", kImport, 35, true, "ZVIImport", at::Import::status, [](void*, void*) {},
                   [this](ControlRecord* c, StatusList* s) { return ZVIImportFromFile(c, &itemList, file, 0, s); },
                   {0, 2}});
    sweep(all);
}

// What Export sends besides the items: the caller's text itself (or an empty text of
// the library's), the flags and the option (its text cut at 31 characters).
TEST_F(ImportExportTest, ExportSendsItsArgumentsOrTheirDefaults) {
    char exportText[] = "only these";
    ExportOption option{4, {}};
    std::memset(option.optionText, 'o', sizeof option.optionText);  // no terminator
    for (bool all : {true, false}) {
        host.on(kExport, [&](void* q, void* r) {
            EXPECT_EQ(raw::text(q, at::Export::exportText) == exportText, all);
            EXPECT_STREQ(raw::text(q, at::Export::exportText), all ? exportText : "") << "never null";
            EXPECT_EQ(raw::u32(q, at::Export::exportFlags), all ? 17u : 0u);
            EXPECT_EQ(raw::u32(q, at::Export::optionKind), all ? 4u : 0u);
            EXPECT_EQ(std::string(raw::inlineText(q, at::Export::optionText)), all ? std::string(31, 'o') : "");
            EXPECT_TRUE(raw::zero(q, at::Export::zeroWord, at::Export::size));
            EXPECT_EQ(raw::u32(q, at::Control::word152) | raw::u32(q, at::Control::word156), 0u);
            return putData(r, 0, 2, "ok"), 1u;
        });
        char* text = nullptr;
        EXPECT_EQ(ZVIExport(&control, nullptr, all ? exportText : nullptr, all ? 17 : 0, all ? &option : nullptr,
                            &text, &status), 0u);
        EXPECT_STREQ(text, "ok");
        std::free(text);
    }
}

// The header decides what the caller gets: a text of the declared size, never more
// than the block holds; nothing for a block shorter than its header, a header with a
// flag, or (in memory only) a result that reports an error. A stream receives the
// text whatever the status; an empty text cannot be written (301).
TEST_F(ImportExportTest, ExportDataIsReadWithinItsHeaderAndItsBlock) {
    struct Row {
        uint32_t flag, size;
        const char* data;
        uint32_t dataLength;  // ~0: the block's size
        bool hostError;
        const char* exported;  // null: none
        const char* written;   // null: 301
        uint32_t rcExport, rcFile;
    };
    const Row rows[] = {
        {0, 5, "hello", ~0u, false, "hello", "hello", 0, 0},
        {1, 5, "hello", ~0u, false, nullptr, "", 0, 0},
        {0, 1000, "hello", ~0u, false, "hello", "hello", 0, 0},
        {0, 3, "hello", ~0u, false, "hel", "hel", 0, 0},
        {0, 5, "hello", 4, false, nullptr, "", 0, 0},
        {0, 5, "hello", 0, false, nullptr, "", 0, 0},
        {0, 0, "", ~0u, false, "", nullptr, 0, 2},
        {0, 0xFFFFFFFF, "a\0b", ~0u, false, "a", "a", 0, 0},
        {0, 5, "hello", ~0u, true, nullptr, "hello", 2, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(&row - rows));
        host.on(kExport, [&row](void*, void* r) {
            putData(r, row.flag, row.size, std::string(row.data, row.size == 0xFFFFFFFF ? 3 : std::strlen(row.data)),
                    row.dataLength);
            if (row.hostError) fake::addMessage(statusAt(r, at::Export::status), ZVI_ERROR, 88, "host error");
            return 1u;
        });
        std::FILE* stream = std::tmpfile();
        std::setvbuf(stream, nullptr, _IONBF, 0);  // no buffer for the library to allocate
        alloc::Window window;  // the host's block is freed whatever becomes of it
        char untouched = 0, *text = &untouched;
        EXPECT_EQ(ZVIExport(&control, nullptr, nullptr, 0, nullptr, &text, &status), row.rcExport);
        ASSERT_NE(text, &untouched) << "emptied at entry";
        EXPECT_EQ(text ? std::string(text) : "(none)", row.exported ? row.exported : "(none)");
        std::free(text);
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(ZVIExportToFile(&control, nullptr, nullptr, 0, nullptr, stream, &status), row.rcFile);
        EXPECT_EQ(status.numItems && status.entries[0].messageNum == 301, !row.written);
        zvi::releaseStatusList(&status, 0);
        EXPECT_EQ(window.liveBlocks(), 0u);
        EXPECT_EQ(content(stream), row.written ? row.written : "");
        std::fclose(stream);
    }
}

TEST_F(ImportExportTest, MissingOutputsAndUnusableStreamsAreRefused) {
    host.on(kExport, [](void*, void* r) { return putData(r, 0, 5, "hello"), 1u; });
    other = reopened(file, "r");  // a stream that cannot be written
    struct Row {
        std::function<uint32_t()> call;
        uint32_t number;
        bool called;
    };
    const Row rows[] = {
        {[&] { return ZVIExport(&control, &itemList, nullptr, 0, nullptr, nullptr, &status); }, 155, false},
        {[&] { return ZVIExportToFile(&control, &itemList, nullptr, 0, nullptr, nullptr, &status); }, 295, false},
        {[&] { return ZVIExportToFile(&control, &itemList, nullptr, 0, nullptr, other, &status); }, 301, true},
        {[&] { return ZVIImportFromFile(&control, &itemList, nullptr, 0, &status); }, 295, false},
        {[&] { return ZVIImportFromFile(&control, &itemList, file, 0, &status); }, 295, false},  // empty
        {[&] { return ZVIImport(&control, &itemList, nullptr, 0, &status); }, 156, false},
        {[&] { return ZVIImport(&control, &itemList, const_cast<char*>(""), 0, &status); }, 156, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        host.clearEvents();
        EXPECT_EQ(row.call(), 2u);
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, row.number)});
        EXPECT_EQ(host.calls(kExport) + host.calls(kImport), row.called ? 1 : 0);
        zvi::releaseStatusList(&status, 0);
    }
    std::fputs(definitions, file);  // read from the start whatever the position; left open
    std::fflush(file);
    host.on(kImport, [](void* q, void*) {
        EXPECT_STREQ(raw::text(q, at::Import::text), "char-set: ISO-8859-1\ncaf\xC3\xA9");
        EXPECT_TRUE(raw::zero(q, at::Import::items, at::Import::items + 16)) << "no items";
        return 1u;
    });
    EXPECT_EQ(ZVIImportFromFile(&control, nullptr, file, 0, &status), 0u);
    std::fseek(file, 0, SEEK_END);  // from reading to writing: the stream is positioned first
    EXPECT_GE(std::fputs("still open", file), 0);
    std::FILE* writeOnly = reopened(file, "a");
    EXPECT_EQ(ZVIImportFromFile(&control, nullptr, writeOnly, 0, &status), 2u) << "a stream that cannot be read";
    EXPECT_EQ(status.entries[0].messageNum, 295u);
    std::fclose(writeOnly);
    char* text = nullptr;
    EXPECT_EQ(ZVIExport(&control, nullptr, nullptr, 0, nullptr, &text, nullptr), 4u);
    EXPECT_EQ(ZVIImportFromFile(&control, nullptr, file, 0, nullptr), 4u);
}

// A text that declares a set (on a "char-set:" line before its first other line, or
// in an XML declaration) other than the server's arrives converted; any other text
// as it is; a text that cannot be converted is refused (156).
TEST_F(ImportExportTest, ImportTextsArriveInTheServersCharacterSet) {
    const std::string latin = "char-set: ISO-8859-1\ncaf\xE9", utf = "char-set: ISO-8859-1\ncaf\xC3\xA9";
    const std::string comments = "# exported\n\r\n\n#\r\n";
    struct Row {
        std::string text;
        uint32_t server;
        std::string sent;  // empty: the caller's text itself; "156": refused
    };
    const std::vector<Row> rows{
        {latin, kUtf8, utf},
        {comments + latin, kUtf8, comments + utf},
        {std::string(400, '#') + "\n" + latin, kUtf8, std::string(400, '#') + "\n" + utf},
        {std::string(325, '#') + "!" + latin, kUtf8, std::string(325, '#') + "!" + utf},  // 325 make a line
        {std::string(326, '#') + "!" + latin, kUtf8, ""},  // then "!char-set: ..." is the first line
        {"caf\xE9\n" + latin, kUtf8, ""},
        {" " + latin, kUtf8, ""},
        {"Char-set: ISO-8859-1\ncaf\xE9", kUtf8, ""},  // case counts
        {"<?xml version='1.0' encoding='ISO-8859-1'?>\n<a>caf\xE9</a>", kUtf8,
         "<?xml version='1.0' encoding='ISO-8859-1'?>\n<a>caf\xC3\xA9</a>"},
        {"char-set: UTF-8\ncaf\xC3\xA9", kLatin1, "char-set: UTF-8\ncaf\xE9"},
        {latin, kLatin1, ""},
        {"char-set: UTF-8\ncaf\xE9", kLatin1, "156"},  // not UTF-8
        {"char-set: no such set\ntext", kUtf8, "156"},
        {"char-set: UTF-8\n\xEF\xBB\xBF" "text", kUtf8, ""},  // the server's own set
        {"char-set: ISO-8859-1\r\n", zvi::utl::charSetCode("US-ASCII"), "char-set: ISO-8859-1\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        zvi::serverCharSetCode = row.server;
        std::string sent;
        const char* pointer = nullptr;
        host.on(kImport, [&](void* q, void*) {
            pointer = raw::text(q, at::Import::text);
            sent = pointer;
            EXPECT_EQ(raw::u32(q, at::Import::textLength), sent.size() + 1);
            return 1u;
        });
        std::string text = row.text;
        const bool refused = row.sent == "156";
        EXPECT_EQ(ZVIImport(&control, nullptr, text.data(), 0, &status), refused ? 2u : 0u);
        if (refused) {
            EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 156)});
            zvi::releaseStatusList(&status, 0);
            continue;
        }
        EXPECT_EQ(sent, row.sent.empty() ? row.text : row.sent);
        EXPECT_EQ(pointer == text.data(), row.sent.empty()) << "converted into a text of the library's";
    }
}

