/* Transactions. */
#ifndef ZVI_TRANSACTIONS_H
#define ZVI_TRANSACTIONS_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

ZVI_EXTERN_C_END

#endif
