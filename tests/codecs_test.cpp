// Protocol version, the XDR pass-through entries, and the record codecs: exact wire
// form, round trips through memory streams, and release in the free direction.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "bridge/record_codecs.h"
#include "platform/xdr.h"
#include "tests/support/fixtures.h"

using namespace testing_support;
using zvi::releaseThroughCodec;
using zvi::rpc::Codec;
using Bytes = std::vector<uint8_t>;

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

TEST(ProtocolVersion, IsTwelve) { EXPECT_EQ(Zv_xdr_api_protocol_vers(), 12u); }

// Arguments and the host's result pass unchanged, with no frame: no hooks, no caller
// information, no allocation, no allocation context. An empty entry answers 0.
using PassThroughTest = HostTest;

TEST_F(PassThroughTest, ArgumentsAndResultPassUnchangedWithoutAFrame) {
    HostEntryTable table = host.table();
    auto put = [&](uint32_t slot, auto fn) { std::memcpy(table.u.bytes + slot, &fn, sizeof fn); };
    put(13664, &opaqueEntry);
    put(13672, &stringEntry);
    put(13680, &guardOffEntry);
    put(13688, &guardOnEntry);
    put(13696, &bytesEntry);
    ASSERT_EQ(ZVIInitialization(&table, nullptr), 0u);
    int stream, data;
    char* text = nullptr;
    uint32_t length = 0;
    void* s = &stream;
    char* d = reinterpret_cast<char*>(&data);
    const struct {
        std::function<int()> call;
        std::vector<const void*> args;
        uint32_t number;
    } cases[] = {
        {[&] { return ZVI_svr_xdr_opaque(s, d, 12); }, {s, d}, 12},
        {[&] { return ZVI_svr_xdr_string(s, &text, 255); }, {s, &text}, 255},
        {[&] { return ZVI_svr_xdr_ZvsGuardOpaqueOff(s, d); }, {s, d}, 1},
        {[&] { return ZVI_svr_xdr_ZvsGuardOpaqueOn(d, s); }, {d, s}, 2},
        {[&] { return ZVI_svr_xdr_bytes(s, &text, &length, 0xFFFFFFFFu); }, {s, &text, &length}, 0xFFFFFFFFu},
    };
    bool hadContext = true;
    std::thread([&] {
        alloc::Window w;
        for (int result : {1, 0, -7}) {
            answer = result;
            for (const auto& c : cases) {
                EXPECT_EQ(c.call(), result);
                EXPECT_EQ(seen.args, c.args);
                EXPECT_EQ(seen.number, c.number);
            }
        }
        EXPECT_EQ(w.allocations(), 0u);
        hadContext = zvi::rpc::getThreadContext() != nullptr;
    }).join();
    EXPECT_FALSE(hadContext);
    EXPECT_TRUE(host.events().empty());
    HostEntryTable empty{};
    empty.u.version = ZVI_INTERFACE_VERSION;
    ASSERT_EQ(ZVIInitialization(&empty, nullptr), 0u);
    answer = 1;
    for (const auto& c : cases) EXPECT_EQ(c.call(), 0);
}

// ---------------------------------------------------------------- helpers

// Expected XDR bytes: 4-byte integers, counted strings or opaques, raw fixed areas; all
// padded to 4-byte units.
struct Raw {
    const void* data;
    size_t size;
};
struct Wire {
    Bytes bytes;
    Wire& operator<<(int word) { return *this << static_cast<uint32_t>(word); }
    Wire& operator<<(uint32_t word) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(word >> shift));
        return *this;
    }
    Wire& operator<<(const std::string& counted) {
        return *this << static_cast<uint32_t>(counted.size()) << Raw{counted.data(), counted.size()};
    }
    Wire& operator<<(Raw area) {
        bytes.insert(bytes.end(), static_cast<const uint8_t*>(area.data),
                     static_cast<const uint8_t*>(area.data) + area.size);
        bytes.resize((bytes.size() + 3) / 4 * 4);
        return *this;
    }
    Wire& operator<<(const Wire& more) {
        bytes.insert(bytes.end(), more.bytes.begin(), more.bytes.end());
        return *this;
    }
    operator Bytes() const { return bytes; }
};

