// Copy and release of trees (qualifiers, multi-form queries) without recursion.
//
// A walk keeps its pending work in memory that it owns anyway, so it needs no stack of
// its own whatever the depth of the tree, and cannot fail for want of one:
// - a copy queues a node in the destination block allocated for it, which the walk
//   fills later, at the moment a recursive copy would have filled it (the same
//   allocations happen in the same order);
// - a release keeps the children it cannot visit at once in the block of their parent,
//   which is freed when the last of them has been taken up.
// A cell is 24 bytes; every node that queues work holds at least one cell.
#pragma once
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "types/types.h"

namespace zvi::walk {

struct Cell {
    Cell* next;
    const void* node;
    uint32_t kind;   // kOwned: the memory of the cell is a block to free when it is taken
    uint32_t extra;  // kind-specific (the item count of an array)
};
static_assert(sizeof(Cell) == 24);
constexpr size_t kCellSize = sizeof(Cell);
constexpr uint32_t kOwned = 0x80000000u;

// Last in, first out; cells are moved with memcpy because they live in memory that
// otherwise holds the records of the interface.
class Stack {
public:
    void push(void* where, uint32_t kind, const void* node, uint32_t extra = 0) {
        const Cell cell{top_, node, kind, extra};
        std::memcpy(where, &cell, sizeof cell);
        top_ = static_cast<Cell*>(where);
    }
    bool pop(Cell& cell, void*& where) {
        if (!top_) return false;
        where = top_;
        std::memcpy(&cell, top_, sizeof cell);
        top_ = cell.next;
        return true;
    }

private:
    Cell* top_ = nullptr;
};

// The nodes that a node being released points to.
struct Children {
    static constexpr int kMax = 4;
    uint32_t kind[kMax];
    void* node[kMax];
    uint32_t extra[kMax];
    int count = 0;

    void add(uint32_t k, void* n, uint32_t e = 0) {
        if (!n) return;
        kind[count] = k;
        node[count] = n;
        extra[count] = e;
        ++count;
    }
};

// Copies source into destination and everything below it. Walker provides
//   bool step(kind, destination, source, Stack&): fills one node, queues the nodes below;
//       false when the heap is exhausted, leaving the node releasable;
//   void* destination(kind, cell): where the node of a queued cell starts;
//   void abandon(kind, destination): makes a node that was queued and never filled
//       releasable (it holds nothing).
// After a failure every node is releasable, the abandoned ones included.
template <class Walker>
bool copyTree(Walker& w, uint32_t kind, void* destination, const void* source) {
    Stack pending;
    bool ok = w.step(kind, destination, source, pending);
    Cell cell;
    void* where;
    while (ok && pending.pop(cell, where)) ok = w.step(cell.kind, w.destination(cell.kind, where), cell.node, pending);
    if (!ok)
        while (pending.pop(cell, where)) w.abandon(cell.kind, w.destination(cell.kind, where));
    return ok;
}

// Frees node and everything below it. Walker provides
//   bool take(kind, node, extra, Children&, Stack&): frees what node holds inline,
//       hands over the nodes it points to (up to 1 + its size / 24), and says whether
//       node is a heap block of its own (false for a record held inside an array,
//       which the array's own cells take care of).
template <class Walker>
void releaseTree(Walker& w, uint32_t kind, void* node, uint32_t extra = 0) {
    Stack stack;
    for (;;) {
        if (node) {
            Children c;
            const bool block = w.take(kind, node, extra, c, stack);
            // The first child is visited at once; the others wait in cells inside node,
            // the one at its start (pushed first, taken last) freeing the block.
            auto* at = static_cast<char*>(node);
            for (int i = c.count - 1; i >= 1; --i, at += kCellSize)
                stack.push(at, c.kind[i] | (block && i == c.count - 1 ? kOwned : 0), c.node[i], c.extra[i]);
            if (block && c.count <= 1) std::free(node);
            if (c.count) {
                kind = c.kind[0];
                node = c.node[0];
                extra = c.extra[0];
                continue;
            }
        }
        Cell cell;
        void* where;
        if (!stack.pop(cell, where)) return;
        if (cell.kind & kOwned) std::free(where);
        kind = cell.kind & ~kOwned;
        node = const_cast<void*>(cell.node);
        extra = cell.extra;
    }
}

// Takes up an array whose items each point to at most one node: takeItem(item,
// Children&) frees what an item holds inline and hands over its node, which then waits
// in a cell written over the item. The cell over the first item, taken last, frees the
// array. For a Walker's take of an array; the array is not a block of its own there.
template <class Item, class TakeItem>
void takeArray(Item* items, uint32_t count, Stack& stack, TakeItem takeItem) {
    static_assert(sizeof(Item) >= kCellSize);
    if (!items) return;
    if (count == 0) return std::free(items);
    for (uint32_t i = 0; i < count; ++i) {
        Children c;
        takeItem(items[i], c);
        assert(c.count <= 1);
        const Cell below = c.count ? Cell{nullptr, c.node[0], c.kind[0], c.extra[0]} : Cell{nullptr, nullptr, 0, 0};
        if (i == 0) {
            stack.push(items, kOwned | below.kind, below.node, below.extra);
        } else if (below.node) {
            stack.push(&items[i], below.kind, below.node, below.extra);
        }
    }
}

// Releases what a record kept by its holder holds; its pointer members end null.
template <class Walker>
void releaseContents(Walker& w, uint32_t kind, void* node) {
    Children c;
    Stack unused;  // the root of a release queues nothing of its own
    w.take(kind, node, 0, c, unused);
    for (int i = 0; i < c.count; ++i) releaseTree(w, c.kind[i], c.node[i], c.extra[i]);
}

// Release<Type>: frees the record with everything below it, or releases its contents
// and, when asked, zeroes it.
template <class ReleaseWalker, class T>
void release(uint32_t kind, T* record, uint8_t freeHolder, bool zeroKept) {
    if (!record) return;
    ReleaseWalker w;
    if (freeHolder) return releaseTree(w, kind, record);
    releaseContents(w, kind, record);
    if (zeroKept) std::memset(static_cast<void*>(record), 0, sizeof(T));
}

// Copy<Type>: a null source gives a zeroed destination and 0. On failure everything
// allocated is freed (a clean-up release of the partial copy) and the root keeps its
// bytes with null pointer members, or is zeroed when asked; the status is 300.
template <class CopyWalker, class ReleaseWalker, class T>
uint32_t copy(uint32_t kind, T* destination, const T* source, bool zeroOnFailure) {
    if (!destination) return 0;
    if (!source) {
        std::memset(static_cast<void*>(destination), 0, sizeof(T));
        return 0;
    }
    CopyWalker w;
    if (copyTree(w, kind, destination, source)) return 0;
    ReleaseWalker cleanup{true};
    releaseContents(cleanup, kind, destination);
    if (zeroOnFailure) std::memset(static_cast<void*>(destination), 0, sizeof(T));
    return kCopyNoMemory;
}

}  // namespace zvi::walk
