// Helpers of the definition-operation tests: each family's operations as table rows,
// the checks every row goes through (frame variant, admin refusal, failure texts, the
// allocation-failure sweep), host results laid out as raw bytes, and the drivers that
// walk the arguments a Set or Create sends and the outputs a Get hands over as tables.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
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

// One argument of a Set or Create: its request offset, change-mask bit, the caller's
// object, and how the request holds it (Flag: only its bit). A copy keeps the caller's
// first word and the first word its pointer (at ptrAt) leads to, under a pointer of
// its own.
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
// How one output of a Get travels: what the host writes at its offset (k: which output
// or item it is), what the caller then finds, how the caller releases it, whether it is
// emptied, and when a call empties it (LateWithBit: a name, emptied after the status
// list is tested when it has a bit, otherwise never).
struct OutPart;
struct OutKind {
    enum When { Never, Early, LateWithBit } when;
    void (*fill)(void* r, size_t at, const OutPart& p, uint32_t k);
    void (*check)(const void* out, const OutPart& p, uint32_t k);
    void (*release)(void* out, const OutPart& p);
    bool (*emptied)(const void* out, const OutPart& p);
};
// One output in argument order: result offset, wanted-mask bit, kind, the kind's size;
// a late one is emptied after the status list is tested. A list of a GetMultiple holds
// two items of `item`, hostSize bytes each in the host's list, outSize in the caller's.
struct OutPart {
    size_t at;
    uint32_t bit;
    const OutKind* kind;
    size_t n = 0;
    bool late = false;
    const OutKind* item = nullptr;
    size_t hostSize = 0, outSize = 0;
};
inline std::string seeded(const char* what, uint32_t k) { return what + std::to_string(k); }
namespace kind {
using P = const OutPart&;
inline void none(void*, P) {}
inline bool zeroWord(const void* out, P) { return raw::u32(out, 0) == 0; }
inline const OutKind word{OutKind::Never, [](void* r, size_t at, P, uint32_t k) { raw::put(r, at, 100 + k); },
                          [](const void* out, P, uint32_t k) { EXPECT_EQ(raw::u32(out, 0), 100 + k); }, none, zeroWord};
inline const OutKind record{OutKind::Early, word.fill, word.check, none, zeroWord};  // passed through unopened
// A name buffer of n bytes, filled without a terminator: the caller gets n - 1 characters.
inline const OutKind name{
    OutKind::LateWithBit, [](void* r, size_t at, P p, uint32_t k) { std::memset((char*)r + at, 'a' + k, p.n); },
    [](const void* out, P p, uint32_t k) { EXPECT_EQ(std::string((const char*)out), std::string(p.n - 1, 'a' + k)); },
    none, [](const void* out, P) { return raw::u8(out, 0) == 0; }};
// A counted text, handed over as its text pointer.
inline const OutKind text{
    OutKind::Early, [](void* r, size_t at, P, uint32_t k) { hostText(r, at, seeded("text", k).c_str()); },
    [](const void* out, P, uint32_t k) { EXPECT_STREQ(raw::text(out, 0), seeded("text", k).c_str()); },
    [](void* out, P) { std::free(raw::ptr(out, 0)); }, [](const void* out, P) { return !raw::ptr(out, 0); }};
// A list of one item of n bytes whose first word is the seed.
inline const OutKind list{
    OutKind::Early, [](void* r, size_t at, P p, uint32_t k) { raw::put(hostList(r, at, 1, p.n), 0, 100 + k); },
    [](const void* out, P, uint32_t k) {
        EXPECT_EQ(raw::u32(out, 0) * 1000 + raw::u32(raw::ptr(out, 8), 0), 1100 + k);
    },
    [](void* out, P) { std::free(raw::ptr(out, 8)); }, zeroWord};
// The same list, of structures the caller releases with Release (n: their size).
template <class T, auto Release>
inline const OutKind released{OutKind::Early, list.fill, list.check,
                              [](void* out, P) { Release(static_cast<T*>(out), 0); }, zeroWord};
// A record whose first word is a data type (text) and which holds a text at n: a value, a limit.
inline const OutKind tagged{
    OutKind::Early,
    [](void* r, size_t at, P p, uint32_t k) {
        raw::put(r, at, uint32_t{ZVI_DATA_TEXT});
        raw::put(r, at + p.n, fake::text(seeded("tagged", k).c_str()));
    },
    [](const void* out, P p, uint32_t k) { EXPECT_STREQ(raw::text(out, p.n), seeded("tagged", k).c_str()); },
    [](void* out, P p) { std::free(raw::ptr(out, p.n)); }, zeroWord};
// Items that hold nothing the test looks at.
inline const OutKind flat{OutKind::Never, [](void*, size_t, P, uint32_t) {}, [](const void*, P, uint32_t) {}, none,
                          [](const void*, P) { return false; }};
// A list of a GetMultiple: two items of the part's item kind.
inline const OutKind listOf{
    OutKind::Early,
    [](void* r, size_t at, P p, uint32_t) {
        char* items = hostList(r, at, 2, p.hostSize);
        for (uint32_t k = 0; k < 2; ++k) p.item->fill(items + k * p.hostSize, 0, p, k);
    },
    [](const void* out, P p, uint32_t) {
        ASSERT_EQ(raw::u32(out, 0), 2u);
        for (uint32_t k = 0; k < 2; ++k) p.item->check((char*)raw::ptr(out, 8) + k * p.outSize, p, k);
    },
    [](void* out, P p) {
        const raw::List got = raw::list(out, 0);
        for (uint32_t k = 0; got.items && k < got.count; ++k) p.item->release((char*)got.items + k * p.outSize, p);
        std::free(got.items);
    },
    zeroWord};
}  // namespace kind

