// The unit table: initialisations run in order at start-up, finalisations
// in reverse order on the way out.
#pragma once

#include <cstdint>

namespace rt {

using UnitProc = void (*)();

struct UnitEntry {
  UnitProc initialization;  // may be null
  UnitProc finalization;    // may be null
};

struct InitFinalTable {
  std::int64_t count;
  std::int64_t initialized;  // units whose initialisation has returned
  const UnitEntry* entries;
};

// Each program defines its own table.
extern InitFinalTable InitFinal;

void InitializeUnits();
void FinalizeUnits();

}  // namespace rt
