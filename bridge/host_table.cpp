#include "bridge/host_table.h"

namespace zvi {

HostState host{};

const Operation kOperations[] = {
#define ZVI_OPERATION(name, slot, opcode, flags, failureText) {"ZVI" #name, slot, opcode, flags, failureText},
#include "zvi/operations.def"
#undef ZVI_OPERATION
};

}  // namespace zvi
