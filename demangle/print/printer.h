// The text of a parsed name, written into the caller's buffer and cut at
// its end.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "demangle/demangle.h"
#include "demangle/parse/parser.h"

namespace rt::demangle {

// Bounds on the walk: substitutions let a short name stand for a tree far
// deeper or larger than its text, and printing must end all the same.
inline constexpr int kMaxPrintDepth = 96;
inline constexpr long kMaxWork = 1L << 18;

class Printer {
 public:
  Printer(const Parser& parser, std::span<char> out) : p_(parser), out_(out) {}

  // False where the tree cannot be printed: too deep, too much work, or a
  // template parameter with no argument.
  bool PrintSymbol(Ref root, DemangleStyle style);
  std::size_t Length() const { return length_ < out_.size() ? length_ : out_.size(); }
  bool Cut() const { return length_ > out_.size(); }

 private:
  bool Stopped() const { return failed_; }
  void Put(std::string_view s);
  void PutNumber(std::size_t value);
  void Print(Ref r);
  void Left(Ref r);
  void Right(Ref r);
  bool Enter();
  Ref Resolve(Ref r, bool* indexed = nullptr);

  // print.cpp
  void LeftName(const Node& n);
  void LeftCompoundName(const Node& n);
  void PrintList(Ref list);
  void PrintTemplateArgs(Ref list);
  void PrintEncoding(const Node& n, bool name_only, bool with_return);
  void PrintQualifiers(std::uint8_t flags);
  void PrintClosure(const Node& n);

  // types.cpp
  void LeftType(const Node& n);
  void RightType(const Node& n);
  void LeftIndirection(Ref pointee, std::string_view symbol);

  // expressions.cpp
  void PrintPackExpansion(Ref pattern);
  int PackSize(Ref r, int depth);
  void PrintLiteral(const Node& n);
  void PrintOperand(Ref r);
  void PrintExpression(const Node& n);
  void PrintUnary(const Node& n);
  void PrintBinary(const Node& n);
  bool IsFunctionOrArray(Ref r);
  bool OpensParen(Ref r);
  Ref Referee(const Node& n, bool& rvalue, bool& in_element);

  const Parser& p_;
  std::span<char> out_;
  std::size_t length_ = 0;  // of the whole text, which may run past out
  char last_ = '\0';
  bool failed_ = false;
  int depth_ = 0;
  long work_ = 0;
  Ref template_args_ = kNone;  // the encoding's arguments, for unresolved parameters
  int pack_index_ = -1;        // the element of a pack being expanded
  bool in_lambda_ = false;     // template parameters print as "auto:N"
};

}  // namespace rt::demangle
