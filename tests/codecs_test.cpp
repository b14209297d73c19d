// Protocol version, the XDR pass-through entries, and the record codecs: wire form,
// round trips through memory streams, and release in the free direction.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "bridge/record_codecs.h"
#include "platform/xdr.h"
#include "tests/support/fixtures.h"

using namespace testing_support;
using zvi::releaseThroughCodec;

namespace {

// ---------------------------------------------------------------- pass-through

// What the last host entry received: its pointer arguments and its number.
struct Seen {
    std::vector<const void*> args;
    uint32_t number;
} seen;
int answer = 0;

int received(std::vector<const void*> args, uint32_t number) {
    seen = {std::move(args), number};
    return answer;
}
int opaqueEntry(void* s, char* d, uint32_t n) { return received({s, d}, n); }
int stringEntry(void* s, char** t, uint32_t max) { return received({s, t}, max); }
int guardOffEntry(void* a, void* b) { return received({a, b}, 1); }
int guardOnEntry(void* a, void* b) { return received({a, b}, 2); }
int bytesEntry(void* s, char** d, uint32_t* n, uint32_t max) { return received({s, d, n}, max); }

class PassThroughTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        HostEntryTable table = host.table();
        auto put = [&](uint32_t slot, auto fn) { std::memcpy(table.u.bytes + slot, &fn, sizeof fn); };
        put(13664, &opaqueEntry);
        put(13672, &stringEntry);
        put(13680, &guardOffEntry);
        put(13688, &guardOnEntry);
        put(13696, &bytesEntry);
        ASSERT_EQ(ZVIInitialization(&table, nullptr), 0u);
    }
};

TEST(ProtocolVersion, IsTwelve) { EXPECT_EQ(Zv_xdr_api_protocol_vers(), 12u); }

TEST_F(PassThroughTest, ArgumentsAndResultPassUnchanged) {
    int stream, data;
    char* text = nullptr;
    uint32_t length = 0;
    void* s = &stream;
    char* d = reinterpret_cast<char*>(&data);
    for (int result : {1, 0, -7}) {
        answer = result;
        EXPECT_EQ(ZVI_svr_xdr_opaque(s, d, 12), result);
        EXPECT_EQ(seen.args, (std::vector<const void*>{s, d}));
        EXPECT_EQ(seen.number, 12u);
        EXPECT_EQ(ZVI_svr_xdr_string(s, &text, 255), result);
        EXPECT_EQ(seen.args, (std::vector<const void*>{s, &text}));
        EXPECT_EQ(seen.number, 255u);
        EXPECT_EQ(ZVI_svr_xdr_ZvsGuardOpaqueOff(s, d), result);
        EXPECT_EQ(seen.args, (std::vector<const void*>{s, d}));
        EXPECT_EQ(seen.number, 1u);
        EXPECT_EQ(ZVI_svr_xdr_ZvsGuardOpaqueOn(d, s), result);
        EXPECT_EQ(seen.args, (std::vector<const void*>{d, s}));
        EXPECT_EQ(seen.number, 2u);
        EXPECT_EQ(ZVI_svr_xdr_bytes(s, &text, &length, 0xFFFFFFFFu), result);
        EXPECT_EQ(seen.args, (std::vector<const void*>{s, &text, &length}));
        EXPECT_EQ(seen.number, 0xFFFFFFFFu);
    }
    EXPECT_TRUE(host.events().empty());  // no hooks, no caller information
}

TEST_F(PassThroughTest, RunsNoFrameAndAllocatesNothing) {
    answer = 1;
    bool hadContext = true;
    std::thread([&] {
        alloc::Window w;
        char* text = nullptr;
        uint32_t length = 0;
        ZVI_svr_xdr_opaque(nullptr, nullptr, 0);
        ZVI_svr_xdr_string(nullptr, &text, 0);
        ZVI_svr_xdr_ZvsGuardOpaqueOff(nullptr, nullptr);
        ZVI_svr_xdr_ZvsGuardOpaqueOn(nullptr, nullptr);
        ZVI_svr_xdr_bytes(nullptr, &text, &length, 0);
        EXPECT_EQ(w.allocations(), 0u);
        hadContext = zvi::rpc::getThreadContext() != nullptr;
    }).join();
    EXPECT_FALSE(hadContext);
}

