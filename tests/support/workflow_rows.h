// Helpers of the workflow-object, character-menu and container tests: the operations
// every one of these kinds has alike (Delete, GetMultiple) as rows, and a GetMultiple's
// parallel result lists described by one letter each.
#pragma once
#include <cstring>
#include <string>

#include "tests/support/definitions.h"

namespace testing_support {

namespace kinds_at {  // typed in from the record tables: Delete and GetMultiple of every kind
constexpr size_t name = 168, deleteOption = 176, deleteReserved = 180, deleteEnd = 200;
constexpr size_t names = 168, wantedMask = 184, sinceTime = 188, lists = 168;
}  // namespace kinds_at

// The status list in words: "type:number" per message.
inline std::string said(const StatusList& s) {
    std::string out;
    for (const Message& m : messages(s))
        out += (out.empty() ? "" : " ") + std::to_string(m.type) + ":" + std::to_string(m.number);
    return out;
}

// A GetMultiple's result lists, 16 bytes apart from 168, one letter each in result
// order: F flat items, N lists of one item each, T counted texts handed over as a
// TextList (emptied at entry by its count), H the same emptied whole, * the kind's own
// items (fill, release), A an output emptied at entry and never answered, D no output,
// S the status list. The host answers two items in each list.
struct MultipleShape {
    const char* kinds;
    std::vector<size_t> sizes;  // item size (F, *, A) or the nested item's size (N, D)
    void (*fill)(char* item) = nullptr;
    void (*release)(void* item) = nullptr;
    bool output(size_t i) const { return !std::strchr("SD", kinds[i]); }
    size_t itemSize(size_t i) const { return std::strchr("NDTH", kinds[i]) ? 16 : sizes[i]; }
};

// A GetMultiple's outputs in result order; an output not wanted is passed as null.
struct ListsOut {
    raw::List l[24];
    uint64_t wanted = ~uint64_t{0};
    explicit ListsOut(int fill = 0) { std::memset(static_cast<void*>(l), fill, sizeof l); }
    struct Out {
        raw::List* list;
        template <class T>
        operator T*() const { return reinterpret_cast<T*>(list); }
    };
    Out operator[](size_t i) { return {wanted >> i & 1 ? &l[i] : nullptr}; }

    uint32_t release(const MultipleShape& m, uint32_t rc) {
        for (size_t i = 0; m.kinds[i]; ++i) {
            const char kind = m.kinds[i];
            if (!m.output(i) || !(wanted >> i & 1) || !l[i].items) continue;
            for (uint32_t k = 0; k < l[i].count; ++k) {
                char* item = static_cast<char*>(l[i].items) + (kind == 'N' ? 16 : kind == '*' ? m.sizes[i] : 8) * k;
                if (kind == 'N') std::free(raw::ptr(item, 8));
                if (kind == 'T' || kind == 'H') std::free(raw::ptr(item, 0));
                if (kind == '*') m.release(item);
            }
            std::free(l[i].items);
        }
        return rc;
    }
};

inline void answerLists(void* r, const MultipleShape& m) {
    for (size_t i = 0; m.kinds[i]; ++i) {
        if (m.kinds[i] == 'S') continue;
        char* items = hostList(r, kinds_at::lists + 16 * i, 2, m.itemSize(i));
        for (size_t k = 0; k < 2; ++k) {
            char* item = items + m.itemSize(i) * k;
            if (std::strchr("ND", m.kinds[i])) hostList(item, 0, 1, m.sizes[i]);
            if (std::strchr("TH", m.kinds[i])) hostText(item, 0, k ? "second" : "first");
            if (m.kinds[i] == '*') m.fill(item);
        }
    }
}

struct MultipleRow {
    const char* name;  // also the failure text
    uint32_t slot, opcode;
    MultipleShape shape;
    std::function<uint32_t(ListsOut&, ControlRecord*, StatusList*, NameList*)> call;  // asks since 77
    std::function<void(const void* request)> request = [](const void*) {};           // the kind's own words
};

class WorkflowRowsTest : public DefinitionsTest {
protected:
    // A Delete of any kind: the caller's name, its option, zeros after it.
    static DefinitionOp deleteOp(const char* text, uint32_t slot, uint32_t opcode,
                                 uint32_t (*remove)(ControlRecord*, char*, uint32_t, StatusList*), char* name) {
        auto answer = [name](void* q, void*) {
            EXPECT_EQ(raw::text(q, kinds_at::name), name);
            EXPECT_EQ(raw::u32(q, kinds_at::deleteOption), 3u);
            EXPECT_TRUE(raw::zero(q, kinds_at::deleteReserved, kinds_at::deleteEnd));
        };
        return {text, slot, opcode, true, text, 168, answer,
                [remove, name](ControlRecord* c, StatusList* s) { return remove(c, name, 3, s); }, {0}};
    }

