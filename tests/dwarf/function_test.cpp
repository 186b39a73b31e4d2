// The function and inlined calls that hold an address, and their names, in
// entries built byte by byte: the forms compilers seldom emit, and broken
// trees that must answer no function or fewer without reading astray.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dwarf/functions/function_chain.h"
#include "dwarf/source_lookup.h"
#include "tests/support/info_builder.h"
#include "tests/support/line_table_builder.h"

namespace {

using namespace testing_support;

InfoAttribute Attr(std::uint64_t attribute, std::uint64_t form, std::uint64_t value = 0) {
  return {attribute, form, value};
}
InfoAttribute Ref(std::uint64_t attribute, std::uint64_t form, const std::string& label) {
  return {attribute, form, 0, 0, std::nullopt, label};
}
InfoAttribute Name(const std::string& name) {
  return {kAtName, kFormString, 0, 0, Bytes(name) + '\0'};
}
InfoAttribute Linkage(const std::string& name) {
  constexpr std::uint64_t kAtLinkageName = 0x6e;
  return {kAtLinkageName, kFormString, 0, 0, Bytes(name) + '\0'};
}
// Code from low to high, high_pc given as the length.
std::vector<InfoAttribute> Code(std::uint64_t low, std::uint64_t high,
                                std::vector<InfoAttribute> more = {}) {
  more.push_back(Attr(kAtLowPc, kFormAddr, low));
  more.push_back(Attr(kAtHighPc, kFormData4, high - low));
  return more;
}

// The chain that holds target, as "function; call@line; ..." outward in,
// each named; empty where none does.
std::string ChainAt(rt::FunctionReader& reader, std::uint64_t unit, std::uint64_t target) {
  auto chain = std::make_unique<rt::FunctionChain>();
  if (!reader.Find(static_cast<std::int64_t>(unit), target, *chain)) return "";
  std::string out;
  for (std::size_t k = 0; k < chain->count; ++k) {
    const rt::FunctionLink& link = chain->links[k];
    out += (k > 0 ? "; " : "") + std::string(reader.NameOf(link, chain->root).view());
    if (link.inlined) out += "@" + std::to_string(link.call_line);
  }
  return out;
}
std::string ChainAt(const InfoSources& s, std::uint64_t unit, std::uint64_t target) {
  auto reader = std::make_unique<rt::FunctionReader>(s.sources);
  return ChainAt(*reader, unit, target);
}

struct ChainRow {
  const char* label;
  int unit;
  std::uint64_t target;
  std::string chain;
};

TEST(FunctionChainTest, RareFormsAndNames) {
  // clang-format off
  DebugInfo d;
  std::uint64_t grades = d.AddString("Grades"), average = d.AddString("Average"),
                sum = d.AddString("Sum"), median = d.AddString("Median");
  // Version 4, 64-bit: an inlined call with two ranges from the unit's base
  // in a block of the function, its name in the namespace of its origin.
  std::uint64_t gaps = d.AddRanges({{0x20, 0x30}, {0x40, 0x48}});
  InfoUnit a = RootUnit(4, {Attr(kAtLowPc, kFormAddr, 0x1000), Attr(kAtHighPc, kFormData8, 0x200)},
                        true);
  a.children = {{kTagNamespace, {Attr(kAtName, kFormStrp, grades)}, {
      {kTagSubprogram, {Attr(kAtName, kFormStrp, average), Attr(kAtLowPc, kFormAddr, 0x1000),
                        Attr(kAtHighPc, kFormAddr, 0x1100)}, {
          {kTagLexicalBlock, Code(0x1010, 0x1050), {
              {kTagInlined, {Ref(kAtAbstractOrigin, kFormRef4, "sum"),
                             Attr(kAtRanges, kFormSecOffset, gaps),
                             Attr(kAtCallLine, kFormData1, 12)}}}}}},
      {kTagSubprogram, {Attr(kAtName, kFormStrp, sum)}, {}, "sum"},
      {kTagSubprogram, Code(0x1100, 0x1180, {Attr(kAtName, kFormStrp, median)})}}}};
  std::vector<std::uint64_t> units = {d.Add(a)};

  // Version 5: a declaration named through the unit's own string offsets,
  // which a call in the next unit reaches by ref_addr.
  InfoUnit c = RootUnit(5, {Attr(kAtStrOffsetsBase, kFormSecOffset,
                                 d.AddStrOffsets({d.AddString("Util"), d.AddString("Clamp")}))});
  c.children = {{kTagNamespace, {Attr(kAtName, kFormStrx1, 0)}, {
      {kTagSubprogram, {Attr(kAtName, kFormStrx1, 1)}, {}, "clamp"}}}};
  units.push_back(d.Add(c));

  // Version 5, 64-bit: indexed names and addresses, a call's range list by
  // index from the unit's base, and a sibling function.
  std::uint64_t offsets = d.AddStrOffsets(
      {d.AddString("main"), d.AddString("Inner"), d.AddString("Next")}, true);
  std::uint64_t addresses = d.AddAddresses({0x2000, 0x2010, 0x2018}, 8, true);
  std::uint64_t lists = d.AddRangeLists({{{4, 0x08, 0x40}}}, 8, true);
  InfoUnit b = RootUnit(5, {Attr(kAtStrOffsetsBase, kFormSecOffset, offsets),
      Attr(kAtAddrBase, kFormSecOffset, addresses), Attr(kAtRnglistsBase, kFormSecOffset, lists),
      Attr(kAtLowPc, kFormAddrx, 0)}, true);
  b.children = {
      {kTagSubprogram, {Attr(kAtName, kFormStrx1, 0), Attr(kAtLowPc, kFormAddrx, 0),
                        Attr(kAtHighPc, kFormData4, 0x100)}, {
          {kTagInlined, {Ref(kAtAbstractOrigin, kFormRefAddr, "clamp"),
                         Attr(kAtRanges, kFormRnglistx, 0), Attr(kAtCallLine, kFormData2, 40)}, {
              {kTagInlined, {Attr(kAtName, kFormStrx, 1), Attr(kAtLowPc, kFormAddrx, 1),
                             Attr(kAtHighPc, kFormAddrx, 2),
                             Attr(kAtCallLine, kFormUdata, 41)}}}}}},
      {kTagSubprogram, {Attr(kAtName, kFormStrx, 2), Attr(kAtLowPc, kFormAddr, 0x2100),
                        Attr(kAtHighPc, kFormData4, 0x10)}}};
  units.push_back(d.Add(b));

  // Version 4: definitions declared in a class (one through an abstract
  // origin, ahead), an unnamed namespace, a block without code of its own,
  // a block whose ranges miss the call inside it, a local class's function
  // inside a function without code of its own.
  InfoUnit n = RootUnit(4, {});
  n.children = {
      {kTagNamespace, {Name("N")}, {{kTagClass, {Name("C")}, {
          {kTagSubprogram, {Name("f")}, {}, "decl"}}}}},
      {kTagSubprogram, Code(0x3000, 0x3020, {Ref(kAtSpecification, kFormRef4, "decl")})},
      {kTagNamespace, {}, {{kTagSubprogram, Code(0x3020, 0x3030, {Name("hidden")})}}},
      {kTagSubprogram, Code(0x3040, 0x3050, {Ref(kAtAbstractOrigin, kFormRefUdata, "abstract")})},
      {kTagSubprogram, {Ref(kAtSpecification, kFormRef1, "decl")}, {}, "abstract"},
      {kTagSubprogram, Code(0x3060, 0x3080, {Name("g")}), {{kTagLexicalBlock, {}, {
          {kTagInlined, Code(0x3070, 0x3078, {Name("h"), Attr(kAtCallLine, kFormData1, 7)})}}}}},
      {kTagSubprogram, Code(0x3090, 0x30A0, {Name("k")}), {{kTagLexicalBlock, Code(0x30A0, 0x30A1), {
          {kTagInlined, Code(0x3094, 0x3098, {Name("m"), Attr(kAtCallLine, kFormData1, 11)})}}}}},
      {kTagSubprogram, {Name("Visit"), Attr(kAtInline, kFormData1, 1)}, {{kTagStructure, {}, {
          {kTagSubprogram, Code(0x3080, 0x3090, {Name("_FUN")}), {
              {kTagInlined, Code(0x3084, 0x3088, {Name("op"), Attr(kAtCallLine, kFormData1, 9)})}}}}}}},
      {kTagNamespace, {Name("N")}, {
          {kTagSubprogram, Code(0x30B0, 0x30C0, {Name("Mean"), Linkage("_ZN6Grades4MeanERKi")})},
          {kTagSubprogram, Code(0x30C0, 0x30D0, {Name("Mode"), Linkage("Mode@1")})}}}};
  units.push_back(d.Add(n));
  // clang-format on

  std::vector<ChainRow> rows = {
      {"CallInABlock", 0, 0x1024, "Grades::Average; Grades::Sum@12"},
      {"CallsSecondRange", 0, 0x1044, "Grades::Average; Grades::Sum@12"},
      {"BetweenTheCallsRanges", 0, 0x1030, "Grades::Average"},
      {"LastByteOfTheFunction", 0, 0x10FF, "Grades::Average"},
      {"PastItsEndTheSibling", 0, 0x1100, "Grades::Median"},
      {"PastEveryFunction", 0, 0x1180, ""},
      {"UnitWithoutCode", 1, 0x1024, ""},
      {"IndexedEverything", 2, 0x2014, "main; Util::Clamp@40; Inner@41"},
      {"RangeListFromTheBase", 2, 0x2008, "main; Util::Clamp@40"},
      {"BeforeTheRangeList", 2, 0x2004, "main"},
      {"SiblingAfterTheCall", 2, 0x2100, "Next"},
      {"PastTheSibling", 2, 0x2110, ""},
      {"DeclaredInAClass", 3, 0x3010, "N::C::f"},
      {"UnnamedNamespace", 3, 0x3024, "(anonymous namespace)::hidden"},
      {"OriginThenDeclaration", 3, 0x3048, "N::C::f"},
      {"BlockWithoutCode", 3, 0x3074, "g; h@7"},
      {"BlockRangesMissTheCall", 3, 0x3096, "k; m@11"},
      {"LocalClassInAnAbstractFunction", 3, 0x3086, "_FUN; op@9"},
      {"LinkageNameWins", 3, 0x30B4, "Grades::Mean"},
      {"LinkageNameNotMangled", 3, 0x30C4, "N::Mode"},
  };
  InfoSources s(d, Bytes());
  for (const ChainRow& row : rows) {
    EXPECT_EQ(ChainAt(s, units[static_cast<std::size_t>(row.unit)], row.target), row.chain)
        << row.label;
  }
  // One reader for all, in both orders: a unit's walk goes on from where
  // an earlier address stopped it, or answers from the functions it passed.
  for (bool backwards : {false, true}) {
    auto reader = std::make_unique<rt::FunctionReader>(s.sources);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const ChainRow& row = rows[backwards ? rows.size() - 1 - i : i];
      EXPECT_EQ(ChainAt(*reader, units[static_cast<std::size_t>(row.unit)], row.target), row.chain)
          << row.label << (backwards ? ", backwards" : ", in order");
    }
  }
}

