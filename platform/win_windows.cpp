// The few Windows calls the library makes: the system's own.
#include "platform/win.h"

#define WIN32_LEAN_AND_MEAN

#include <winsock2.h>
#include <windows.h>

#include <cstdlib>

namespace zvi::win {

// A critical section lives in a heap block of its own, as on Linux.
struct CRITICAL_SECTION {
    ::CRITICAL_SECTION section;
};

void LocalFree(void* p) { ::LocalFree(p); }

Handle CreateMutexA(void* attributes, bool initialOwner, const char* name) {
    return ::CreateMutexA(static_cast<SECURITY_ATTRIBUTES*>(attributes), initialOwner, name);
}

uint32_t WaitForSingleObject(Handle h, uint32_t milliseconds) { return ::WaitForSingleObject(h, milliseconds); }

bool ReleaseMutex(Handle h) { return ::ReleaseMutex(h) != 0; }

bool CloseHandle(Handle h) { return h && ::CloseHandle(h) != 0; }

uint32_t GetCurrentThreadId() { return ::GetCurrentThreadId(); }

void InitializeCriticalSection(CRITICAL_SECTION** section) {
    auto* s = static_cast<CRITICAL_SECTION*>(std::malloc(sizeof(CRITICAL_SECTION)));
    if (s) ::InitializeCriticalSection(&s->section);  // cannot fail since Windows Vista
    *section = s;
}

void DeleteCriticalSection(CRITICAL_SECTION** section) {
    if (!*section) return;
    ::DeleteCriticalSection(&(*section)->section);
    std::free(*section);
    *section = nullptr;
}

// (parenthesised, as on Linux: a header may define ntohl as a macro)
uint32_t(ntohl)(uint32_t networkOrder) { return (::ntohl)(networkOrder); }

}  // namespace zvi::win
