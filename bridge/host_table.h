// The library's copy of the server's entry table, the constants kept beside it, and
// the operation descriptors of the slot map.
#pragma once
#include <cstring>

#include "zvi/host.h"

namespace zvi {

struct HostState {
    HostEntryTable table;        // all zero until ZVIInitialization
    StatusList emptyStatus;      // operations reset status lists from these 16 bytes
    char emptyText[8];           // default texts (empty appended text, empty name)
};
extern HostState host;

// Reads the entry point at a byte offset of the table (null when the host left it so).
template <class Fn>
Fn hostEntry(uint32_t slot) {
    Fn fn;
    std::memcpy(&fn, host.table.u.bytes + slot, sizeof fn);
    return fn;
}

enum class Op : uint16_t {
#define ZVI_OPERATION(name, slot, opcode, flags, failureText) name,
#include "zvi/operations.def"
#undef ZVI_OPERATION
};

struct Operation {
    const char* name;         // the exported name
    uint32_t slot;
    uint32_t opcode;          // ZVI_NO_HOOKS: entry called without enter/leave hooks
    uint32_t flags;           // ZVI_F_*
    const char* failureText;  // detail of 9905 when the entry fails
    bool has(uint32_t flag) const { return (flags & flag) != 0; }
};

extern const Operation kOperations[];
inline const Operation& operation(Op op) { return kOperations[static_cast<size_t>(op)]; }

}  // namespace zvi
