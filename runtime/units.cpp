// Running the unit table.
#include "runtime/units.h"

#include "base/every_run.h"
#include "platform/fpu.h"

namespace rt {

QUIZ_EVERY_RUN void InitializeUnits() {
  platform::ResetFloatingPointUnit();
  for (std::int64_t i = 1; i <= InitFinal.count; ++i) {
    UnitProc init = InitFinal.entries[i - 1].initialization;
    if (init != nullptr) init();
    // Counted only once the initialisation has returned.
    InitFinal.initialized = i;
  }
}

QUIZ_EVERY_RUN void FinalizeUnits() {
  // The count falls before each call, so a finalisation that re-enters the
  // exit path is never run twice.
  while (InitFinal.initialized > 0) {
    std::int64_t n = --InitFinal.initialized;
    UnitProc fini = InitFinal.entries[n].finalization;
    if (fini != nullptr) fini();
  }
}

}  // namespace rt