TEST_F(PassThroughTest, EmptyEntryAnswersZero) {
    HostEntryTable table{};
    table.u.version = ZVI_INTERFACE_VERSION;
    ASSERT_EQ(ZVIInitialization(&table, nullptr), 0u);
    char* text = nullptr;
    EXPECT_EQ(ZVI_svr_xdr_string(nullptr, &text, 1), 0);
}

// ---------------------------------------------------------------- values

// Deep, readable form of a value, for comparing a decoded value with its source.
std::string show(const char* text) { return text ? "\"" + std::string(text) + "\"" : "null"; }
std::string show(const Value& v) {
    std::ostringstream o;
    o << v.dataType << ":";
    const ValuePayload& p = v.payload;
    switch (v.dataType) {
        case 1: case 6: case 8: case 13: case 14: case 40: o << p.u; break;
        case 2: case 7: o << p.i; break;
        case 3: o << p.real; break;
        case 4: case 5: case 10: case 42: case 43: o << show(p.text); break;
        case 9:
            if (!p.byteList) break;
            o << "kind " << p.byteList->kind << " [" << std::string(reinterpret_cast<char*>(p.byteList->bytes),
                                                                      p.byteList->numItems) << "]";
            break;
        case 11: case 49: case 50: {
            const Attachment* a = p.attachment;
            if (!a) break;
            o << show(a->name) << " " << a->origSize << "/" << a->compSize << " loc " << a->locator.locType;
            if (a->locator.locType == ZVI_LOC_FILENAME) o << " " << show(a->locator.u.fileName);
            if (a->locator.locType == ZVI_LOC_BUFFER)
                o << " [" << std::string(reinterpret_cast<char*>(a->locator.u.mem.buffer), a->locator.u.mem.bufSize)
                  << "]";
            break;
        }
        case 12: {
            const CurrencyValue* c = p.currency;
            if (!c) break;
            o << show(c->value) << " " << std::string(c->currencyCode, 4) << " " << c->conversionDate;
            for (uint32_t i = 0; i < c->funcList.numItems; ++i)
                o << " (" << show(c->funcList.items[i].value) << " " << std::string(c->funcList.items[i].currencyCode, 4)
                  << ")";
            break;
        }
        case 41:
            if (!p.intPairs) break;
            for (uint32_t i = 0; i < p.intPairs->numItems; ++i)
                o << " " << p.intPairs->items[i].first << "," << p.intPairs->items[i].second;
            break;
    }
    return o.str();
}

// Caller-owned payloads the cases point to.
char hello[] = "hello";
char fileName[] = "/tmp/report.txt";
char attachName[] = "report";
uint8_t data[] = {'a', 'b', 'c', 0, 'e'};
ByteList bytes{7, 0, 5, 0, data};
ByteList noBytes{3, 0, 0, 0, nullptr};
Attachment fileAttachment{attachName, 100, 50, {ZVI_LOC_FILENAME, {fileName}}};
Attachment bufferAttachment{attachName, 5, 5, {ZVI_LOC_BUFFER, {}}};
Attachment plainAttachment{nullptr, 1, 2, {ZVI_LOC_NONE, {}}};
char usd[] = "12.50", eur[] = "11.10", gbp[] = "9.90";
FuncCurrency funcs[] = {{eur, {'E', 'U', 'R', 0}}, {gbp, {'G', 'B', 'P', 0}}};
CurrencyValue money{usd, {'U', 'S', 'D', 0}, 20240101, {2, funcs}};
IntPair pairs[] = {{1, -1}, {2147483647, -2147483647}};
IntPairList pairList{2, pairs};

Value make(uint32_t type, uint64_t bits) {
    Value v{};
    v.dataType = type;
    std::memcpy(&v.payload, &bits, sizeof bits);
    return v;
}
Value withPointer(uint32_t type, void* p) {
    Value v{};
    v.dataType = type;
    v.payload.ptr = p;
    return v;
}
Value real(double d) {
    Value v{ZVI_DATA_REAL, {}};
    v.payload.real = d;
    return v;
}

struct ValueCase {
    ValueCase(Value v, std::string shown = "") : value(v), decoded(std::move(shown)) {}
    Value value;
    std::string decoded;  // as shown after a round trip; empty: as the source shows
};

