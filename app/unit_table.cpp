// The quiz program's units, initialised in this order and finalised in
// reverse.
#include "quiz/quiz_unit.h"
#include "runtime/core_unit.h"
#include "runtime/line_info.h"
#include "runtime/units.h"

namespace rt {

namespace {

const UnitEntry kQuizUnits[] = {
    {InitCoreRuntime, nullptr},                // core runtime
    {nullptr, nullptr},                        // object support
    {InitLineInfoUnit, FinalizeLineInfoUnit},  // line information
    {nullptr, nullptr},                        // resources
    {nullptr, quiz::FinalizeQuizUnit},         // the program
};

}  // namespace

InitFinalTable InitFinal = {sizeof kQuizUnits / sizeof kQuizUnits[0], 0, kQuizUnits};

}  // namespace rt
