/* Request and result records of the transactions operations. */
#ifndef ZVI_RECORDS_TRANSACTIONS_H
#define ZVI_RECORDS_TRANSACTIONS_H

#include "zvi/host.h"

ZVI_EXTERN_C_BEGIN

ZVI_EXTERN_C_END

#endif
