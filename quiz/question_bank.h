// The fixed question bank: ten questions, shown in this order.
#pragma once

#include <array>
#include <string_view>

#include "console/tagged_string.h"

namespace quiz {

struct QuizQuestion {
  std::string_view prompt;
  std::array<std::string_view, 4> options;  // a, b, c, d
  rt::TaggedString key;                     // the one accepted answer line
};

constexpr int kQuestionCount = 10;

// Entry k of the bank, for k from 1 to kQuestionCount.
const QuizQuestion& Question(int k);

}  // namespace quiz
