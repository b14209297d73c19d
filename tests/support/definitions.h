// Helpers of the definition-operation tests: operations as rows of the frame checks and the
// allocation-failure sweep, host results laid out as raw bytes, the drivers of the arguments a
// Set or Create sends and of the outputs a Get hands over, and the messages a call gives in words.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/calls.h"
#include "tests/support/raw.h"
#include "types/definitions.h"

namespace testing_support {

struct DefinitionOp {
    const char* name;
    uint32_t slot;
    uint32_t opcode;  // ZVI_NO_HOOKS: the entry is called directly, without a control record
    bool admin;
    const char* failureText;
    uint32_t statusAt;                                           // the result's status list
    std::function<void(void* request, void* result)> answer;     // what the host does
    std::function<uint32_t(ControlRecord*, StatusList*)> call;   // every argument given; releases what it gets
    std::set<uint32_t> sweepCodes;                               // the codes allocation failures end in
    const char* refusalName = nullptr;                           // the name a refusal gives, when not name
    bool hostMessagesKept = false;                               // a failing host's messages precede 9905
};

// A counted list laid into a record as the host returns it: n zero-filled items.
inline char* hostList(void* record, size_t at, uint32_t n, size_t itemSize) {
    auto* items = static_cast<char*>(std::calloc(n, itemSize));
    raw::putList(record, at, n, items);
    return items;
}
// Parallel lists laid into a result as the host returns them, 16 bytes apart from at:
// n zero-filled items each, of the given sizes; fill(list, item, k) sets item k of a list.
template <size_t N, class Fill>
void hostLists(void* record, size_t at, const size_t (&sizes)[N], uint32_t n, Fill fill) {
    for (size_t i = 0; i < N; ++i) {
        char* items = hostList(record, at + 16 * i, n, sizes[i]);
        for (uint32_t k = 0; k < n; ++k) fill(i, items + k * sizes[i], k);
    }
}
// A counted text (length, then the pointer at +8).
inline void hostText(void* record, size_t at, const char* text) {
    raw::put(record, at, static_cast<uint32_t>(std::strlen(text) + 1));
    raw::put(record, at + 8, fake::text(text));
}
inline void hostName(void* record, size_t at, const char* name) { std::strcpy(static_cast<char*>(record) + at, name); }

// One argument of a Set or Create: its request offset, change-mask bit, the caller's object, and
// how the request holds it (Flag: only its bit). A copy keeps the caller's first word and the
// first word its pointer (at ptrAt) leads to, under a pointer of its own.
struct InPart {
    enum Kind { Borrowed, Text, Copied, Word, Flag } kind;
    size_t at;
    uint32_t bit;
    const void* given;
    bool always = false;  // given in every call
    size_t ptrAt = 8;
};
// What a request holds for each argument, given (all) or not: the caller's pointer or
// word, a copy, or zero and the library's own empty text; returns the change mask.
inline uint32_t expectSent(const void* q, const std::vector<InPart>& parts, bool all) {
    uint32_t mask = 0;
    for (const InPart& p : parts) {
        SCOPED_TRACE(p.at);
        const bool given = all || p.always;
        mask |= given ? p.bit : 0;
        if (p.kind == InPart::Borrowed) {
            EXPECT_EQ(raw::ptr(q, p.at), given ? p.given : nullptr);
        }
        if (p.kind == InPart::Text) {
            EXPECT_STREQ(raw::text(q, p.at), given ? static_cast<const char*>(p.given) : "");
            EXPECT_EQ(raw::ptr(q, p.at) == p.given, given);
        }
        if (p.kind == InPart::Copied || p.kind == InPart::Word) {
            EXPECT_EQ(raw::u32(q, p.at), given ? raw::u32(p.given, 0) : 0u);
        }
        if (p.kind == InPart::Copied && given) {
            EXPECT_NE(raw::ptr(q, p.at + p.ptrAt), raw::ptr(p.given, p.ptrAt));
            EXPECT_EQ(raw::u32(raw::ptr(q, p.at + p.ptrAt), 0), raw::u32(raw::ptr(p.given, p.ptrAt), 0));
        }
    }
    return mask;
}
// One output of a Get, GetList or GetMultiple: its result offset, wanted bit, kind and size.
// Single outputs: w a word, W a record emptied by its first word (or by its size when given),
// q a qualifier, n a name buffer of size bytes (255 when 0) the host fills without a
// terminator, t a text, l a list of two size-byte items, p the same emptied after the status
// list is tested, c a workflow connect, m a menu, x a form's transfer settings. Lists of two items: emptied
// whole at entry, F flat, N lists, H texts, C connects, M menus, A never answered; emptied by
// their count, f flat (moved: a count without items stays), L names, T texts, X transfer
// settings. D is a list the library drops, S the status list.
struct Out {
    size_t at;
    uint32_t bit;
    char kind;
    size_t size = 0;
};
namespace get {
namespace Transfer { constexpr size_t flags = 4, target = 8, name = 304, size = 560; }  // typed in
namespace HostTransfer {
constexpr size_t options = 4, targetKind = 8, target = 16, numbers = 272, name = 312, size = 568;
}
constexpr size_t menuSize = 704, menuItem = 272, menuItems = 8;
inline bool isList(char kind) { return kind && std::strchr("FNTHCMALDfX", kind); }
inline bool isOutput(const Out& o) { return o.kind != 'D' && o.kind != 'S'; }
inline std::string seeded(const char* what, uint32_t k) { return what + std::to_string(k); }
// The kind of a list's items as the host writes them, or as the caller finds them.
inline Out item(const Out& list, bool caller = false) {
    static const char lists[] = "NTHCMLX";
    const char* k = list.kind ? std::strchr(lists, list.kind) : nullptr;
    return {0, 0, k ? (caller ? "lttcmnx" : "lttcmtx")[k - lists] : '\0', list.size};
}
inline size_t hostItem(const Out& o) {
    return o.kind == 'M' ? menuSize : o.kind == 'X' ? HostTransfer::size : item(o).kind ? 16 : o.size;
}
inline size_t callerItem(const Out& o) {
    const char k = item(o, true).kind;
    return k == 'n' ? sizeof(ObjectName) : k == 't' ? 8 : k == 'x' ? Transfer::size : hostItem(o);
}
inline size_t nameSize(const Out& o) { return o.size ? o.size : 255; }

inline void fill(const Out& o, char* at, uint32_t k) {
    switch (o.kind) {
        case 'w': case 'W': return raw::put(at, 0, 100 + k);
        case 'n': return void(std::memset(at, 'a' + k % 26, nameSize(o)));
        case 't': return hostText(at, 0, seeded("v", k).c_str());
        case 'l': case 'p': return void(hostList(at, 0, 2, o.size));
        case 'q': case 'S': return;
        case 'm': return raw::put(at, 0, uint32_t{ZVI_MENU_LIST}), void(hostList(at, menuItems, 1, menuItem));
        case 'c':  // a type 1 connect: a heap holder of counted texts
            raw::put(at, 0, 1u);
            raw::put(at, 8, std::calloc(1, 16));
            return hostText(hostList(raw::ptr(at, 8), 0, 1, 16), 0, "Form");
        case 'x':  // an even k: a text target and option 1; an odd one: a form name, no target, option 2
            raw::put(at, HostTransfer::options, 1 + k % 2);
            raw::put(at, HostTransfer::targetKind, k % 2 ? 1u | 2u : 8u);
            if (k % 2 == 0) raw::put(at, HostTransfer::target, fake::text(seeded("v", k).c_str()));
            else hostName(at, HostTransfer::target, "Inline");
            return hostName(at, HostTransfer::name, "Tname");
    }
    char* items = hostList(at, 0, 2, hostItem(o));
    for (uint32_t i = 0; i < 2 && item(o).kind; ++i) fill(item(o), items + i * hostItem(o), i);
}
// What the host wrote for an output, and what the caller found in it, in words.
inline std::string written(const Out& o, uint32_t k) {
    switch (o.kind) {
        case 'w': case 'W': return std::to_string(100 + k);
        case 'q': case 'A': return "0";
        case 'n': return std::string(nameSize(o) - 1, char('a' + k % 26));
        case 't': return seeded("v", k);
        case 'l': case 'p': case 'f': case 'F': return "2";
        case 'c': return "Form";
        case 'm': return "1 items";
        case 'x': return k % 2 ? "67 Inline Tname" : "40 " + seeded("v", k) + " Tname";
    }
    return "2 " + written(item(o), 1);
}
inline std::string seen(const Out& o, const char* out) {
    switch (o.kind) {
        case 'w': case 'W': case 'q': return std::to_string(raw::u32(out, 0));
        case 'n': return out;
        case 't': return raw::text(out, 0) ? raw::text(out, 0) : "null";
        case 'c': return reinterpret_cast<const WorkflowConnect*>(out)->u.nameList->items[0];
        case 'm': return std::to_string(raw::list(out, menuItems).count) + " items";
        case 'x':
            return std::to_string(raw::u32(out, Transfer::flags)) + " " +
                   (raw::u32(out, Transfer::flags) & 12 ? raw::text(out, Transfer::target)
                                                        : raw::inlineText(out, Transfer::target)) +
                   " " + raw::inlineText(out, Transfer::name);
    }
    const raw::List l = raw::list(out, 0);
    const bool items = item(o).kind && l.count == 2;
    return std::to_string(l.count) + (items ? " " + seen(item(o, true), (char*)l.items + callerItem(o)) : "");
}
inline void release(const Out& o, char* out) {
    switch (o.kind) {
        case 't': return std::free(raw::ptr(out, 0));
        case 'c': return zvi::ReleaseWorkflowConnect(reinterpret_cast<WorkflowConnect*>(out), 0);
        case 'm': return zvi::ReleaseCharMenuDef(reinterpret_cast<CharMenuDef*>(out), 0);
        case 'x': return raw::u32(out, Transfer::flags) & 12 ? std::free(raw::ptr(out, Transfer::target)) : void();
        case 'l': case 'p': break;
        default: if (!isList(o.kind)) return;
    }
    const raw::List l = raw::list(out, 0);
    for (uint32_t i = 0; l.items && i < l.count; ++i) release(item(o, true), (char*)l.items + i * callerItem(o));
    std::free(l.items);
}
// How many leading bytes of an output a failing call clears (a late one: given a status list).
inline size_t cleared(const Out& o, bool status) {
    switch (o.kind) {
        case 'w': return 0;
        case 'n': return o.bit && status ? 1 : 0;
        case 'p': return status ? 4 : 0;
        case 't': return 8;
        case 'x': return Transfer::size;
        case 'W': return o.size ? o.size : 4;
        case 'q': case 'l': case 'c': case 'm': case 'f': case 'T': case 'L': case 'X':
            return 4;
        default: return 16;
    }
}
// A GetMultiple's lists in result order from at: their item sizes and bits (by default one after
// the other, D, S and A without one).
inline std::vector<Out> resultLists(size_t at, const char* kinds, std::vector<size_t> sizes,
                                    std::vector<uint32_t> bits = {}) {
    std::vector<Out> outs;
    for (uint32_t i = 0, bit = 1; kinds[i]; ++i) {
        const bool asked = !std::strchr("ADS", kinds[i]);
        outs.push_back({at + 16 * i, bits.empty() ? (asked ? bit : 0) : bits[i], kinds[i], sizes[i]});
        bit <<= asked;
    }
    return outs;
}
}  // namespace get

// The caller's variables, one per output, filled with one byte; o[i]: null when not passed.
struct Slots {
    std::vector<uint64_t> slots = std::vector<uint64_t>(24 * 300);
    uint64_t passed = ~uint64_t{0};
    explicit Slots(int fill) { std::memset(slots.data(), fill, slots.size() * 8); }
    struct Arg {
        void* p;
        template <class T>
        operator T*() const { return static_cast<T*>(p); }
    };
    Arg operator[](size_t i) { return {passed >> i & 1 ? at(i) : nullptr}; }
    char* at(size_t i) { return reinterpret_cast<char*>(&slots[300 * i]); }
};
using Call = std::function<uint32_t(Slots&, ControlRecord*, StatusList*)>;
// A Get's call: its leading arguments, then the outputs I in argument order.
template <size_t... I, class Get, class... Lead>
Call pass(Get get, Lead... lead) {
    return [=](Slots& o, ControlRecord* c, StatusList* s) { return get(c, lead..., o[I]..., s); };
}
struct GetRow {
    const char* name;  // also the failure text
    uint32_t slot, opcode;
    size_t wantedAt;  // 0: a GetList
    std::set<uint32_t> sweepCodes;
    std::vector<Out> outs;
    Call call;
    std::function<void(const void* request)> request = [](const void*) {};  // the operation's own words
    uint64_t always = 0;  // the outputs a call requires, passed in every call
};
// A Get's workflow variant: called directly, without a control record.
inline GetRow direct(GetRow g, const char* name, uint32_t slot, Call call) {
    g.name = name, g.slot = slot, g.opcode = ZVI_NO_HOOKS, g.call = std::move(call);
    return g;
}

// The texts of the messages the checks give, typed in.
inline const std::map<uint32_t, std::string> kTexts{
    {54, "No changes were specified for the object"}, {71, "No groups were given for the object"},
    {103, "A name returned by the server is longer than 254 characters"},
    {105, "No output list was given for the result rows"}, {110, "The data type of the field is not valid"},
    {155, "No output was given for the exported definitions"}, {235, "The kind of user list is not valid"},
    {156, "The definition text is missing or cannot be converted to the server's character set"},
    {295, "No stream was given, or the stream cannot be read or is empty"},
    {111, "A field of this data type cannot have a default value"}, {115, "The operation mask is not valid"},
    {118, "The entry option of the field is not valid"}, {119, "The creation option of the field is not valid"},
    {131, "The type of a menu item is not valid"}, {166, "The default value does not match the data type of the field"},
    {169, "The execution order must be between 0 and 1000"}, {178, "No identifier was given for the new object"},
    {180, "The default text is longer than 255 characters"}, {187, "The execute mask is not valid"},
    {206, "The type of the menu is not valid"}, {207, "The refresh code of the menu is not valid"},
    {233, "The value is out of range"}, {251, "The enable flag must be 0 or 1"},
    {292, "No list was given to receive which entries exist"},
    {485, "No field identifier flags were given for the new fields"},
    {486, "The number of items in a list does not match the number of fields"},
    {487, "No list was given to receive the results of each field"},
    {8923, "A workflow object must name the forms it applies to"}};

// The arguments of a Set or Create: every one (all), or only those every call gives.
struct Giving {
    bool all = true;
    template <class T>
    T* given(T* arg) const {
        return all ? arg : nullptr;
    }
};

class DefinitionsTest : public HostTest, public Giving {
protected:
    ObjectName listedNames[2] = {"Alpha", "Beta"};
    NameList nameList{2, listedNames};
    bool sweeping = false;                          // within sweep()
    std::map<std::string, std::set<uint32_t>> said;  // by operation: the numbers its swept calls gave

