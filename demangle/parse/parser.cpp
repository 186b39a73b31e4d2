// The parser's cursor and arrays, and the top of the grammar: the symbol,
// its encoding, special names and clone suffixes.
#include "demangle/parse/parser.h"

namespace rt::demangle {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsLower(char c) {
  return c >= 'a' && c <= 'z';
}

// Numbers beyond this are refused: no identifier or index comes near it,
// and the bound keeps sums of them within range.
constexpr std::size_t kMaxNumber = 1u << 24;

}  // namespace

bool Parser::Consume(char c) {
  if (Peek() != c) return false;
  ++pos_;
  return true;
}

bool Parser::Consume(std::string_view s) {
  if (Slice(in_, pos_, s.size()) != s) return false;
  pos_ += s.size();
  return true;
}

bool Parser::ParseNumber(std::size_t& value) {
  if (!IsDigit(Peek())) return false;
  value = 0;
  while (IsDigit(Peek())) {
    value = value * 10 + static_cast<std::size_t>(in_[pos_++] - '0');
    if (value > kMaxNumber) return false;
  }
  return true;
}

bool Parser::ParseSeqId(std::size_t& value) {
  value = 0;
  std::size_t start = pos_;
  for (char c = Peek(); IsDigit(c) || (c >= 'A' && c <= 'Z'); c = Peek()) {
    value = value * 36 + static_cast<std::size_t>(IsDigit(c) ? c - '0' : c - 'A' + 10);
    if (value > kMaxNumber) return false;
    ++pos_;
  }
  return pos_ > start;
}

bool Parser::ParseDiscriminator() {
  if (Peek() != '_') return true;
  if (IsDigit(Peek(1))) {
    pos_ += 2;
    return true;
  }
  std::size_t value;
  return Consume("__") && ParseNumber(value) && Consume('_');
}

bool Parser::ParseCallOffset() {
  std::size_t value;
  if (Consume('h')) {
    Consume('n');
    return ParseNumber(value) && Consume('_');
  }
  if (!Consume('v')) return false;
  Consume('n');
  if (!ParseNumber(value) || !Consume('_')) return false;
  Consume('n');
  return ParseNumber(value) && Consume('_');
}

Ref Parser::Make(Kind kind, std::uint8_t flags, Ref a, Ref b, Ref c) {
  if (node_count_ == kMaxNodes) return kNone;
  nodes_[node_count_] = Node{kind, flags, a, b, c};
  return static_cast<Ref>(node_count_++);
}

bool Parser::Push(Ref r) {
  if (r == kNone || scratch_count_ == kMaxScratch) return false;
  scratch_[scratch_count_++] = r;
  return true;
}

Ref Parser::MakeList(Kind kind, int mark) {
  int count = scratch_count_ - mark;
  scratch_count_ = mark;
  if (item_count_ + count > kMaxItems) return kNone;
  Ref list = Make(kind, 0, static_cast<Ref>(item_count_), static_cast<Ref>(count));
  for (int i = 0; i < count; ++i) items_[item_count_++] = scratch_[mark + i];
  return list;
}

bool Parser::AddSubstitution(Ref r) {
  if (r == kNone || substitution_count_ == kMaxSubstitutions) return false;
  substitutions_[substitution_count_++] = r;
  return true;
}

Ref Parser::ParseSymbol() {
  if (in_.size() > kMaxMangledLength || !Consume("_Z")) return kNone;
  Ref encoding = ParseEncoding();
  return encoding == kNone ? kNone : ParseClones(encoding);
}

// Whether a function's name is a template whose return type is mangled:
// that of constructors, destructors and conversions is not.
static bool HasReturnType(const Parser& p, Ref name) {
  const Node* n = &p.At(name);
  if (n->kind == Kind::kLocal) n = &p.At(n->b);
  if (n->kind != Kind::kTemplate) return false;
  n = &p.At(n->a);
  if (n->kind == Kind::kNested) n = &p.At(n->b);
  while (n->kind == Kind::kAbiTag) n = &p.At(n->a);
  return n->kind != Kind::kCtorDtor && n->kind != Kind::kConversion;
}

