// The parse of one mangled name into a tree of nodes held in fixed arrays,
// so that reading a name asks nothing of the heap; the printer walks the
// tree afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "demangle/demangle.h"

namespace rt::demangle {

using Ref = std::uint16_t;
inline constexpr Ref kNone = 0xFFFF;

// Capacities: a name that needs more is refused. Nodes take 8 bytes each,
// so that the whole parser takes about 16 KiB of stack; the longest names
// of the C++ library need a tenth of each.
inline constexpr int kMaxNodes = 1536;
inline constexpr int kMaxItems = 1024;
inline constexpr int kMaxScratch = 256;
inline constexpr int kMaxSubstitutions = 512;
inline constexpr int kMaxDepth = 64;

enum class Kind : std::uint8_t {
  kSource,           // a = offset, b = length of an identifier in the input
  kAnonymous,        // "(anonymous namespace)"
  kText,             // a = TextId
  kBuiltin,          // a = index in the builtin types
  kOperator,         // a = index in the operators
  kStdAbbrev,        // a = index in the std abbreviations; flags 1 = full form
  kNested,           // a = scope, b = name
  kTemplate,         // a = name, b = argument list
  kList,             // a = first item, b = count
  kPack,             // a = first item, b = count: an argument pack
  kQualified,        // a = type, flags = cv bits
  kVendorQual,       // a = type, b = qualifier name
  kPointer,          // a = pointee
  kLvalueRef,        // a = referee
  kRvalueRef,        // a = referee
  kComplex,          // a = type
  kImaginary,        // a = type
  kFunction,         // a = return type, b = parameter list, flags = qualifiers
  kEncoding,         // a = name, b = parameter list or kNone, c = return type, flags = qualifiers
  kArray,            // a = element, b = dimension or kNone
  kVector,           // a = element, b = dimension
  kMemberPointer,    // a = class, b = member type
  kCtorDtor,         // a = class name, flags 1 = destructor
  kSpecial,          // a = TextId of the prefix, b = the name or type
  kCtorVtable,       // a = complete class, b = base
  kLocal,            // a = function, b = entity
  kLambda,           // a = parameter list, c = number
  kUnnamed,          // c = number
  kDefaultArg,       // c = number
  kAbiTag,           // a = name, b = tag
  kLiteral,          // a = type, b = offset, c = length of the value; flags 1 = negative
  kPackExpansion,    // a = pattern
  kConversion,       // a = type
  kLiteralOperator,  // a = suffix name
  kClone,            // a = encoding, b = offset, c = length of the suffix
  kTemplateParam,    // a = index: resolved while printing
  kFunctionParam,    // a = index
  kUnary,            // a = operator, b = operand; flags 1 = prefix
  kBinary,           // a = operator, b = left, c = right
  kConditional,      // a = condition, b = then, c = else
  kCall,             // a = callee, b = argument list
  kMember,           // a = object, b = operator ("." or "->"), c = member
  kCast,             // a = type, b = operand or list (flags 1)
  kNamedCast,        // a = type, b = operand, flags = which cast
  kBraced,           // a = type, b = list
  kSizeofType,       // a = type, b = operator
  kDecltype,         // a = expression
};

enum class TextId : std::uint8_t {
  kStd,
  kStringLiteral,
  kVtable,
  kVtt,
  kTypeinfo,
  kTypeinfoName,
  kNonVirtualThunk,
  kVirtualThunk,
  kCovariantThunk,
  kGuardVariable,
  kTlsWrapper,
  kTlsInit,
  kTransactionClone,
  kNonTransactionClone,
  kHiddenAlias,
  kParamObject,
  kThis,
  kThrow,
  kEmpty,
  kCount,
};

// Qualifier bits of types and member functions.
enum : std::uint8_t {
  kConst = 1,
  kVolatile = 2,
  kRestrict = 4,
  kLvalueQual = 8,
  kRvalueQual = 16,
  kNoexcept = 32,
};

// The part of s at [at, at + n), cut at its end: unlike substr, it cannot
// throw, and the demangler must not.
inline std::string_view Slice(std::string_view s, std::size_t at, std::size_t n) {
  if (at > s.size()) at = s.size();
  return std::string_view(s.data() + at, n < s.size() - at ? n : s.size() - at);
}

struct Node {
  Kind kind;
  std::uint8_t flags;
  Ref a, b, c;
};

// The tables of the grammar's fixed names.
struct Builtin {
  const char* code;
  const char* name;
};
struct Operator {
  const char* code;
  const char* name;  // as written after "operator"
  std::uint8_t arity;
};
std::string_view TextOf(TextId id);
int BuiltinCount();
const Builtin& BuiltinAt(int i);
int OperatorCount();
const Operator& OperatorAt(int i);
std::string_view StdAbbrevName(int i, bool full);
std::string_view StdAbbrevClass(int i);  // its constructors' name

class Parser {
 public:
  explicit Parser(std::string_view in) : in_(in) {}
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  // The whole symbol, clone suffixes included; kNone if not understood.
  Ref ParseSymbol();

