// Helpers of the definition-operation tests: each family's operations as table rows,
// the checks every row goes through (frame variant, admin refusal, failure texts, the
// allocation-failure sweep), and host results laid out as raw bytes.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/calls.h"
#include "tests/support/raw.h"

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
