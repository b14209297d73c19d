// Protocol version, the XDR pass-through entries, and the record codecs: exact wire form,
// round trips, release and, on Linux, the bytes of rpcgen's routines for tests/records.x.
#include <gtest/gtest.h>

#include <functional>

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

// Each host entry notes its tag and its arguments, and answers -7.
std::vector<uintptr_t> seen;
template <int Tag, class... A>
int entry(A... args) {
    seen = {Tag, (uintptr_t)args...};
    return -7;
}
template <class... A>
std::vector<uintptr_t> words(A... args) { return {(uintptr_t)args...}; }

// The protocol version is 12. Arguments and the host's result pass unchanged, with no
// frame: no hooks, no caller information. An empty entry answers 0.
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
    char *d = reinterpret_cast<char*>(&seen), *text = nullptr;
    uint32_t length = 0;
    void* s = &table;
    const std::pair<std::function<int()>, std::vector<uintptr_t>> cases[] = {
        {[&] { return ZVI_svr_xdr_opaque(s, d, 12); }, words(1, s, d, 12)},
        {[&] { return ZVI_svr_xdr_string(s, &text, 255); }, words(2, s, &text, 255)},
        {[&] { return ZVI_svr_xdr_ZvsGuardOpaqueOff(s, d); }, words(3, s, d)},
        {[&] { return ZVI_svr_xdr_ZvsGuardOpaqueOn(d, s); }, words(4, d, s)},
        {[&] { return ZVI_svr_xdr_bytes(s, &text, &length, 0xFFFFFFFFu); }, words(5, s, &text, &length, 0xFFFFFFFFu)},
    };
    for (const auto& [call, arguments] : cases) {
        EXPECT_EQ(call(), -7);
        EXPECT_EQ(seen, arguments);
    }
    EXPECT_TRUE(host.events().empty());
    std::memset(table.u.bytes + 13664, 0, 40);
    ASSERT_EQ(ZVIInitialization(&table, nullptr), 0u);
    for (const auto& c : cases) EXPECT_EQ(c.first(), 0);
}

// Expected XDR bytes: 4-byte integers, counted strings, raw fixed areas; all in 4-byte units.
struct Raw { const void* data; size_t size; };
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
        const auto* from = static_cast<const uint8_t*>(area.data);
        bytes.insert(bytes.end(), from, from + area.size);
        bytes.resize((bytes.size() + 3) / 4 * 4);
        return *this;
    }
    Wire& operator<<(const Wire& more) { return *this << Raw{more.bytes.data(), more.bytes.size()}; }
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

// The record encodes to exactly the wire, which rpcgen's routine reads and writes again.
// The wire decodes into a record that codes back to what the record codes to now (a
// shared attachment as type 11). A failed allocation fails decoding, leaving a record
// that releases through its codec without leaks.
template <class T>
void expectRoundTrip(Codec codec, const T& record, const Bytes& wire, const Theirs& theirs) {
    SCOPED_TRACE(testing::PrintToString(wire));
    T source = record;
    EXPECT_EQ(encode(codec, &source), wire);
    const Bytes again = encode(codec, &source);
    if (theirs) {
        EXPECT_EQ(theirs(wire), wire) << "rpcgen's routine";
    }
    alloc::sweep([&](const alloc::Window& w) {
        T decoded{};
        const size_t used = zvi::rpc::decodeRecord(codec, &decoded, wire.data(), wire.size());  // before failed()
        EXPECT_EQ(used, w.failed() ? 0u : wire.size());
        if (!w.failed()) {
            EXPECT_EQ(encode(codec, &decoded), again);
        }
        releaseThroughCodec(codec, &decoded);
    });
}

char hello[] = "hello", fileName[] = "/tmp/report.txt", attachName[] = "report";
char usd[] = "12.50", eur[] = "11.10", gbp[] = "9.90";
uint8_t data[] = {'a', 'b', 'c', 0, 'e'};
ByteList bytes{7, 0, 5, 0, data};
Attachment fileAttachment{attachName, 100, 50, {ZVI_LOC_FILENAME, {fileName}}},
    bufferAttachment{attachName, 5, 5, {ZVI_LOC_BUFFER, {}}}, plainAttachment{nullptr, 1, 2, {ZVI_LOC_NONE, {}}};
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

