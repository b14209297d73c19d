#include "platform/win.h"

#include <arpa/inet.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace zvi::win {

struct CRITICAL_SECTION {
    std::recursive_mutex mutex;
};

void LocalFree(void* p) { std::free(p); }

Handle CreateMutexA(void*, bool initialOwner, const char*) {
    auto* m = new (std::nothrow) std::mutex;
    if (m && initialOwner) m->lock();
    return m;
}

uint32_t WaitForSingleObject(Handle h, uint32_t) {
    static_cast<std::mutex*>(h)->lock();
    return 0;
}

bool ReleaseMutex(Handle h) {
    static_cast<std::mutex*>(h)->unlock();
    return true;
}

bool CloseHandle(Handle h) {
    delete static_cast<std::mutex*>(h);
    return true;
}

uint32_t GetCurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }

void InitializeCriticalSection(CRITICAL_SECTION** section) {
    *section = new (std::nothrow) CRITICAL_SECTION;
}

// (parenthesised: the C library may define ntohl as a macro)
uint32_t(ntohl)(uint32_t networkOrder) { return ::ntohl(networkOrder); }

}  // namespace zvi::win
