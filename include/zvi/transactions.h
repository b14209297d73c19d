/* Transactions: bulk transactions on the caller's connection context, and
 * client-managed transactions whose handle the caller carries in its control record.
 * None of these operations resets the caller's status list. */
#ifndef ZVI_TRANSACTIONS_H
#define ZVI_TRANSACTIONS_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

/* pairList property through which the caller passes a client-managed transaction's
 * handle (a text value). */
enum { ZVI_PROP_TRANSACTION_HANDLE = 60037 };

ZVI_API uint32_t ZVIBulkTranBegin(ControlRecord* control, StatusList* status);
ZVI_API uint32_t ZVIBulkTranCommit(ControlRecord* control, StatusList* status);
ZVI_API uint32_t ZVIBulkTranRollback(ControlRecord* control, StatusList* status);

/* handle receives the new transaction's handle, a text the caller frees; it is left
 * as it was when the server returns an empty handle. */
ZVI_API uint32_t ZVIBeginClientManagedTransaction(ControlRecord* control, char** handle, StatusList* status);
/* On success the text of the control record's first handle property is emptied. */
ZVI_API uint32_t ZVIEndClientManagedTransaction(ControlRecord* control, uint32_t endAction, StatusList* status);

ZVI_EXTERN_C_END

#endif
