// The printer's walk of the tree: names, lists, encodings and packs.
#include "exe/demangle_printer.h"

namespace rt::demangle {

namespace {

// Bounds on the walk: substitutions let a short name stand for a tree far
// deeper or larger than its text, and printing must end all the same.
constexpr int kMaxPrintDepth = 160;
constexpr long kMaxWork = 1L << 18;

bool IsTypeKind(Kind kind) {
  switch (kind) {
    case Kind::kQualified:
    case Kind::kVendorQual:
    case Kind::kPointer:
    case Kind::kLvalueRef:
    case Kind::kRvalueRef:
    case Kind::kComplex:
    case Kind::kImaginary:
    case Kind::kFunction:
    case Kind::kArray:
    case Kind::kVector:
    case Kind::kMemberPointer:
      return true;
    default:
      return false;
  }
}

// The arguments that a function template's parameters refer to.
Ref FunctionTemplateArgs(const Parser& p, Ref name) {
  const Node* n = &p.At(name);
  if (n->kind == Kind::kLocal) n = &p.At(n->b);
  return n->kind == Kind::kTemplate ? n->b : kNone;
}

// The nodes that n refers to, where a pack may lie: a pack expansion's are
// its own.
int ChildrenOf(const Node& n, Ref (&out)[3]) {
  switch (n.kind) {
    case Kind::kQualified:
    case Kind::kPointer:
    case Kind::kLvalueRef:
    case Kind::kRvalueRef:
    case Kind::kComplex:
    case Kind::kImaginary:
    case Kind::kConversion:
    case Kind::kDecltype:
    case Kind::kCtorDtor:
    case Kind::kLambda:
    case Kind::kLiteral:
    case Kind::kSizeofType:
      out[0] = n.a;
      return 1;
    case Kind::kUnary:
      out[0] = n.b;
      return 1;
    case Kind::kBinary:
      out[0] = n.b, out[1] = n.c;
      return 2;
    case Kind::kMember:
      out[0] = n.a, out[1] = n.c;
      return 2;
    case Kind::kNested:
    case Kind::kTemplate:
    case Kind::kLocal:
    case Kind::kMemberPointer:
    case Kind::kFunction:
    case Kind::kArray:
    case Kind::kVector:
    case Kind::kAbiTag:
    case Kind::kVendorQual:
    case Kind::kCall:
    case Kind::kCast:
      out[0] = n.a, out[1] = n.b;
      return 2;
    case Kind::kEncoding:
      out[0] = n.a, out[1] = n.b, out[2] = n.c;
      return 3;
    default:
      return 0;
  }
}

}  // namespace

bool Printer::PrintSymbol(Ref root, DemangleStyle style) {
  if (style == DemangleStyle::kNameOnly) {
    while (p_.At(root).kind == Kind::kClone) root = p_.At(root).a;
    const Node* n = &p_.At(root);
    if (n->kind == Kind::kSpecial && p_.At(n->b).kind == Kind::kEncoding) {
      Put(TextOf(static_cast<TextId>(n->a)));
      root = n->b;
      n = &p_.At(root);
    }
    if (n->kind == Kind::kEncoding) {
      PrintEncoding(*n, true, false);
      return !failed_;
    }
  }
  Print(root);
  return !failed_;
}

void Printer::Put(std::string_view s) {
  if (Stopped() || s.empty()) return;
  for (char c : s) {
    if (length_ == out_.size()) {
      cut_ = true;
      return;
    }
    out_[length_++] = c;
  }
  last_ = s.back();
}

void Printer::PutNumber(std::size_t value) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) Put(std::string_view(&digits[--n], 1));
}

bool Printer::Enter() {
  if (Stopped()) return false;
  if (++depth_ > kMaxPrintDepth || ++work_ > kMaxWork) {
    failed_ = true;
    --depth_;
    return false;
  }
  return true;
}

