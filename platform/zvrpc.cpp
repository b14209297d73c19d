#include "platform/zvrpc.h"

#include <pthread.h>

#include <cstdlib>

namespace zvi::rpc {
namespace {

// The context belongs to its thread and is freed when the thread ends. A thread key
// keeps it: creating the key and storing a value allocate nothing, so the first call
// of a thread cannot fail in the runtime itself.
pthread_key_t contextKey;
bool haveKey = false;
pthread_once_t keyOnce = PTHREAD_ONCE_INIT;

void releaseContext(void* context) { std::free(context); }
void createKey() { haveKey = pthread_key_create(&contextKey, releaseContext) == 0; }

bool keyReady() {
    pthread_once(&keyOnce, createKey);
    return haveKey;
}

}  // namespace

ThreadAllocContext* getThreadContext() {
    return keyReady() ? static_cast<ThreadAllocContext*>(pthread_getspecific(contextKey)) : nullptr;
}

ThreadAllocContext* createContext(ThreadAllocContext* parent, AllocateRoutine allocate,
                                  ReleaseRoutine release, uintptr_t, uintptr_t, uintptr_t,
                                  uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
    auto* context = static_cast<ThreadAllocContext*>(std::malloc(sizeof(ThreadAllocContext)));
    if (context) *context = ThreadAllocContext{parent, allocate, release};
    return context;
}

// A context that cannot be kept is freed; the thread's next call tries again.
void installContext(ThreadAllocContext* context) {
    if (!keyReady()) {
        std::free(context);
        return;
    }
    void* previous = pthread_getspecific(contextKey);
    if (pthread_setspecific(contextKey, context) != 0) {
        std::free(context);
        return;
    }
    if (previous != context) std::free(previous);
}

}  // namespace zvi::rpc
