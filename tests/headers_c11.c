/* Every public header compiles as strict C11. */
#include "zvi/host.h"
#include "zvi/actions.h"
#include "zvi/multiquery.h"
#include "zvi/namelists.h"
#include "zvi/properties.h"
#include "zvi/qualifier.h"
#include "zvi/values.h"
#include "zvi/zvi.h"