std::vector<ValueCase> valueCases() {
    bufferAttachment.locator.u.mem.bufSize = 5;
    bufferAttachment.locator.u.mem.buffer = data;
    return {
        {make(0, 0)},
        {make(30, 0)},
        {make(31, 0)},
        {make(32, 0)},
        {make(1, 6)},
        {make(2, uint32_t(-5)), "2:-5"},
        {make(7, 1700000000)},
        {real(-2.5), "3:-2.5"},
        {withPointer(4, hello), "4:\"hello\""},
        {withPointer(4, nullptr), "4:\"\""},  // a null text travels as the empty text
        {withPointer(5, hello)},
        {withPointer(10, hello)},
        {withPointer(42, hello)},
        {withPointer(43, hello)},
        {make(6, 3)},
        {make(8, 0xF0F0F0F0u)},
        {make(40, 9)},
        {make(13, 738000)},
        {make(14, 86399)},
        {withPointer(9, &bytes)},
        {withPointer(9, &noBytes), "9:kind 3 []"},
        {withPointer(9, nullptr), "9:"},
        {withPointer(11, &fileAttachment), "11:\"report\" 100/50 loc 1 \"/tmp/report.txt\""},
        {withPointer(11, &bufferAttachment)},
        {withPointer(11, &plainAttachment), "11:\"\" 1/2 loc 0"},  // a null name travels as the empty name
        {withPointer(11, nullptr)},
        {withPointer(12, &money)},
        {withPointer(41, &pairList), "41: 1,-1 2147483647,-2147483647"},
        // Shared attachment records arrive as attachments.
        {withPointer(49, &fileAttachment), "11:\"report\" 100/50 loc 1 \"/tmp/report.txt\""},
        {withPointer(49, &plainAttachment), "11:\"\" 1/2 loc 0"},
        {withPointer(49, &bufferAttachment), "11" + show(withPointer(11, &bufferAttachment)).substr(2)},
        {withPointer(50, &bufferAttachment), "11" + show(withPointer(11, &bufferAttachment)).substr(2)},
    };
}

std::vector<uint8_t> encode(zvi::rpc::Codec codec, void* record, size_t room = 4096) {
    std::vector<uint8_t> wire(room);
    wire.resize(zvi::rpc::encodeRecord(codec, record, wire.data(), wire.size()));
    return wire;
}

