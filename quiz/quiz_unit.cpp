// The program's unit: the quiz run's state, and its release at the end.
#include "quiz/quiz_unit.h"

namespace quiz {

rt::TaggedString Q1, Q2, Q3, Q4, Q5, Q6, Q7, Q8, Q9, Q10;
std::int32_t COUNTER1, COUNTER2, COUNTER3, COUNTER4, COUNTER5, COUNTER6, COUNTER7, COUNTER8,
    COUNTER9, COUNTER10;
std::int32_t SCORE;

void FinalizeQuizUnit() {
  for (rt::TaggedString* answer : {&Q1, &Q2, &Q3, &Q4, &Q5, &Q6, &Q7, &Q8, &Q9, &Q10}) {
    answer->Release();
  }
}

}  // namespace quiz
