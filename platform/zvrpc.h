// Stand-in for the remote-call runtime: the per-thread allocation context through
// which the host allocates results, and release of a record through its codec.
#pragma once
#include <cstdint>

namespace zvi::rpc {

using AllocateRoutine = void* (*)(uint32_t size, void* ignored);
using ReleaseRoutine = void (*)(void* block, void* ignored);

struct ThreadAllocContext {
    ThreadAllocContext* parent;
    AllocateRoutine allocate;
    ReleaseRoutine release;
};

ThreadAllocContext* getThreadContext();
ThreadAllocContext* createContext(ThreadAllocContext* parent, AllocateRoutine allocate,
                                  ReleaseRoutine release, uintptr_t, uintptr_t, uintptr_t,
                                  uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t);
void installContext(ThreadAllocContext* context);

}  // namespace zvi::rpc

namespace zvi::rpc {

// A record codec routine: (stream, record) -> non-zero on success.
using Codec = int (*)(void* stream, void* record);
// Releases everything reachable from record through its codec; the record's own
// block is left alone.
void freeThroughCodec(ThreadAllocContext* context, Codec codec, void* record);

}  // namespace zvi::rpc
