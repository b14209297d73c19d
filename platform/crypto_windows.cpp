// The encryption library's threading interface on Windows. The DLL carries no
// encryption library of its own (no module that reaches one is exported), so the
// count is that of the line the server ships (39 static locks), and the callbacks
// are kept as that line keeps them; nothing calls them.
#include "platform/crypto.h"

#include <atomic>

namespace zvi::crypto {
namespace {

std::atomic<ThreadIdCallback> idCallback{nullptr};
std::atomic<LockingCallback> lockingCallback{nullptr};

}  // namespace

int lockCount() { return 39; }

void setCallbacks(ThreadIdCallback id, LockingCallback locking) {
    idCallback.store(id);
    lockingCallback.store(locking);
}

}  // namespace zvi::crypto
