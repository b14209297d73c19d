#include "platform/crypto.h"

#include <openssl/crypto.h>

namespace zvi::crypto {

int lockCount() { return CRYPTO_num_locks(); }

void setCallbacks(ThreadIdCallback id, LockingCallback locking) {
    // On the 3.x line the library locks for itself and keeps these as no-ops.
    CRYPTO_set_id_callback(id);
    CRYPTO_set_locking_callback(locking);
    (void)id;
    (void)locking;
}

}  // namespace zvi::crypto
