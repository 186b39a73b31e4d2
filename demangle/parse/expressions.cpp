// Expressions and literals, as template arguments, array bounds and decltype
// hold them; new, delete, folds and requirements are refused.
#include "demangle/parse/parser.h"

namespace rt::demangle {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

constexpr std::string_view kNamedCasts[] = {"dc", "sc", "cc", "rc"};

}  // namespace

Ref Parser::ParseExpression() {
  DepthGuard guard(*this);
  if (guard.TooDeep()) return kNone;
  char c = Peek();
  if (c == 'L') return ParseLiteral();
  if (c == 'T') return ParseTemplateParam();
  bool name = IsDigit(c) || (c == 'g' && Peek(1) == 's') || (c == 's' && Peek(1) == 'r') ||
              (c == 'o' && Peek(1) == 'n');
  if (name) return ParseUnresolvedName();
  if (Consume("sp")) {
    Ref pattern = ParseExpression();
    return pattern == kNone ? kNone : Make(Kind::kPackExpansion, 0, pattern);
  }
  if (Consume("fpT")) return Make(Kind::kText, 0, static_cast<Ref>(TextId::kThis));
  if (Consume("fp")) {  // a function parameter: "fp_" is the first, "fp<n>_" the (n+2)th
    while (Consume('r') || Consume('V') || Consume('K')) {
    }
    std::size_t index = 0;
    if (!Consume('_')) {
      if (!ParseNumber(index) || !Consume('_')) return kNone;
      ++index;
    }
    return Make(Kind::kFunctionParam, 0, static_cast<Ref>(index));
  }
  if (Consume("cl")) {
    Ref callee = ParseExpression();
    Ref args = callee == kNone ? kNone : ParseExpressionList('E');
    return args == kNone ? kNone : Make(Kind::kCall, 0, callee, args);
  }
  if (Consume("cv")) {  // a cast of one operand, or of a list in parentheses
    Ref type = ParseType();
    if (type == kNone) return kNone;
    bool list = Consume('_');
    Ref operand = list ? ParseExpressionList('E') : ParseExpression();
    return operand == kNone ? kNone : Make(Kind::kCast, list ? 1 : 0, type, operand);
  }
  if (Consume("tl")) {
    Ref type = ParseType();
    Ref items = type == kNone ? kNone : ParseExpressionList('E');
    return items == kNone ? kNone : Make(Kind::kBraced, 0, type, items);
  }
  if (Consume("tr")) return Make(Kind::kText, 0, static_cast<Ref>(TextId::kThrow));
  for (std::uint8_t i = 0; i < 4; ++i) {
    if (!Consume(kNamedCasts[i])) continue;
    Ref type = ParseType();
    Ref operand = type == kNone ? kNone : ParseExpression();
    return operand == kNone ? kNone : Make(Kind::kNamedCast, i, type, operand);
  }
  return ParseOperatorExpression();
}

// An operator's code and its operands; sizeof and alignof of a type, and
// member access, take other operands than expressions.
Ref Parser::ParseOperatorExpression() {
  bool prefix = (Peek() == 'p' || Peek() == 'm') && Peek(1) == Peek() && Peek(2) == '_';
  int op = 0;
  while (op < OperatorCount() && Slice(in_, pos_, 2) != OperatorAt(op).code) ++op;
  if (op == OperatorCount()) return kNone;
  std::string_view code = OperatorAt(op).code;
  pos_ += prefix ? 3 : 2;
  Ref index = static_cast<Ref>(op);
  if (code == "st" || code == "at") {
    Ref type = ParseType();
    return type == kNone ? kNone : Make(Kind::kSizeofType, 0, type, index);
  }
  if (code == "dt" || code == "pt") {
    Ref object = ParseExpression();
    Ref member = object == kNone ? kNone : ParseUnresolvedName();
    return member == kNone ? kNone : Make(Kind::kMember, 0, object, index, member);
  }
  if (code == "nw" || code == "na" || code == "dl" || code == "da") return kNone;
  Ref first = ParseExpression();
  if (first == kNone) return kNone;
  int arity = OperatorAt(op).arity;
  if (arity == 1) return Make(Kind::kUnary, prefix || (code != "pp" && code != "mm"), index, first);
  Ref second = ParseExpression();
  if (second == kNone) return kNone;
  if (arity == 2) return Make(Kind::kBinary, 0, index, first, second);
  Ref third = ParseExpression();
  return third == kNone ? kNone : Make(Kind::kConditional, 0, first, second, third);
}

Ref Parser::ParseLiteral() {
  DepthGuard guard(*this);
  if (guard.TooDeep() || !Consume('L')) return kNone;
  if (Consume("_Z") || Consume('Z')) {  // an external name, whose parameters are its own
    Ref saved = template_args_;
    Ref encoding = ParseEncoding();
    template_args_ = saved;
    return encoding == kNone || !Consume('E') ? kNone : encoding;
  }
  Ref type = ParseType();
  if (type == kNone) return kNone;
  std::uint8_t negative = Consume('n') ? 1 : 0;
  std::size_t start = pos_;
  while (Peek() != 'E' && Peek() != '\0') ++pos_;
  if (!Consume('E')) return kNone;
  return Make(Kind::kLiteral, negative, type, static_cast<Ref>(start),
              static_cast<Ref>(pos_ - 1 - start));
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

// A name that a dependent expression refers to: "T::a::b", "::f", "g<T>".
Ref Parser::ParseUnresolvedName() {
  bool global = Consume("gs");
  Ref name = kNone;
  if (Consume("sr")) {
    bool levels = Consume('N');
    name = ParseType();
    if (levels && name != kNone && Peek() == 'I') {
      Ref args = ParseTemplateArgs();
      name = args == kNone ? kNone : Make(Kind::kTemplate, 0, name, args);
    }
    while (levels && name != kNone && !Consume('E')) name = ParseSimpleId(name);
    if (name == kNone) return kNone;
  }
  name = ParseSimpleId(name);
  if (global && name != kNone) {
    Ref root = Make(Kind::kText, 0, static_cast<Ref>(TextId::kEmpty));
    return root == kNone ? kNone : Make(Kind::kNested, 0, root, name);
  }
  return name;
}

// A source name or operator with its template arguments, within scope.
Ref Parser::ParseSimpleId(Ref scope) {
  Ref name = Consume("on") ? ParseOperatorName() : ParseSourceName();
  if (name != kNone && Peek() == 'I') {
    Ref args = ParseTemplateArgs();
    name = args == kNone ? kNone : Make(Kind::kTemplate, 0, name, args);
  }
  if (name == kNone || scope == kNone) return name;
  return Make(Kind::kNested, 0, scope, name);
}

}  // namespace rt::demangle
