// The printer's types, written in declarator order: what a pointer,
// reference or array modifies is written around it ("void (*)(int)").
#include "demangle/print/printer.h"

namespace rt::demangle {

namespace {

bool IsIndirection(Kind kind) {
  return kind == Kind::kPointer || kind == Kind::kLvalueRef || kind == Kind::kRvalueRef;
}

}  // namespace

// A qualified array is an array of qualified elements, and is written so.
bool Printer::IsFunctionOrArray(Ref r) {
  Ref t = Resolve(r);
  while (t != kNone && p_.At(t).kind == Kind::kQualified) t = Resolve(p_.At(t).a);
  return t != kNone && (p_.At(t).kind == Kind::kFunction || p_.At(t).kind == Kind::kArray);
}

// Whether the left part of r ends inside a declarator's parenthesis, as
// "void (*" does, so that what follows needs no space.
bool Printer::OpensParen(Ref r) {
  for (int i = 0; i < 64; ++i) {
    Ref t = Resolve(r);
    if (t == kNone) return false;
    const Node& n = p_.At(t);
    if (n.kind == Kind::kMemberPointer) {
      if (IsFunctionOrArray(n.b)) return true;
      r = n.b;
    } else if (IsIndirection(n.kind)) {
      if (IsFunctionOrArray(n.a)) return true;
      r = n.a;
    } else if (n.kind == Kind::kQualified || n.kind == Kind::kArray || n.kind == Kind::kFunction) {
      r = n.a;
    } else {
      return false;
    }
  }
  return false;
}

// A reference to a reference is one reference, an rvalue one only where
// both are.
// in_element tells that the referee lies within an element of the pack
// being expanded, and is printed whole.
Ref Printer::Referee(const Node& n, bool& rvalue, bool& in_element) {
  rvalue = n.kind == Kind::kRvalueRef;
  in_element = false;
  Ref target = n.a;
  for (int i = 0; i < 64; ++i) {
    bool indexed = false;
    Ref t = Resolve(target, &indexed);
    if (t == kNone) return kNone;
    const Node& inner = p_.At(t);
    if (inner.kind == Kind::kLvalueRef) {
      rvalue = false;
    } else if (inner.kind != Kind::kRvalueRef) {
      return target;
    }
    in_element = in_element || indexed;
    target = inner.a;
  }
  return kNone;
}

void Printer::PrintQualifiers(std::uint8_t flags) {
  if ((flags & kConst) != 0) Put(" const");
  if ((flags & kVolatile) != 0) Put(" volatile");
  if ((flags & kRestrict) != 0) Put(" restrict");
  if ((flags & kLvalueQual) != 0) Put(" &");
  if ((flags & kRvalueQual) != 0) Put(" &&");
  if ((flags & kNoexcept) != 0) Put(" noexcept");
}

// A qualified function type (a template parameter's, qualified where it is
// used) keeps its qualifiers inside the declarator's parenthesis, as the
// C++ library writes it: "void ( const&)(int)".
void Printer::LeftIndirection(Ref pointee, std::string_view symbol) {
  Ref t = Resolve(pointee);
  if (t != kNone && p_.At(t).kind == Kind::kQualified) {
    Ref base = Resolve(p_.At(t).a);
    if (base != kNone && p_.At(base).kind == Kind::kFunction) {
      Left(base);
      Put("(");
      PrintQualifiers(p_.At(t).flags);
      Put(symbol);
      return;
    }
  }
  Left(pointee);
  if (t == kNone) return;
  if (p_.At(t).kind == Kind::kFunction) {
    Put("(");
  } else if (IsFunctionOrArray(t)) {
    Put(" (");
  }
  Put(symbol);
}

void Printer::LeftType(const Node& n) {
  switch (n.kind) {
    case Kind::kQualified:
      Left(n.a);
      PrintQualifiers(n.flags);
      break;
    case Kind::kVendorQual:
      Left(n.a);
      Put(" ");
      Print(n.b);
      break;
    case Kind::kPointer:
      LeftIndirection(n.a, "*");
      break;
    case Kind::kLvalueRef:
    case Kind::kRvalueRef: {
      bool rvalue, in_element;
      Ref target = Referee(n, rvalue, in_element);
      if (target == kNone) {
        failed_ = true;
        return;
      }
      int saved = pack_index_;
      if (in_element) pack_index_ = -1;
      LeftIndirection(target, rvalue ? "&&" : "&");
      pack_index_ = saved;
      break;
    }
    case Kind::kComplex:
    case Kind::kImaginary:
      Print(n.a);
      Put(n.kind == Kind::kComplex ? " _Complex" : " _Imaginary");
      break;
    case Kind::kFunction:
      Left(n.a);
      if (!OpensParen(n.a)) Put(" ");
      break;
    case Kind::kArray:
      Left(n.a);
      break;
    case Kind::kVector:
      Print(n.a);
      Put(" __vector(");
      Print(n.b);
      Put(")");
      break;
    case Kind::kMemberPointer:
      Left(n.b);
      if (Resolve(n.b) != kNone && p_.At(Resolve(n.b)).kind == Kind::kFunction) {
        Put("(");
      } else if (IsFunctionOrArray(n.b)) {
        Put(" (");
      } else {
        Put(" ");
      }
      Print(n.a);
      Put("::*");
      break;
    default:
      break;
  }
}

void Printer::RightType(const Node& n) {
  switch (n.kind) {
    case Kind::kQualified:
    case Kind::kVendorQual:
      Right(n.a);
      break;
    case Kind::kPointer:
    case Kind::kLvalueRef:
    case Kind::kRvalueRef: {
      bool rvalue, in_element = false;
      Ref target = n.kind == Kind::kPointer ? n.a : Referee(n, rvalue, in_element);
      if (target == kNone) return;
      int saved = pack_index_;
      if (in_element) pack_index_ = -1;
      if (IsFunctionOrArray(target)) Put(")");
      Right(target);
      pack_index_ = saved;
      break;
    }
    case Kind::kFunction:
      Put("(");
      PrintList(n.b);
      Put(")");
      Right(n.a);
      PrintQualifiers(n.flags);
      break;
    case Kind::kArray:
      if (last_ != ']') Put(" ");
      Put("[");
      if (n.b != kNone) Print(n.b);
      Put("]");
      Right(n.a);
      break;
    case Kind::kMemberPointer:
      if (IsFunctionOrArray(n.b)) Put(")");
      Right(n.b);
      break;
    default:
      break;
  }
}

}  // namespace rt::demangle
