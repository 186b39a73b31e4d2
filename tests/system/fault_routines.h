// The faulting routines of the fault program, in a file per processor. Each
// marks the place of its faulting statement, whose first instruction is the
// one that faults, so that a row of the line table begins exactly at the
// faulting address.
#pragma once

#include "base/text.h"

// Records a place on the way to a fault (the fault program's own).
void Mark(const char* file, int line);

namespace faults {

void WriteThroughNull();
void DivideByZero();
void DivideFloatByZero();
void ExecuteIllegal();

// When the fault comes, the frame register points outside the stack, at a
// record whose caller lies below it, or off the records' alignment.
void FaultWithFrameOutside();
void FaultWithFrameDownwards();
void FaultWithFrameMisaligned();

// Routines without frame records (fault_frameless.cpp): one that faults, a
// chain of three whose innermost faults, and a leaf with no frame at all.
void FramelessWriteThroughNull();
void FramelessChain();
void CallFramelessLeaf();

// The floating-point control value, as a marker of the program's output.
rt::Text FloatControl();

}  // namespace faults
