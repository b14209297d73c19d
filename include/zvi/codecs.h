/* Record codec pass-through and protocol version. */
#ifndef ZVI_CODECS_H
#define ZVI_CODECS_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

ZVI_EXTERN_C_END

#endif
