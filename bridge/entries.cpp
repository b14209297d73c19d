// Entry operations.
#include "bridge/frame.h"
#include "types/types.h"
#include "zvi/zvi.h"

using namespace zvi;

extern "C" {

ZVI_API uint32_t ZVIDeleteEntry(ControlRecord* control, char* schema, EntryIdList* entryId,
                                uint32_t deleteOption, StatusList* status) {
    Call<DeleteEntryRequest, DeleteEntryResult> f(Op::DeleteEntry, control, status);
    if (!f.open()) return f.code();
    f.req.schema = schema;
    if (!f.copy<CopyEntryIdList, ReleaseEntryIdList>(f.req.entryId, entryId)) return f.code();
    f.req.deleteOption = deleteOption;
    return f.complete();
}

}  // extern "C"
