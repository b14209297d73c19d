// The few Windows calls the library makes, mapped onto the C library.
#pragma once
#include <cstdint>

namespace zvi::win {

using Handle = void*;

void LocalFree(void* p);
Handle CreateMutexA(void* attributes, bool initialOwner, const char* name);
uint32_t WaitForSingleObject(Handle h, uint32_t milliseconds);
bool ReleaseMutex(Handle h);
bool CloseHandle(Handle h);
uint32_t GetCurrentThreadId();

struct CRITICAL_SECTION;
void InitializeCriticalSection(CRITICAL_SECTION** section);  // null when it cannot be made
void DeleteCriticalSection(CRITICAL_SECTION** section);

uint32_t ntohl(uint32_t networkOrder);

constexpr uint32_t INFINITE = 0xFFFFFFFFu;
constexpr uint32_t WAIT_FAILED = 0xFFFFFFFFu;

}  // namespace zvi::win