TEST(ValueCodec, EveryDataTypeRoundTripsAndIsReleasedWithoutLeaks) {
    for (ValueCase& c : valueCases()) {
        SCOPED_TRACE(show(c.value));
        if (c.decoded.empty()) c.decoded = show(c.value);
        Value source = c.value;
        std::vector<uint8_t> wire = encode(zvi::codeValue, &source);
        ASSERT_FALSE(wire.empty());
        alloc::Window w;
        Value decoded{};
        EXPECT_EQ(zvi::rpc::decodeRecord(zvi::codeValue, &decoded, wire.data(), wire.size()), wire.size());
        EXPECT_EQ(show(decoded), c.decoded);
        releaseThroughCodec(zvi::codeValue, &decoded);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
}

TEST(ValueCodec, SharedAttachmentTypesBecomeAttachmentsOnceCoded) {
    Value v = withPointer(49, &fileAttachment);
    ASSERT_FALSE(encode(zvi::codeValue, &v).empty());
    EXPECT_EQ(v.dataType, 11u);
    EXPECT_EQ(v.payload.attachment, &fileAttachment);  // the record itself is not touched
    v = withPointer(50, &bufferAttachment);
    ASSERT_FALSE(encode(zvi::codeValue, &v).empty());
    EXPECT_EQ(v.dataType, 11u);
}

TEST(ValueCodec, Type50CodesTheLocatorAsBufferBytesWhateverItsType) {
    Attachment a{nullptr, 0, 0, {ZVI_LOC_NONE, {}}};
    a.locator.u.mem.bufSize = 2;
    a.locator.u.mem.buffer = data;
    // present, empty name, two sizes, locType 0
    const std::vector<uint8_t> head{0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<uint8_t> expected{0, 0, 0, 50};
    expected.insert(expected.end(), head.begin(), head.end());
    expected.insert(expected.end(), {0, 0, 0, 2, 'a', 'b', 0, 0});  // the 2 bytes anyway
    Value v = withPointer(50, &a);
    EXPECT_EQ(encode(zvi::codeValue, &v), expected);
    expected = {0, 0, 0, 49};  // by its type: nothing after locType 0
    expected.insert(expected.end(), head.begin(), head.end());
    v = withPointer(49, &a);
    EXPECT_EQ(encode(zvi::codeValue, &v), expected);
}

TEST(ValueCodec, WireForm) {
    Value text = withPointer(4, const_cast<char*>("ab"));
    EXPECT_EQ(encode(zvi::codeValue, &text), (std::vector<uint8_t>{0, 0, 0, 4, 0, 0, 0, 2, 'a', 'b', 0, 0}));
    Value integer = make(2, uint32_t(-5));
    EXPECT_EQ(encode(zvi::codeValue, &integer), (std::vector<uint8_t>{0, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0xFB}));
    Value pairs1 = withPointer(41, &pairList);
    std::vector<uint8_t> wire = encode(zvi::codeValue, &pairs1);
    EXPECT_EQ(std::vector<uint8_t>(wire.begin(), wire.begin() + 16),
              (std::vector<uint8_t>{0, 0, 0, 41, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1}));
    Value bytes1 = withPointer(9, &noBytes);  // present, kind, empty byte array
    EXPECT_EQ(encode(zvi::codeValue, &bytes1), (std::vector<uint8_t>{0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0}));
}

TEST(ValueCodec, UnknownTypesAndBadRecordsFail) {
    for (uint32_t type : {15u, 29u, 33u, 39u, 44u, 48u, 51u, 255u}) {
        Value v = make(type, 0);
        EXPECT_TRUE(encode(zvi::codeValue, &v).empty()) << type;
        const uint8_t wire[8] = {0, 0, 0, uint8_t(type)};
        Value decoded{};
        EXPECT_EQ(zvi::rpc::decodeRecord(zvi::codeValue, &decoded, wire, sizeof wire), 0u) << type;
    }
    Attachment badLocator{nullptr, 0, 0, {7, {}}};
    Value v = withPointer(11, &badLocator);
    EXPECT_TRUE(encode(zvi::codeValue, &v).empty());
    std::string longName(257, 'n');
    Attachment longNamed{longName.data(), 0, 0, {ZVI_LOC_NONE, {}}};
    v = withPointer(11, &longNamed);
    EXPECT_TRUE(encode(zvi::codeValue, &v).empty());
    v = withPointer(4, hello);
    EXPECT_TRUE(encode(zvi::codeValue, &v, 8).empty());  // no room for the text
}

TEST(ValueCodec, DecodingFailuresLeaveAReleasableValue) {
    for (ValueCase& c : valueCases()) {
        SCOPED_TRACE(show(c.value));
        Value source = c.value;
        std::vector<uint8_t> wire = encode(zvi::codeValue, &source);
        // Allocation failures at each step, then streams cut short at each unit.
        alloc::sweep([&](const alloc::Window& w) {
            Value decoded{};
            const size_t used = zvi::rpc::decodeRecord(zvi::codeValue, &decoded, wire.data(), wire.size());
            EXPECT_EQ(used, w.failed() ? 0u : wire.size());
            releaseThroughCodec(zvi::codeValue, &decoded);
        });
        for (size_t cut = 0; cut < wire.size(); cut += 4) {
            alloc::Window w;
            Value decoded{};
            EXPECT_EQ(zvi::rpc::decodeRecord(zvi::codeValue, &decoded, wire.data(), cut), 0u);
            releaseThroughCodec(zvi::codeValue, &decoded);
            EXPECT_EQ(w.liveBlocks(), 0u);
        }
    }
}

// ---------------------------------------------------------------- records

StatusEntry makeEntry(uint32_t type, uint32_t number, const char* text, const char* detail) {
    return {type, number, const_cast<char*>(text), const_cast<char*>(detail)};
}

TEST(StatusListCodec, RoundTripsAndBoundsTheAppendedText) {
    StatusEntry entries[] = {makeEntry(2, 9905, "failed", "ZVIGetEntry"), makeEntry(0, 1, "", nullptr)};
    StatusList list{2, entries};
    std::vector<uint8_t> wire = encode(zvi::codeStatusList, &list);
    ASSERT_FALSE(wire.empty());
    StatusList decoded{};
    ASSERT_EQ(zvi::rpc::decodeRecord(zvi::codeStatusList, &decoded, wire.data(), wire.size()), wire.size());
    std::vector<Message> expected{{2, 9905, "failed", "ZVIGetEntry", true}, {0, 1, "", "", true}};
    EXPECT_EQ(messages(decoded), expected);
    releaseThroughCodec(zvi::codeStatusList, &decoded);

    std::string detail(256, 'd');
    entries[0].appendedText = detail.data();
    EXPECT_FALSE(encode(zvi::codeStatusList, &list).empty());
    detail += 'd';
    entries[0].appendedText = detail.data();
    EXPECT_TRUE(encode(zvi::codeStatusList, &list).empty());
    std::string text(5000, 't');  // the catalog text has no bound
    entries[0] = makeEntry(2, 1, text.c_str(), nullptr);
    EXPECT_FALSE(encode(zvi::codeStatusList, &list, 8192).empty());
}

TEST(RequestControlCodec, RoundTripsEveryField) {
    char s1[] = "one", s2[] = "two", s3[] = "three", t2[] = "text2", t5[] = "text5";
    uint8_t raw[] = {9, 8, 7};
    Prop props[] = {{60037, withPointer(4, hello)}, {7, make(2, 42)}};
    RequestControl c{};
    c.contextWord0 = -1;
    c.contextWord1 = 77;
    c.stringRef1 = s1;
    c.stringRef2 = s2;
    c.byteKind = 5;
    c.byteCount = 3;
    c.bytes = raw;
    c.stringRef3 = s3;
    c.text[1] = t2;
    c.text[4] = t5;
    c.number1 = 1, c.number2 = 2, c.number3 = 3, c.number4 = 4;
    c.pairList = {2, props};
    c.number5 = -5, c.number6 = 6, c.number7 = 7, c.number8 = 8;
    c.word152 = 152;
    c.word156 = -156;
    c.flag160 = 0xA0;
    std::vector<uint8_t> wire = encode(zvi::codeRequestControl, &c);
    ASSERT_FALSE(wire.empty());

    alloc::Window w;
    RequestControl d{};
    ASSERT_EQ(zvi::rpc::decodeRecord(zvi::codeRequestControl, &d, wire.data(), wire.size()), wire.size());
    EXPECT_EQ(d.contextWord0, -1);
    EXPECT_EQ(d.contextWord1, 77);
    EXPECT_STREQ(d.stringRef1, "one");
    EXPECT_STREQ(d.stringRef2, "two");
    EXPECT_EQ(d.byteKind, 5u);
    ASSERT_EQ(d.byteCount, 3u);
    EXPECT_EQ(std::memcmp(d.bytes, raw, 3), 0);
    EXPECT_STREQ(d.stringRef3, "three");
    const char* texts[6] = {"", "text2", "", "", "text5", ""};  // null texts travel as empty ones
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(d.text[i], texts[i]) << i;
    EXPECT_EQ(d.number1 + d.number2 + d.number3 + d.number4, 10u);
    ASSERT_EQ(d.pairList.numItems, 2u);
    EXPECT_EQ(d.pairList.items[0].propId, 60037u);
    EXPECT_EQ(show(d.pairList.items[0].value), "4:\"hello\"");
    EXPECT_EQ(show(d.pairList.items[1].value), "2:42");
    EXPECT_EQ(d.number5, -5);
    EXPECT_EQ(d.number6 + d.number7 + d.number8, 21u);
    EXPECT_EQ(d.word152, 152u);
    EXPECT_EQ(d.word156, -156);
    EXPECT_EQ(d.flag160, 0xA0);
    releaseThroughCodec(zvi::codeRequestControl, &d);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(ClientTransactionResultCodec, RoundTripsAndReleasesWhatTheHostAllocated) {
    ClientTransactionResult r{};
    r.control.contextWord0 = 3;
    r.handleLength = 4;
    r.handleBytes = reinterpret_cast<uint8_t*>(const_cast<char*>("h\0ck"));
    StatusEntry entry = makeEntry(1, 12, "warning", "detail");
    r.status = {1, &entry};
    std::vector<uint8_t> wire = encode(zvi::codeClientTransactionResult, &r);
    ASSERT_FALSE(wire.empty());

    alloc::sweep([&](const alloc::Window& w) {
        ClientTransactionResult d{};
        const size_t used = zvi::rpc::decodeRecord(zvi::codeClientTransactionResult, &d, wire.data(), wire.size());
        ASSERT_EQ(used, w.failed() ? 0u : wire.size());
        if (!w.failed()) {
            EXPECT_EQ(d.control.contextWord0, 3);
            ASSERT_EQ(d.handleLength, 4u);
            EXPECT_EQ(std::memcmp(d.handleBytes, "h\0ck", 4), 0);
            EXPECT_EQ(messages(d.status), (std::vector<Message>{{1, 12, "warning", "detail", true}}));
        }
        releaseThroughCodec(zvi::codeClientTransactionResult, &d);
    });
}

TEST(ClientTransactionResultCodec, ReleaseLeavesNullPointersAlone) {
    alloc::Window w;
    ClientTransactionResult r{};  // a head of null texts and lists
    r.handleLength = 2;
    r.handleBytes = static_cast<uint8_t*>(std::malloc(2));
    fake::addMessage(r.status, 2, 1, "error");
    r.control.pairList.numItems = 1;
    r.control.pairList.items = static_cast<Prop*>(std::calloc(1, sizeof(Prop)));
    r.control.pairList.items[0].value = withPointer(4, fake::text("x"));
    releaseThroughCodec(zvi::codeClientTransactionResult, &r);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(ListCodecs, IdentifierEntryAndFieldValueListsRoundTrip) {
    uint32_t ids[] = {1, 536870913, 0xFFFFFFFF};
    IdList idList{3, ids};
    EntryId entryIds[] = {"000000000000001", "x"};
    EntryIdList entryIdList{2, entryIds};
    FieldValue fields[] = {{8, withPointer(4, hello)}, {7, make(6, 2)}, {9, withPointer(12, &money)}};
    FieldValueList fieldList{3, fields};

    alloc::Window w;
    IdList idOut{};
    std::vector<uint8_t> wire = encode(zvi::codeIdList, &idList);
    EXPECT_EQ(wire.size(), 16u);
    ASSERT_EQ(zvi::rpc::decodeRecord(zvi::codeIdList, &idOut, wire.data(), wire.size()), wire.size());
    EXPECT_EQ(std::vector<uint32_t>(idOut.items, idOut.items + idOut.numItems), std::vector<uint32_t>(ids, ids + 3));
    releaseThroughCodec(zvi::codeIdList, &idOut);

    EntryIdList entryOut{};
    wire = encode(zvi::codeEntryIdList, &entryIdList);
    EXPECT_EQ(wire.size(), 4u + 2 * 16);  // fixed 16-byte areas
    ASSERT_EQ(zvi::rpc::decodeRecord(zvi::codeEntryIdList, &entryOut, wire.data(), wire.size()), wire.size());
    ASSERT_EQ(entryOut.numItems, 2u);
    EXPECT_EQ(std::memcmp(entryOut.items, entryIds, sizeof entryIds), 0);
    releaseThroughCodec(zvi::codeEntryIdList, &entryOut);

    FieldValueList fieldOut{};
    wire = encode(zvi::codeFieldValueList, &fieldList);
    ASSERT_EQ(zvi::rpc::decodeRecord(zvi::codeFieldValueList, &fieldOut, wire.data(), wire.size()), wire.size());
    ASSERT_EQ(fieldOut.numItems, 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(fieldOut.items[i].fieldId, fields[i].fieldId);
        EXPECT_EQ(show(fieldOut.items[i].value), show(fields[i].value));
    }
    releaseThroughCodec(zvi::codeFieldValueList, &fieldOut);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

struct Named {
    ObjectName name;
};
bool named(void* s, Named* n) { return zvi::rpc::codeName(s, n->name); }

TEST(NameCodec, CodesAtMost254CharactersInPlace) {
    Named source{}, decoded{};
    std::memset(source.name, 'n', 254);
    std::vector<uint8_t> wire = encode(zvi::rpc::codec<Named, named>, &source);
    ASSERT_EQ(wire.size(), 4u + 256);
    ASSERT_EQ(zvi::rpc::decodeRecord(zvi::rpc::codec<Named, named>, &decoded, wire.data(), wire.size()), wire.size());
    EXPECT_EQ(std::string(decoded.name), std::string(254, 'n'));
    releaseThroughCodec(zvi::rpc::codec<Named, named>, &decoded);  // nothing to release
    EXPECT_EQ(decoded.name[0], 'n');
    std::memset(source.name, 'n', 255);  // no terminator within the buffer
    EXPECT_TRUE(encode(zvi::rpc::codec<Named, named>, &source).empty());
    wire = {0, 0, 0, 255};
    wire.resize(4 + 256, 'x');
    EXPECT_EQ(zvi::rpc::decodeRecord(zvi::rpc::codec<Named, named>, &decoded, wire.data(), wire.size()), 0u);
}

}  // namespace
