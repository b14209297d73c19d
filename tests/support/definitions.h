// Helpers of the definition-operation tests: each family's operations as table rows,
// the checks every row goes through (frame variant, admin refusal, failure texts, the
// allocation-failure sweep), host results laid out as raw bytes, and the drivers of the
// Get and GetMultiple shapes, which walk an operation's outputs as a table.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <memory>
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
// The outputs of a GetMultiple, one raw list each in result order; with all false only
// the first is passed.
template <size_t N>
struct ListOutputs {
    raw::List l[N] = {};
    bool all = true;
    template <class List>
    List* out(size_t i) {
        return all || i == 0 ? reinterpret_cast<List*>(&l[i]) : nullptr;
    }
};
// A counted text (length, then the pointer at +8).
inline void hostText(void* record, size_t at, const char* text) {
    raw::put(record, at, static_cast<uint32_t>(std::strlen(text) + 1));
    raw::put(record, at + 8, fake::text(text));
}
inline void hostName(void* record, size_t at, const char* name) { std::strcpy(static_cast<char*>(record) + at, name); }

// How one output of a Get travels: what the host writes for it (seed: which output or
// item it is), what the caller must then find in its variable, how the caller releases
// it, whether it is emptied, and when a call empties it (LateWithBit: a name emptied
// after the status list is tested when it has a bit, otherwise never).
struct OutPart;
struct OutKind {
    enum When { Never, Early, LateWithBit } when;
    void (*fill)(void* r, size_t at, const OutPart& p, uint32_t seed);
    void (*check)(const void* out, const OutPart& p, uint32_t seed);
    void (*release)(void* out, const OutPart& p);
    bool (*emptied)(const void* out, const OutPart& p);
};
// One output in argument order: its result offset, wanted-mask bit, kind and the kind's
// size; a late one is emptied after the status list is tested. A list of a GetMultiple
// (kind::listOf) holds two items of `item`, hostSize bytes in the host's list and
// outSize in the caller's (a hostSize of 0: not an output).
struct OutPart {
    size_t at;
    uint32_t bit;
    const OutKind* kind;
    size_t n = 0;
    bool late = false;
    const OutKind* item = nullptr;
    size_t hostSize = 0, outSize = 0;
};
inline std::string seeded(const char* what, uint32_t seed) { return what + std::to_string(seed); }
namespace kind {
using P = const OutPart&;
inline void none(void*, P) {}
inline bool zeroWord(const void* out, P) { return raw::u32(out, 0) == 0; }
inline const OutKind word{OutKind::Never, [](void* r, size_t at, P, uint32_t k) { raw::put(r, at, 100 + k); },
                          [](const void* out, P, uint32_t k) { EXPECT_EQ(raw::u32(out, 0), 100 + k); }, none, zeroWord};
// A record passed through unopened: its first word.
inline const OutKind record{OutKind::Early, word.fill, word.check, none, zeroWord};
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
// A list of two zero-filled items of n bytes.
inline const OutKind list{OutKind::Early, [](void* r, size_t at, P p, uint32_t) { hostList(r, at, 2, p.n); },
                          [](const void* out, P, uint32_t) { EXPECT_EQ(raw::u32(out, 0), 2u); },
                          [](void* out, P) { std::free(raw::ptr(out, 8)); }, zeroWord};
// A record whose first word is a data type (text) and which holds a text at n: a value, a limit.
inline const OutKind tagged{
    OutKind::Early,
    [](void* r, size_t at, P p, uint32_t k) {
        raw::put(r, at, uint32_t{ZVI_DATA_TEXT});
        raw::put(r, at + p.n, fake::text(seeded("tagged", k).c_str()));
    },
    [](const void* out, P p, uint32_t k) {
        EXPECT_EQ(raw::u32(out, 0), uint32_t{ZVI_DATA_TEXT});
        EXPECT_STREQ(raw::text(out, p.n), seeded("tagged", k).c_str());
    },
    [](void* out, P p) { std::free(raw::ptr(out, p.n)); }, zeroWord};
// A property list of one text property.
inline const OutKind props{
    OutKind::Early,
    [](void* r, size_t at, P, uint32_t k) {
        raw::put(hostList(r, at, 1, 24), 8, textValue(0, fake::text(seeded("prop", k).c_str())).value);
    },
    [](const void* out, P, uint32_t k) {
        ASSERT_EQ(raw::u32(out, 0), 1u);
        EXPECT_STREQ(raw::text(raw::ptr(out, 8), 16), seeded("prop", k).c_str());
    },
    [](void* out, P) { zvi::ReleasePropList(static_cast<PropList*>(out), 0); }, zeroWord};
// A display instance list: common properties, and an instance with properties of its own.
inline const OutKind display{
    OutKind::Early,
    [](void* r, size_t at, P, uint32_t) {
        hostList(r, at, 1, 24);
        hostList(hostList(r, at + 16, 1, 24), 8, 1, 24);
    },
    [](const void* out, P, uint32_t) { EXPECT_EQ(raw::u32(out, 0) + raw::u32(out, 16), 2u); },
    [](void* out, P) { zvi::ReleaseDisplayInstanceList(static_cast<DisplayInstanceList*>(out), 0); },
    [](const void* out, P) { return raw::u32(out, 0) + raw::u32(out, 16) == 0; }};
// Items that hold nothing the test looks at.
inline const OutKind flat{OutKind::Never, [](void*, size_t, P, uint32_t) {}, [](const void*, P, uint32_t) {}, none,
                          [](const void*, P) { return false; }};
// A list of a GetMultiple: two items of the part's item kind (none when not an output).
inline const OutKind listOf{
    OutKind::Early,
    [](void* r, size_t at, P p, uint32_t) {
        char* items = p.hostSize ? hostList(r, at, 2, p.hostSize) : nullptr;
        for (uint32_t k = 0; items && k < 2; ++k) p.item->fill(items + k * p.hostSize, 0, p, k);
    },
    [](const void* out, P p, uint32_t) {
        ASSERT_EQ(raw::u32(out, 0), p.hostSize ? 2u : 0u);
        for (uint32_t k = 0; k < 2 && p.hostSize; ++k) p.item->check((char*)raw::ptr(out, 8) + k * p.outSize, p, k);
    },
    [](void* out, P p) {
        const raw::List got = raw::list(out, 0);
        for (uint32_t k = 0; got.items && k < got.count; ++k) p.item->release((char*)got.items + k * p.outSize, p);
        std::free(got.items);
    },
    zeroWord};
}  // namespace kind