    DefinitionOp op(const MultipleRow& row) {
        const size_t statusAt = kinds_at::lists + 16 * (std::strchr(row.shape.kinds, 'S') - row.shape.kinds);
        auto answer = [this, row](void* q, void* r) {
            EXPECT_EQ(raw::list(q, kinds_at::names).count, 2u);
            EXPECT_NE(raw::list(q, kinds_at::names).items, listedNames);
            EXPECT_EQ(raw::u32(q, kinds_at::sinceTime), 77u);
            row.request(q);
            answerLists(r, row.shape);
        };
        return {row.name, row.slot, row.opcode, false, row.name, uint32_t(statusAt), answer,
                [this, row](ControlRecord* c, StatusList* s) {
                    ListsOut o;
                    return o.release(row.shape, row.call(o, c, s, &nameList));
                },
                {0, 2, 300}};
    }

    // Each output alone (its bit the next of 1, 2, 4, ... in result order; everything
    // else released), all of them, a host whose counts come without items (never
    // read), and no status list (every output emptied at entry, the T lists by count).
    void checkMultiple(const MultipleRow& row, const std::function<void(ListsOut&)>& inspect = {}) {
        const MultipleShape& m = row.shape;
        uint32_t mask = 0, bit = 1;
        host.on(row.slot, [&](void* q, void* r) {
            mask = raw::u32(q, kinds_at::wantedMask);
            return answerLists(r, m), 1u;
        });
        for (size_t i = 0; m.kinds[i]; ++i) {
            if (!m.output(i)) continue;
            const bool answered = m.kinds[i] != 'A';
            ListsOut o;
            o.wanted = uint64_t{1} << i;
            alloc::Window window;
            EXPECT_EQ(row.call(o, &control, &status, nullptr), 0u) << i;
            EXPECT_EQ(mask, answered ? bit : 0u) << i;
            EXPECT_EQ(o.l[i].count, answered ? 2u : 0u) << i;
            o.release(m, 0);
            EXPECT_EQ(window.liveBlocks(), 0u) << i;
            if (answered) bit <<= 1;
        }
        ListsOut o;
        EXPECT_EQ(row.call(o, &control, &status, &nameList), 0u);
        EXPECT_EQ(mask, bit - 1);
        for (size_t i = 0; m.kinds[i]; ++i)
            if (m.output(i) && std::strchr("TH", m.kinds[i])) {
                EXPECT_STREQ(static_cast<char**>(o.l[i].items)[1], "second") << i;
            }
        if (inspect) inspect(o);
        o.release(m, 0);

        host.on(row.slot, [&](void*, void* r) {
            for (size_t i = 0; m.kinds[i]; ++i)
                if (m.kinds[i] != 'S') raw::putList(r, kinds_at::lists + 16 * i, 3, nullptr);
            return 1u;
        });
        ListsOut lying;
        EXPECT_EQ(lying.release(m, row.call(lying, &control, &status, nullptr)), 0u);
        ListsOut stale(0xAB);
        EXPECT_EQ(row.call(stale, &control, nullptr, nullptr), 4u);
        for (size_t i = 0; m.kinds[i]; ++i)
            if (m.output(i)) {
                EXPECT_EQ(lying.l[i].count, 0u) << i;
                EXPECT_EQ(stale.l[i].count + (stale.l[i].items != nullptr), m.kinds[i] == 'T' ? 1u : 0u) << i;
            }
    }
};

}  // namespace testing_support
