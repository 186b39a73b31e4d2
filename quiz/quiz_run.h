// The quiz run: the program's main routine.
#pragma once

namespace quiz {

// Greets, asks the ten questions, prints the score and ends the process
// through the runtime's normal end; never returns. Its state is the
// program unit's (quiz_unit.h).
[[noreturn]] void QuizRun();

}  // namespace quiz
