// The variables in scope at an address and the types of their values, in
// entries built byte by byte: blocks that hold the address or not, inlined
// instances named through their origins, types behind typedefs and in type
// units, and references that lead nowhere; and those of a real program
// that the build's compiler makes at test time; and the values a call site
// says its call passed.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dwarf/functions/function_chain.h"
#include "dwarf/info/unit_root.h"
#include "dwarf/variables/variable_reader.h"
#include "tests/support/info_builder.h"
#include "tests/support/scratch.h"

namespace {

using namespace testing_support;
using Kind = rt::TypeView::Kind;

constexpr std::uint64_t kTagBase = 0x24, kTagPointer = 0x0f, kTagReference = 0x10,
                        kTagTypedef = 0x16, kTagConst = 0x26, kTagEnum = 0x04,
                        kTagEnumerator = 0x28, kTagMember = 0x0d, kTagInheritance = 0x1c,
                        kTagArray = 0x01, kTagSubrange = 0x21, kTagNullptrType = 0x3b,
                        kTagParameter = 0x05, kTagVariable = 0x34, kTagTypeUnit = 0x41;
constexpr std::uint64_t kAtLocation = 0x02, kAtByteSize = 0x0b, kAtBitSize = 0x0d,
                        kAtConstValue = 0x1c, kAtUpperBound = 0x2f, kAtCount = 0x37,
                        kAtMemberLocation = 0x38, kAtDeclaration = 0x3c, kAtDeclLine = 0x3b,
                        kAtEncoding = 0x3e, kAtExternal = 0x3f, kAtFrameBase = 0x40, kAtType = 0x49,
                        kAtSignature = 0x69;
constexpr std::uint64_t kFormBlock1 = 0x0a;

InfoAttribute Attr(std::uint64_t attribute, std::uint64_t form, std::uint64_t value = 0) {
  return {attribute, form, value};
}
InfoAttribute Ref(std::uint64_t attribute, const std::string& label) {
  return {attribute, kFormRef4, 0, 0, std::nullopt, label};
}
InfoAttribute Name(const std::string& name) {
  return {kAtName, kFormString, 0, 0, Bytes(name) + '\0'};
}
InfoAttribute Raw(std::uint64_t attribute, std::uint64_t form, const Bytes& bytes) {
  return {attribute, form, 0, 0, bytes};
}
InfoAttribute Line(std::uint64_t line) {
  return Attr(kAtDeclLine, kFormData1, line);
}
std::vector<InfoAttribute> Code(std::uint64_t low, std::uint64_t high,
                                std::vector<InfoAttribute> more = {}) {
  more.push_back(Attr(kAtLowPc, kFormAddr, low));
  more.push_back(Attr(kAtHighPc, kFormData4, high - low));
  return more;
}
InfoEntry Base(const std::string& name, std::uint64_t encoding, std::uint64_t size) {
  std::vector<InfoAttribute> a = {Name(name), Attr(kAtEncoding, kFormData1, encoding),
                                  Attr(kAtByteSize, kFormData1, size)};
  return {kTagBase, a, {}, name == "unsigned char" ? "uchar" : name};
}
InfoEntry Typed(std::uint64_t tag, const std::string& type, const std::string& label,
                std::vector<InfoAttribute> more = {}) {
  more.push_back(Ref(kAtType, type));
  return {tag, more, {}, label};
}

struct Fixture {
  DebugInfo d;
  std::vector<std::uint64_t> units;
  std::unique_ptr<InfoSources> sources;
  std::unique_ptr<rt::VariableReader> reader;
  rt::UnitRoot root;

