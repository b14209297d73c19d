#include "platform/zvrpc.h"

#include <memory>
#include <new>

namespace zvi::rpc {
namespace {
// The context belongs to its thread and goes with it.
thread_local std::unique_ptr<ThreadAllocContext> threadContext;
}  // namespace

ThreadAllocContext* getThreadContext() { return threadContext.get(); }

ThreadAllocContext* createContext(ThreadAllocContext* parent, AllocateRoutine allocate,
                                  ReleaseRoutine release, uintptr_t, uintptr_t, uintptr_t,
                                  uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
    return new (std::nothrow) ThreadAllocContext{parent, allocate, release};
}

void installContext(ThreadAllocContext* context) { threadContext.reset(context); }

}  // namespace zvi::rpc

#include <rpc/xdr.h>

namespace zvi::rpc {

void freeThroughCodec(ThreadAllocContext*, Codec codec, void* record) {
    xdr_free(reinterpret_cast<xdrproc_t>(codec), static_cast<char*>(record));
}

}  // namespace zvi::rpc
