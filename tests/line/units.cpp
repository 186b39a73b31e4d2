// The runtime's unit table, which the line tests do not run.
#include "runtime/units.h"

rt::InitFinalTable rt::InitFinal = {0, 0, nullptr};
