// The core runtime's initialisation, entry 1 of the unit table.
#include "console/io_result.h"
#include "console/text_rec.h"
#include "platform/platform.h"
#include "runtime/heap.h"
#include "runtime/units.h"

namespace rt {

std::uintptr_t StackLength = 0;
std::uintptr_t StackBottom = 0;

void InitCoreRuntime() {
  StackBottom = platform::GetStackLimit();
  StackLength = platform::GetStackTop() - StackBottom;
  InstallHeapErrorHandler();
  DefaultSystemCodePage = platform::GetACP();
  SysInitStdIO();
  // Nothing that happened while the streams were opened is ever reported.
  InOutRes = 0;
}

}  // namespace rt