  const Node& At(Ref r) const { return nodes_[r]; }
  Ref Item(const Node& list, int i) const { return items_[list.a + i]; }
  std::string_view Input() const { return in_; }

 private:
  friend class DepthGuard;

  // The cursor.
  char Peek(std::size_t ahead = 0) const {
    return pos_ + ahead < in_.size() ? in_[pos_ + ahead] : '\0';
  }
  bool Consume(char c);
  bool Consume(std::string_view s);
  bool ParseNumber(std::size_t& value);
  bool ParseSeqId(std::size_t& value);
  bool ParseDiscriminator();
  bool ParseCallOffset();

  // The arrays.
  Ref Make(Kind kind, std::uint8_t flags = 0, Ref a = kNone, Ref b = kNone, Ref c = kNone);
  bool Push(Ref r);
  Ref MakeList(Kind kind, int mark);
  bool AddSubstitution(Ref r);

  // Names (names.cpp).
  Ref ParseEncoding();
  Ref ParseFunctionEncoding();
  Ref ParseSpecialName();
  Ref ParseName(std::uint8_t* qualifiers = nullptr);
  Ref ParseUnscopedName();
  Ref ParseNestedName(std::uint8_t& qualifiers);
  Ref ParseLocalName(std::uint8_t* qualifiers);
  Ref ParseUnqualifiedName(Ref scope);
  Ref ParseSourceName();
  Ref ParseAbiTags(Ref name);
  Ref ParseOperatorName();
  Ref ParseCtorDtorName(Ref scope);
  Ref ParseClosureName();
  Ref ParseSubstitution();
  Ref ParseClones(Ref encoding);

  // Types (types.cpp).
  Ref ParseType();
  Ref ParseQualifiedType();
  Ref ParseCompositeType(bool conversion);
  Ref ParseMemberPointerType();
  Ref ParseVendorQualifiedType();
  Ref ParseTemplateParamType(bool conversion);
  Ref ParseExtendedType();
  Ref ParseBuiltinType();
  Ref ParseFunctionType();
  Ref ParseParameters(bool& ok);
  Ref ParseArrayType();
  Ref ParseTemplateParam();
  Ref ParseTemplateArgs();
  Ref ParseTemplateArg();
  Ref ParseLiteral();

  // Expressions (expressions.cpp).
  Ref ParseExpression();
  Ref ParseExpressionList(char end);
  Ref ParseOperatorExpression();
  Ref ParseUnresolvedName();
  Ref ParseSimpleId(Ref scope);

  std::string_view in_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  int nesting_ = 0;                    // types and template arguments being read
  bool in_lambda_ = false;             // template parameters are a lambda's auto ones
  bool in_conversion_ = false;         // a conversion's own arguments come after it
  bool conversion_type_next_ = false;  // the type read next is a conversion's
  Ref template_args_ = kNone;          // the list that T_ refers to
  Ref last_name_ = kNone;              // the name that a constructor repeats
  int node_count_ = 0;
  int item_count_ = 0;
  int scratch_count_ = 0;
  int substitution_count_ = 0;
  Node nodes_[kMaxNodes];
  Ref items_[kMaxItems];
  Ref scratch_[kMaxScratch];
  Ref substitutions_[kMaxSubstitutions];
};

// Counts the recursion of the grammar's cycles and refuses what is too deep.
class DepthGuard {
 public:
  explicit DepthGuard(Parser& p) : p_(p) { ++p_.depth_; }
  ~DepthGuard() { --p_.depth_; }
  bool TooDeep() const { return p_.depth_ > kMaxDepth; }

 private:
  Parser& p_;
};

}  // namespace rt::demangle
