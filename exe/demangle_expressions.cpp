// Expressions, as template arguments, array bounds and decltype hold them.
#include "exe/demangle_parser.h"

namespace rt::demangle {

Ref Parser::ParseExpression() {
  DepthGuard guard(*this);
  if (guard.TooDeep()) return kNone;
  switch (Peek()) {
    case 'L':
      return ParseLiteral();
    case 'T':
      return ParseTemplateParam();
    default:
      break;
  }
  if (Consume("fp")) {  // a function parameter: "fpT" is this, "fp<n>_" the (n+2)th
    Consume('K');
    std::size_t index = 0;
    if (!Consume('_')) {
      if (!ParseNumber(index) || !Consume('_')) return kNone;
      ++index;
    }
    return Make(Kind::kFunctionParam, 0, static_cast<Ref>(index));
  }
  return kNone;
}

Ref Parser::ParseExpressionList(char end) {
  int mark = scratch_count_;
  while (!Consume(end)) {
    if (!Push(ParseExpression())) {
      scratch_count_ = mark;
      return kNone;
    }
  }
  return MakeList(Kind::kList, mark);
}

Ref Parser::ParseUnresolvedName() {
  return kNone;
}

}  // namespace rt::demangle