Bytes encode(Codec codec, void* record, size_t room = 4096) {
    Bytes wire(room);
    wire.resize(zvi::rpc::encodeRecord(codec, record, wire.data(), wire.size()));
    return wire;
}

// The record encodes to exactly wire. The wire decodes to its end into a record that
// codes back to what the source codes to now, and that inspect may look at. Through
// every allocation failure, and on every stream cut short, decoding fails and leaves a
// record that releases through its codec without leaks.
template <class T>
void expectRoundTrip(Codec codec, T source, const Bytes& wire, const std::function<void(T&)>& inspect = {}) {
    EXPECT_EQ(encode(codec, &source), wire);
    const Bytes again = encode(codec, &source);
    alloc::sweep([&](const alloc::Window& w) {
        T decoded{};
        const size_t used = zvi::rpc::decodeRecord(codec, &decoded, wire.data(), wire.size());
        EXPECT_EQ(used, w.failed() ? 0u : wire.size());
        if (!w.failed()) {
            EXPECT_EQ(encode(codec, &decoded), again);
            if (inspect) inspect(decoded);
        }
        releaseThroughCodec(codec, &decoded);
    });
    for (size_t cut = 0; cut < wire.size(); cut += 4) {
        alloc::Window w;
        T decoded{};
        EXPECT_EQ(zvi::rpc::decodeRecord(codec, &decoded, wire.data(), cut), 0u);
        releaseThroughCodec(codec, &decoded);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
}

// ---------------------------------------------------------------- values

// Caller-owned payloads the cases point to.
char hello[] = "hello";
char fileName[] = "/tmp/report.txt";
char attachName[] = "report";
uint8_t data[] = {'a', 'b', 'c', 0, 'e'};
const std::string dataBytes(reinterpret_cast<char*>(data), 5);
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
    Value v{type, {}};
    std::memcpy(&v.payload, &bits, sizeof bits);
    return v;
}
Value withPointer(uint32_t type, void* p) {
    Value v{type, {}};
    v.payload.ptr = p;
    return v;
}

struct ValueCase {
    Value value;
    Bytes wire;
};

// Every data type, with its wire form.
std::vector<ValueCase> valueCases() {
    bufferAttachment.locator.u.mem = {5, data};
    std::vector<ValueCase> cases;
    for (uint32_t type : {0u, 30u, 31u, 32u}) cases.push_back({make(type, 0), Wire() << type});
    for (uint32_t type : {1u, 2u, 6u, 7u, 8u, 13u, 14u, 40u})  // 4-byte scalars
        cases.push_back({make(type, 0xF0F0F0F0u), Wire() << type << 0xF0F0F0F0u});
    for (uint32_t type : {4u, 5u, 10u, 42u, 43u}) cases.push_back({withPointer(type, hello), Wire() << type << "hello"});
    // Shared attachment records (49, 50) are coded as attachments: 49 codes the locator by
    // its type, 50 always as buffer bytes.
    const Wire fileWire = Wire() << 1 << "report" << 100 << 50 << 1 << "/tmp/report.txt";
    const Wire bufferWire = Wire() << 1 << "report" << 5 << 5 << 2 << dataBytes;
    const Wire plainWire = Wire() << 1 << "" << 1 << 2 << 0;  // a null name travels as the empty name
    for (uint32_t type : {11u, 49u}) {
        cases.push_back({withPointer(type, &fileAttachment), Wire() << type << fileWire});
        cases.push_back({withPointer(type, &bufferAttachment), Wire() << type << bufferWire});
        cases.push_back({withPointer(type, &plainAttachment), Wire() << type << plainWire});
    }
    const ValueCase others[] = {
        {make(3, 0xC004000000000000u), Wire() << 3 << 0xC0040000u << 0},  // -2.5
        {withPointer(4, nullptr), Wire() << 4 << ""},                     // a null text travels as the empty text
        {withPointer(9, &bytes), Wire() << 9 << 1 << 7 << 5 << 'a' << 'b' << 'c' << 0 << 'e'},  // a unit per byte
        {withPointer(9, &noBytes), Wire() << 9 << 1 << 3 << 0},
        {withPointer(9, nullptr), Wire() << 9 << 0},
        {withPointer(11, nullptr), Wire() << 11 << 0},
        {withPointer(50, &bufferAttachment), Wire() << 50 << bufferWire},
        {withPointer(12, &money), Wire() << 12 << 1 << "12.50" << Raw{"USD", 4} << 20240101 << 2 << "11.10"
                                         << Raw{"EUR", 4} << "9.90" << Raw{"GBP", 4}},
        {withPointer(41, &pairList), Wire() << 41 << 1 << 2 << 1 << -1 << 2147483647 << -2147483647},
    };
    cases.insert(cases.end(), std::begin(others), std::end(others));
    return cases;
}

