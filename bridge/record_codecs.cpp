#include "bridge/record_codecs.h"

#include "platform/xdr.h"
#include "zvi/zvi.h"

namespace zvi {
namespace {

using namespace rpc;

constexpr uint32_t kShortTextMax = 256;  // attachment names and appended message texts

char** writable(const char** text) { return const_cast<char**>(text); }

bool entryIdItem(void* s, EntryId* id) { return codeFixed(s, *id, sizeof *id); }

bool byteList(void* s, ByteList* list) {
    return codeU32(s, &list->kind) && codeList(s, &list->bytes, &list->numItems, codec<uint8_t, codeByte>);
}

// The locator of an attachment: its type, then what that type carries.
enum class LocatorRule { ByType, AlwaysBuffer };

template <LocatorRule rule>
bool attachment(void* s, Attachment* a) {
    Locator& loc = a->locator;
    if (!codeText(s, &a->name, kShortTextMax) || !codeInt32(s, &a->origSize) || !codeInt32(s, &a->compSize) ||
        !codeU32(s, &loc.locType))
        return false;
    if (rule == LocatorRule::AlwaysBuffer) {
        // Decoded, the record holds a buffer whatever type the wire gave: it says so,
        // since from now on it is read (and freed) as an attachment by its type.
        if (direction(s) == Direction::Decode) loc.locType = ZVI_LOC_BUFFER;
        return codeBytes(s, &loc.u.mem.buffer, &loc.u.mem.bufSize);
    }
    if (loc.locType == ZVI_LOC_BUFFER) return codeBytes(s, &loc.u.mem.buffer, &loc.u.mem.bufSize);
    if (loc.locType == ZVI_LOC_FILENAME) return codeText(s, &loc.u.fileName);
    return loc.locType == ZVI_LOC_NONE;
}

bool funcCurrency(void* s, FuncCurrency* f) {
    return codeText(s, &f->value) && codeFixed(s, f->currencyCode, sizeof f->currencyCode);
}

// The currency code is a 4-byte fixed area.
bool currency(void* s, CurrencyValue* c) {
    return codeText(s, &c->value) && codeFixed(s, c->currencyCode, sizeof c->currencyCode) &&
           codeInt32(s, &c->conversionDate) && codeList(s, &c->funcList, codec<FuncCurrency, funcCurrency>);
}

bool intPair(void* s, IntPair* p) { return codeInt32(s, &p->first) && codeInt32(s, &p->second); }
bool intPairList(void* s, IntPairList* list) { return codeList(s, list, codec<IntPair, intPair>); }

// Shared attachment records are coded as attachments, and are attachments from then on.
bool sharedAttachment(void* s, Value* v, Codec attachmentCodec) {
    if (!codeOptional(s, &v->payload.attachment, attachmentCodec)) return false;
    v->dataType = ZVI_DATA_ATTACHMENT;
    return true;
}

bool value(void* s, Value* v) {
    if (!codeEnum(s, &v->dataType)) return false;
    ValuePayload& p = v->payload;
    switch (v->dataType) {
        case 0: case 30: case 31: case 32:
            return true;
        case ZVI_DATA_KEYWORD:
            return codeEnum(s, &p.u);
        case ZVI_DATA_INTEGER: case ZVI_DATA_TIME:
            return codeInt32(s, &p.i);
        case ZVI_DATA_REAL:
            return codeDouble(s, &p.real);
        case ZVI_DATA_TEXT: case ZVI_DATA_DIARY: case ZVI_DATA_DECIMAL: case ZVI_DATA_TEXT_42: case ZVI_DATA_TEXT_43:
            return codeText(s, &p.text);
        case ZVI_DATA_ENUM: case ZVI_DATA_BITMASK: case 40: case ZVI_DATA_DATE: case ZVI_DATA_TIME_OF_DAY:
            return codeU32(s, &p.u);
        case ZVI_DATA_BYTES:
            return codeOptional(s, &p.byteList, codec<ByteList, byteList>);
        case ZVI_DATA_ATTACHMENT:
            return codeOptional(s, &p.attachment, codec<Attachment, attachment<LocatorRule::ByType>>);
        case ZVI_DATA_CURRENCY:
            return codeOptional(s, &p.currency, codec<CurrencyValue, currency>);
        case ZVI_DATA_INT_PAIRS:
            return codeOptional(s, &p.intPairs, codec<IntPairList, intPairList>);
        case ZVI_DATA_SHARED_49:
            return sharedAttachment(s, v, codec<Attachment, attachment<LocatorRule::ByType>>);
        case ZVI_DATA_SHARED_50:
            return sharedAttachment(s, v, codec<Attachment, attachment<LocatorRule::AlwaysBuffer>>);
        default:
            return false;
    }
}

bool prop(void* s, Prop* p) { return codeU32(s, &p->propId) && value(s, &p->value); }

bool statusEntry(void* s, StatusEntry* e) {
    return codeEnum(s, &e->messageType) && codeInt32(s, reinterpret_cast<int32_t*>(&e->messageNum)) &&
           codeText(s, &e->messageText) && codeText(s, &e->appendedText, kShortTextMax);
}
bool statusList(void* s, StatusList* list) {
    return codeList(s, &list->entries, &list->numItems, codec<StatusEntry, statusEntry>);
}

bool requestControl(void* s, RequestControl* c) {
    bool ok = codeInt32(s, &c->contextWord0) && codeInt32(s, &c->contextWord1) &&
              codeText(s, writable(&c->stringRef1)) && codeText(s, writable(&c->stringRef2)) &&
              codeU32(s, &c->byteKind) &&
              codeList(s, const_cast<uint8_t**>(&c->bytes), &c->byteCount, codec<uint8_t, codeByte>) &&
              codeText(s, writable(&c->stringRef3));
    for (const char*& text : c->text) ok = ok && codeText(s, writable(&text));
    return ok && codeU32(s, &c->number1) && codeU32(s, &c->number2) && codeU32(s, &c->number3) &&
           codeU32(s, &c->number4) && codeList(s, &c->pairList, codec<Prop, prop>) && codeInt32(s, &c->number5) &&
           codeU32(s, &c->number6) && codeU32(s, &c->number7) && codeU32(s, &c->number8) &&
           codeU32(s, &c->word152) && codeInt32(s, &c->word156) && codeByte(s, &c->flag160);
}

bool clientTransactionResult(void* s, ClientTransactionResult* r) {
    return requestControl(s, &r->control) && codeBytes(s, &r->handleBytes, &r->handleLength) &&
           statusList(s, &r->status);
}

bool idList(void* s, IdList* list) { return codeList(s, list, codec<uint32_t, codeU32>); }
bool entryIdList(void* s, EntryIdList* list) { return codeList(s, list, codec<EntryId, entryIdItem>); }
bool fieldValue(void* s, FieldValue* f) { return codeU32(s, &f->fieldId) && value(s, &f->value); }
bool fieldValueList(void* s, FieldValueList* list) { return codeList(s, list, codec<FieldValue, fieldValue>); }

bool countedText(void* s, CountedText* t) { return codeU32(s, &t->length) && codeText(s, &t->text); }
bool countedTextList(void* s, CountedTextList* list) { return codeList(s, list, codec<CountedText, countedText>); }

// Type 1 points to its forms' names; other types carry nothing on the wire.
bool workflowConnect(void* s, WorkflowConnect* c) {
    if (!codeU32(s, &c->connectType)) return false;
    if (c->connectType != ZVI_CONNECT_FORMS) return true;
    return codeOptional(s, reinterpret_cast<CountedTextList**>(&c->u.nameList), codec<CountedTextList, countedTextList>);
}

bool exportItem(void* s, ExportItem* item) {
    return codeU32(s, &item->itemType) && codeName(s, item->itemName) &&
           countedTextList(s, reinterpret_cast<CountedTextList*>(&item->subNames));
}
bool exportItemList(void* s, ExportItemList* list) { return codeList(s, list, codec<ExportItem, exportItem>); }

}  // namespace

const rpc::Codec codeValue = codec<Value, value>;
const rpc::Codec codeStatusList = codec<StatusList, statusList>;
const rpc::Codec codeRequestControl = codec<RequestControl, requestControl>;
const rpc::Codec codeClientTransactionResult = codec<ClientTransactionResult, clientTransactionResult>;
const rpc::Codec codeIdList = codec<IdList, idList>;
const rpc::Codec codeEntryIdList = codec<EntryIdList, entryIdList>;
const rpc::Codec codeFieldValueList = codec<FieldValueList, fieldValueList>;
const rpc::Codec codeCountedTextList = codec<CountedTextList, countedTextList>;
const rpc::Codec codeWorkflowConnect = codec<WorkflowConnect, workflowConnect>;
const rpc::Codec codeExportItemList = codec<ExportItemList, exportItemList>;

void releaseThroughCodec(rpc::Codec codec, void* record) {
    rpc::freeThroughCodec(rpc::getThreadContext(), codec, record);
}

}  // namespace zvi
