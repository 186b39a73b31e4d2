// Process entry of the quiz.
#include "quiz/quiz_run.h"
#include "runtime/start.h"

int main() {
  rt::Exe_Entry(quiz::QuizRun);
}