// f (0x1000..0x1100) holding a call at line 5 (to 0x1010) of what `call`
// names, then h (0x1100..0x1200), then the entries given.
InfoUnit Plain(InfoAttribute call, std::vector<InfoEntry> more = {}) {
  InfoUnit u = RootUnit(4, {});
  std::vector<InfoAttribute> g = Code(0x1000, 0x1010, {call, Attr(kAtCallLine, kFormData1, 5)});
  u.children = {
      {kTagSubprogram, Code(0x1000, 0x1100, {Name("f")}), {{kTagInlined, g, {}, "g"}}, "f"},
      {kTagSubprogram, Code(0x1100, 0x1200, {Name("h")}), {}, "h"}};
  u.children.insert(u.children.end(), more.begin(), more.end());
  return u;
}

struct BrokenRow {
  const char* label;
  std::vector<InfoUnit> units;
  std::uint64_t target;
  std::string chain;
  std::string unknown = "";  // the entry whose abbreviation code is not in the table
};

TEST(FunctionChainTest, BrokenTreesAnswerLess) {
  InfoUnit back = Plain(Name("g"));
  back.children[0].attributes.push_back(Ref(kAtSibling, kFormRef4, "f"));
  InfoUnit ahead = Plain(Name("g"));
  ahead.children[0].attributes.push_back(Attr(kAtSibling, kFormRef4, 0xFFFF));
  InfoUnit scope = Plain(Name("g"));
  scope.children = {
      {kTagNamespace, {Name("N"), Ref(kAtSibling, kFormRef4, "n")}, scope.children, "n"}};
  // A reference that leads nowhere leaves the names around it as they were.
  InfoUnit lost = scope;
  lost.children[0].children[0].children[0].attributes.push_back(
      Attr(kAtAbstractOrigin, kFormRefAddr, 0x10000));
  InfoUnit open = Plain(Name("g"));
  open.closed = false;
  // A unit's own reference past its end, onto an entry of the next unit.
  InfoUnit into = Plain(Attr(kAtAbstractOrigin, kFormRef4)),
           next = Plain(Name("wrong"), {{kTagSubprogram, {Name("other")}, {}, "other"}});
  DebugInfo probe;
  probe.Add(into);
  probe.Add(next);
  into.children[0].children[0].attributes[0].value = probe.entries["other"];
  std::vector<InfoEntry> cycle = {
      {kTagSubprogram, {Ref(kAtAbstractOrigin, kFormRef4, "b")}, {}, "a"},
      {kTagSubprogram, {Ref(kAtAbstractOrigin, kFormRef4, "a")}, {}, "b"}};
  // clang-format off
  std::vector<BrokenRow> rows = {
      {"UnknownCodeOfTheCall", {Plain(Name("g"))}, 0x1008, "", "g"},
      {"UnknownCodeAfterTheFunction", {Plain(Name("g"))}, 0x1020, "f", "h"},
      {"OriginIsItself", {Plain(Ref(kAtAbstractOrigin, kFormRef4, "g"))}, 0x1008, "f; @5"},
      {"OriginsInACycle", {Plain(Ref(kAtAbstractOrigin, kFormRef4, "a"), cycle)}, 0x1008, "f; @5"},
      {"ReferencePastTheSection", {Plain(Attr(kAtAbstractOrigin, kFormRef4, 0x10000))}, 0x1008,
       "f; @5"},
      {"RefAddrPastTheSection", {Plain(Attr(kAtAbstractOrigin, kFormRefAddr, 0x10000))}, 0x1008,
       "f; @5"},
      {"ReferencePastTheUnit", {into, next}, 0x1008, "f; @5"},
      {"SiblingBehindTheFunction", {back}, 0x1140, "h"},
      {"SiblingPastTheUnit", {ahead}, 0x1140, "h"},
      {"SiblingBehindTheNamespace", {scope}, 0x1008, "N::f; N::g@5"},
      {"RefAddrPastTheSectionInANamespace", {lost}, 0x1008, "N::f; N::g@5"},
      {"ChildrenWithoutEndInTheCall", {open}, 0x1008, "f; g@5"},
      {"ChildrenWithoutEndPastTheCall", {open}, 0x1020, ""},
      {"NoInfoSection", {}, 0x1008, ""},
  };
  // clang-format on
  for (const BrokenRow& row : rows) {
    DebugInfo d;
    for (const InfoUnit& u : row.units) d.Add(u);
    if (!row.unknown.empty()) d.info[d.entries[row.unknown]] = '\x7F';
    EXPECT_EQ(ChainAt(InfoSources(d, Bytes()), 0, row.target), row.chain) << row.label;
  }
}