// Each case round trips; coding leaves the source record alone but for the data type.
TEST(ValueCodec, EveryDataTypeRoundTrips) {
    const std::vector<ValueCase> cases = valueCases();
    for (const ValueCase& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases.data()));
        expectRoundTrip(zvi::codeValue, c.value, c.wire);
        Value source = c.value;
        ASSERT_FALSE(encode(zvi::codeValue, &source).empty());
        EXPECT_EQ(source.dataType, c.value.dataType == 49 || c.value.dataType == 50 ? 11u : c.value.dataType);
        EXPECT_EQ(source.payload.ptr, c.value.payload.ptr);
    }
}

// A type 50 record codes buffer bytes whatever its locator type; a type 49 one does not.
TEST(ValueCodec, SharedAttachmentLocatorRules) {
    Attachment a{nullptr, 0, 0, {ZVI_LOC_NONE, {}}};
    a.locator.u.mem = {2, data};
    Value v = withPointer(50, &a);
    EXPECT_EQ(encode(zvi::codeValue, &v), Bytes(Wire() << 50 << 1 << "" << 0 << 0 << 0 << std::string("ab")));
    v = withPointer(49, &a);
    EXPECT_EQ(encode(zvi::codeValue, &v), Bytes(Wire() << 49 << 1 << "" << 0 << 0 << 0));

    // Decoded, a type 50 record is an attachment holding a buffer, whatever locator type
    // the wire gave: it codes back and releases as one.
    for (uint32_t wireType : {0u, 1u, 7u}) {
        const Bytes wire = Wire() << 50 << 1 << "n" << 0 << 0 << wireType << std::string("ab");
        alloc::Window w;
        Value decoded{};
        ASSERT_EQ(zvi::rpc::decodeRecord(zvi::codeValue, &decoded, wire.data(), wire.size()), wire.size());
        EXPECT_EQ(decoded.dataType, 11u);
        EXPECT_EQ(decoded.payload.attachment->locator.locType, 2u);
        EXPECT_EQ(encode(zvi::codeValue, &decoded), Bytes(Wire() << 11 << 1 << "n" << 0 << 0 << 2 << std::string("ab")));
        releaseThroughCodec(zvi::codeValue, &decoded);
        EXPECT_EQ(w.liveBlocks(), 0u) << wireType;
    }
}

// A count or a length that the rest of the stream cannot hold fails before anything is
// allocated for it.
TEST(RecordCodecs, CountsBeyondTheStreamFailWithoutAllocating) {
    const Bytes wires[] = {Wire() << 0x100000u << 1,            // an identifier list
                           Wire() << 4 << 0x100000u << 0,       // a text value
                           Wire() << 9 << 1 << 0 << 0x100000u};  // a byte list value
    const Codec codecs[] = {zvi::codeIdList, zvi::codeValue, zvi::codeValue};
    for (size_t i = 0; i < 3; ++i) {
        alloc::Window w;
        unsigned char record[64] = {};
        EXPECT_EQ(zvi::rpc::decodeRecord(codecs[i], record, wires[i].data(), wires[i].size()), 0u) << i;
        for (size_t size : w.sizes()) EXPECT_LT(size, 64u) << i;
        releaseThroughCodec(codecs[i], record);
        EXPECT_EQ(w.liveBlocks(), 0u) << i;
    }
}