  void Start() {
    sources = std::make_unique<InfoSources>(d, Bytes());
    reader = std::make_unique<rt::VariableReader>(sources->sources);
  }
  const rt::UnitSummary& Unit(std::size_t k) {
    rt::UnitRootReader roots(sources->sources);
    EXPECT_TRUE(roots.Read(static_cast<std::int64_t>(units[k]), true, root));
    return root;
  }
  std::int64_t At(const std::string& label) {
    return label.empty() ? 12345678 : static_cast<std::int64_t>(d.entries.at(label));
  }
  std::string LabelOf(std::int64_t offset) {
    for (const auto& [label, at] : d.entries)
      if (static_cast<std::int64_t>(at) == offset) return label;
    return std::to_string(offset);
  }
};

// Each variable as name, then @bytes of an expression, #list, =constant,
// :type label.
std::string Scope(Fixture& f, const std::string& function, std::uint64_t pc, std::uint32_t line) {
  rt::ScopeVariable out[rt::VariableReader::kMaxVariables];
  int n = f.reader->VariablesInScope(f.Unit(0), f.At(function), pc, line, out, 32);
  std::string s;
  for (int i = 0; i < n; ++i) {
    const rt::ScopeVariable& v = out[i];
    s += (i > 0 ? " " : "") + std::string(v.name.view()) + (v.parameter ? "()" : "");
    if (v.location.is_expression()) {
      s += "@" + f.d.info.substr(static_cast<std::size_t>(v.location.at), v.location.length);
    }
    if (v.location.list.kind != rt::FormValue::Kind::kNone) s += "#";
    if (v.has_const_value) s += "=" + std::to_string(v.const_value);
    if (v.type >= 0) s += ":" + f.LabelOf(v.type);
  }
  return s;
}

TEST(VariableScopeTest, ParametersThenLocalsOfTheBlocksThatHoldThePc) {
  Fixture f;
  InfoUnit u = RootUnit(4, {Attr(kAtLowPc, kFormAddr, 0), Attr(kAtHighPc, kFormData4, 0x2000)});
  InfoAttribute origin_far = Raw(kAtAbstractOrigin, kFormRef4, Bytes("\xff\xff\x00\x00", 4));
  // clang-format off
  u.children = {
      Base("int", 5, 4),
      {kTagSubprogram, Code(0x1000, 0x1100, {Name("f"), Raw(kAtFrameBase, kFormExprloc, "\x01\x9c")}), {
          {kTagParameter, {Name("a"), Ref(kAtType, "int"), Raw(kAtLocation, kFormExprloc, "\x02\x91\x6c")}},
          {kTagVariable, {Name("before"), Ref(kAtType, "int"), Line(4)}},
          {kTagVariable, {Name("after"), Line(9), Attr(kAtLocation, kFormSecOffset, 0x40)}},
          {kTagVariable, {Name("ext"), Line(2), Attr(kAtExternal, kFormFlagPresent)}},
          {kTagVariable, {origin_far, Line(2)}},
          {kTagLexicalBlock, Code(0x1010, 0x1050), {
              {kTagVariable, {Name("inner"), Line(5), Attr(kAtConstValue, kFormData1, 7)}},
              {kTagLexicalBlock, Code(0x1020, 0x1030), {{kTagVariable, {Name("deep"), Line(6)}}}},
              {kTagLexicalBlock, Code(0x1030, 0x1040), {{kTagVariable, {Name("other"), Line(6)}}}}}},
          {kTagParameter, {Name("b")}},
          {kTagInlined, Code(0x1060, 0x1070, {Ref(kAtAbstractOrigin, "g")}), {
              {kTagParameter, {Ref(kAtAbstractOrigin, "gx"), Raw(kAtLocation, kFormExprloc, "\x01\x50")}},
              {kTagVariable, {Ref(kAtAbstractOrigin, "gy"), Attr(kAtConstValue, kFormData1, 5)}}},
           "call"}},
       "f"},
      {kTagSubprogram, {Name("g"), Attr(kAtInline, kFormData1, 1)}, {
          {kTagParameter, {Name("x"), Ref(kAtType, "int"), Line(20)}, {}, "gx"},
          {kTagVariable, {Name("y"), Line(21)}, {}, "gy"}}, "g"}};
  // clang-format on
  f.units = {f.d.Add(u)};
  f.Start();
  struct Row {
    const char* label;
    std::string function;
    std::uint64_t pc;
    std::uint32_t line;
    std::string variables;
  };
  std::vector<Row> rows = {
      {"OutsideEveryBlock", "f", 0x1050, 0, "a()@\x91\x6c:int b() before:int after#"},
      {"AtOrBeforeTheirLines", "f", 0x1004, 4, "a()@\x91\x6c:int b()"},
      {"NestedBlockOuterFirst", "f", 0x1024, 7, "a()@\x91\x6c:int b() before:int inner=7 deep"},
      {"SiblingBlock", "f", 0x1034, 0, "a()@\x91\x6c:int b() before:int after# inner=7 other"},
      {"InlinedThroughOrigins", "call", 0x1064, 22, "x()@\x50:int y=5"},
      {"NotAnEntry", "", 0x1004, 0, ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Scope(f, row.function, row.pc, row.line), row.variables) << row.label;
  }
  rt::EntryLocation base;
  ASSERT_TRUE(f.reader->FrameBase(f.Unit(0), f.At("f"), base));
  EXPECT_EQ(f.d.info.substr(static_cast<std::size_t>(base.at), base.length), "\x9c");
}

// Each parameter a call passed as register=value expression.
std::string Passed(Fixture& f, const std::string& function, std::uint64_t return_pc) {
  rt::CallSiteValue out[4];
  int n = f.reader->CallSiteValues(f.Unit(0), f.At(function), return_pc, out, 4);
  std::string s;
  for (int i = 0; i < n; ++i) {
    s += (i > 0 ? " " : "") + std::to_string(out[i].reg) + "=" +
         f.d.info.substr(static_cast<std::size_t>(out[i].value.at), out[i].value.length);
  }
  return s;
}

TEST(CallSiteTest, TheParametersOfTheCallThatReturnsThere) {
  constexpr std::uint64_t kCallSite = 0x48, kParameter = 0x49, kGnuCallSite = 0x4109,
                          kGnuParameter = 0x410a, kAtReturnPc = 0x7d, kAtCallValue = 0x7e,
                          kAtGnuValue = 0x2111;
  Fixture f;
  InfoUnit u = RootUnit(5, {Attr(kAtLowPc, kFormAddr, 0), Attr(kAtHighPc, kFormData4, 0x2000)});
  // clang-format off
  u.children = {
      {kTagSubprogram, Code(0x1000, 0x1100, {Name("f")}), {
          {kCallSite, {Attr(kAtReturnPc, kFormAddr, 0x1010)}, {
              {kParameter, {Raw(kAtLocation, kFormExprloc, "\x01\x55"),
                            Raw(kAtCallValue, kFormExprloc, "\x02\x73\x01")}},
              // Not one register: left out.
              {kParameter, {Raw(kAtLocation, kFormExprloc, "\x02\x54\x96"),
                            Raw(kAtCallValue, kFormExprloc, "\x01\x30")}},
              {kParameter, {Raw(kAtLocation, kFormExprloc, "\x01\x54")}}}},
          {kTagLexicalBlock, Code(0x1018, 0x1030), {
              {kGnuCallSite, {Attr(kAtLowPc, kFormAddr, 0x1020)}, {
                  {kGnuParameter, {Raw(kAtLocation, kFormExprloc, "\x02\x90\x04"),
                                   Raw(kAtGnuValue, kFormExprloc, "\x01\x37")}}}}}},
          {kCallSite, {Attr(kAtReturnPc, kFormAddr, 0x1040)}}},
       "f"}};
  // clang-format on
  f.units = {f.d.Add(u)};
  f.Start();
  EXPECT_EQ(Passed(f, "f", 0x1010), "5=\x73\x01");
  EXPECT_EQ(Passed(f, "f", 0x1020), "4=\x37");
  EXPECT_EQ(Passed(f, "f", 0x1040), "");
  EXPECT_EQ(Passed(f, "f", 0x1050), "");
}

// Each type as kind, size, qualified name, ->target label, [count].
std::string Describe(Fixture& f, std::size_t unit, const std::string& label, bool in_types) {
  static const char* kinds[] = {"unknown", "signed", "unsigned", "bool",    "char",
                                "schar",   "uchar",  "float",    "pointer", "reference",
                                "enum",    "struct", "array",    "nullptr"};
  rt::TypeView view;
  if (!f.reader->DescribeType(f.Unit(unit), f.At(label), in_types, view)) return "none";
  std::string s = std::string(kinds[static_cast<int>(view.kind)]) + " " +
                  std::to_string(view.size) + " " + std::string(view.name.view());
  if (view.target >= 0) s += " ->" + f.LabelOf(view.target) + (view.target_in_types ? "'" : "");
  if (view.count > 0) s += " [" + std::to_string(view.count) + "]";
  return s;
}

TEST(VariableTypeTest, KindsNamesMembersAndTypeUnits) {
  Fixture f;
  // clang-format off
  // Version 4's .debug_types: std::vector<int> with a pointer member.
  InfoUnit vec = RootUnit(4, {});
  vec.in_types = true;
  vec.signature = 0x1111;
  vec.type_label = "vec";
  vec.children = {{kTagNamespace, {Name("std")}, {
      {kTagClass, {Name("vector<int>"), Attr(kAtByteSize, kFormData1, 24)}, {
          {kTagMember, {Name("_M_start"), Ref(kAtType, "vint"), Attr(kAtMemberLocation, kFormData1, 0)}}},
       "vec"}}},
      Base("int", 5, 4), Typed(kTagPointer, "int", "vint")};
  f.d.Add(vec);
  // Version 5's type unit in .debug_info: std::__cxx11::basic_string<char>.
  InfoUnit str = RootUnit(5, {});
  str.unit_type = kUnitType;
  str.signature = 0x2222;
  str.type_label = "str";
  str.children = {{kTagNamespace, {Name("std")}, {{kTagNamespace, {Name("__cxx11")}, {
      {kTagClass, {Name("basic_string<char>"), Attr(kAtByteSize, kFormData1, 32)}, {}, "str"}}}}}};
  std::uint64_t type_unit = f.d.Add(str);
  InfoUnit u = RootUnit(4, {});
  std::vector<InfoEntry> enumerators;
  for (auto [name, value] : {std::pair{"Red", 0}, {"Blue", 0xff}, {"Green", 2}}) {
    enumerators.push_back({kTagEnumerator, {Name(name), Attr(kAtConstValue, kFormData1, value)}});
  }
  u.children = {
      Base("int", 5, 4), Base("char", 6, 1), Base("signed char", 6, 1), Base("unsigned char", 8, 1),
      Base("bool", 2, 1), Base("double", 4, 8), Base("unsigned long", 7, 8),
      Typed(kTagTypedef, "cint", "Score", {Name("Score")}), Typed(kTagConst, "int", "cint"),
      Typed(kTagConst, "Score", "cscore"), Typed(kTagPointer, "cscore", "ptr"),
      {kTagPointer, {}, {}, "voidp"}, Typed(kTagReference, "int", "ref"),
      {kTagNamespace, {Name("Grades")}, {
          {kTagEnum, {Name("Colour"), Attr(kAtByteSize, kFormData1, 1), Ref(kAtType, "uchar")},
           enumerators, "colour"},
          {kTagStructure, {Name("Student"), Attr(kAtByteSize, kFormData1, 16)}, {
              {kTagInheritance, {Ref(kAtType, "int"), Attr(kAtMemberLocation, kFormData1, 0)}},
              {kTagMember, {Name("name"), Ref(kAtType, "ptr"), Raw(kAtMemberLocation, kFormBlock1, "\x02\x23\x04")}},
              {kTagMember, {Name("mark"), Ref(kAtType, "cscore"), Attr(kAtMemberLocation, kFormData1, 12)}},
              {kTagMember, {Name("flag"), Ref(kAtType, "int"), Attr(kAtBitSize, kFormData1, 1)}},
              {kTagMember, {Name("count"), Ref(kAtType, "int"), Attr(kAtDeclaration, kFormFlagPresent)}}},
           "student"}}},
      {kTagArray, {Ref(kAtType, "int")}, {{kTagSubrange, {Attr(kAtCount, kFormData1, 3)}}}, "arr3"},
      {kTagArray, {Ref(kAtType, "Score")}, {{kTagSubrange, {Attr(kAtUpperBound, kFormData1, 4)}}}, "arr5"},
      {kTagArray, {Ref(kAtType, "int")}, {{kTagSubrange, {Attr(kAtCount, kFormData1, 2)}},
                                          {kTagSubrange, {Attr(kAtCount, kFormData1, 3)}}}, "arr23"},
      {kTagNullptrType, {Name("decltype(nullptr)")}, {}, "nullt"},
      {kTagClass, {Name("vector<int>"), Attr(kAtDeclaration, kFormFlagPresent),
                   Attr(kAtSignature, kFormRefSig8, 0x1111)}, {}, "vecdecl"},
      {kTagPointer, {Attr(kAtType, kFormRefSig8, 0x2222)}, {}, "strp"},
      {kTagPointer, {Attr(kAtType, kFormRefSig8, 0x3333)}, {}, "nosig"},
      Typed(kTagTypedef, "cycleb", "cyclea"), Typed(kTagTypedef, "cyclea", "cycleb"),
      {kTagTypedef, {Raw(kAtType, kFormRef4, Bytes("\x00\x00\x01\x00", 4))}, {}, "far"}};
  // clang-format on
  f.units = {0, type_unit, f.d.Add(u)};
  f.Start();
  std::map<std::string, std::string> rows = {
      {"int", "signed 4 int"},
      {"char", "char 1 char"},
      {"signed char", "schar 1 signed char"},
      {"uchar", "uchar 1 unsigned char"},
      {"bool", "bool 1 bool"},
      {"double", "float 8 double"},
      {"unsigned long", "unsigned 8 unsigned long"},
      {"cscore", "signed 4 int"},
      {"ptr", "pointer 8  ->int"},
      {"voidp", "pointer 8 "},
      {"ref", "reference 8  ->int"},
      {"colour", "enum 1 Grades::Colour ->uchar"},
      {"student", "struct 16 Grades::Student"},
      {"arr3", "array 12  ->int [3]"},
      {"arr5", "array 20  ->int [5]"},
      {"arr23", "array 24  ->int [2]"},
      {"nullt", "nullptr 8 decltype(nullptr)"},
      {"vecdecl", "struct 24 std::vector<int>"},
      {"strp", "pointer 8  ->str"},
      {"nosig", "pointer 8 "},
      {"cyclea", "none"},
      {"far", "none"},
  };
  for (const auto& [label, expected] : rows) {
    EXPECT_EQ(Describe(f, 2, label, false), expected) << label;
  }
  EXPECT_EQ(Describe(f, 1, "str", false), "struct 32 std::__cxx11::basic_string<char>");
  EXPECT_EQ(Describe(f, 2, "vec", true), "struct 24 std::vector<int>");

  auto members = [&](const std::string& label, bool in_types) {
    rt::TypeMember out[8];
    int n = f.reader->MembersOf(f.Unit(2), f.At(label), in_types, out, 8);
    std::string s;
    for (int i = 0; i < n; ++i) {
      s += (out[i].base ? "base" : std::string(out[i].name.view())) + ":" + f.LabelOf(out[i].type) +
           (out[i].type_in_types ? "'" : "") + "@" + std::to_string(out[i].offset) + " ";
    }
    return s;
  };
  EXPECT_EQ(members("student", false), "base:int@0 name:ptr@4 mark:cscore@12 ");
  EXPECT_EQ(members("vecdecl", false), "_M_start:vint'@0 ");

  for (auto [value, name] : {std::pair{0, "Red"}, {2, "Green"}, {-1, "Blue"}, {7, ""}}) {
    EXPECT_EQ(f.reader->EnumeratorName(f.Unit(2), f.At("colour"), false, value).view(), name);
  }
}

constexpr const char* kProgram = R"(#include <cstdio>
#include <string>
#include <vector>
namespace Grades {
enum class Colour : unsigned char { kRed, kBlue = 7 };
struct Student { const char* name; int marks[3]; Colour colour; };
}
int Rank(const Grades::Student& best, std::vector<int> marks, int count) {
  std::string label = "top";
  Grades::Colour colour = Grades::Colour::kBlue;
  return count + int(marks.size() + label.size()) + int(colour) + best.marks[0];
}
int main() { std::printf("%p\n", reinterpret_cast<void*>(&Rank)); return Rank({}, {4}, 3) == 0; }
)";

