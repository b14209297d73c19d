// Transactions: bulk transactions, and client-managed transactions whose handle the
// caller carries as a property of its control record.
#include <cstdlib>
#include <cstring>

#include "bridge/frame.h"
#include "bridge/messages.h"
#include "bridge/record_codecs.h"
#include "zvi/zvi.h"

using namespace zvi;

namespace {

// The three bulk operations differ only in their host entry.
template <Op op>
uint32_t bulkTransaction(ControlRecord* control, StatusList* status) {
    Call<TransactionRequest, StatusResult> f(op, control, status);
    if (!f.open()) return f.code();
    return f.complete();
}

// Empties the text of the first handle property; the text stays the caller's. A first
// handle property that does not hold a text is left alone.
void emptyHandleProperty(ControlRecord* control) {
    if (!control) return;
    const PropList& props = control->pairList;
    for (uint32_t i = 0; props.items && i < props.numItems; ++i) {
        Prop& prop = props.items[i];
        if (prop.propId != ZVI_PROP_TRANSACTION_HANDLE) continue;
        if (prop.value.dataType == ZVI_DATA_TEXT && prop.value.payload.text) prop.value.payload.text[0] = '\0';
        return;
    }
}

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIBulkTranBegin(ControlRecord* control, StatusList* status) {
    return bulkTransaction<Op::BulkTranBegin>(control, status);
}

ZVI_API uint32_t ZVIBulkTranCommit(ControlRecord* control, StatusList* status) {
    return bulkTransaction<Op::BulkTranCommit>(control, status);
}

ZVI_API uint32_t ZVIBulkTranRollback(ControlRecord* control, StatusList* status) {
    return bulkTransaction<Op::BulkTranRollback>(control, status);
}

// The host's result is released as a whole through its codec on every path after the
// call; a missing handle pointer drops the handle with it.
ZVI_API uint32_t ZVIBeginClientManagedTransaction(ControlRecord* control, char** handle, StatusList* status) {
    Call<TransactionRequest, ClientTransactionResult> f(Op::BeginClientManagedTransaction, control, status);
    if (!f.open()) return f.code();
    struct Release {
        ClientTransactionResult* result;
        ~Release() { releaseThroughCodec(codeClientTransactionResult, result); }
    } release{&f.res};
    if (f.serve() != Frame::Outcome::Done) return f.failed();
    const uint32_t length = f.res.handleLength;
    if (length && handle) {
        *handle = static_cast<char*>(std::malloc(size_t{length} + 1));
        if (!*handle) return f.error(msg::kNoMemory, operation(Op::BeginClientManagedTransaction).failureText);
        std::memcpy(*handle, f.res.handleBytes, length);
        (*handle)[length] = '\0';
    }
    f.succeeded();
    return firstMessageType(status);
}

ZVI_API uint32_t ZVIEndClientManagedTransaction(ControlRecord* control, uint32_t endAction, StatusList* status) {
    Call<EndTransactionRequest, EndTransactionResult> f(Op::EndClientManagedTransaction, control, status);
    if (!f.open()) return f.code();
    f.req.endAction = endAction;
    return f.complete([&] { emptyHandleProperty(control); });
}

}  // extern "C"
