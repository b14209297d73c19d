// Allocation-failure injector. Test programs are linked with --wrap for the heap
// routines, so every malloc/calloc/realloc/strdup/free of the library and the tests
// passes through here. Inside a Window (per thread) allocations are counted, their
// sizes recorded, live blocks tracked, and the k-th allocation can be made to fail.
#pragma once
#include <cstddef>
#include <functional>
#include <unordered_map>
#include <vector>

namespace alloc {

// Which allocations take a failure index. With All, allocations made while Paused (the
// host's side of a call) take an index without ever failing, so a run whose index falls
// on one fails nothing and ends a sweep there; with LibraryOnly the k-th allocation
// outside Paused fails, and a sweep reaches the paths after the host's allocations.
enum class Indexing { All, LibraryOnly };

class Window {
public:
    // 0: no failure; k: the k-th allocation fails
    explicit Window(size_t failAt = 0, Indexing indexing = Indexing::All);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    size_t allocations() const { return count_; }
    bool failed() const { return failed_; }
    size_t liveBlocks() const { return live_.size(); }
    const std::vector<size_t>& sizes() const { return sizes_; }

    // Hooks of the wrapped heap routines.
    bool shouldFail(size_t size);
    void added(void* p, size_t size);
    bool removed(void* p);

private:
    friend struct Paused;
    Window* previous_;
    size_t failAt_;
    size_t count_ = 0;
    Indexing indexing_;
    size_t indexed_ = 0;
    bool failed_ = false;
    int paused_ = 0;
    std::vector<size_t> sizes_;
    std::unordered_map<void*, size_t> live_;
};

// Allocations in scope are tracked but never failed (the host's side of a call).
struct Paused {
    Paused();
    ~Paused();
};

// Runs body with the 1st, 2nd, ... allocation failing until a run needs no failure.
// After each run no block allocated inside the window may be left. Returns the number
// of allocations of the run that completed without failure.
size_t sweep(const std::function<void(const Window&)>& body, Indexing indexing = Indexing::All);

}  // namespace alloc
