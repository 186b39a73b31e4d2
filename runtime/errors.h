// Raising run-time errors: each records the error and ends the program
// through the exit path; none returns.
#pragma once

#include <cstdint>

#include "platform/fault_record.h"

namespace rt {

// The pending run-time error; ErrorAddr not null means a report is due.
extern std::uint16_t ErrorCode;
extern void* ErrorAddr;
extern void* ErrorBase;
// For a processor fault, the frame chain that the outermost handler copied
// as it stood at the fault; null for every other error, whose report walks
// the frame records from ErrorBase.
extern const platform::FaultRecord* ErrorFault;

[[noreturn]] void Halt(std::int32_t code);
[[noreturn]] void HandleErrorAddrFrame(std::int32_t code, void* addr, void* frame);
// frame is the calling routine's own frame address; the error is placed at
// that routine's caller, read from the frame record.
[[noreturn]] void HandleErrorAddrFrameInd(std::int32_t code, void* addr, void* frame);
// The error is placed at the call of RunError.
[[noreturn]] void RunError(std::uint16_t code);
// Raises the processor fault that the outermost handler has just recorded:
// the error is placed at the faulting instruction.
[[noreturn]] void RaiseFault(std::uint16_t code);

}  // namespace rt
