/* Every public header compiles as strict C11. */
#include "zvi/host.h"
#include "zvi/values.h"
#include "zvi/zvi.h"
