/* Server information and utility operations. */
#ifndef ZVI_SERVER_H
#define ZVI_SERVER_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

ZVI_EXTERN_C_END

#endif
