// The quiz run. Each console operation is followed by the I/O check on the same line, so a failure
// ends the program at that statement and the report names its line here, not one in a helper. The
// run's state lives in the program's unit (quiz_unit.cpp): this file's code is one sequence.
#include "quiz/quiz_run.h"

#include "console/io_result.h"
#include "console/read_ops.h"
#include "console/std_streams.h"
#include "console/write_ops.h"
#include "quiz/question_bank.h"
#include "quiz/quiz_unit.h"
#include "runtime/exit.h"
#include "runtime/units.h"

namespace quiz {

using rt::CheckIOResult;
using rt::CurrentInput;
using rt::CurrentOutput;
using rt::TextRec;

namespace {

rt::TaggedString* const kAnswers[kQuestionCount] = {&Q1, &Q2, &Q3, &Q4, &Q5,
                                                    &Q6, &Q7, &Q8, &Q9, &Q10};
std::int32_t* const kCounters[kQuestionCount] = {&COUNTER1, &COUNTER2, &COUNTER3, &COUNTER4,
                                                 &COUNTER5, &COUNTER6, &COUNTER7, &COUNTER8,
                                                 &COUNTER9, &COUNTER10};

constexpr std::int32_t kAttemptLimit = 4;

constexpr char kBanner[] = "Programming Quiz for Beginners, by the Quiz Team V.1x 1/3/18";
constexpr char kInstruction[] =
    "Answer each of the following with a lowercase letter: Hit enter to start";

}  // namespace

void QuizRun() {
  rt::InitializeUnits();

  TextRec* out = &CurrentOutput();
  rt::WriteText(0, *out, kBanner), CheckIOResult();
  rt::WriteLineEnd(*out), CheckIOResult();

  out = &CurrentOutput();
  rt::WriteLineEnd(*out), CheckIOResult();

  out = &CurrentOutput();
  rt::WriteText(0, *out, kInstruction), CheckIOResult();
  rt::WriteLineEnd(*out), CheckIOResult();

  TextRec* in = &CurrentInput();
  rt::ReadLineEnd(*in), CheckIOResult();

  for (std::int32_t* counter : kCounters) *counter = kAttemptLimit;

  for (int k = 1; k <= kQuestionCount; ++k) {
    const QuizQuestion& question = Question(k);
    rt::TaggedString& answer = *kAnswers[k - 1];
    std::int32_t& counter = *kCounters[k - 1];
    for (;;) {
      --counter;

      out = &CurrentOutput();
      rt::WriteText(0, *out, question.prompt), CheckIOResult();
      rt::WriteLineEnd(*out), CheckIOResult();
      for (std::string_view option : question.options) {
        out = &CurrentOutput();
        rt::WriteText(0, *out, option), CheckIOResult();
        rt::WriteLineEnd(*out), CheckIOResult();
      }

      answer.Release();
      in = &CurrentInput();
      rt::ReadLineString(*in, answer, 0), CheckIOResult();
      rt::ReadLineEnd(*in), CheckIOResult();

      // Equality first: a right answer at the last showing scores 0.
      if (rt::StringsEqual(answer, question.key) == 0) break;
      if (counter == 0) break;
    }
    out = &CurrentOutput();
    rt::WriteLineEnd(*out), CheckIOResult();
    out = &CurrentOutput();
    rt::WriteLineEnd(*out), CheckIOResult();
  }

  SCORE = COUNTER1 + COUNTER2 + COUNTER3 + COUNTER4 + COUNTER5 + COUNTER6 + COUNTER7 + COUNTER8 +
          COUNTER9 + COUNTER10;

  for (int i = 0; i < 4; ++i) {
    out = &CurrentOutput();
    rt::WriteLineEnd(*out), CheckIOResult();
  }

  out = &CurrentOutput();
  rt::WriteText(0, *out, "Your score:"), CheckIOResult();
  rt::WriteSigned(0, *out, SCORE), CheckIOResult();
  rt::WriteText(0, *out, "/30"), CheckIOResult();
  rt::WriteLineEnd(*out), CheckIOResult();

  in = &CurrentInput();
  rt::ReadLineEnd(*in), CheckIOResult();

  rt::Do_Exit();
}

}  // namespace quiz
