#include "platform/win.h"

#include <arpa/inet.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

// Mutexes are the C library's: they live in heap blocks of their own and nothing in
// them can throw.
namespace zvi::win {

struct CRITICAL_SECTION {
    pthread_mutex_t mutex;
};

void LocalFree(void* p) { std::free(p); }

Handle CreateMutexA(void*, bool initialOwner, const char*) {
    auto* m = static_cast<pthread_mutex_t*>(std::malloc(sizeof(pthread_mutex_t)));
    if (!m) return nullptr;
    if (pthread_mutex_init(m, nullptr) != 0) {
        std::free(m);
        return nullptr;
    }
    if (initialOwner) pthread_mutex_lock(m);
    return m;
}

uint32_t WaitForSingleObject(Handle h, uint32_t) {
    return h && pthread_mutex_lock(static_cast<pthread_mutex_t*>(h)) == 0 ? 0 : WAIT_FAILED;
}

bool ReleaseMutex(Handle h) { return h && pthread_mutex_unlock(static_cast<pthread_mutex_t*>(h)) == 0; }

bool CloseHandle(Handle h) {
    if (!h) return false;
    pthread_mutex_destroy(static_cast<pthread_mutex_t*>(h));
    std::free(h);
    return true;
}

uint32_t GetCurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }

void InitializeCriticalSection(CRITICAL_SECTION** section) {
    auto* s = static_cast<CRITICAL_SECTION*>(std::malloc(sizeof(CRITICAL_SECTION)));
    if (s) {
        pthread_mutexattr_t recursive;
        pthread_mutexattr_init(&recursive);
        pthread_mutexattr_settype(&recursive, PTHREAD_MUTEX_RECURSIVE);
        if (pthread_mutex_init(&s->mutex, &recursive) != 0) {
            std::free(s);
            s = nullptr;
        }
        pthread_mutexattr_destroy(&recursive);
    }
    *section = s;
}

void DeleteCriticalSection(CRITICAL_SECTION** section) {
    if (!*section) return;
    pthread_mutex_destroy(&(*section)->mutex);
    std::free(*section);
    *section = nullptr;
}

// (parenthesised: the C library may define ntohl as a macro)
uint32_t(ntohl)(uint32_t networkOrder) { return ::ntohl(networkOrder); }

}  // namespace zvi::win
