// Protocol version, the XDR pass-through entries, and the record codecs: exact wire
// form, round trips, release in the free direction and, on Linux, the same bytes as
// the routines rpcgen builds from tests/records.x.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "bridge/record_codecs.h"
#include "platform/xdr.h"
#include "tests/support/fixtures.h"
#ifndef _WIN32
#include "records.h"  // rpcgen's routines
#endif

using namespace testing_support;
using zvi::releaseThroughCodec;
using zvi::rpc::Codec;
using Bytes = std::vector<uint8_t>;

namespace {

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

// The protocol version is 12. Arguments and the host's result pass unchanged, with no
// frame: no hooks, no caller information, no allocation, no allocation context. An
// empty entry answers 0.
using PassThroughTest = HostTest;

TEST_F(PassThroughTest, ArgumentsAndResultPassUnchangedWithoutAFrame) {
    EXPECT_EQ(Zv_xdr_api_protocol_vers(), 12u);
    HostEntryTable table = host.table();
    auto put = [&](uint32_t slot, auto fn) { std::memcpy(table.u.bytes + slot, &fn, sizeof fn); };
    put(13664, &entry<1, void*, char*, uint32_t>);
    put(13672, &entry<2, void*, char**, uint32_t>);
    put(13680, &entry<3, void*, void*>);
    put(13688, &entry<4, void*, void*>);
    put(13696, &entry<5, void*, char**, uint32_t*, uint32_t>);
    ASSERT_EQ(ZVIInitialization(&table, nullptr), 0u);
    void* s = &answer;
    char *d = reinterpret_cast<char*>(&seen), *text = nullptr;
    uint32_t length = 0;
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

// rpcgen's routine for the same record reads the bytes to their end and writes them
// again: the bytes it wrote, none when it failed.
using Theirs = std::function<Bytes(const Bytes&)>;
#ifndef _WIN32
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
#define RPCGEN(record) rpcgen(xdr_##record)
#else
#define RPCGEN(record) Theirs()
#endif

// The record encodes to exactly the wire, and rpcgen's routine reads and writes the
// same bytes. Coding leaves the record alone (a shared attachment takes type 11). The
// wire decodes to its end into a record that codes back to what the record codes to
// now. Through every allocation failure, and on every stream cut short, decoding fails
// and leaves a record that releases through its codec without leaks.
template <class T>
void expectRoundTrip(const std::string& name, Codec codec, const T& record, const Bytes& wire, const Theirs& theirs,
                     const std::function<void(T&)>& inspect = {}) {
    SCOPED_TRACE(name);
    T source = record, expected = record, zero{};
    EXPECT_EQ(encode(codec, &source), wire);
    if constexpr (std::is_same_v<T, Value>) {
        if (expected.dataType == 49 || expected.dataType == 50) expected.dataType = 11;
    }
    const Bytes again = encode(codec, &source);
    EXPECT_EQ(again, encode(codec, &expected));
    if (theirs) {
        EXPECT_EQ(theirs(wire), wire) << "rpcgen's routine";
    }
    alloc::sweep([&](const alloc::Window& w) {
        T decoded = zero;
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
        T decoded = zero;
        EXPECT_EQ(zvi::rpc::decodeRecord(codec, &decoded, wire.data(), cut), 0u);
        releaseThroughCodec(codec, &decoded);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
}

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
Value withPointer(uint32_t type, void* p) { return make(type, reinterpret_cast<uintptr_t>(p)); }

TEST(RecordCodecs, EveryValueTypeRoundTripsAndMatchesRpcgen) {
    bufferAttachment.locator.u.mem = {5, data};
    std::vector<std::pair<Value, Bytes>> cases;
    for (uint32_t type : {0u, 30u, 31u, 32u}) cases.push_back({make(type, 0), Wire() << type});
    for (uint32_t type : {1u, 2u, 6u, 7u, 8u, 13u, 14u, 40u})  // 4-byte scalars
        cases.push_back({make(type, 0xF0F0F0F0u), Wire() << type << 0xF0F0F0F0u});
    for (uint32_t type : {4u, 5u, 10u, 42u, 43u}) cases.push_back({withPointer(type, hello), Wire() << type << hello});
    const Wire fileWire = Wire() << 1 << "report" << 100 << 50 << 1 << "/tmp/report.txt";
    const Wire bufferWire = Wire() << 1 << "report" << 5 << 5 << 2 << dataBytes;
    cases.insert(cases.end(), {
        {withPointer(11, &fileAttachment), Wire() << 11 << fileWire},
        {withPointer(11, &bufferAttachment), Wire() << 11 << bufferWire},
        {withPointer(11, &plainAttachment), Wire() << 11 << 1 << "" << 1 << 2 << 0},  // a null name: the empty name
        {withPointer(11, nullptr), Wire() << 11 << 0},
        {withPointer(49, &fileAttachment), Wire() << 49 << fileWire},      // the locator by its type,
        {withPointer(50, &bufferAttachment), Wire() << 50 << bufferWire},  // always as buffer bytes
        {make(3, 0xC004000000000000u), Wire() << 3 << 0xC0040000u << 0},  // -2.5
        {withPointer(4, nullptr), Wire() << 4 << ""},                     // a null text travels as the empty text
        {withPointer(9, &bytes), Wire() << 9 << 1 << 7 << 5 << 'a' << 'b' << 'c' << 0 << 'e'},  // a unit per byte
        {withPointer(9, &noBytes), Wire() << 9 << 1 << 3 << 0},
        {withPointer(9, nullptr), Wire() << 9 << 0},
        {withPointer(12, &money), Wire() << 12 << 1 << "12.50" << Raw{"USD", 4} << 20240101 << 2 << "11.10"
                                         << Raw{"EUR", 4} << "9.90" << Raw{"GBP", 4}},
        {withPointer(41, &pairList), Wire() << 41 << 1 << 2 << 1 << -1 << 2147483647 << -2147483647},
    });
    for (const auto& [value, wire] : cases)
        expectRoundTrip("type " + std::to_string(value.dataType), zvi::codeValue, value, wire, RPCGEN(XValue));
}

TEST(RecordCodecs, EveryRecordCodecRoundTripsAndMatchesRpcgen) {
    // A message's text has no bound; its appended text at most 256 characters.
    std::string text(300, 't'), detail(256, 'd');
    StatusEntry entries[] = {{2, 9905, text.data(), detail.data()}, {0, 1, const_cast<char*>(""), nullptr}};
    expectRoundTrip<StatusList>(
        "status list", zvi::codeStatusList, {2, entries},
        Wire() << 2 << 2 << 9905 << text << detail << 0 << 1 << "" << "", RPCGEN(XStatusList), [&](StatusList& d) {
            const std::vector<Message> expected{{2, 9905, text, detail, true}, {0, 1, "", "", true}};
            EXPECT_EQ(messages(d), expected);
        });
    char s1[] = "one", s2[] = "two", s3[] = "three", t2[] = "text2", t5[] = "text5";
    uint8_t raw[] = {9, 8, 7};
    Prop props[] = {{60037, withPointer(4, hello)}, {7, make(2, 42)}};
    const RequestControl control{-1, 77, s1, s2, 5, 0, 3, 0, raw, s3, {nullptr, t2, nullptr, nullptr, t5, nullptr},
                                 1, 2, 3, 4, {2, props}, -5, 6, 7, 8, 152, -156, 0xA0};
    // The byte list takes a unit per byte; null texts travel as empty ones.
    expectRoundTrip<RequestControl>(
        "request control", zvi::codeRequestControl, control,
        Wire() << -1 << 77 << "one" << "two" << 5 << 3 << 9 << 8 << 7 << "three" << "" << "text2" << "" << ""
               << "text5" << "" << 1 << 2 << 3 << 4 << 2 << 60037 << 4 << "hello" << 7 << 2 << 42 << -5 << 6 << 7
               << 8 << 152 << -156 << 0xA0,
        RPCGEN(XRequestControl), [](RequestControl& d) {
            for (const char* text : d.text) EXPECT_NE(text, nullptr);
        });
    ClientTransactionResult result{};
    result.control.contextWord0 = 3;
    result.handleLength = 4;
    result.handleBytes = reinterpret_cast<uint8_t*>(const_cast<char*>("h\0ck"));
    result.status = {1, entries};
    const std::string zeros(96, '\0');  // the rest of the control head: zeros, empty texts
    expectRoundTrip("transaction result", zvi::codeClientTransactionResult, result,
                    Wire() << 3 << Raw{zeros.data(), 96} << std::string("h\0ck", 4) << 1 << 2 << 9905 << text << detail,
                    RPCGEN(XClientTransactionResult));
    uint32_t ids[] = {1, 536870913, 0xFFFFFFFF};
    expectRoundTrip("id list", zvi::codeIdList, IdList{3, ids}, Wire() << 3 << 1 << 536870913 << 0xFFFFFFFFu,
                    RPCGEN(XIdList));
    EntryId entryIds[] = {"000000000000001", {}};  // fixed 16-byte areas, coded whole
    std::memset(entryIds[1], 'e', sizeof entryIds[1]);
    expectRoundTrip("entry id list", zvi::codeEntryIdList, EntryIdList{2, entryIds},
                    Wire() << 2 << Raw{entryIds[0], 16} << Raw{entryIds[1], 16}, RPCGEN(XEntryIdList));
    FieldValue fields[] = {{8, withPointer(4, hello)}, {7, make(6, 2)}, {9, make(3, 0xC004000000000000u)}};
    expectRoundTrip("field value list", zvi::codeFieldValueList, FieldValueList{3, fields},
                    Wire() << 3 << 8 << 4 << "hello" << 7 << 6 << 2 << 9 << 3 << 0xC0040000u << 0,
                    RPCGEN(XFieldValueList));
    // Host-form name lists: each text with its length, which the wire carries as it stands.
    char ab[] = "ab", forms[] = "HelpDesk";
    CountedText texts[] = {{3, ab}, {0, nullptr}, {9, forms}};
    CountedTextList list{3, texts};
    const Wire listWire = Wire() << 3 << 3 << "ab" << 0 << "" << 9 << "HelpDesk";
    expectRoundTrip("counted texts", zvi::codeCountedTextList, list, listWire, RPCGEN(XCountedTextList));
    const WorkflowConnect connects[] = {{ZVI_CONNECT_FORMS, {reinterpret_cast<NameList*>(&list)}},
                                        {ZVI_CONNECT_FORMS, {nullptr}}, {2, {}}};  // other types carry nothing
    const Wire connectWires[] = {Wire() << 1 << 1 << listWire, Wire() << 1 << 0, Wire() << 2};
    for (int i = 0; i < 3; ++i)
        expectRoundTrip("connect " + std::to_string(i), zvi::codeWorkflowConnect, connects[i], connectWires[i],
                        RPCGEN(XWorkflowConnect));
    // An item name codes at most 254 characters, in place.
    const std::string longest(254, 'n');
    ExportItem items[2] = {{4, "Tickets", {}}, {5, {}, {}}};
    std::memcpy(&items[0].subNames, &list, sizeof list);
    std::memcpy(items[1].itemName, longest.c_str(), 255);
    expectRoundTrip<ExportItemList>("export items", zvi::codeExportItemList, {2, items},
                                    Wire() << 2 << 4 << "Tickets" << listWire << 5 << longest << 0,
                                    RPCGEN(XExportItemList),
                                    [&](ExportItemList& d) { EXPECT_EQ(d.items[1].itemName, longest); });
}

// Unknown data types, locator types without a rule, texts and names beyond their bounds
// and a stream without room do not code. A count or a length that the rest of the
// stream cannot hold fails before anything is allocated for it.
TEST(RecordCodecs, RecordsBeyondTheirRulesFail) {
    for (uint32_t type : {15u, 29u, 33u, 39u, 44u, 48u, 51u, 255u}) {
        Value v = make(type, 0);
        EXPECT_TRUE(encode(zvi::codeValue, &v).empty()) << type;
        const Bytes wire = Wire() << type << 0;
        EXPECT_EQ(zvi::rpc::decodeRecord(zvi::codeValue, &v, wire.data(), wire.size()), 0u) << type;
    }
    std::string tooLong(257, 'd');
    Attachment badLocator{nullptr, 0, 0, {7, {}}}, longNamed{tooLong.data(), 0, 0, {ZVI_LOC_NONE, {}}};
    Value values[] = {withPointer(11, &badLocator), withPointer(11, &longNamed)};
    for (Value& v : values) EXPECT_TRUE(encode(zvi::codeValue, &v).empty());
    Value text = withPointer(4, hello);
    EXPECT_TRUE(encode(zvi::codeValue, &text, 8).empty());  // no room for the text
    StatusEntry entry{2, 1, hello, tooLong.data()};
    StatusList status{1, &entry};
    EXPECT_TRUE(encode(zvi::codeStatusList, &status).empty());
    ExportItem item{1, {}, {}};
    std::memset(item.itemName, 'n', sizeof item.itemName);  // no terminator within the buffer
    ExportItemList items{1, &item};
    EXPECT_TRUE(encode(zvi::codeExportItemList, &items).empty());

    const std::pair<Codec, Bytes> wires[] = {{zvi::codeIdList, Wire() << 0x100000u << 1},
                                             {zvi::codeValue, Wire() << 4 << 0x100000u << 0},
                                             {zvi::codeValue, Wire() << 9 << 1 << 0 << 0x100000u},
                                             {zvi::codeExportItemList, Wire() << 1 << 1 << std::string(255, 'x')}};
    for (const auto& [codec, wire] : wires) {
        alloc::Window w;
        unsigned char record[64] = {};
        EXPECT_EQ(zvi::rpc::decodeRecord(codec, record, wire.data(), wire.size()), 0u);
        for (size_t size : w.sizes()) EXPECT_LT(size, 4096u);
        releaseThroughCodec(codec, record);
        EXPECT_EQ(w.liveBlocks(), 0u);
    }
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
        EXPECT_EQ(encode(zvi::codeValue, &decoded), Bytes(Wire() << 11 << 1 << "n" << 0 << 0 << 2 << "ab"));
        releaseThroughCodec(zvi::codeValue, &decoded);
        EXPECT_EQ(w.liveBlocks(), 0u) << wireType;
    }
}

}  // namespace
