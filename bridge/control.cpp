#include "bridge/control.h"

#include <cstdlib>
#include <initializer_list>
#include <cstring>

#include "bridge/frame.h"
#include "bridge/host_table.h"
#include "bridge/status.h"
#include "platform/zvrpc.h"
#include "platform/zvutl.h"
#include "types/types.h"

namespace zvi {

std::atomic<uint32_t> serverCharSetCode{kCharSetUnset};

namespace {

void* allocateBlock(uint32_t size, void*) { return size ? std::malloc(size) : nullptr; }
void releaseBlock(void* block, void*) {
    if (block) std::free(block);
}

const char* nonEmpty(const char* text) { return text[0] ? text : nullptr; }

// Server names are mapped to the code of the family they belong to.
uint32_t codeOfServerName(const char* name) {
    for (const char* family : {"EUC", "SJIS", "UTF-8"})
        if (utl::contains(name, family)) return utl::charSetCode(family);
    return utl::charSetCode(name);
}

}  // namespace

void ensureThreadAllocator() {
    if (rpc::getThreadContext()) return;
    rpc::installContext(rpc::createContext(nullptr, allocateBlock, releaseBlock, 0, 0, 0, 0, 0, 0, 0, 0));
}

void callCallerInfoHook() {
    CallerInfo info;  // only the three words are set
    info.value0 = 1;
    info.value1 = 2;
    info.version = ZVI_INTERFACE_VERSION;
    if (auto hook = hostEntry<CallerInfoHook>(ZVI_SLOT_CALLER_INFO_HOOK)) hook(&info);
}

bool discoverServerCharSet() {
    callCallerInfoHook();
    uint32_t wanted = ZVI_SERVER_INFO_CHARSET;
    GetServerInfoRequest request{};
    GetServerInfoResult result{};
    std::memset(&request, 0, sizeof request);
    std::memset(&result, 0, sizeof result);
    request.requestList.items = static_cast<uint32_t*>(std::malloc(sizeof wanted));
    if (request.requestList.items) {
        request.requestList.items[0] = wanted;
        request.requestList.numItems = 1;
    }
    const uint32_t ok = callHost(operation(Op::GetServerInfo), &request, &result);
    ReleaseIdList(&request.requestList, 0);
    releaseStatusList(&result.status, 0);  // the discovery's messages are dropped
    if (!ok) {
        ReleaseValueItems(&result.serverInfo, 0);  // whatever a failing host left
        return false;
    }

    char name[utl::kCharSetNameSize] = "";
    const ServerInfoList& info = result.serverInfo;
    if (info.numItems > 0 && info.items[0].value.dataType == ZVI_DATA_TEXT && info.items[0].value.payload.text)
        utl::boundedCopy(name, info.items[0].value.payload.text, utl::kCharSetNameSize - 1);
    ReleaseValueItems(&result.serverInfo, 0);
    serverCharSetCode.store(codeOfServerName(name), std::memory_order_relaxed);
    return true;
}

uint32_t convertControlRecord(RequestControl* out, const ControlRecord* in) {
    std::memset(out, 0, sizeof *out);
    if (in) {  // a missing record reaches the host as an empty one
        out->contextWord0 = in->contextWord0;
        out->contextWord1 = in->contextWord1;
        out->stringRef1 = in->stringRef1;
        out->stringRef2 = in->stringRef2;
        out->byteKind = in->byteData.kind;
        out->byteCount = in->byteData.numItems;
        out->bytes = in->byteData.numItems > 0 ? in->byteData.bytes : nullptr;
        out->stringRef3 = in->stringRef3;
        const char* texts[6] = {in->text1, in->text2, in->text3, in->text4, in->text5, in->text6};
        for (int i = 0; i < 6; ++i) out->text[i] = nonEmpty(texts[i]);
        out->number1 = in->number1;
        out->number2 = in->number2;
        out->number3 = in->number3;
        out->number4 = in->number4;
        out->pairList.numItems = in->pairList.numItems;  // member by member: the caller's
        out->pairList.items = in->pairList.items;        // padding stays out of the request
        out->number5 = in->number5;
        out->number6 = in->number6;
        out->number7 = in->number7;
        out->number8 = in->number8;
    }
    if (serverCharSetCode.load(std::memory_order_relaxed) == kCharSetUnset) discoverServerCharSet();
    callCallerInfoHook();
    return 0;
}

}  // namespace zvi
