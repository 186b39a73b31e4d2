// The printer's walk of the tree: names, lists, encodings and packs.
#include "demangle/print/printer.h"

namespace rt::demangle {

namespace {

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

// Past the buffer's end the text is counted, not written, so that what
// follows is still checked and a cut name is refused as the whole would be.
void Printer::Put(std::string_view s) {
  if (Stopped() || s.empty()) return;
  last_ = s.back();
  for (char c : s) {
    if (length_ < out_.size()) out_[length_] = c;
    ++length_;
  }
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

// The words of a name, each written as it is.
void Printer::LeftName(const Node& n) {
  std::string_view input = p_.Input();
  switch (n.kind) {
    case Kind::kSource:
      Put(Slice(input, n.a, n.b));
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
    case Kind::kLambda:
    case Kind::kUnnamed:
    case Kind::kDefaultArg:
      PrintClosure(n);
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
      LeftCompoundName(n);
      break;
  }
}

// Names made of other names: scopes, templates, encodings and the words
// written around a name.
void Printer::LeftCompoundName(const Node& n) {
  switch (n.kind) {
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
      Put(Slice(p_.Input(), n.b, n.c));
      Put("]");
      break;
    default:
      PrintExpression(n);
      break;
  }
}

// Items that print nothing (empty packs) keep their separators, except at
// the end of the list; a separator taken back there still counts as the
// last character, so a list ending so closes with ">>", as the C++
// library writes it.
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
  last_ = length_ != end ? ' ' : end_last;
  length_ = end;
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
    if (n.b != kNone) {
      Put("(");
      PrintList(n.b);
      Put(")");
    }
    if (with_return && n.c != kNone) Right(n.c);
    PrintQualifiers(n.flags);
  }
  template_args_ = saved;
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

}  // namespace rt::demangle
