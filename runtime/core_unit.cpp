// The core runtime's initialisation, entry 1 of the unit table.
#include "console/io_result.h"
#include "console/text_rec.h"
#include "platform/platform.h"
#include "runtime/units.h"

namespace rt {

void InitCoreRuntime() {
  DefaultSystemCodePage = platform::GetACP();
  SysInitStdIO();
  // Nothing that happened while the streams were opened is ever reported.
  InOutRes = 0;
}

}  // namespace rt
