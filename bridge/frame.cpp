#include "bridge/frame.h"

#include <cstdio>
#include <cstdlib>

#include "bridge/messages.h"

namespace zvi {
namespace {

constexpr char kRefusalSuffix[] = " - Cache Changing call from a Non-Admin thread";

// The name a refusal message gives: the failure text, except for the overlay
// operations, which are named without their "I".
const char* refusalName(const Operation& op) {
    if (op.slot == operation(Op::CreateOverlay).slot) return "ZVCreateOverlay";
    if (op.slot == operation(Op::CreateOverlayFromObject).slot) return "ZVCreateOverlayFromObject";
    return op.failureText ? op.failureText : op.name;
}

}  // namespace

uint32_t callHost(const Operation& op, void* request, void* result) {
    const bool hooks = op.opcode != ZVI_NO_HOOKS;
    if (hooks)
        if (auto enter = hostEntry<EnterHook>(ZVI_SLOT_ENTER_HOOK)) enter(1, op.opcode);
    uint32_t ok = 0;
    if (op.has(ZVI_F_TWO_ARGS)) {
        if (auto routine = hostEntry<ServiceRoutine2>(op.slot)) ok = routine(request, result);
    } else {
        if (auto routine = hostEntry<ServiceRoutine>(op.slot)) ok = routine(request, result, 0);
    }
    if (hooks)
        if (auto leave = hostEntry<LeaveHook>(ZVI_SLOT_LEAVE_HOOK)) leave(1);
    return ok;
}

Frame::Frame(Op op, ControlRecord* control, StatusList* status, void* request, size_t requestSize,
             void* result, size_t resultSize, StatusList* resultStatus)
    : op_(operation(op)),
      control_(control),
      status_(status),
      request_(request),
      requestSize_(requestSize),
      result_(result),
      resultSize_(resultSize),
      resultStatus_(resultStatus) {}

bool Frame::begin() {
    if (!status_) {
        code_ = ZVI_NO_STATUS;
        return false;
    }
    if (!op_.has(ZVI_F_KEEP_STATUS)) *status_ = host.emptyStatus;
    if (!op_.has(ZVI_F_NO_ALLOC_CONTEXT)) ensureThreadAllocator();
    std::memset(request_, 0, requestSize_);
    std::memset(result_, 0, resultSize_);
    return true;
}

void Frame::convert() {
    if (!op_.has(ZVI_F_NO_CONTROL)) convertControlRecord(static_cast<RequestControl*>(request_), control_);
}

void Frame::track(void* copy, void (*release)(void*)) {
    if (copies_ == kMaxCopies) std::abort();  // an operation tracks a fixed, small number
    tracked_[copies_++] = {copy, release};
}

void Frame::releaseCopies(bool hostCalled) {
    while (copies_ > 0) {
        const Copy& c = tracked_[--copies_];
        if (c.release) c.release(c.object);
        else if (!hostCalled) std::free(c.object);
    }
}

Frame::Outcome Frame::serve() {
    if (op_.has(ZVI_F_ADMIN)) {
        auto check = hostEntry<AdminThreadCheck>(ZVI_SLOT_ADMIN_THREAD_CHECK);
        if (check && check(op_.opcode) == 0) {
            releaseCopies();
            char text[128];
            std::snprintf(text, sizeof text, "%s%s", refusalName(op_), kRefusalSuffix);
            error(msg::kHostCallFailed, text);
            return Outcome::Refused;
        }
    }
    const uint32_t ok = callHost(op_, request_, result_);
    releaseCopies(true);
    return ok ? Outcome::Done : Outcome::Failed;
}

bool Frame::call() {
    switch (serve()) {
        case Outcome::Refused: return false;
        case Outcome::Failed: failed(); return false;
        case Outcome::Done: break;
    }
    return true;
}

uint32_t Frame::failed() {
    if (op_.has(ZVI_F_HOST_MESSAGES)) {
        mergeResult();
    } else {
        releaseStatusList(resultStatus_, 0);  // not handed over: the library frees it
    }
    return error(msg::kHostCallFailed, op_.failureText);
}

void Frame::writeBack() {
    if (control_ && !op_.has(ZVI_F_NO_CONTROL | ZVI_F_NO_WRITE_BACK)) {
        const auto* head = static_cast<const ResultControl*>(result_);
        control_->contextWord0 = head->contextWord0;
        if (!op_.has(ZVI_F_FIRST_WORD_BACK)) control_->contextWord1 = head->contextWord1;
    }
}

uint32_t Frame::error(uint32_t number, const char* detail) {
    code_ = appendStatus(status_, ZVI_ERROR, number, detail);
    return code_;
}

}  // namespace zvi
