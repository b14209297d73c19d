// Record codecs: the XDR form of the records that cross the interface, built on the
// remote-call runtime's primitives. They encode and decode, and in the free direction
// release every part a record holds by pointer, which is how results that the host
// allocated piecewise are released.
#pragma once
#include "platform/zvrpc.h"
#include "zvi/host.h"

namespace zvi {

extern const rpc::Codec codeValue;
extern const rpc::Codec codeStatusList;
extern const rpc::Codec codeRequestControl;  // also the resultControl head of results
extern const rpc::Codec codeClientTransactionResult;
extern const rpc::Codec codeIdList;
extern const rpc::Codec codeEntryIdList;
extern const rpc::Codec codeFieldValueList;
// Name lists in the host's form (a text with its length per name), the workflow-connect
// record whose list of type 1 is in that form, and export items whose sub-names are.
extern const rpc::Codec codeCountedTextList;
extern const rpc::Codec codeWorkflowConnect;
extern const rpc::Codec codeExportItemList;

// Releases everything the record holds by pointer through the calling thread's
// allocation context; the record's own block stays where its owner put it, with its
// pointers dangling.
void releaseThroughCodec(rpc::Codec codec, void* record);

}  // namespace zvi
