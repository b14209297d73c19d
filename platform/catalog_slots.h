// Handles of open catalogs: 32-bit indexes into a fixed table of what the system
// handed out for them, so that nothing is allocated for a handle and nothing stays
// behind when it is closed. A lookup holds its handle only from open to close, so the
// table bounds the lookups in flight at one time; an open that finds every slot taken
// waits for one to come free rather than fail.
#pragma once
#include <atomic>
#include <cstdint>
#include <thread>

namespace zvi::utl {

template <class Catalog>  // a pointer type; null marks a free slot
class CatalogSlots {
public:
    static constexpr uint32_t kSlots = 64;

    Catalog at(uint32_t handle) const {
        return handle < kSlots ? slots_[handle].load(std::memory_order_acquire) : nullptr;
    }

    uint32_t claim(Catalog catalog) {
        for (;;) {
            for (uint32_t i = 0; i < kSlots; ++i) {
                Catalog expected = nullptr;
                if (slots_[i].compare_exchange_strong(expected, catalog, std::memory_order_acq_rel)) return i;
            }
            std::this_thread::yield();
        }
    }

    // What the handle held (null for a handle not in use); the slot is free again.
    Catalog release(uint32_t handle) {
        return handle < kSlots ? slots_[handle].exchange(nullptr, std::memory_order_acq_rel) : nullptr;
    }

private:
    std::atomic<Catalog> slots_[kSlots] = {};
};

}  // namespace zvi::utl
