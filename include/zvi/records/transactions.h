/* Request and result records of the transactions operations. */
#ifndef ZVI_RECORDS_TRANSACTIONS_H
#define ZVI_RECORDS_TRANSACTIONS_H

#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

/* Bulk transactions and the begin of a client-managed one send the control only;
 * bulk transactions answer with a StatusResult. */
typedef struct TransactionRequest {
    RequestControl control;
} TransactionRequest;
ZVI_SIZE(TransactionRequest, 168);

/* Released as a whole through its record codec. */
typedef struct ClientTransactionResult {
    ResultControl control;
    uint32_t handleLength;
    uint8_t* handleBytes; /* not terminated */
    StatusList status;
} ClientTransactionResult;
ZVI_SIZE(ClientTransactionResult, 200);
ZVI_AT(ClientTransactionResult, handleLength, 168);
ZVI_AT(ClientTransactionResult, handleBytes, 176);
ZVI_AT(ClientTransactionResult, status, 184);

/* The host reads 172 bytes; natural alignment rounds the record to 176. */
typedef struct EndTransactionRequest {
    RequestControl control;
    uint32_t endAction;
} EndTransactionRequest;
ZVI_SIZE(EndTransactionRequest, 176);
ZVI_AT(EndTransactionRequest, endAction, 168);

typedef struct EndTransactionResult {
    ResultControl control;
    StatusList status;
    uint8_t unread[16];
} EndTransactionResult;
ZVI_SIZE(EndTransactionResult, 200);
ZVI_AT(EndTransactionResult, status, 168);

ZVI_EXTERN_C_END

#endif