Ref Parser::ParseEncoding() {
  DepthGuard guard(*this);
  if (guard.TooDeep()) return kNone;
  if (Peek() == 'T' || Peek() == 'G') return ParseSpecialName();
  // A function's own template parameters are its arguments, wherever it
  // lies, even within another's template arguments.
  int saved_nesting = nesting_;
  nesting_ = 0;
  Ref encoding = ParseFunctionEncoding();
  nesting_ = saved_nesting;
  return encoding;
}

Ref Parser::ParseFunctionEncoding() {
  std::uint8_t qualifiers = 0;
  Ref name = ParseName(&qualifiers);
  if (name == kNone) return kNone;
  char next = Peek();
  if (next == '\0' || next == 'E' || next == '.') {  // a variable
    return qualifiers == 0 ? name : Make(Kind::kEncoding, qualifiers, name);
  }
  Ref ret = kNone;
  if (HasReturnType(*this, name) && (ret = ParseType()) == kNone) return kNone;
  bool ok;
  Ref params = ParseParameters(ok);
  if (!ok) return kNone;
  return Make(Kind::kEncoding, qualifiers, name, params, ret);
}

Ref Parser::ParseSpecialName() {
  struct Prefix {
    const char* code;
    TextId text;
    char operand;  // 't' type, 'n' name, 'e' encoding, 'h' thunk, 'c' covariant thunk, 'a' arg
  };
  static constexpr Prefix kPrefixes[] = {
      {"TV", TextId::kVtable, 't'},
      {"TT", TextId::kVtt, 't'},
      {"TI", TextId::kTypeinfo, 't'},
      {"TS", TextId::kTypeinfoName, 't'},
      {"Th", TextId::kNonVirtualThunk, 'h'},
      {"Tv", TextId::kVirtualThunk, 'h'},
      {"Tc", TextId::kCovariantThunk, 'c'},
      {"TW", TextId::kTlsWrapper, 'n'},
      {"TH", TextId::kTlsInit, 'n'},
      {"TA", TextId::kParamObject, 'a'},
      {"GV", TextId::kGuardVariable, 'n'},
      {"GTt", TextId::kTransactionClone, 'e'},
      {"GTn", TextId::kNonTransactionClone, 'e'},
      {"GA", TextId::kHiddenAlias, 'e'},
  };
  if (Consume("TC")) {  // construction vtable: the complete class, an offset, the base
    Ref complete = ParseType();
    std::size_t offset;
    if (complete == kNone || !ParseNumber(offset) || !Consume('_')) return kNone;
    Ref base = ParseType();
    return base == kNone ? kNone : Make(Kind::kCtorVtable, 0, complete, base);
  }
  for (const Prefix& prefix : kPrefixes) {
    if (!Consume(prefix.code)) continue;
    Ref operand = kNone;
    switch (prefix.operand) {
      case 't':
        operand = ParseType();
        break;
      case 'n':
        operand = ParseName();
        break;
      case 'a':
        operand = ParseTemplateArg();
        break;
      case 'c':
        if (!ParseCallOffset() || !ParseCallOffset()) return kNone;
        operand = ParseEncoding();
        break;
      case 'h':
        pos_ -= 1;  // the call offset's own letter is the code's last
        if (!ParseCallOffset()) return kNone;
        operand = ParseEncoding();
        break;
      default:
        operand = ParseEncoding();
        break;
    }
    if (operand == kNone) return kNone;
    return Make(Kind::kSpecial, 0, static_cast<Ref>(prefix.text), operand);
  }
  return kNone;
}

Ref Parser::ParseClones(Ref encoding) {
  while (Consume('.')) {
    std::size_t start = pos_ - 1;
    if (IsLower(Peek()) || Peek() == '_') {
      while (IsLower(Peek()) || Peek() == '_') ++pos_;
    } else if (!IsDigit(Peek())) {
      return kNone;
    }
    while (IsDigit(Peek())) ++pos_;
    while (Peek() == '.' && IsDigit(Peek(1))) {
      ++pos_;
      while (IsDigit(Peek())) ++pos_;
    }
    encoding =
        Make(Kind::kClone, 0, encoding, static_cast<Ref>(start), static_cast<Ref>(pos_ - start));
    if (encoding == kNone) return kNone;
  }
  return pos_ == in_.size() ? encoding : kNone;
}

}  // namespace rt::demangle
