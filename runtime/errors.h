// Raising run-time errors: each records the error and ends the program
// through the exit path; none returns.
#pragma once

#include <cstdint>

#include "base/registers.h"
#include "platform/fault_record.h"

namespace rt {

// The pending run-time error; ErrorAddr not null means a report is due.
extern std::uint16_t ErrorCode;
extern void* ErrorAddr;
extern void* ErrorBase;
// For a processor fault, what the outermost handler recorded of it (its
// registers and stack, as they stood); null for every other error.
extern const platform::FaultRecord* ErrorFault;
// For every other error, the registers where it was raised, from which the
// report's walk steps to the frame of ErrorAddr and on to its callers.
extern FrameRegisters ErrorRegisters;
extern bool ErrorRegistersKnown;

[[noreturn]] void Halt(std::int32_t code);
[[noreturn]] void HandleErrorAddrFrame(std::int32_t code, void* addr, void* frame);
// frame is the calling routine's own frame address; the error is placed at
// that routine's caller, read from the frame record.
[[noreturn]] void HandleErrorAddrFrameInd(std::int32_t code, void* addr, void* frame);
// As HandleErrorAddrFrame, with the report's walk stepping from registers,
// those of a frame below addr's, rather than from where it is called.
[[noreturn]] void RaiseErrorFrom(std::int32_t code, void* addr, void* frame,
                                 const FrameRegisters& registers);
// The error is placed at the call of RunError.
[[noreturn]] void RunError(std::uint16_t code);
// Raises the processor fault or the abort that the outermost handler has
// just recorded: a fault is placed at the faulting instruction, an abort at
// the call of abort.
[[noreturn]] void RaiseFault(std::uint16_t code);

// An error decided, to be raised when the process aborts next: an exception
// that nothing caught, whose words the C++ library writes before it aborts.
void SetPendingError(std::uint16_t code, void* addr, void* frame, const FrameRegisters& registers);
// Raises the pending error, if there is one.
void RaisePendingError();

}  // namespace rt