// Each variable as name:type, a reference's as its target{members}&.
std::string Described(rt::VariableReader& reader, const rt::FunctionChain& chain,
                      std::uint64_t pc) {
  rt::ScopeVariable vars[8];
  int n = reader.VariablesInScope(chain.root, chain.links[0].entry, pc, 0, vars, 8);
  std::string s;
  for (int i = 0; i < n; ++i) {
    rt::TypeView view;
    reader.DescribeType(chain.root, vars[i].type, vars[i].type_in_types, view);
    s += std::string(vars[i].name.view()) + ":" + std::string(view.name.view());
    if (view.kind == rt::TypeView::Kind::kReference) {
      rt::TypeMember members[4];
      int m = reader.MembersOf(chain.root, view.target, view.target_in_types, members, 4);
      reader.DescribeType(chain.root, view.target, view.target_in_types, view);
      s += std::string(view.name.view()) + "{" + std::to_string(m) + "}&";
    }
    s += "; ";
  }
  return s;
}

TEST(VariableProgramTest, TypesInTheUnitAndInTypeUnits) {
  const char* cxx = std::getenv("CXX");
  if (cxx == nullptr) GTEST_SKIP() << "no compiler named";
  testing_support::TempDir dir;
  std::string source = testing_support::WriteScratchFile("variables.cpp", kProgram);
  for (const char* flags :
       {"-gdwarf-5", "-gdwarf-4 -fdebug-types-section", "-gdwarf-5 -fdebug-types-section"}) {
    std::string exe = dir / "variables";
    std::string build = std::string(cxx) + " -O0 -no-pie " + flags + " -o " + exe + " " + source;
    ASSERT_EQ(std::system(build.c_str()), 0) << build;
    unsigned long long rank = 0;
    FILE* run = popen(exe.c_str(), "r");
    int read = fscanf(run, "%llx", &rank);
    int status = pclose(run);
    // A cross compiler's programs do not run where the tests run emulated.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 126) GTEST_SKIP() << "cannot run " << exe;
    ASSERT_EQ(read, 1);
    ASSERT_EQ(status, 0);
    rt::TExeFile file;
    rt::LineFile line_file;
    ASSERT_EQ(rt::FindLineFile(file, exe, "", line_file).kind, rt::LineFileSearch::kFound);
    rt::LineFileReaders readers;
    readers.Bind(file, line_file);
    auto functions = std::make_unique<rt::FunctionReader>(readers.sources());
    auto chain = std::make_unique<rt::FunctionChain>();
    bool found = false;
    for (std::int64_t unit = 0, k = 0; !found && k < 4096; ++k, unit = chain->root.next) {
      found = functions->Find(unit, rank + 4, *chain);
    }
    ASSERT_TRUE(found) << flags;
    auto reader = std::make_unique<rt::VariableReader>(readers.sources());
    EXPECT_EQ(Described(*reader, *chain, rank + 4),
              "best:Grades::Student{3}&; marks:std::vector<int, std::allocator<int> >; count:int; "
              "label:std::__cxx11::basic_string<char, std::char_traits<char>, "
              "std::allocator<char> >; colour:Grades::Colour; ")
        << flags;
    rt::CloseExeFile(file);
  }
}

}  // namespace
