// What the POSIX fault handler asks of the processor about the interrupted
// context; each processor folder implements it.
#pragma once

#include <cstdint>

#include "platform/fault_record.h"
#include "platform/walk.h"

namespace platform::posix {

// The interrupted context's registers, its pc the faulting instruction.
rt::FrameRegisters ReadFaultRegisters(const void* context);

// How the faulting instruction touched address, where the processor's
// report of the fault in the context tells.
Access ReadAccess(const void* context, std::uint64_t address, std::uint64_t pc);
// The error number of a fault (negative where the floating-point unit is to
// be reset), from its exception code and the interrupted context, where a
// processor may tell several floating-point faults apart.
std::int32_t FaultNumber(std::uint32_t exception_code, const void* context);

// Loads the interrupted context's floating-point control values again: the
// handler starts with a fresh floating-point state, and the jump back to the
// recovery point does not restore the interrupted one.
void RestoreFloatingPointControl(const void* context);

// Makes the interrupted context, once the handler returns, call
// routine(argument) on the stack whose top is stack, as the outermost frame
// there: no return address and no frame record above it.
void ResumeAt(void* context, std::uint64_t routine, std::uint64_t stack, std::uint64_t argument);

}  // namespace platform::posix
