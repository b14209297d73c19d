// The encryption library's threading interface, as the library registers it at load.
#pragma once
#include <cstdint>

namespace zvi::crypto {

using ThreadIdCallback = unsigned long (*)();
using LockingCallback = void (*)(int mode, int lock, const char* file, int line);

int lockCount();
void setCallbacks(ThreadIdCallback id, LockingCallback locking);  // nulls clear them

}  // namespace zvi::crypto