// The caller's variables of a call, filled with one byte. call(fn, status, leading...)
// calls fn with the leading arguments, variable i for output i (null when not passed),
// and the status list.
struct Outs {
    std::vector<bool> passed;
    std::unique_ptr<uint64_t[]> buffers{new uint64_t[24 * 300]};
    explicit Outs(std::vector<bool> passed, int fill = 0xAB) : passed(std::move(passed)) {
        std::memset(buffers.get(), fill, 24 * 300 * 8);
    }
    void* at(size_t i) { return buffers.get() + 300 * i; }
    template <class... A, class... L>
    uint32_t call(uint32_t (*fn)(A...), StatusList* s, L... leading) {
        return call(fn, s, std::make_index_sequence<sizeof...(A) - sizeof...(L) - 1>(), leading...);
    }
    template <class... A, size_t... I, class... L>
    uint32_t call(uint32_t (*fn)(A...), StatusList* s, std::index_sequence<I...>, L... leading) {
        using Args = std::tuple<A...>;
        return fn(leading..., static_cast<std::tuple_element_t<sizeof...(L) + I, Args>>(passed[I] ? at(I) : nullptr)...,
                  s);
    }
};
// A Get or a GetMultiple: its outputs, its call, and what else the host checks and writes.
struct GetOp {
    uint32_t slot;
    size_t wantedMask;
    std::vector<OutPart> parts;
    std::function<uint32_t(ControlRecord*, StatusList*, Outs&)> call;
    std::function<void(const void* request, void* result)> request = [](const void*, void*) {};
    void answer(void* q, void* r) const {
        request(q, r);
        for (size_t i = 0; i < parts.size(); ++i) parts[i].kind->fill(r, parts[i].at, parts[i], uint32_t(i));
    }
    // The outputs passed, checked against what the host wrote and released; their bits.
    uint32_t handOver(Outs& o, bool check = true) const {
        uint32_t bits = 0;
        for (size_t i = 0; i < parts.size(); ++i) {
            SCOPED_TRACE(i);
            bits |= o.passed[i] ? parts[i].bit : 0;
            if (o.passed[i] && check) parts[i].kind->check(o.at(i), parts[i], uint32_t(i));
            if (o.passed[i]) parts[i].kind->release(o.at(i), parts[i]);
        }
        return bits;
    }
};
// The lists of a GetMultiple result, 16 bytes apart in result order: each its bit, item
// kind, the item's size in the host's list and the caller's, the item kind's size; a
// row without a kind is no output.
struct ListRow {
    uint32_t bit;
    const OutKind* item;
    size_t hostSize = 0, outSize = 0, n = 0;
};
inline std::vector<OutPart> lists(size_t at, std::vector<ListRow> rows) {
    std::vector<OutPart> parts;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ListRow& l = rows[i];
        const size_t outSize = l.outSize ? l.outSize : l.hostSize;
        if (l.item) parts.push_back({at + 16 * i, l.bit, &kind::listOf, l.n, false, l.item, l.hostSize, outSize});
    }
    return parts;
}

// An argument check: the call ends with its message (type 0: it reaches the host)
// without converting the control record (late: only that).
struct CheckRow {
    std::function<uint32_t()> call;
    uint32_t type, number;
    const char* detail = nullptr;
    bool late = false;
};

