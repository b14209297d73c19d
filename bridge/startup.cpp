// Start-up: the server's entry table, and the lock table the encryption library
// uses, created at load and destroyed at unload.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bridge/control.h"
#include "bridge/host_table.h"
#include "bridge/messages.h"
#include "bridge/status.h"
#include "platform/crypto.h"
#include "platform/win.h"
#include "zvi/zvi.h"

namespace zvi {
namespace {

win::Handle* lockTable = nullptr;
int lockCount = 0;
win::CRITICAL_SECTION* traceSection = nullptr;  // serialises the encryption module's trace

unsigned long threadIdCallback() { return win::GetCurrentThreadId(); }

void lockingCallback(int mode, int n, const char*, int) {
    if (mode & 1) {
        win::WaitForSingleObject(lockTable[n], win::INFINITE);
    } else {
        win::ReleaseMutex(lockTable[n]);
    }
}

void unloadLibrary() {
    win::DeleteCriticalSection(&traceSection);
    if (!lockTable) return;
    crypto::setCallbacks(nullptr, nullptr);
    for (int i = lockCount - 1; i >= 0; --i) win::CloseHandle(lockTable[i]);
    std::free(lockTable);
    lockTable = nullptr;
}

__attribute__((constructor)) void loadLibrary() {
    lockCount = crypto::lockCount();
    lockTable = static_cast<win::Handle*>(std::malloc(size_t(lockCount) * sizeof(win::Handle)));
    if (lockTable) {
        for (int i = lockCount - 1; i >= 0; --i) lockTable[i] = win::CreateMutexA(nullptr, false, nullptr);
        crypto::setCallbacks(threadIdCallback, lockingCallback);
    }
    win::InitializeCriticalSection(&traceSection);
    std::atexit(unloadLibrary);
}

}  // namespace
}  // namespace zvi

using namespace zvi;

extern "C" {

ZVI_API uint32_t ZVIInitialization(const void* hostTable, StatusList* status) {
    std::memcpy(&host.table, hostTable, sizeof host.table);
    if (host.table.u.version < ZVI_INTERFACE_VERSION) {
        char text[128];
        std::snprintf(text, sizeof text, "Version %d of the ZVIAPI interface is not supported by the server",
                      ZVI_INTERFACE_VERSION);
        return appendStatus(status, ZVI_ERROR, msg::kVersionNotSupported, text);
    }
    ensureThreadAllocator();
    return 0;
}

ZVI_API uint32_t ZVITermination(void*) { return 0; }

}  // extern "C"
