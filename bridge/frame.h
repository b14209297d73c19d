// The call frame every operation runs: status test and reset, the thread's
// allocation context, cleared records, control conversion, argument copies released
// on every path, admin check, hooks around the host entry, and the hand-back of
// messages, context words and outputs. An operation holds only its own checks,
// fields and outputs; the variant it follows is data of the slot map.
#pragma once
#include <cstdint>
#include <cstring>

#include "bridge/control.h"
#include "bridge/host_table.h"
#include "bridge/status.h"

namespace zvi {

// Calls an operation's host entry with its hooks; returns the entry's result (0 when
// the host left the entry empty).
uint32_t callHost(const Operation& op, void* request, void* result);

class Frame {
public:
    static constexpr int kMaxCopies = 16;

    Frame(Op op, ControlRecord* control, StatusList* status, void* request, size_t requestSize,
          void* result, size_t resultSize, StatusList* resultStatus);
    ~Frame() { releaseCopies(); }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    // Status test (4 when null), reset unless the caller's list is kept, allocation
    // context, cleared records, control conversion. False: return code() at once.
    bool open() {
        if (!begin()) return false;
        convert();
        return true;
    }
    // The same in two steps, for operations that check arguments in between.
    bool begin();    // up to the cleared records
    void convert();  // the control conversion (nothing without a control record)

    // Deep-copies an argument into the request; the copy is released after the host
    // call or on any early return. False (code() holds the copy's status) on failure.
    template <auto copyFn, auto releaseFn, class T, class S>
    bool copy(T& destination, S* source) {
        hold<releaseFn>(destination);
        code_ = copyFn(&destination, source);
        return code_ == 0;
    }
    // The same for an argument whose copy status is not examined: when the heap is
    // exhausted the request carries it empty.
    template <auto copyFn, auto releaseFn, class T, class S>
    void copyUnchecked(T& destination, S* source) {
        hold<releaseFn>(destination);
        copyFn(&destination, source);
    }
    // A structure the operation builds in the request (an array of its own): released
    // with releaseFn(&built, 0) like a copy.
    template <auto releaseFn, class T>
    void hold(T& built) {
        track(&built, [](void* p) { releaseFn(static_cast<T*>(p), 0); });
    }
    // Releases a copy at this point: it is dropped when the copy is unusable.
    void track(void* copy, void (*release)(void*));
    // A heap block the request hands to the host, which owns it once it is called:
    // the frame frees it only when the call ends before the host is reached.
    void handOff(void* block) { track(block, nullptr); }

    enum class Outcome { Refused, Failed, Done };
    // Admin check, hooks and host entry, then the release of the copies.
    Outcome serve();

    // The standard ending: on failure the host's messages (when the variant keeps
    // them) and 9905; on success the merge, the context words and deliver().
    template <class Deliver>
    uint32_t complete(Deliver deliver) {
        if (!call()) return code_;
        succeeded();
        deliver();
        return firstMessageType(status_);
    }
    uint32_t complete() {
        return complete([] {});
    }

    // serve() with the failure ending: true when the host carried the call out,
    // otherwise code() holds the call's result.
    bool call();
    uint32_t failed();      // host messages when kept, then 9905 with the failure text
    void succeeded() {      // merge the host's messages, write the context words back
        mergeResult();
        writeBack();
    }
    void writeBack();       // the host's context words into the caller's control record
    void mergeResult() { mergeStatus(resultStatus_, status_, status_); }
    // Appends an error with the given detail and makes it the call's result.
    uint32_t error(uint32_t number, const char* detail);
    // Ends the call with a code of its own and no message (a request that cannot be
    // built, as a failed copy does); returns false.
    bool fail(uint32_t code) {
        code_ = code;
        return false;
    }
    uint32_t code() const { return code_; }
    StatusList* status() const { return status_; }

private:
    void releaseCopies(bool hostCalled = false);

    const Operation& op_;
    ControlRecord* control_;
    StatusList* status_;
    void* request_;
    size_t requestSize_;
    void* result_;
    size_t resultSize_;
    StatusList* resultStatus_;
    uint32_t code_ = 0;
    int copies_ = 0;
    struct Copy {
        void* object;
        void (*release)(void*);  // null: a block handed off to the host
    } tracked_[kMaxCopies];
};

// A frame with its request and result records on the operation's stack.
template <class Request, class Result>
struct Call : Frame {
    Request req;
    Result res;
    Call(Op op, ControlRecord* control, StatusList* status)
        : Frame(op, control, status, &req, sizeof req, &res, sizeof res, &res.status) {}
};

// Moves a host list (count and pointer) into the caller's output and leaves the
// result empty.
template <class List>
void moveList(List* out, List& from) {
    if (!out) return;
    *out = from;
    from = List{};
}

// Moves a host result into the caller's output, or releases it (keeping its holder in
// the result record) when the caller did not ask for it.
template <auto releaseFn, class T>
void handOver(T* out, T& from) {
    if (out) moveList(out, from);
    else releaseFn(&from, 0);
}

}  // namespace zvi