class DefinitionsTest : public HostTest {
protected:
    // A caller's list of names, for the operations that take one.
    ObjectName listedNames[2] = {"Alpha", "Beta"};
    NameList nameList{2, listedNames};
    bool sweeping = false;  // within sweep()

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

    void checkArguments(const std::vector<CheckRow>& rows) {
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(i);
            const CheckRow& row = rows[i];
            host.clearEvents();
            EXPECT_EQ(row.call(), row.type);
            const std::vector<Message> expected{catalogMessage(row.type, row.number, row.detail)};
            EXPECT_EQ(messages(status), row.number ? expected : std::vector<Message>{});
            if (row.number) EXPECT_EQ(host.events().size(), row.late ? 1u : 0u);
            else EXPECT_GT(host.events().size(), 1u);
            zvi::releaseStatusList(&status, 0);
        }
    }

    // A Set's or Create's two rows (added to rows): its call with every argument (all) and with only
    // those always given; the host checks the request (its change mask at maskAt, unless
    // 0) before op.answer, but in a sweep, where a copy may fail without failing the
    // call. Without arguments to copy, allocation failures end in code 0 only.
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
            if (!every) row.sweepCodes = {0};
            rows.push_back(row);
        }
    }

    // A row of the frame checks and the sweep for a Get: every output passed and handed
    // over (released whatever the code: a failed conversion still hands the rest over).
    DefinitionOp getRow(const char* name, uint32_t opcode, uint32_t statusAt, const GetOp& op,
                        const char* failureText = nullptr, std::set<uint32_t> sweepCodes = {0}) {
        return {name, op.slot, opcode, false, failureText ? failureText : name, statusAt,
                [op](void* q, void* r) { op.answer(q, r); },
                [op](ControlRecord* c, StatusList* s) {
                    Outs o(std::vector<bool>(op.parts.size(), true), 0);
                    const uint32_t rc = op.call(c, s, o);
                    op.handOver(o, rc < 2);
                    return rc;
                },
                sweepCodes};
    }

    // A Get asks for the outputs passed and hands each over; with only the first and
    // those without a bit, it releases the rest. A failing host: each output emptied
    // before the status list is tested, after it, or never. A GetMultiple's counts
    // without items: nothing is read, the converted lists come back empty.
    void checkGet(const GetOp& op, bool multiple = false) {
        uint32_t mask = ~0u;
        host.on(op.slot, [&](void* q, void* r) {
            mask = raw::u32(q, op.wantedMask);
            return op.answer(q, r), 1u;
        });
        for (bool every : {true, false}) {
            SCOPED_TRACE(every);
            alloc::Window window;
            std::vector<bool> passed;
            for (const OutPart& p : op.parts) passed.push_back(every || !p.bit || passed.empty());
            Outs o(passed);
            EXPECT_EQ(op.call(&control, &status, o), 0u);
            EXPECT_EQ(mask, op.handOver(o));
            EXPECT_EQ(window.liveBlocks(), 0u);
        }
        host.on(op.slot, [](void*, void*) { return 0u; });
        for (StatusList* s : {static_cast<StatusList*>(nullptr), &status}) {
            Outs o(std::vector<bool>(op.parts.size(), true));
            EXPECT_EQ(op.call(&control, s, o), s ? 2u : 4u);
            for (size_t i = 0; i < op.parts.size(); ++i) {
                const OutPart& p = op.parts[i];
                const bool never = p.kind->when == OutKind::Never || (p.kind->when == OutKind::LateWithBit && !p.bit);
                const bool late = p.late || p.kind->when == OutKind::LateWithBit;
                EXPECT_EQ(p.kind->emptied(o.at(i), p), !never && (!late || s)) << i << (s ? " status" : "");
            }
            zvi::releaseStatusList(&status, 0);
        }
        if (!multiple) return;
        host.on(op.slot, [&](void*, void* r) {
            for (const OutPart& p : op.parts) raw::putList(r, p.at, 3, nullptr);
            return 1u;
        });
        Outs o(std::vector<bool>(op.parts.size(), true));
        EXPECT_EQ(op.call(&control, &status, o), 0u);
        for (size_t i = 0; i < op.parts.size(); ++i) {
            if (!op.parts[i].hostSize) continue;
            EXPECT_EQ(raw::u32(o.at(i), 0), op.parts[i].outSize != op.parts[i].hostSize ? 0u : 3u) << i;
            std::free(raw::ptr(o.at(i), 8));
        }
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
                zvi::releaseStatusList(&s, 0);
            });
            sweeping = false;
            EXPECT_EQ(last, 0u);
            EXPECT_EQ(codes, op.sweepCodes);
        }
    }
};

}  // namespace testing_support