// A return address is looked up at its call, the byte before it: the end of
// a call or of a function whose sibling starts at the address.
TEST(FunctionChainTest, ReturnAddressesNameTheirCalls) {
  LineUnit program;
  program.version = 4;
  program.files = {{"a.c", 0}};
  program.SetAddress(0x1000).AdvanceLine(9).Copy().AdvancePc(0x100).AdvanceLine(10).Copy();
  program.AdvancePc(0x100).EndSequence();
  LineSection line;
  line.Add(program);
  // The call's name lies in the second of two units ahead, which the
  // index finds by its offset.
  DebugInfo d;
  InfoUnit other = RootUnit(4, {}), util = RootUnit(4, {});
  other.children = {{kTagSubprogram, {Name("Other")}}};
  util.children = {
      {kTagNamespace, {Name("Util")}, {{kTagSubprogram, {Name("Clamp")}, {}, "clamp"}}}};
  d.Add(other);
  d.Add(util);
  InfoUnit u = Plain(Ref(kAtAbstractOrigin, kFormRefAddr, "clamp"));
  u.root = {Attr(kAtStmtList, kFormSecOffset, 0), Attr(kAtLowPc, kFormAddr, 0x1000),
            Attr(kAtHighPc, kFormData4, 0x200)};
  u.children[0].children[0].attributes.push_back(Attr(kAtCallFile, kFormData1, 1));
  d.Add(u);
  InfoSources s(d, line.line);
  std::vector<std::uint64_t> targets = {0x1010, 0x1100, 0x1101, 0x1000};
  std::vector<rt::SourceFrames> frames(targets.size());
  rt::SourceLookup lookup;
  EXPECT_EQ(lookup.LookupMany(s.sources, targets.data(), targets.size(), frames.data(),
                              rt::kFunctionNames | rt::kInlinedCalls),
            0);
  std::vector<std::string> got;
  for (const rt::SourceFrames& f : frames) {
    std::string text;
    for (const rt::SourceFrame& frame : f) {
      text += (text.empty() ? "" : "; ") + std::string(frame.function.view()) + " " +
              std::string(frame.file.view()) + ":" + std::to_string(frame.line) +
              (frame.inlined ? " inlined" : "");
    }
    got.push_back(text);
  }
  EXPECT_EQ(got, (std::vector<std::string>{"Util::Clamp a.c:10 inlined; f a.c:5", "f a.c:10",
                                           "h a.c:20", " (Unknown file):0"}));
}

}  // namespace
