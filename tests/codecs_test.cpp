// Protocol version, the XDR pass-through entries, and the record codecs: exact wire
// form, round trips through memory streams, release in the free direction, and the
// same bytes as the routines rpcgen builds from tests/records.x.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "bridge/record_codecs.h"
#include "platform/xdr.h"
#include "records.h"  // rpcgen's routines, built from tests/records.x
#include "tests/support/fixtures.h"

using namespace testing_support;
using zvi::releaseThroughCodec;
using zvi::rpc::Codec;
using Bytes = std::vector<uint8_t>;

namespace {

// ---------------------------------------------------------------- pass-through

// Each host entry notes its tag and its arguments, and answers as told.
std::vector<uintptr_t> seen;
int answer = 0;
template <int Tag, class... A>
int entry(A... args) {
    seen = {Tag, (uintptr_t)args...};
    return answer;
}
template <class... A>
std::vector<uintptr_t> words(A... args) {
    return {(uintptr_t)args...};
}

TEST(ProtocolVersion, IsTwelve) { EXPECT_EQ(Zv_xdr_api_protocol_vers(), 12u); }

// Arguments and the host's result pass unchanged, with no frame: no hooks, no caller
// information, no allocation, no allocation context. An empty entry answers 0.
using PassThroughTest = HostTest;

TEST_F(PassThroughTest, ArgumentsAndResultPassUnchangedWithoutAFrame) {
    HostEntryTable table = host.table();
    auto put = [&](uint32_t slot, auto fn) { std::memcpy(table.u.bytes + slot, &fn, sizeof fn); };
    put(13664, &entry<1, void*, char*, uint32_t>);
    put(13672, &entry<2, void*, char**, uint32_t>);
    put(13680, &entry<3, void*, void*>);
    put(13688, &entry<4, void*, void*>);
    put(13696, &entry<5, void*, char**, uint32_t*, uint32_t>);
    ASSERT_EQ(ZVIInitialization(&table, nullptr), 0u);
    int stream, data;
    char* text = nullptr;
    uint32_t length = 0;
    void* s = &stream;
    char* d = reinterpret_cast<char*>(&data);
    const std::pair<std::function<int()>, std::vector<uintptr_t>> cases[] = {
        {[&] { return ZVI_svr_xdr_opaque(s, d, 12); }, words(1, s, d, 12)},
        {[&] { return ZVI_svr_xdr_string(s, &text, 255); }, words(2, s, &text, 255)},
        {[&] { return ZVI_svr_xdr_ZvsGuardOpaqueOff(s, d); }, words(3, s, d)},
        {[&] { return ZVI_svr_xdr_ZvsGuardOpaqueOn(d, s); }, words(4, d, s)},
        {[&] { return ZVI_svr_xdr_bytes(s, &text, &length, 0xFFFFFFFFu); }, words(5, s, &text, &length, 0xFFFFFFFFu)},
    };
    bool hadContext = true;
    std::thread([&] {
        alloc::Window w;
        for (int result : {1, 0, -7}) {
            answer = result;
            for (const auto& [call, arguments] : cases) {
                EXPECT_EQ(call(), result);
                EXPECT_EQ(seen, arguments);
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
    for (const auto& c : cases) EXPECT_EQ(c.first(), 0);
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

// A record of any type as raw storage, aligned for any of them.
struct Record {
    std::vector<uint64_t> words;
    explicit Record(size_t size, const void* source = nullptr) : words((size + 7) / 8) {
        if (source) std::memcpy(words.data(), source, size);
    }
    void* data() { return words.data(); }
};

// rpcgen's routine for the same record reads the bytes to their end and writes them
// again: the bytes it wrote, none when it failed.
using Theirs = std::function<Bytes(const Bytes&)>;
template <class X>
Theirs rpcgen(bool_t (*routine)(XDR*, X*)) {
    return [routine](const Bytes& ours) {
        X x{};
        XDR in, out;
        xdrmem_create(&in, reinterpret_cast<char*>(const_cast<uint8_t*>(ours.data())), ours.size(), XDR_DECODE);
        Bytes written(ours.size() + 64);
        xdrmem_create(&out, reinterpret_cast<char*>(written.data()), written.size(), XDR_ENCODE);
        const bool read = routine(&in, &x) && xdr_getpos(&in) == ours.size();
        written.resize(read && routine(&out, &x) ? xdr_getpos(&out) : 0);
        xdr_free(reinterpret_cast<xdrproc_t>(routine), reinterpret_cast<char*>(&x));
        return written;
    };
}

struct Case {
    std::string name;
    Codec codec;
    Record source;
    Bytes wire;
    Theirs theirs;                        // none: no rpcgen counterpart
    std::function<void(void*)> inspect;  // looks at the decoded record
};
template <class T>
Case row(std::string name, Codec codec, const T& source, const Bytes& wire, Theirs theirs,
         std::function<void(T&)> inspect = {}) {
    return {std::move(name), codec, Record(sizeof(T), &source), wire, std::move(theirs),
            [inspect](void* r) { if (inspect) inspect(*static_cast<T*>(r)); }};
}

// The record encodes to exactly the wire, and rpcgen's routine reads and writes the
// same bytes. Coding leaves the source alone (a shared attachment takes type 11). The
// wire decodes to its end into a record that codes back to what the source codes to
// now. Through every allocation failure, and on every stream cut short, decoding fails
// and leaves a record that releases through its codec without leaks.
void expectRoundTrip(const Case& c) {
    SCOPED_TRACE(c.name);
    const size_t size = c.source.words.size() * 8;
    Record source = c.source, expected = c.source;
    EXPECT_EQ(encode(c.codec, source.data()), c.wire);
    auto* value = static_cast<Value*>(expected.data());
    if (c.codec == zvi::codeValue && (value->dataType == 49 || value->dataType == 50)) value->dataType = 11;
    EXPECT_EQ(source.words, expected.words);
    if (c.theirs) {
        EXPECT_EQ(c.theirs(c.wire), c.wire) << "rpcgen's routine";
    }
    const Bytes again = encode(c.codec, source.data());
    alloc::sweep([&](const alloc::Window& w) {
        Record decoded(size);
        const size_t used = zvi::rpc::decodeRecord(c.codec, decoded.data(), c.wire.data(), c.wire.size());
        EXPECT_EQ(used, w.failed() ? 0u : c.wire.size());
        if (!w.failed()) {
            EXPECT_EQ(encode(c.codec, decoded.data()), again);
            c.inspect(decoded.data());
        }
        releaseThroughCodec(c.codec, decoded.data());
    });
    for (size_t cut = 0; cut < c.wire.size(); cut += 4) {
        alloc::Window w;
        Record decoded(size);
        EXPECT_EQ(zvi::rpc::decodeRecord(c.codec, decoded.data(), c.wire.data(), cut), 0u);
        releaseThroughCodec(c.codec, decoded.data());
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
}

// ---------------------------------------------------------------- every codec

// Caller-owned payloads the cases point to.
char hello[] = "hello", fileName[] = "/tmp/report.txt", attachName[] = "report";
uint8_t data[] = {'a', 'b', 'c', 0, 'e'};
const std::string dataBytes(reinterpret_cast<char*>(data), 5);
ByteList bytes{7, 0, 5, 0, data}, noBytes{3, 0, 0, 0, nullptr};
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

// Every data type, with its wire form.
std::vector<Case> valueCases() {
    bufferAttachment.locator.u.mem = {5, data};
    std::vector<std::pair<Value, Bytes>> cases;
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
    cases.insert(cases.end(), {
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
    });
    std::vector<Case> rows;
    for (const auto& [value, wire] : cases)
        rows.push_back(row("value " + std::to_string(rows.size()), zvi::codeValue, value, wire, rpcgen(xdr_XValue)));
    return rows;
}

TEST(RecordCodecs, EveryCodecRoundTripsAndMatchesRpcgen) {
    std::vector<Case> cases = valueCases();
    StatusEntry entries[] = {{2, 9905, const_cast<char*>("failed"), const_cast<char*>("ZVIGetEntry")},
                             {0, 1, const_cast<char*>(""), nullptr}};
    cases.push_back(row<StatusList>(
        "status list", zvi::codeStatusList, {2, entries},
        Wire() << 2 << 2 << 9905 << "failed" << "ZVIGetEntry" << 0 << 1 << "" << "", rpcgen(xdr_XStatusList),
        [](StatusList& d) {
            const std::vector<Message> expected{{2, 9905, "failed", "ZVIGetEntry", true}, {0, 1, "", "", true}};
            EXPECT_EQ(messages(d), expected);
        }));
    char s1[] = "one", s2[] = "two", s3[] = "three", t2[] = "text2", t5[] = "text5";
    uint8_t raw[] = {9, 8, 7};
    Prop props[] = {{60037, withPointer(4, hello)}, {7, make(2, 42)}};
    const RequestControl control{-1, 77, s1, s2, 5, 0, 3, 0, raw, s3, {nullptr, t2, nullptr, nullptr, t5, nullptr},
                                 1, 2, 3, 4, {2, props}, -5, 6, 7, 8, 152, -156, 0xA0};
    // The byte list takes a unit per byte; null texts travel as empty ones.
    cases.push_back(row<RequestControl>(
        "request control", zvi::codeRequestControl, control,
        Wire() << -1 << 77 << "one" << "two" << 5 << 3 << 9 << 8 << 7 << "three" << "" << "text2" << "" << ""
               << "text5" << "" << 1 << 2 << 3 << 4 << 2 << 60037 << 4 << "hello" << 7 << 2 << 42 << -5 << 6 << 7
               << 8 << 152 << -156 << 0xA0,
        rpcgen(xdr_XRequestControl), [](RequestControl& d) {
            for (const char* text : d.text) EXPECT_NE(text, nullptr);
        }));
    ClientTransactionResult result{};
    result.control.contextWord0 = 3;
    result.handleLength = 4;
    result.handleBytes = reinterpret_cast<uint8_t*>(const_cast<char*>("h\0ck"));
    result.status = {1, entries};
    Wire resultWire = Wire() << 3;
    for (int word = 0; word < 24; ++word) resultWire << 0;  // the rest of the control head: zeros, empty texts
    cases.push_back(row("transaction result", zvi::codeClientTransactionResult, result,
                        resultWire << std::string("h\0ck", 4) << 1 << 2 << 9905 << "failed" << "ZVIGetEntry",
                        rpcgen(xdr_XClientTransactionResult)));
    uint32_t ids[] = {1, 536870913, 0xFFFFFFFF};
    cases.push_back(row("id list", zvi::codeIdList, IdList{3, ids}, Wire() << 3 << 1 << 536870913 << 0xFFFFFFFFu,
                        rpcgen(xdr_XIdList)));
    EntryId entryIds[] = {"000000000000001", "x"};  // fixed 16-byte areas
    cases.push_back(row("entry id list", zvi::codeEntryIdList, EntryIdList{2, entryIds},
                        Wire() << 2 << Raw{entryIds[0], 16} << Raw{entryIds[1], 16}, rpcgen(xdr_XEntryIdList)));
    FieldValue fields[] = {{8, withPointer(4, hello)}, {7, make(6, 2)}, {9, make(3, 0xC004000000000000u)}};
    cases.push_back(row("field value list", zvi::codeFieldValueList, FieldValueList{3, fields},
                        Wire() << 3 << 8 << 4 << "hello" << 7 << 6 << 2 << 9 << 3 << 0xC0040000u << 0,
                        rpcgen(xdr_XFieldValueList)));
    // Host-form name lists: each text with its length, which the wire carries as it stands.
    char ab[] = "ab", forms[] = "HelpDesk";
    CountedText texts[] = {{3, ab}, {0, nullptr}, {9, forms}};
    CountedTextList list{3, texts};
    const Wire listWire = Wire() << 3 << 3 << "ab" << 0 << "" << 9 << "HelpDesk";
    cases.push_back(row("counted texts", zvi::codeCountedTextList, list, listWire, rpcgen(xdr_XCountedTextList)));
    const WorkflowConnect connects[] = {{ZVI_CONNECT_FORMS, {reinterpret_cast<NameList*>(&list)}},
                                        {ZVI_CONNECT_FORMS, {nullptr}}, {2, {}}};  // other types carry nothing
    const Wire connectWires[] = {Wire() << 1 << 1 << listWire, Wire() << 1 << 0, Wire() << 2};
    for (int i = 0; i < 3; ++i)
        cases.push_back(row("workflow connect " + std::to_string(i), zvi::codeWorkflowConnect, connects[i],
                            connectWires[i], rpcgen(xdr_XWorkflowConnect)));
    ExportItem items[2] = {{4, "Tickets", {}}, {5, "Views", {}}};
    std::memcpy(&items[0].subNames, &list, sizeof list);
    cases.push_back(row<ExportItemList>("export items", zvi::codeExportItemList, {2, items},
                                        Wire() << 2 << 4 << "Tickets" << listWire << 5 << "Views" << 0,
                                        rpcgen(xdr_XExportItemList),
                                        [](ExportItemList& d) { EXPECT_STREQ(d.items[1].itemName, "Views"); }));
    for (const Case& c : cases) expectRoundTrip(c);
}

// ---------------------------------------------------------------- bounds and bad records

struct Named {
    ObjectName name;
};
bool named(void* s, Named* n) { return zvi::rpc::codeName(s, n->name); }

// A name codes at most 254 characters in place; the appended text of a message at
// most 256, its catalog text any length.
TEST(RecordCodecs, NamesAndTextsWithinTheirBounds) {
    const Codec codec = zvi::rpc::codec<Named, named>;
    Named source{};
    std::memset(source.name, 'n', 254);
    expectRoundTrip(row<Named>("name", codec, source, Wire() << std::string(254, 'n'), {}, [](Named& d) {
        EXPECT_EQ(std::string(d.name), std::string(254, 'n'));
    }));
    std::memset(source.name, 'n', 255);  // no terminator within the buffer
    EXPECT_TRUE(encode(codec, &source).empty());
    Bytes wire = Wire() << std::string(255, 'x');
    EXPECT_EQ(zvi::rpc::decodeRecord(codec, &source, wire.data(), wire.size()), 0u);

    std::string detail(256, 'd'), text(5000, 't');
    StatusEntry entry{2, 1, text.data(), detail.data()};
    StatusList list{1, &entry};
    EXPECT_FALSE(encode(zvi::codeStatusList, &list, 8192).empty());
    detail += 'd';
    entry.appendedText = detail.data();
    EXPECT_TRUE(encode(zvi::codeStatusList, &list, 8192).empty());
}

// A type 50 record codes buffer bytes whatever its locator type; a type 49 one does not.
// Decoded, a type 50 record is an attachment holding a buffer, whatever locator type the
// wire gave: it codes back and releases as one.
TEST(RecordCodecs, SharedAttachmentLocatorRules) {
    Attachment a{nullptr, 0, 0, {ZVI_LOC_NONE, {}}};
    a.locator.u.mem = {2, data};
    Value v = withPointer(50, &a);
    EXPECT_EQ(encode(zvi::codeValue, &v), Bytes(Wire() << 50 << 1 << "" << 0 << 0 << 0 << std::string("ab")));
    v = withPointer(49, &a);
    EXPECT_EQ(encode(zvi::codeValue, &v), Bytes(Wire() << 49 << 1 << "" << 0 << 0 << 0));
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

// Unknown data types, bad attachments and a stream without room fail; a count or a
// length that the rest of the stream cannot hold fails before anything is allocated.
TEST(RecordCodecs, BadRecordsAndCountsBeyondTheStreamFail) {
    for (uint32_t type : {15u, 29u, 33u, 39u, 44u, 48u, 51u, 255u}) {
        Value v = make(type, 0);
        EXPECT_TRUE(encode(zvi::codeValue, &v).empty()) << type;
        const Bytes wire = Wire() << type << 0;
        EXPECT_EQ(zvi::rpc::decodeRecord(zvi::codeValue, &v, wire.data(), wire.size()), 0u) << type;
    }
    std::string longName(257, 'n');
    Attachment badLocator{nullptr, 0, 0, {7, {}}}, longNamed{longName.data(), 0, 0, {ZVI_LOC_NONE, {}}};
    for (Attachment* a : {&badLocator, &longNamed}) {
        Value v = withPointer(11, a);
        EXPECT_TRUE(encode(zvi::codeValue, &v).empty());
    }
    Value v = withPointer(4, hello);
    EXPECT_TRUE(encode(zvi::codeValue, &v, 8).empty());  // no room for the text

    const std::pair<Codec, Bytes> wires[] = {{zvi::codeIdList, Wire() << 0x100000u << 1},
                                             {zvi::codeValue, Wire() << 4 << 0x100000u << 0},
                                             {zvi::codeValue, Wire() << 9 << 1 << 0 << 0x100000u}};
    for (const auto& [codec, wire] : wires) {
        alloc::Window w;
        unsigned char record[64] = {};
        EXPECT_EQ(zvi::rpc::decodeRecord(codec, record, wire.data(), wire.size()), 0u);
        for (size_t size : w.sizes()) EXPECT_LT(size, 64u);
        releaseThroughCodec(codec, record);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
}

// What a host leaves, allocated piecewise: null texts are left alone, the rest released.
TEST(RecordCodecs, ReleaseFreesWhatTheHostAllocated) {
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

}  // namespace