    void serve(const DefinitionOp& op, uint32_t ok, bool warn) {
        host.on(op.slot, [&op, ok, warn](void* q, void* r) {
            op.answer(q, r);  // a failing host may leave results behind too
            if (warn) fake::addMessage(statusAt(r, op.statusAt), ZVI_WARNING, 77, "host warning");
            return ok;
        });
    }

    // Hooks and control record by variant; the host's messages, the context words and
    // 9905 on failure; the refusal of a cache-changing call; no status list.
    void checkFrames(const std::vector<DefinitionOp>& ops) {
        for (const DefinitionOp& op : ops) {
            SCOPED_TRACE(op.name);
            const bool direct = op.opcode == ZVI_NO_HOOKS;
            std::vector<fake::Event> events;
            if (!direct) events = {{fake::Event::CallerInfo, 1}};
            if (op.admin) events.push_back({fake::Event::Admin, op.opcode});
            if (direct) events.push_back({fake::Event::Service, op.slot});
            else events.insert(events.end(), {{fake::Event::Enter, op.opcode}, {fake::Event::Service, op.slot},
                                              {fake::Event::Leave, 0}});
            for (uint32_t ok : {1u, 0u}) {
                serve(op, ok, true);
                host.clearEvents();
                control.contextWord0 = 5;
                EXPECT_EQ(op.call(&control, &status), ok ? 1u : 2u);
                EXPECT_EQ(host.events(), events);
                const Message warning{ZVI_WARNING, 77, "host warning", "", false};
                std::vector<Message> expected{ok ? warning : catalogMessage(ZVI_ERROR, 9905, op.failureText)};
                if (!ok && op.hostMessagesKept) expected.push_back(warning);
                EXPECT_EQ(messages(status), expected);
                EXPECT_EQ(control.contextWord0, ok && !direct ? host.contextWord0 : 5);
                zvi::releaseStatusList(&status, 0);
            }
            if (op.admin) {
                host.adminCheck = [](uint32_t) { return 0u; };
                host.clearEvents();
                EXPECT_EQ(op.call(&control, &status), 2u);
                const std::string refusal = std::string(op.refusalName ? op.refusalName : op.name) +
                                            " - Cache Changing call from a Non-Admin thread";
                EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 9905, refusal.c_str())});
                EXPECT_EQ(host.calls(op.slot), 0);
                zvi::releaseStatusList(&status, 0);
                host.adminCheck = [](uint32_t) { return 1u; };
            }
            EXPECT_EQ(op.call(&control, nullptr), 4u);
        }
    }

    // A call's messages in words, "type:number" and "=detail" when it has one, each with its
    // text; the code is the first's type. It reaches the host unless an error or warning 54
    // ends it, or as reaches says.
    void expectSaid(const std::function<uint32_t()>& call, const std::string& expected, int reaches = -1,
                    long row = -1) {
        SCOPED_TRACE(row);
        host.clearEvents();
        const uint32_t rc = call();
        std::string said;
        for (const Message& m : messages(status)) {
            said += (said.empty() ? "" : " ") + std::to_string(m.type) + ":" + std::to_string(m.number) +
                    (m.hasDetail ? "=" + m.detail : "");
            EXPECT_EQ(m.text, kTexts.at(m.number)) << m.number;
        }
        EXPECT_EQ(said, expected);
        EXPECT_EQ(rc, status.numItems ? status.entries[0].messageType : 0u);
        if (reaches < 0) reaches = expected.find("2:") == std::string::npos && expected != "1:54";
        EXPECT_EQ(host.events().size() > 1, reaches == 1);
        zvi::releaseStatusList(&status, 0);
    }

    // A Set's or Create's two rows: with every argument (all) and with only those always given; the
    // host checks the request (its change mask at maskAt, unless 0) before op.answer, but in a
    // sweep, where a copy may fail without failing the call.
    void addSentRows(std::vector<DefinitionOp>& rows, const DefinitionOp& op, size_t maskAt, bool& all,
                     std::function<std::vector<InPart>()> parts) {
        for (bool every : {true, false}) {
            DefinitionOp row = op;
            row.answer = [=](void* q, void* r) {
                const uint32_t mask = sweeping ? 0 : expectSent(q, parts(), every);
                if (maskAt && !sweeping) {
                    EXPECT_EQ(raw::u32(q, maskAt), mask);
                }
                op.answer(q, r);
            };
            row.call = [=, &all](ControlRecord* c, StatusList* s) { return all = every, op.call(c, s); };
            const std::vector<InPart> given = parts();
            const bool copies = std::any_of(given.begin(), given.end(), [](const InPart& p) {
                return p.kind == InPart::Copied && p.always;
            });
            if (!every) row.sweepCodes = copies ? std::set<uint32_t>{0, 300} : std::set<uint32_t>{0};
            rows.push_back(row);
        }
    }

    // The same as rows: a call and its message (type, number, detail; no number: none, and
    // the call reaches the host).
    struct CheckRow {
        std::function<uint32_t()> call;
        uint32_t type, number;
        const char* detail = nullptr;
    };
    void checkArguments(const std::vector<CheckRow>& rows) {
        for (const CheckRow& r : rows) {
            const std::string words = r.number ? std::to_string(r.type) + ":" + std::to_string(r.number) : "";
            expectSaid(r.call, words + (r.detail ? std::string("=") + r.detail : ""), !r.number, &r - rows.data());
        }
    }
    using Said = std::pair<std::function<uint32_t()>, const char*>;
    void expectSaid(const std::vector<Said>& rows) {
        for (const Said& row : rows) expectSaid(row.first, row.second, -1, &row - rows.data());
    }
    void answer(const GetRow& g, void* q, void* r) {
        g.request(q);
        for (size_t i = 0; i < g.outs.size(); ++i) get::fill(g.outs[i], (char*)r + g.outs[i].at, uint32_t(i));
    }
    // A Get's row of the frame checks and the sweep: every output passed and released.
    DefinitionOp frameRow(const GetRow& g) {
        const auto status = std::find_if(g.outs.begin(), g.outs.end(), [](const Out& o) { return o.kind == 'S'; });
        return {g.name, g.slot, g.opcode, false, g.name, uint32_t(status->at),
                [this, g](void* q, void* r) { answer(g, q, r); },
                [g](ControlRecord* c, StatusList* s) {
                    Slots o(0);
                    const uint32_t rc = g.call(o, c, s);
                    for (size_t i = 0; i < g.outs.size(); ++i)
                        if (get::isOutput(g.outs[i])) get::release(g.outs[i], o.at(i));
                    return rc;
                },
                g.sweepCodes};
    }
    // Each output alone (with those required) asks for its bit alone and gets what the host
    // wrote, the rest released; all of them ask for every bit. A failing
    // host or no status list: each output cleared as its kind says. A GetList without its
    // output is refused; the counts of a host that lists without items are never read.
    void checkOutputs(const GetRow& g) {
        SCOPED_TRACE(g.name);
        uint32_t mask = 0, bits = 0;
        host.on(g.slot, [&](void* q, void* r) {
            return mask = g.wantedAt ? raw::u32(q, g.wantedAt) : 0, answer(g, q, r), 1u;
        });
        for (size_t i = 0; i <= g.outs.size(); ++i) {
            const bool every = i == g.outs.size();
            if (!every && !get::isOutput(g.outs[i])) continue;
            SCOPED_TRACE(i);
            Slots o(0xAB);
            o.passed = every ? ~uint64_t{0} : uint64_t{1} << i | g.always;
            alloc::Window window;
            EXPECT_EQ(g.call(o, &control, &status), 0u);
            EXPECT_EQ(mask, every ? bits : g.outs[i].bit);
            for (size_t k = 0; k < g.outs.size(); ++k)
                if ((o.passed >> k & 1) && get::isOutput(g.outs[k])) {
                    EXPECT_EQ(get::seen(g.outs[k], o.at(k)), get::written(g.outs[k], uint32_t(k))) << k;
                    get::release(g.outs[k], o.at(k));
                }
            EXPECT_EQ(window.liveBlocks(), 0u);
            if (!every) bits |= g.outs[i].bit;
        }
        host.on(g.slot, [](void*, void*) { return 0u; });
        for (StatusList* s : {&status, static_cast<StatusList*>(nullptr)}) {
            Slots o(0xAB);
            EXPECT_EQ(g.call(o, &control, s), s ? 2u : 4u);
            for (size_t k = 0; k < g.outs.size(); ++k) {
                const size_t n = get::isOutput(g.outs[k]) ? get::cleared(g.outs[k], s) : 0;
                EXPECT_TRUE(raw::zero(o.at(k), 0, n) && (n == 16 || raw::u8(o.at(k), n) == 0xAB)) << k;
            }
            zvi::releaseStatusList(&status, 0);
        }
        Slots none(0), lying(0);
        none.passed = 0;
        if (!g.wantedAt) expectSaid([&] { return g.call(none, &control, &status); }, "2:105");
        const auto listed = [](const Out& o) { return get::isList(o.kind) || o.kind == 'S'; };
        if (!std::all_of(g.outs.begin(), g.outs.end(), listed)) return;
        host.on(g.slot, [&](void*, void* r) {
            for (const Out& o : g.outs)
                if (get::isList(o.kind)) raw::putList(r, o.at, 3, nullptr);
            return 1u;
        });
        EXPECT_EQ(g.call(lying, &control, &status), 0u);
        for (size_t k = 0; k < g.outs.size(); ++k)
            EXPECT_EQ(raw::u32(lying.at(k), 0), g.outs[k].kind == 'f' ? 3u : 0u) << k;  // moved: as the host said
    }

    // Every allocation of a call failed in turn: a defined code, nothing left behind.
    void sweep(const std::vector<DefinitionOp>& ops) {
        for (const DefinitionOp& op : ops) {
            SCOPED_TRACE(op.name);
            serve(op, 1, false);
            std::set<uint32_t> codes;
            uint32_t last = 99;
            sweeping = true;
            alloc::sweep([&](const alloc::Window&) {
                StatusList s{};
                codes.insert(last = op.call(&control, &s));
                for (const Message& m : messages(s)) said[op.name].insert(m.number);
                zvi::releaseStatusList(&s, 0);
            });
            sweeping = false;
            EXPECT_EQ(last, 0u);
            EXPECT_EQ(codes, op.sweepCodes);
        }
    }
};

}  // namespace testing_support