TEST(ValueCodec, UnknownTypesAndBadRecordsFail) {
    for (uint32_t type : {15u, 29u, 33u, 39u, 44u, 48u, 51u, 255u}) {
        Value v = make(type, 0);
        EXPECT_TRUE(encode(zvi::codeValue, &v).empty()) << type;
        const Bytes wire = Wire() << type << 0;
        Value decoded{};
        EXPECT_EQ(zvi::rpc::decodeRecord(zvi::codeValue, &decoded, wire.data(), wire.size()), 0u) << type;
    }
    Attachment badLocator{nullptr, 0, 0, {7, {}}};
    std::string longName(257, 'n');
    Attachment longNamed{longName.data(), 0, 0, {ZVI_LOC_NONE, {}}};
    for (Attachment* a : {&badLocator, &longNamed}) {
        Value v = withPointer(11, a);
        EXPECT_TRUE(encode(zvi::codeValue, &v).empty());
    }
    Value v = withPointer(4, hello);
    EXPECT_TRUE(encode(zvi::codeValue, &v, 8).empty());  // no room for the text
}

// ---------------------------------------------------------------- records

TEST(StatusListCodec, RoundTripsAndBoundsTheAppendedText) {
    StatusEntry entries[] = {{2, 9905, const_cast<char*>("failed"), const_cast<char*>("ZVIGetEntry")},
                             {0, 1, const_cast<char*>(""), nullptr}};
    StatusList list{2, entries};
    const Wire wire = Wire() << 2 << 2 << 9905 << "failed" << "ZVIGetEntry" << 0 << 1 << "" << "";
    expectRoundTrip<StatusList>(zvi::codeStatusList, list, wire, [](StatusList& d) {
        EXPECT_EQ(messages(d), (std::vector<Message>{{2, 9905, "failed", "ZVIGetEntry", true}, {0, 1, "", "", true}}));
    });
    std::string detail(256, 'd');
    entries[0].appendedText = detail.data();
    EXPECT_FALSE(encode(zvi::codeStatusList, &list).empty());
    detail += 'd';
    entries[0].appendedText = detail.data();
    EXPECT_TRUE(encode(zvi::codeStatusList, &list).empty());
    std::string text(5000, 't');  // the catalog text has no bound
    entries[0] = {2, 1, text.data(), nullptr};
    EXPECT_FALSE(encode(zvi::codeStatusList, &list, 8192).empty());
}

TEST(RequestControlCodec, CodesEveryFieldInOrder) {
    char s1[] = "one", s2[] = "two", s3[] = "three", t2[] = "text2", t5[] = "text5";
    uint8_t raw[] = {9, 8, 7};
    Prop props[] = {{60037, withPointer(4, hello)}, {7, make(2, 42)}};
    RequestControl c{-1, 77, s1, s2, 5, 0, 3, 0, raw, s3, {nullptr, t2, nullptr, nullptr, t5, nullptr},
                     1, 2, 3, 4, {2, props}, -5, 6, 7, 8, 152, -156, 0xA0};
    // The byte list takes a unit per byte; null texts travel as empty ones.
    const Wire wire = Wire() << -1 << 77 << "one" << "two" << 5 << 3 << 9 << 8 << 7 << "three"
                             << "" << "text2" << "" << "" << "text5" << ""
                             << 1 << 2 << 3 << 4 << 2 << 60037 << 4 << "hello" << 7 << 2 << 42
                             << -5 << 6 << 7 << 8 << 152 << -156 << 0xA0;
    expectRoundTrip<RequestControl>(zvi::codeRequestControl, c, wire, [](RequestControl& d) {
        for (const char* text : d.text) EXPECT_NE(text, nullptr);
    });
}

