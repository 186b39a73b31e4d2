// Names: nested and local names, their components, operators,
// constructors, closures and substitutions.
#include "demangle/parse/parser.h"

namespace rt::demangle {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

Ref Parser::ParseName(std::uint8_t* qualifiers) {
  if (Peek() == 'N') {
    std::uint8_t ignored = 0;
    return ParseNestedName(qualifiers != nullptr ? *qualifiers : ignored);
  }
  if (Peek() == 'Z') return ParseLocalName(qualifiers);
  Ref name;
  if (Peek() == 'S' && Peek(1) != 't') {
    // A substitution names a template here: its arguments must follow.
    name = ParseSubstitution();
    if (name == kNone || Peek() != 'I') return kNone;
  } else {
    name = ParseUnscopedName();
    if (name == kNone || (Peek() == 'I' && !AddSubstitution(name))) return kNone;
  }
  if (Peek() != 'I') return name;
  Ref args = ParseTemplateArgs();
  return args == kNone ? kNone : Make(Kind::kTemplate, 0, name, args);
}

Ref Parser::ParseUnscopedName() {
  Ref scope = kNone;
  if (Consume("St") && (scope = Make(Kind::kText, 0, static_cast<Ref>(TextId::kStd))) == kNone) {
    return kNone;
  }
  return ParseUnqualifiedName(scope);
}

Ref Parser::ParseNestedName(std::uint8_t& qualifiers) {
  DepthGuard guard(*this);
  if (guard.TooDeep() || !Consume('N')) return kNone;
  qualifiers = 0;
  if (Consume('r')) qualifiers |= kRestrict;
  if (Consume('V')) qualifiers |= kVolatile;
  if (Consume('K')) qualifiers |= kConst;
  if (Consume('R')) qualifiers |= kLvalueQual;
  if (Consume('O')) qualifiers |= kRvalueQual;
  Ref current = kNone;
  bool substituted = false;  // the current prefix is already a substitution
  while (!Consume('E')) {
    if (current != kNone && !substituted && !AddSubstitution(current)) return kNone;
    substituted = false;
    char c = Peek();
    if (c == 'S' && current == kNone) {
      current = Peek(1) == 't' ? (pos_ += 2, Make(Kind::kText, 0, static_cast<Ref>(TextId::kStd)))
                               : ParseSubstitution();
      substituted = true;
    } else if (c == 'I' && current != kNone) {
      Ref args = ParseTemplateArgs();
      current = args == kNone ? kNone : Make(Kind::kTemplate, 0, current, args);
    } else if (c == 'T' && current == kNone) {
      current = ParseTemplateParam();
    } else if (c == 'D' && (Peek(1) == 't' || Peek(1) == 'T') && current == kNone) {
      current = ParseType();
      substituted = true;  // a decltype is added as a type
    } else if (c == 'M' && current != kNone) {
      ++pos_;  // a lambda in a member's initializer: the member itself is not printed
      substituted = true;
    } else {
      current = ParseUnqualifiedName(current);
    }
    if (current == kNone) return kNone;
  }
  return current;
}

Ref Parser::ParseLocalName(std::uint8_t* qualifiers) {
  DepthGuard guard(*this);
  if (guard.TooDeep() || !Consume('Z')) return kNone;
  Ref function = ParseEncoding();
  if (function == kNone || !Consume('E')) return kNone;
  Ref entity;
  if (Consume('s')) {
    entity = Make(Kind::kText, 0, static_cast<Ref>(TextId::kStringLiteral));
  } else {
    if (Consume('d')) {  // a default argument's scope, numbered from its end
      std::size_t number = 0;
      bool numbered = ParseNumber(number);
      if (!Consume('_')) return kNone;
      Ref scope = Make(Kind::kDefaultArg, 0, kNone, kNone, static_cast<Ref>(number + numbered + 1));
      function = scope == kNone ? kNone : Make(Kind::kLocal, 0, function, scope);
      if (function == kNone) return kNone;
    }
    entity = ParseName(qualifiers);
  }
  if (entity == kNone || !ParseDiscriminator()) return kNone;
  return Make(Kind::kLocal, 0, function, entity);
}

Ref Parser::ParseUnqualifiedName(Ref scope) {
  Consume('L');  // internal linkage, which the name does not show
  char c = Peek();
  Ref name;
  if (IsDigit(c)) {
    name = last_name_ = ParseSourceName();
  } else if (c == 'C' || (c == 'D' && Peek(1) != 'C')) {
    name = ParseCtorDtorName(scope);
  } else if (c == 'U') {
    name = ParseClosureName();
  } else if (c >= 'a' && c <= 'z') {
    name = ParseOperatorName();
  } else {
    return kNone;
  }
  if (name == kNone || (name = ParseAbiTags(name)) == kNone) return kNone;
  return scope == kNone ? name : Make(Kind::kNested, 0, scope, name);
}

Ref Parser::ParseSourceName() {
  std::size_t length;
  if (!ParseNumber(length) || length == 0 || length > in_.size() - pos_) return kNone;
  std::string_view text = Slice(in_, pos_, length);
  Ref start = static_cast<Ref>(pos_);
  pos_ += length;
  // Compilers name an anonymous namespace "_GLOBAL__N_<file or number>".
  bool anonymous = text.size() >= 10 && Slice(text, 0, 8) == "_GLOBAL_" &&
                   (text[8] == '_' || text[8] == '.' || text[8] == '$') && text[9] == 'N';
  return Make(anonymous ? Kind::kAnonymous : Kind::kSource, 0, start, static_cast<Ref>(length));
}

Ref Parser::ParseAbiTags(Ref name) {
  while (name != kNone && Consume('B')) {
    Ref tag = ParseSourceName();
    name = tag == kNone ? kNone : Make(Kind::kAbiTag, 0, name, tag);
  }
  return name;
}

Ref Parser::ParseOperatorName() {
  if (Consume("cv")) {
    // Its template parameters are the conversion's own, which follow it.
    bool saved = in_conversion_;
    in_conversion_ = true;
    conversion_type_next_ = true;
    Ref type = ParseType();
    in_conversion_ = saved;
    return type == kNone ? kNone : Make(Kind::kConversion, 0, type);
  }
  if (Consume("li")) {
    Ref suffix = ParseSourceName();
    return suffix == kNone ? kNone : Make(Kind::kLiteralOperator, 0, suffix);
  }
  for (int i = 0; i < OperatorCount(); ++i) {
    if (Consume(OperatorAt(i).code)) return Make(Kind::kOperator, 0, static_cast<Ref>(i));
  }
  return kNone;
}

// A constructor or destructor repeats the name read last, outside template
// arguments: its class's, or an inherited constructor's base.
Ref Parser::ParseCtorDtorName(Ref scope) {
  if (scope == kNone) return kNone;
  std::uint8_t flags = 0;
  if (Consume('C')) {
    bool inheriting = Consume('I');
    if (Peek() < '1' || Peek() > '5') return kNone;
    ++pos_;
    if (inheriting && ParseType() == kNone) return kNone;
  } else if (Consume('D')) {
    char kind = Peek();
    if (kind != '0' && kind != '1' && kind != '2' && kind != '4' && kind != '5') return kNone;
    ++pos_;
    flags = 1;
  } else {
    return kNone;
  }
  // The abbreviations of std's streams and strings name their class in
  // full before a constructor or destructor.
  if (nodes_[scope].kind == Kind::kStdAbbrev) nodes_[scope].flags = 1;
  return last_name_ == kNone ? kNone : Make(Kind::kCtorDtor, flags, last_name_);
}

Ref Parser::ParseClosureName() {
  std::size_t number = 0;
  if (Consume("Ut")) {
    bool numbered = ParseNumber(number);
    if (!Consume('_')) return kNone;
    return Make(Kind::kUnnamed, 0, kNone, kNone, static_cast<Ref>(number + numbered + 1));
  }
  if (!Consume("Ul")) return kNone;
  // A generic lambda's parameters are its own template parameters.
  bool saved = in_lambda_;
  in_lambda_ = true;
  bool ok;
  Ref params = ParseParameters(ok);
  in_lambda_ = saved;
  if (!ok || !Consume('E')) return kNone;
  bool numbered = ParseNumber(number);
  if (!Consume('_')) return kNone;
  return Make(Kind::kLambda, 0, params, kNone, static_cast<Ref>(number + numbered + 1));
}

Ref Parser::ParseSubstitution() {
  static constexpr char kAbbrevs[] = "absiod";
  if (!Consume('S')) return kNone;
  for (int i = 0; kAbbrevs[i] != '\0'; ++i) {
    if (Consume(kAbbrevs[i])) return last_name_ = Make(Kind::kStdAbbrev, 0, static_cast<Ref>(i));
  }
  std::size_t index = 0;
  if (!Consume('_')) {
    if (!ParseSeqId(index) || !Consume('_')) return kNone;
    ++index;
  }
  return index < static_cast<std::size_t>(substitution_count_) ? substitutions_[index] : kNone;
}

}  // namespace rt::demangle