Ref Printer::Resolve(Ref r, bool* indexed) {
  for (int i = 0; i < 4 && r != kNone; ++i) {
    const Node& n = p_.At(r);
    if (n.kind == Kind::kTemplateParam && !in_lambda_) {
      if (template_args_ == kNone || n.a >= p_.At(template_args_).b) break;
      r = p_.Item(p_.At(template_args_), n.a);
    } else if (n.kind == Kind::kPack && pack_index_ >= 0) {
      if (pack_index_ >= n.b) break;
      r = p_.Item(n, pack_index_);
      if (indexed != nullptr) *indexed = true;
    } else {
      return r;
    }
  }
  failed_ = true;
  return kNone;
}

void Printer::Print(Ref r) {
  Left(r);
  Right(r);
}

// An element of the pack being expanded is printed whole: packs within it
// are not expanded with it.
void Printer::Left(Ref r) {
  if (!Enter()) return;
  bool indexed = false;
  r = Resolve(r, &indexed);
  int saved = pack_index_;
  if (indexed) pack_index_ = -1;
  if (r != kNone) {
    const Node& n = p_.At(r);
    if (IsTypeKind(n.kind)) {
      LeftType(n);
    } else if (n.kind == Kind::kList || n.kind == Kind::kPack) {
      PrintList(r);
    } else {
      LeftName(n);
    }
  }
  pack_index_ = saved;
  --depth_;
}

void Printer::Right(Ref r) {
  if (!Enter()) return;
  bool indexed = false;
  r = Resolve(r, &indexed);
  int saved = pack_index_;
  if (indexed) pack_index_ = -1;
  if (r != kNone && IsTypeKind(p_.At(r).kind)) RightType(p_.At(r));
  pack_index_ = saved;
  --depth_;
}

void Printer::LeftName(const Node& n) {
  std::string_view input = p_.Input();
  switch (n.kind) {
    case Kind::kSource:
      Put(input.substr(n.a, n.b));
      break;
    case Kind::kAnonymous:
      Put("(anonymous namespace)");
      break;
    case Kind::kText:
      Put(TextOf(static_cast<TextId>(n.a)));
      break;
    case Kind::kBuiltin:
      Put(BuiltinAt(n.a).name);
      break;
    case Kind::kOperator: {
      std::string_view name = OperatorAt(n.a).name;
      Put("operator");
      if (name[0] >= 'a' && name[0] <= 'z') Put(" ");
      Put(name);
      break;
    }
    case Kind::kStdAbbrev:
      Put(StdAbbrevName(n.a, n.flags != 0));
      break;
    case Kind::kLocal:
      // The function that holds a local entity is written without its
      // return type.
      if (p_.At(n.a).kind == Kind::kEncoding) {
        PrintEncoding(p_.At(n.a), false, false);
      } else {
        Print(n.a);
      }
      Put("::");
      Print(n.b);
      break;
    case Kind::kNested:
      Print(n.a);
      Put("::");
      Print(n.b);
      break;
    case Kind::kTemplate:
      Print(n.a);
      if (last_ == '<') Put(" ");  // "operator< <T>"
      PrintTemplateArgs(n.b);
      break;
    case Kind::kEncoding:
      PrintEncoding(n, false, true);
      break;
    case Kind::kCtorDtor:
      if (n.flags != 0) Put("~");
      if (p_.At(n.a).kind == Kind::kStdAbbrev) {  // its class's own name
        Put(StdAbbrevClass(p_.At(n.a).a));
      } else {
        Print(n.a);
      }
      break;
    case Kind::kSpecial:
      Put(TextOf(static_cast<TextId>(n.a)));
      Print(n.b);
      break;
    case Kind::kCtorVtable:
      Put("construction vtable for ");
      Print(n.b);
      Put("-in-");
      Print(n.a);
      break;
    case Kind::kLambda:
    case Kind::kUnnamed:
    case Kind::kDefaultArg:
      PrintClosure(n);
      break;
    case Kind::kAbiTag:
      Print(n.a);
      Put("[abi:");
      Print(n.b);
      Put("]");
      break;
    case Kind::kConversion:
      Put("operator ");
      Print(n.a);
      break;
    case Kind::kLiteralOperator:
      Put("operator\"\" ");
      Print(n.a);
      break;
    case Kind::kClone:
      Print(n.a);
      Put(" [clone ");
      Put(input.substr(n.b, n.c));
      Put("]");
      break;
    case Kind::kTemplateParam:  // unresolved: only a lambda's are printed
      if (!in_lambda_) failed_ = true;
      Put("auto:");
      PutNumber(n.a + 1u);
      break;
    case Kind::kPackExpansion:
      PrintPackExpansion(n.a);
      break;
    case Kind::kLiteral:
      PrintLiteral(n);
      break;
    default:
      PrintExpression(n);
      break;
  }
}

