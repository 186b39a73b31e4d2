// Types, template arguments and literals.
#include "demangle/parse/parser.h"

namespace rt::demangle {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Counts a level of types or template arguments being read, for as long
// as the reading lasts.
class Nesting {
 public:
  explicit Nesting(int& level) : level_(level) { ++level_; }
  ~Nesting() { --level_; }

 private:
  int& level_;
};

}  // namespace

Ref Parser::ParseType() {
  bool conversion = conversion_type_next_;
  conversion_type_next_ = false;
  DepthGuard guard(*this);
  if (guard.TooDeep()) return kNone;
  Nesting nesting(nesting_);
  // Qualified types, builtin types and substitutions without arguments are
  // not remembered as substitutions here: they are already, or never are.
  char c = Peek();
  if (c == 'r' || c == 'V' || c == 'K') return ParseQualifiedType();
  bool extended = c == 'D' && std::string_view("ptTvox").find(Peek(1)) != std::string_view::npos;
  bool composite = std::string_view("PROCGFAMUTSNZ").find(c) != std::string_view::npos;
  if (!extended && !composite && !IsDigit(c)) return ParseBuiltinType();
  Ref type;
  if (c == 'S' && Peek(1) != 't') {
    type = ParseSubstitution();
    if (type == kNone || Peek() != 'I') return type;
    Ref args = ParseTemplateArgs();
    type = args == kNone ? kNone : Make(Kind::kTemplate, 0, type, args);
  } else {
    type = ParseCompositeType(conversion);
  }
  if (type == kNone) return kNone;
  const Node& n = nodes_[type];
  bool pointee_missing = n.kind >= Kind::kPointer && n.kind <= Kind::kImaginary && n.a == kNone;
  if (pointee_missing || (n.kind == Kind::kPackExpansion && n.a == kNone)) return kNone;
  return AddSubstitution(type) ? type : kNone;
}

// A type other than a qualified or builtin one, not yet a substitution.
Ref Parser::ParseCompositeType(bool conversion) {
  char c = Peek();
  switch (c) {
    case 'P':
    case 'R':
    case 'O':
    case 'C':
    case 'G':
      ++pos_;
      return Make(c == 'P'   ? Kind::kPointer
                  : c == 'R' ? Kind::kLvalueRef
                  : c == 'O' ? Kind::kRvalueRef
                  : c == 'C' ? Kind::kComplex
                             : Kind::kImaginary,
                  0, ParseType());
    case 'F':
      return ParseFunctionType();
    case 'A':
      return ParseArrayType();
    case 'M':
      return ParseMemberPointerType();
    case 'U':
      return ParseVendorQualifiedType();
    case 'T':
      return ParseTemplateParamType(conversion);
    case 'D':
      return ParseExtendedType();
    default:  // St, N, Z or a digit
      return ParseName();
  }
}

Ref Parser::ParseMemberPointerType() {
  ++pos_;
  Ref class_type = ParseType();
  Ref member = class_type == kNone ? kNone : ParseType();
  return member == kNone ? kNone : Make(Kind::kMemberPointer, 0, class_type, member);
}

Ref Parser::ParseVendorQualifiedType() {
  ++pos_;
  Ref qualifier = ParseSourceName();
  Ref base = qualifier == kNone ? kNone : ParseType();
  return base == kNone ? kNone : Make(Kind::kVendorQual, 0, base, qualifier);
}

Ref Parser::ParseTemplateParamType(bool conversion) {
  if (Peek(1) == 's' || Peek(1) == 'u' || Peek(1) == 'e') {
    pos_ += 2;  // struct, union or enum: the name alone is printed
    return ParseName();
  }
  Ref type = ParseTemplateParam();
  // Arguments after a conversion's type are the conversion's own; others
  // are a template template parameter's.
  if (type == kNone || Peek() != 'I' || conversion) return type;
  if (!AddSubstitution(type)) return kNone;
  Ref args = ParseTemplateArgs();
  return args == kNone ? kNone : Make(Kind::kTemplate, 0, type, args);
}

// The D types that are not builtin: pack expansions, decltype, vectors and
// function types marked noexcept or transaction-safe.
Ref Parser::ParseExtendedType() {
  char c = Peek(1);
  if (c == 'o' || c == 'x') return ParseFunctionType();
  pos_ += 2;
  if (c == 'p') return Make(Kind::kPackExpansion, 0, ParseType());
  if (c == 't' || c == 'T') {
    Ref expression = ParseExpression();
    return expression == kNone || !Consume('E') ? kNone : Make(Kind::kDecltype, 0, expression);
  }
  std::size_t start = pos_, count;  // Dv: a vector
  if (!ParseNumber(count) || !Consume('_')) return kNone;
  Ref dimension =
      Make(Kind::kSource, 0, static_cast<Ref>(start), static_cast<Ref>(pos_ - 1 - start));
  Ref element = dimension == kNone ? kNone : ParseType();
  return element == kNone ? kNone : Make(Kind::kVector, 0, element, dimension);
}

