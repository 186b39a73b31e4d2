// The fixed names of the mangling grammar: builtin types, operators, the
// std abbreviations and the prefixes of special names.
#include <iterator>

#include "demangle/parse/parser.h"

namespace rt::demangle {

namespace {

constexpr Builtin kBuiltins[] = {
    {"v", "void"},
    {"w", "wchar_t"},
    {"b", "bool"},
    {"c", "char"},
    {"a", "signed char"},
    {"h", "unsigned char"},
    {"s", "short"},
    {"t", "unsigned short"},
    {"i", "int"},
    {"j", "unsigned int"},
    {"l", "long"},
    {"m", "unsigned long"},
    {"x", "long long"},
    {"y", "unsigned long long"},
    {"n", "__int128"},
    {"o", "unsigned __int128"},
    {"f", "float"},
    {"d", "double"},
    {"e", "long double"},
    {"g", "__float128"},
    {"z", "..."},
    {"Dd", "decimal64"},
    {"De", "decimal128"},
    {"Df", "decimal32"},
    {"Dh", "half"},
    {"Di", "char32_t"},
    {"Ds", "char16_t"},
    {"Du", "char8_t"},
    {"Da", "auto"},
    {"Dc", "decltype(auto)"},
    {"Dn", "decltype(nullptr)"},
};

// Longer codes first where one is a prefix of another is not needed: all
// operator codes are two letters.
constexpr Operator kOperators[] = {
    {"nw", "new", 3},      {"na", "new[]", 3},   {"dl", "delete", 1},   {"da", "delete[]", 1},
    {"ps", "+", 1},        {"ng", "-", 1},       {"ad", "&", 1},        {"de", "*", 1},
    {"co", "~", 1},        {"pl", "+", 2},       {"mi", "-", 2},        {"ml", "*", 2},
    {"dv", "/", 2},        {"rm", "%", 2},       {"an", "&", 2},        {"or", "|", 2},
    {"eo", "^", 2},        {"aS", "=", 2},       {"pL", "+=", 2},       {"mI", "-=", 2},
    {"mL", "*=", 2},       {"dV", "/=", 2},      {"rM", "%=", 2},       {"aN", "&=", 2},
    {"oR", "|=", 2},       {"eO", "^=", 2},      {"ls", "<<", 2},       {"rs", ">>", 2},
    {"lS", "<<=", 2},      {"rS", ">>=", 2},     {"eq", "==", 2},       {"ne", "!=", 2},
    {"lt", "<", 2},        {"gt", ">", 2},       {"le", "<=", 2},       {"ge", ">=", 2},
    {"ss", "<=>", 2},      {"nt", "!", 1},       {"aa", "&&", 2},       {"oo", "||", 2},
    {"pp", "++", 1},       {"mm", "--", 1},      {"cm", ",", 2},        {"pm", "->*", 2},
    {"pt", "->", 2},       {"cl", "()", 2},      {"ix", "[]", 2},       {"qu", "?", 3},
    {"st", "sizeof ", 1},  {"sz", "sizeof ", 1}, {"at", "alignof ", 1}, {"az", "alignof ", 1},
    {"aw", "co_await", 1}, {"tw", "throw ", 1},  {"ds", ".*", 2},       {"dt", ".", 2},
};

constexpr std::string_view kTexts[] = {
    "std",
    "string literal",
    "vtable for ",
    "VTT for ",
    "typeinfo for ",
    "typeinfo name for ",
    "non-virtual thunk to ",
    "virtual thunk to ",
    "covariant return thunk to ",
    "guard variable for ",
    "TLS wrapper function for ",
    "TLS init function for ",
    "transaction clone for ",
    "non-transaction clone for ",
    "hidden alias for ",
    "template parameter object for ",
    "this",
    "throw",
    "",
};
static_assert(std::size(kTexts) == static_cast<std::size_t>(TextId::kCount));

struct StdAbbrev {
  std::string_view name, full, class_name;
};

// Sa, Sb, Ss, Si, So, Sd, in that order; the full forms name the class
// where a constructor or destructor follows.
constexpr StdAbbrev kStdAbbrevs[] = {
    {"std::allocator", "std::allocator", "allocator"},
    {"std::basic_string", "std::basic_string", "basic_string"},
    {"std::string", "std::basic_string<char, std::char_traits<char>, std::allocator<char> >",
     "basic_string"},
    {"std::istream", "std::basic_istream<char, std::char_traits<char> >", "basic_istream"},
    {"std::ostream", "std::basic_ostream<char, std::char_traits<char> >", "basic_ostream"},
    {"std::iostream", "std::basic_iostream<char, std::char_traits<char> >", "basic_iostream"},
};

}  // namespace

std::string_view TextOf(TextId id) {
  return kTexts[static_cast<int>(id)];
}
int BuiltinCount() {
  return static_cast<int>(std::size(kBuiltins));
}
const Builtin& BuiltinAt(int i) {
  return kBuiltins[i];
}
int OperatorCount() {
  return static_cast<int>(std::size(kOperators));
}
const Operator& OperatorAt(int i) {
  return kOperators[i];
}

std::string_view StdAbbrevName(int i, bool full) {
  return full ? kStdAbbrevs[i].full : kStdAbbrevs[i].name;
}
std::string_view StdAbbrevClass(int i) {
  return kStdAbbrevs[i].class_name;
}

}  // namespace rt::demangle
