// Process entry of the quiz.
#include "platform/platform.h"
#include "quiz/quiz_run.h"
#include "runtime/errors.h"
#include "runtime/exit.h"

int main() {
  platform::PrepareProcess();
  rt::IsConsole = true;
  rt::operatingsystem_result = 0;
  main_wrapper(quiz::QuizRun, rt::RunError);
  rt::System_Exit();
}