TEST(RecordCodecs, EveryValueTypeAndRecordRoundTripsAndMatchesRpcgen) {
    bufferAttachment.locator.u.mem = {5, data};
    std::vector<std::pair<Value, Bytes>> cases;
    for (uint32_t type : {0u, 30u, 31u, 32u}) cases.push_back({make(type, 0), Wire() << type});
    for (uint32_t type : {1u, 2u, 6u, 7u, 8u, 13u, 14u, 40u})  // 4-byte scalars
        cases.push_back({make(type, 0xF0F0F0F0u), Wire() << type << 0xF0F0F0F0u});
    for (uint32_t type : {4u, 5u, 10u, 42u, 43u}) cases.push_back({withPointer(type, hello), Wire() << type << hello});
    const Wire fileWire = Wire() << 1 << "report" << 100 << 50 << 1 << "/tmp/report.txt";
    const Wire bufferWire = Wire() << 1 << "report" << 5 << 5 << 2 << std::string("abc\0e", 5);
    cases.insert(cases.end(), {
        {withPointer(11, &fileAttachment), Wire() << 11 << fileWire},
        {withPointer(11, &bufferAttachment), Wire() << 11 << bufferWire},
        {withPointer(11, &plainAttachment), Wire() << 11 << 1 << "" << 1 << 2 << 0},  // a null name: the empty name
        {withPointer(49, &fileAttachment), Wire() << 49 << fileWire},      // the locator by its type,
        {withPointer(50, &bufferAttachment), Wire() << 50 << bufferWire},  // always as buffer bytes
        {make(3, 0xC004000000000000u), Wire() << 3 << 0xC0040000u << 0},  // -2.5
        {withPointer(9, &bytes), Wire() << 9 << 1 << 7 << 5 << 'a' << 'b' << 'c' << 0 << 'e'},  // a unit per byte
        {withPointer(12, &money), Wire() << 12 << 1 << "12.50" << Raw{"USD", 4} << 20240101 << 2 << "11.10"
                                         << Raw{"EUR", 4} << "9.90" << Raw{"GBP", 4}},
        {withPointer(41, &pairList), Wire() << 41 << 1 << 2 << 1 << -1 << 2147483647 << -2147483647},
    });
    for (const auto& [value, wire] : cases) expectRoundTrip(zvi::codeValue, value, wire, RPCGEN(XValue));
    // A message's text has no bound; its appended text at most 256 characters.
    std::string text(300, 't'), detail(256, 'd');
    StatusEntry entries[] = {{2, 9905, text.data(), detail.data()}, {0, 1, const_cast<char*>(""), nullptr}};
    expectRoundTrip(zvi::codeStatusList, StatusList{2, entries},
                    Wire() << 2 << 2 << 9905 << text << detail << 0 << 1 << "" << "", RPCGEN(XStatusList));
    char s1[] = "one", s2[] = "two", s3[] = "three", t2[] = "text2", t5[] = "text5";
    uint8_t raw[] = {9, 8, 7};
    Prop props[] = {{60037, withPointer(4, hello)}, {7, make(2, 42)}};
    const RequestControl control{-1, 77, s1, s2, 5, 0, 3, 0, raw, s3, {nullptr, t2, nullptr, nullptr, t5, nullptr},
                                 1, 2, 3, 4, {2, props}, -5, 6, 7, 8, 152, -156, 0xA0};
    // The byte list takes a unit per byte; null texts travel as empty ones.
    expectRoundTrip(zvi::codeRequestControl, control,
                    Wire() << -1 << 77 << "one" << "two" << 5 << 3 << 9 << 8 << 7 << "three" << "" << "text2" << ""
                           << "" << "text5" << "" << 1 << 2 << 3 << 4 << 2 << 60037 << 4 << "hello" << 7 << 2 << 42
                           << -5 << 6 << 7 << 8 << 152 << -156 << 0xA0, RPCGEN(XRequestControl));
    uint8_t handle[] = {'h', 0, 'c', 'k'};  // after a control head of zeros and empty texts
    expectRoundTrip(zvi::codeClientTransactionResult, ClientTransactionResult{{}, 4, handle, {1, entries}},
                    Wire{Bytes(100)} << std::string("h\0ck", 4) << 1 << 2 << 9905 << text << detail,
                    RPCGEN(XClientTransactionResult));
    uint32_t ids[] = {1, 536870913, 0xFFFFFFFF};
    expectRoundTrip(zvi::codeIdList, IdList{3, ids}, Wire() << 3 << 1 << 536870913 << 0xFFFFFFFFu, RPCGEN(XIdList));
    EntryId entryIds[] = {"000000000000001", {}};  // fixed 16-byte areas, coded whole
    std::memset(entryIds[1], 'e', sizeof entryIds[1]);
    expectRoundTrip(zvi::codeEntryIdList, EntryIdList{2, entryIds},
                    Wire() << 2 << Raw{entryIds[0], 16} << Raw{entryIds[1], 16}, RPCGEN(XEntryIdList));
    FieldValue fields[] = {{8, withPointer(4, hello)}, {7, make(6, 2)}};
    expectRoundTrip(zvi::codeFieldValueList, FieldValueList{2, fields}, Wire() << 2 << 8 << 4 << "hello" << 7 << 6 << 2,
                    RPCGEN(XFieldValueList));
    // Host-form name lists: each text with its length, which the wire carries as it stands.
    char ab[] = "ab", forms[] = "HelpDesk";
    CountedText texts[] = {{3, ab}, {0, nullptr}, {9, forms}};
    CountedTextList list{3, texts};
    const Wire listWire = Wire() << 3 << 3 << "ab" << 0 << "" << 9 << "HelpDesk";
    expectRoundTrip(zvi::codeCountedTextList, list, listWire, RPCGEN(XCountedTextList));
    const std::pair<WorkflowConnect, Bytes> connects[] = {  // other types than 1 carry nothing
        {{ZVI_CONNECT_FORMS, {reinterpret_cast<NameList*>(&list)}}, Wire() << 1 << 1 << listWire},
        {{ZVI_CONNECT_FORMS, {nullptr}}, Wire() << 1 << 0}, {{2, {}}, Wire() << 2}};
    for (const auto& [connect, wire] : connects)
        expectRoundTrip(zvi::codeWorkflowConnect, connect, wire, RPCGEN(XWorkflowConnect));
    // An item name codes at most 254 characters, in place.
    const std::string longest(254, 'n');
    ExportItem items[2] = {{4, "Tickets", {}}, {5, {}, {}}};
    std::memcpy(&items[0].subNames, &list, sizeof list);
    std::memcpy(items[1].itemName, longest.c_str(), 255);
    expectRoundTrip(zvi::codeExportItemList, ExportItemList{2, items},
                    Wire() << 2 << 4 << "Tickets" << listWire << 5 << longest << 0, RPCGEN(XExportItemList));
    // A type 50 record codes buffer bytes whatever its locator type. Decoded, it holds a
    // buffer whatever locator type the wire gave: it codes back and releases as one.
    Attachment a{nullptr, 0, 0, {ZVI_LOC_NONE, {}}};
    a.locator.u.mem = {2, data};
    Value v = withPointer(50, &a), decoded{};
    EXPECT_EQ(encode(zvi::codeValue, &v), Bytes(Wire() << 50 << 1 << "" << 0 << 0 << 0 << std::string("ab")));
    const Bytes wire = Wire() << 50 << 1 << "n" << 0 << 0 << 7 << std::string("ab");
    alloc::Window w;
    ASSERT_EQ(zvi::rpc::decodeRecord(zvi::codeValue, &decoded, wire.data(), wire.size()), wire.size());
    EXPECT_EQ(encode(zvi::codeValue, &decoded), Bytes(Wire() << 11 << 1 << "n" << 0 << 0 << 2 << "ab"));
    releaseThroughCodec(zvi::codeValue, &decoded);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

// Unknown data types, locator types without a rule, texts and names beyond their bounds
// and a stream without room do not code. A count or a length that the rest of the stream
// cannot hold fails before anything is allocated for it.
TEST(RecordCodecs, RecordsBeyondTheirRulesFail) {
    std::string tooLong(257, 'd');
    Attachment badLocator{nullptr, 0, 0, {7, {}}}, longNamed{tooLong.data(), 0, 0, {ZVI_LOC_NONE, {}}};
    Value values[] = {make(15, 0), make(29, 0), make(33, 0), make(39, 0), make(44, 0), make(48, 0), make(51, 0),
                      withPointer(11, &badLocator), withPointer(11, &longNamed)};
    StatusEntry entry{2, 1, hello, tooLong.data()};
    StatusList status{1, &entry};
    ExportItem item{1, {}, {}};
    std::memset(item.itemName, 'n', sizeof item.itemName);  // no terminator within the buffer
    ExportItemList items{1, &item};
    std::vector<std::pair<Codec, void*>> unencodable{{zvi::codeStatusList, &status}, {zvi::codeExportItemList, &items}};
    for (Value& v : values) unencodable.push_back({zvi::codeValue, &v});
    for (const auto& [codec, record] : unencodable) EXPECT_TRUE(encode(codec, record).empty());
    Value text = withPointer(4, hello);
    EXPECT_TRUE(encode(zvi::codeValue, &text, 8).empty());  // no room for the text

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

}  // namespace
