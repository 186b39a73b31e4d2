// The program's unit: the quiz run's state, and its release at the end.
#pragma once

#include <cstdint>

#include "console/tagged_string.h"

namespace quiz {

// The answer most recently read for each question.
extern rt::TaggedString Q1, Q2, Q3, Q4, Q5, Q6, Q7, Q8, Q9, Q10;
// Attempts left per question; the final value is the question's points.
extern std::int32_t COUNTER1, COUNTER2, COUNTER3, COUNTER4, COUNTER5, COUNTER6, COUNTER7, COUNTER8,
    COUNTER9, COUNTER10;
extern std::int32_t SCORE;

// The unit's finalisation releases the answer strings.
void FinalizeQuizUnit();

}  // namespace quiz