TEST(ClientTransactionResultCodec, RoundTripsAndReleasesWhatTheHostAllocated) {
    ClientTransactionResult r{};
    r.control.contextWord0 = 3;
    r.handleLength = 4;
    r.handleBytes = reinterpret_cast<uint8_t*>(const_cast<char*>("h\0ck"));
    StatusEntry entry{1, 12, const_cast<char*>("warning"), const_cast<char*>("detail")};
    r.status = {1, &entry};
    const Bytes wire = encode(zvi::codeClientTransactionResult, &r);
    const Bytes tail = Wire() << std::string("h\0ck", 4) << 1 << 1 << 12 << "warning" << "detail";
    ASSERT_GT(wire.size(), tail.size());
    EXPECT_EQ(Bytes(wire.end() - tail.size(), wire.end()), tail);  // after the control head
    expectRoundTrip(zvi::codeClientTransactionResult, r, wire);
    // What a host leaves: null texts are left alone, the rest is released.
    alloc::Window w;
    ClientTransactionResult host{};
    host.handleLength = 2;
    host.handleBytes = static_cast<uint8_t*>(std::malloc(2));
    fake::addMessage(host.status, 2, 1, "error");
    host.control.pairList = {1, static_cast<Prop*>(std::calloc(1, sizeof(Prop)))};
    host.control.pairList.items[0].value = withPointer(4, fake::text("x"));
    releaseThroughCodec(zvi::codeClientTransactionResult, &host);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(ListCodecs, IdentifierEntryAndFieldValueLists) {
    uint32_t ids[] = {1, 536870913, 0xFFFFFFFF};
    expectRoundTrip(zvi::codeIdList, IdList{3, ids}, Wire() << 3 << 1 << 536870913 << 0xFFFFFFFFu);
    EntryId entryIds[] = {"000000000000001", "x"};  // fixed 16-byte areas
    expectRoundTrip(zvi::codeEntryIdList, EntryIdList{2, entryIds},
                    Wire() << 2 << Raw{entryIds[0], 16} << Raw{entryIds[1], 16});
    FieldValue fields[] = {{8, withPointer(4, hello)}, {7, make(6, 2)}};
    expectRoundTrip(zvi::codeFieldValueList, FieldValueList{2, fields},
                    Wire() << 2 << 8 << 4 << "hello" << 7 << 6 << 2);
}

struct Named {
    ObjectName name;
};
bool named(void* s, Named* n) { return zvi::rpc::codeName(s, n->name); }

TEST(NameCodec, CodesAtMost254CharactersInPlace) {
    const Codec codec = zvi::rpc::codec<Named, named>;
    Named source{};
    std::memset(source.name, 'n', 254);
    expectRoundTrip<Named>(codec, source, Wire() << std::string(254, 'n'),
                           [](Named& d) { EXPECT_EQ(std::string(d.name), std::string(254, 'n')); });
    std::memset(source.name, 'n', 255);  // no terminator within the buffer
    EXPECT_TRUE(encode(codec, &source).empty());
    Bytes wire = Wire() << std::string(255, 'x');
    EXPECT_EQ(zvi::rpc::decodeRecord(codec, &source, wire.data(), wire.size()), 0u);
}

// ---------------------------------------------------------------- definition records

// Host-form name lists: each text with its length, which the wire carries as it stands.
TEST(DefinitionCodecs, CountedTextsWorkflowConnectsAndExportItemsRoundTrip) {
    char ab[] = "ab", forms[] = "HelpDesk";
    CountedText texts[] = {{3, ab}, {0, nullptr}, {9, forms}};
    const CountedTextList list{3, texts};
    const Wire listWire = Wire() << 3 << 3 << "ab" << 0 << "" << 9 << "HelpDesk";
    expectRoundTrip(zvi::codeCountedTextList, list, listWire);
    WorkflowConnect connect{ZVI_CONNECT_FORMS, {}};
    connect.u.nameList = reinterpret_cast<NameList*>(const_cast<CountedTextList*>(&list));
    expectRoundTrip(zvi::codeWorkflowConnect, connect, Wire() << 1 << 1 << listWire);
    connect.u.nameList = nullptr;
    expectRoundTrip(zvi::codeWorkflowConnect, connect, Wire() << 1 << 0);
    WorkflowConnect other{2, {}};  // other types carry nothing
    expectRoundTrip(zvi::codeWorkflowConnect, other, Wire() << 2);
    ExportItem items[2] = {{4, "Tickets", {}}, {5, "Views", {}}};
    std::memcpy(&items[0].subNames, &list, sizeof list);
    const ExportItemList exports{2, items};
    expectRoundTrip<ExportItemList>(zvi::codeExportItemList, exports,
                                    Wire() << 2 << 4 << "Tickets" << listWire << 5 << "Views" << 0,
                                    [](ExportItemList& d) { EXPECT_STREQ(d.items[1].itemName, "Views"); });
}

}  // namespace