// Items that print nothing (empty packs) keep their separators, except at
// the end of the list.
void Printer::PrintList(Ref list) {
  const Node& n = p_.At(list);
  std::size_t end = length_;
  char end_last = last_;
  for (int i = 0; i < n.b && !Stopped(); ++i) {
    if (i > 0) Put(", ");
    std::size_t before = length_;
    Print(p_.Item(n, i));
    if (length_ != before) end = length_, end_last = last_;
  }
  if (Stopped()) return;
  length_ = end;
  last_ = end_last;
}

void Printer::PrintTemplateArgs(Ref list) {
  Put("<");
  PrintList(list);
  if (last_ == '>') Put(" ");
  Put(">");
}

void Printer::PrintEncoding(const Node& n, bool name_only, bool with_return) {
  Ref saved = template_args_;
  Ref args = FunctionTemplateArgs(p_, n.a);
  if (args != kNone) template_args_ = args;
  if (!name_only && with_return && n.c != kNone) {
    Left(n.c);
    if (!OpensParen(n.c)) Put(" ");
  }
  Print(n.a);
  if (!name_only) {
    Put("(");
    PrintList(n.b);
    Put(")");
    if (with_return && n.c != kNone) Right(n.c);
    PrintQualifiers(n.flags);
  }
  template_args_ = saved;
}

void Printer::PrintQualifiers(std::uint8_t flags) {
  if ((flags & kConst) != 0) Put(" const");
  if ((flags & kVolatile) != 0) Put(" volatile");
  if ((flags & kRestrict) != 0) Put(" restrict");
  if ((flags & kLvalueQual) != 0) Put(" &");
  if ((flags & kRvalueQual) != 0) Put(" &&");
  if ((flags & kNoexcept) != 0) Put(" noexcept");
}

void Printer::PrintClosure(const Node& n) {
  if (n.kind == Kind::kLambda) {
    Put("{lambda(");
    bool saved = in_lambda_;
    in_lambda_ = true;
    PrintList(n.a);
    in_lambda_ = saved;
    Put(")#");
  } else {
    Put(n.kind == Kind::kUnnamed ? "{unnamed type#" : "{default arg#");
  }
  PutNumber(n.c);
  Put("}");
}

void Printer::PrintPackExpansion(Ref pattern) {
  int size = PackSize(pattern, 0);
  if (size < 0) {  // no pack known: the pattern as written
    Print(pattern);
    Put("...");
    return;
  }
  int saved = pack_index_;
  for (int i = 0; i < size && !Stopped(); ++i) {
    if (i > 0) Put(", ");
    pack_index_ = i;
    Print(pattern);
  }
  pack_index_ = saved;
}

// The length of the first pack that the pattern holds, or -1.
int Printer::PackSize(Ref r, int depth) {
  if (r == kNone || depth > kMaxPrintDepth || ++work_ > kMaxWork) return -1;
  const Node* n = &p_.At(r);
  if (n->kind == Kind::kTemplateParam && !in_lambda_ && template_args_ != kNone &&
      n->a < p_.At(template_args_).b) {
    n = &p_.At(p_.Item(p_.At(template_args_), n->a));
  }
  if (n->kind == Kind::kPack) return n->b;
  if (n->kind == Kind::kList) {
    for (int i = 0; i < n->b; ++i) {
      int size = PackSize(p_.Item(*n, i), depth + 1);
      if (size >= 0) return size;
    }
    return -1;
  }
  Ref children[3];
  int count = ChildrenOf(*n, children);
  for (int i = 0; i < count; ++i) {
    int size = PackSize(children[i], depth + 1);
    if (size >= 0) return size;
  }
  return -1;
}

}  // namespace rt::demangle