Ref Parser::ParseQualifiedType() {
  std::uint8_t cv = 0;
  if (Consume('r')) cv |= kRestrict;
  if (Consume('V')) cv |= kVolatile;
  if (Consume('K')) cv |= kConst;
  // Qualifiers written before a function type are its own (a member
  // function's); those of a parameter or substitution that names one
  // qualify the type.
  bool function_follows = Peek() == 'F' || (Peek() == 'D' && (Peek(1) == 'o' || Peek(1) == 'x'));
  Ref base = ParseType();
  if (base == kNone) return kNone;
  Ref type;
  if (function_follows && nodes_[base].kind == Kind::kFunction) {
    Node f = nodes_[base];
    type = Make(Kind::kFunction, static_cast<std::uint8_t>(f.flags | cv), f.a, f.b);
  } else {
    type = Make(Kind::kQualified, cv, base);
  }
  return AddSubstitution(type) ? type : kNone;
}

Ref Parser::ParseBuiltinType() {
  if (Consume('u')) return ParseSourceName();  // a vendor's type
  for (int i = 0; i < BuiltinCount(); ++i) {
    if (Consume(BuiltinAt(i).code)) return Make(Kind::kBuiltin, 0, static_cast<Ref>(i));
  }
  return kNone;
}

Ref Parser::ParseFunctionType() {
  std::uint8_t flags = 0;
  if (Consume("Do")) flags |= kNoexcept;
  Consume("Dx");  // transaction-safe, which is not printed
  if (!Consume('F')) return kNone;
  Consume('Y');  // extern "C"
  Ref ret = ParseType();
  bool ok;
  Ref params = ret == kNone ? kNone : ParseParameters(ok);
  if (params == kNone || !ok) return kNone;
  if (Consume('R')) flags |= kLvalueQual;
  if (Consume('O')) flags |= kRvalueQual;
  if (!Consume('E')) return kNone;
  return Make(Kind::kFunction, flags, ret, params);
}

Ref Parser::ParseParameters(bool& ok) {
  ok = false;
  int mark = scratch_count_;
  for (;;) {
    char c = Peek();
    bool ref_qualifier = (c == 'R' || c == 'O') && Peek(1) == 'E';
    if (c == '\0' || c == 'E' || c == '.' || ref_qualifier) break;
    if (!Push(ParseType())) {
      scratch_count_ = mark;
      return kNone;
    }
  }
  if (scratch_count_ == mark) return kNone;
  // A lone void is an empty list.
  const Node& first = nodes_[scratch_[mark]];
  if (scratch_count_ == mark + 1 && first.kind == Kind::kBuiltin && first.a == 0) {
    scratch_count_ = mark;
  }
  Ref list = MakeList(Kind::kList, mark);
  ok = list != kNone;
  return list;
}

Ref Parser::ParseArrayType() {
  if (!Consume('A')) return kNone;
  Ref dimension = kNone;
  if (IsDigit(Peek())) {
    std::size_t start = pos_, count;
    if (!ParseNumber(count)) return kNone;
    dimension = Make(Kind::kSource, 0, static_cast<Ref>(start), static_cast<Ref>(pos_ - start));
  } else if (Peek() != '_') {
    dimension = ParseExpression();
  }
  if ((dimension == kNone && Peek() != '_') || !Consume('_')) return kNone;
  Ref element = ParseType();
  return element == kNone ? kNone : Make(Kind::kArray, 0, element, dimension);
}

Ref Parser::ParseTemplateParam() {
  std::size_t index = 0;
  if (!Consume('T')) return kNone;
  if (!Consume('_')) {
    if (!ParseNumber(index) || !Consume('_')) return kNone;
    ++index;
  }
  // A lambda's and a conversion's parameters are not the enclosing ones:
  // the printer finds them.
  if (!in_lambda_ && !in_conversion_ && template_args_ != kNone) {
    const Node& args = nodes_[template_args_];
    if (index < args.b) return Item(args, static_cast<int>(index));
  }
  return Make(Kind::kTemplateParam, 0, static_cast<Ref>(index));
}

Ref Parser::ParseTemplateArgs() {
  DepthGuard guard(*this);
  if (guard.TooDeep() || !Consume('I')) return kNone;
  bool names_function = nesting_ == 0;  // not inside a type: T_ refers to these
  Ref saved_name = last_name_;
  Ref list;
  {
    Nesting nesting(nesting_);
    int mark = scratch_count_;
    while (!Consume('E')) {
      if (!Push(ParseTemplateArg())) {
        scratch_count_ = mark;
        return kNone;
      }
    }
    list = MakeList(Kind::kList, mark);
  }
  if (names_function) template_args_ = list;
  last_name_ = saved_name;
  return list;
}

Ref Parser::ParseTemplateArg() {
  switch (Peek()) {
    case 'L':
      return ParseLiteral();
    case 'X': {
      ++pos_;
      Ref expression = ParseExpression();
      return expression == kNone || !Consume('E') ? kNone : expression;
    }
    case 'J': {
      DepthGuard guard(*this);
      if (guard.TooDeep()) return kNone;
      ++pos_;
      int mark = scratch_count_;
      while (!Consume('E')) {
        if (!Push(ParseTemplateArg())) {
          scratch_count_ = mark;
          return kNone;
        }
      }
      return MakeList(Kind::kPack, mark);
    }
    default:
      return ParseType();
  }
}

}  // namespace rt::demangle