// The caller's variables of a call, filled with one byte; p<T>(i) is null for an output
// not passed.
struct Outs {
    std::vector<bool> passed;
    std::unique_ptr<uint64_t[]> buffers{new uint64_t[24 * 300]};
    explicit Outs(std::vector<bool> passed, int fill = 0xAB) : passed(std::move(passed)) {
        std::memset(buffers.get(), fill, 24 * 300 * 8);
    }
    void* at(size_t i) { return buffers.get() + 300 * i; }
    template <class T>
    T* p(size_t i) {
        return passed[i] ? static_cast<T*>(at(i)) : nullptr;
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
            if (!o.passed[i]) continue;
            SCOPED_TRACE(i);
            bits |= parts[i].bit;
            if (check) parts[i].kind->check(o.at(i), parts[i], uint32_t(i));
            parts[i].kind->release(o.at(i), parts[i]);
        }
        return bits;
    }
};
// A list of a GetMultiple result, and the lists of one, 16 bytes apart from `at` in
// result order.
inline OutPart listPart(uint32_t bit, const OutKind& item, size_t hostSize, size_t outSize = 0, size_t n = 0) {
    return {0, bit, hostSize ? &kind::listOf : &kind::flat, n, false, &item, hostSize, outSize ? outSize : hostSize};
}
inline std::vector<OutPart> lists(size_t at, std::vector<OutPart> parts) {
    for (size_t i = 0; i < parts.size(); ++i) parts[i].at = at + 16 * i;
    return parts;
}

class DefinitionsTest : public HostTest {
protected:
    // A caller's list of names, for the operations that take one.
    ObjectName listedNames[2] = {"Alpha", "Beta"};
    NameList nameList{2, listedNames};

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
    // before the status list is tested, after it, or never.
    void checkGet(const GetOp& op) {
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
    }
    // A GetMultiple as a Get; counts without items: nothing is read, the converted lists
    // come back empty.
    void checkGetMultiple(const GetOp& op) {
        checkGet(op);
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
            alloc::sweep([&](const alloc::Window&) {
                StatusList s{};
                codes.insert(last = op.call(&control, &s));
                zvi::releaseStatusList(&s, 0);
            });
            EXPECT_EQ(last, 0u);
            EXPECT_EQ(codes, op.sweepCodes);
        }
    }
};

}  // namespace testing_support
