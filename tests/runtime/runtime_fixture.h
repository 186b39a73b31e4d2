// Shared set-up of the tests that run the runtime over the scripted
// platform: the console's set-up, a clean error state and unit table, and
// failed console operations handed to the runtime as at start-up.
#pragma once

#include "console/io_result.h"
#include "runtime/frame_line_hook.h"
#include "runtime/errors.h"
#include "runtime/exit.h"
#include "runtime/units.h"
#include "tests/console/console_fixture.h"

namespace testing_support {

inline void ResetRuntime() {
  ResetConsole();
  rt::InitFinal.initialized = 0;
  rt::ErrorAddr = nullptr;
  rt::ErrorCode = 0;
  rt::ErrorBase = nullptr;
  rt::operatingsystem_result = 0;
  rt::BackTraceStrFunc = rt::FaultAddrStrFunc = rt::SysBackTraceStr;
  rt::SetIoErrorHandler(rt::HandleErrorAddrFrameInd);
}

class RuntimeTest : public ConsoleTest {
 protected:
  void SetUp() override { ResetRuntime(); }
};

}  // namespace testing_support
