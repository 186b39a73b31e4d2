// The plain frame line, installed until the line-information unit replaces it.
#include "runtime/frame_line_hook.h"

#include <cstdint>

#include "base/frame_line.h"

namespace rt {

BackTraceStrProc BackTraceStrFunc = SysBackTraceStr;
BackTraceStrProc FaultAddrStrFunc = SysBackTraceStr;

Text SysBackTraceStr(void* addr) {
  return PlainFrameLine(reinterpret_cast<std::uintptr_t>(addr));
}

}  // namespace rt
