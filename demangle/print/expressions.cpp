// The printer's expressions, literals and pack expansions.
#include "demangle/print/printer.h"

namespace rt::demangle {

namespace {

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
    case Kind::kConditional:
      out[0] = n.a, out[1] = n.b, out[2] = n.c;
      return 3;
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
    case Kind::kNamedCast:
    case Kind::kBraced:
      out[0] = n.a, out[1] = n.b;
      return 2;
    case Kind::kEncoding:
      out[0] = n.a, out[1] = n.b, out[2] = n.c;
      return 3;
    default:
      return 0;
  }
}

// Operands that are names print bare, others in parentheses.
bool IsPlainOperand(Kind kind) {
  return kind == Kind::kSource || kind == Kind::kNested || kind == Kind::kFunctionParam ||
         kind == Kind::kText || kind == Kind::kBraced;
}

constexpr std::string_view kNamedCastNames[] = {"dynamic_cast<", "static_cast<", "const_cast<",
                                                "reinterpret_cast<"};

}  // namespace

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

void Printer::PrintLiteral(const Node& n) {
  static constexpr struct {
    const char* code;
    const char* suffix;
  } kSuffixes[] = {{"i", ""}, {"j", "u"}, {"l", "l"}, {"m", "ul"}, {"x", "ll"}, {"y", "ull"}};
  std::string_view value = Slice(p_.Input(), n.b, n.c);
  Ref type = Resolve(n.a);
  if (type == kNone) return;
  const Node& t = p_.At(type);
  std::string_view code = t.kind == Kind::kBuiltin ? BuiltinAt(t.a).code : "";
  if (value.empty()) {  // nullptr's literal is its type
    Print(type);
    return;
  }
  if (code == "b" && n.flags == 0 && (value == "0" || value == "1")) {
    Put(value == "0" ? "false" : "true");
    return;
  }
  for (const auto& [suffix_code, suffix] : kSuffixes) {
    if (code != suffix_code) continue;
    if (n.flags != 0) Put("-");
    Put(value);
    Put(suffix);
    return;
  }
  bool floating = code == "f" || code == "d" || code == "e" || code == "g";
  Put("(");
  Print(type);
  Put(")");
  if (n.flags != 0) Put("-");
  if (floating) Put("[");
  Put(value);
  if (floating) Put("]");
}

void Printer::PrintOperand(Ref r) {
  Ref t = Resolve(r);
  if (t == kNone) return;
  bool plain = IsPlainOperand(p_.At(t).kind);
  if (!plain) Put("(");
  Print(t);
  if (!plain) Put(")");
}

void Printer::PrintExpression(const Node& n) {
  switch (n.kind) {
    case Kind::kFunctionParam:
      Put("{parm#");
      PutNumber(n.a + 1u);
      Put("}");
      break;
    case Kind::kDecltype:
      Put("decltype (");
      Print(n.a);
      Put(")");
      break;
    case Kind::kUnary:
      PrintUnary(n);
      break;
    case Kind::kBinary:
      PrintBinary(n);
      break;
    case Kind::kConditional:
      PrintOperand(n.a);
      Put("?");
      PrintOperand(n.b);
      Put(" : ");
      PrintOperand(n.c);
      break;
    case Kind::kCall: {
      // A function named by its symbol is called by its name alone.
      const Node& callee = p_.At(n.a);
      if (callee.kind == Kind::kEncoding) {
        Print(callee.a);
      } else {
        PrintOperand(n.a);
      }
      Put("(");
      PrintList(n.b);
      Put(")");
      break;
    }
    case Kind::kMember:
      PrintOperand(n.a);
      Put(OperatorAt(n.b).name);
      PrintOperand(n.c);
      break;
    case Kind::kCast:
      Put("(");
      Print(n.a);
      Put(")");
      if (n.flags != 0) {
        Put("(");
        PrintList(n.b);
        Put(")");
      } else {
        PrintOperand(n.b);
      }
      break;
    case Kind::kNamedCast:
      Put(kNamedCastNames[n.flags]);
      Print(n.a);
      Put(">(");
      Print(n.b);
      Put(")");
      break;
    case Kind::kBraced:
      Print(n.a);
      Put("{");
      PrintList(n.b);
      Put("}");
      break;
    case Kind::kSizeofType:
      Put(OperatorAt(n.b).name);
      Put("(");
      Print(n.a);
      Put(")");
      break;
    default:
      failed_ = true;
      break;
  }
}

void Printer::PrintUnary(const Node& n) {
  std::string_view name = OperatorAt(n.a).name;
  if (n.flags == 0) {  // postfix
    PrintOperand(n.b);
    Put(name);
    return;
  }
  Put(name);
  // The address of a member function is written as its qualified name.
  const Node& operand = p_.At(n.b);
  if (name == "&" && operand.kind == Kind::kEncoding && p_.At(operand.a).kind == Kind::kNested) {
    Print(operand.a);
  } else {
    PrintOperand(n.b);
  }
}

void Printer::PrintBinary(const Node& n) {
  std::string_view name = OperatorAt(n.a).name;
  bool greater = name == ">";  // kept apart from the closing of template arguments
  if (greater) Put("(");
  PrintOperand(n.b);
  if (name == "[]") {
    Put("[");
    Print(n.c);
    Put("]");
  } else {
    Put(name);
    PrintOperand(n.c);
  }
  if (greater) Put(")");
}

}  // namespace rt::demangle
