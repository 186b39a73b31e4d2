// Writes the seed corpora of the fuzz targets: small PE and ELF images, valid
// and slightly broken, into DIR/exe_fuzz/, line sections of every version and
// format into DIR/line_fuzz/, compressed line sections, sound and broken,
// into DIR/compressed_fuzz/, the sections of the index of units with a
// line section into DIR/unit_index_fuzz/, and call-frame sections with a
// register state into DIR/call_frames_fuzz/, and units with functions and
// inlined calls, with their strings, addresses, ranges and lines, into
// DIR/function_fuzz/, and location lists and expressions into
// DIR/location_fuzz/.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#ifdef QUIZ_HAVE_ZLIB
#include <zlib.h>
#endif
#ifdef QUIZ_HAVE_ZSTD
#include <zstd.h>
#endif

#include "tests/support/frame_builder.h"
#include "tests/support/image_builder.h"
#include "tests/support/info_builder.h"
#include "tests/support/line_table_builder.h"

using namespace testing_support;

namespace {

PeImage Pe() {
  PeImage pe;
  pe.sections = {{".text", Bytes(32, '\x90')},
                 {".debug_line", Bytes("\x20\0\0\0\x04\0", 6) + Bytes(30, '\1')},
                 {".gnu_debuglink", DebugLinkSection("exe.debug", 0x12345678)},
                 {".data", "data"}};
  pe.symbols = Bytes("main\0\0\0\0\0\0\0\0\1\0\x20\0\2\2", 18) + Bytes(36, 'x');  // 2 auxiliary
  return pe;
}

ElfImage Elf() {
  ElfImage elf;
  elf.load_addresses = {0x401000, 0x400000};
  elf.sections = {{".text", kProgBits, 6, Bytes(32, '\x90')},
                  {".debug_line", kProgBits, 0, Bytes("\x20\0\0\0\x05\0", 6) + Bytes(30, '\1')},
                  {".bss", kNoBits, 3, "", {}, 4096},
                  {".debug_line_str", kProgBits, kShfCompressed, "zz"},
                  {".gnu_debuglink", kProgBits, 0, DebugLinkSection("ab.debug", 0)},
                  {".strtab", 3, 0, Bytes("\0main\0", 6)}};
  // A global function of 16 bytes at 0x401000, named in section 6.
  const Bytes main_symbol("\1\0\0\0\x12\0\1\0\0\x10\x40\0\0\0\0\0\x10\0\0\0\0\0\0", 24);
  elf.sections.push_back({".symtab", 2, 0, Bytes(24, '\0') + main_symbol});
  elf.sections.back().link = 6, elf.sections.back().entry_size = 24;
  return elf;
}

// A unit of two sequences (the second below the first), rows on several
// files and lines, and every kind of standard and extended opcode.
LineUnit Rows(LineUnit u) {
  u.SetAddress(0x1000).AdvanceLine(9).Copy().Special(1, 1).SetFile(2).AdvancePc(4).Copy();
  u.SetColumn(3).NegateStmt().SetBasicBlock().SetPrologueEnd().SetEpilogueBegin().SetIsa(1);
  u.ConstAddPc().FixedAdvancePc(0x10).AdvanceLine(-3).Copy().DefineFile("d.c").SetFile(3);
  u.Extended(0x80, "xyz").AdvancePc(8).EndSequence();
  return u.SetAddress(0x800).SetFile(0).Copy().AdvancePc(0x100).EndSequence();
}

LineUnit Listed(std::uint16_t version, bool is64) {
  LineUnit u;
  u.version = version;
  u.is64 = is64;
  u.dirs = {"src", "inc/"};
  u.files = {{"a.c", 1}, {"b.h", 2, 5, 100}, {std::string(300, 'n'), 0}};
  return Rows(u);
}

LineUnit Described(bool is64, std::uint16_t form) {
  LineUnit u;
  u.version = 5;
  u.is64 = is64;
  u.dir_format = {{kContentPath, form}};
  u.file_format = {
      {kContentPath, form}, {kContentDirectory, kFormUdata}, {kContentMd5, kFormData16}};
  u.dirs = {"/work", "inc"};
  u.files = {{"main.c", 0}, {"a.h", 1}, {"b.h", 5}};
  return Rows(u);
}

// The target reads the whole file as the line section, its second half as
// the string sections, and looks up the address in the file's last 8 bytes.
Bytes LineSeed(const LineSection& s, const Bytes& strings, std::uint64_t inside) {
  std::size_t half = std::max(s.line.size(), strings.size() + 8);
  Bytes first = s.line, second = strings;
  first.resize(half, '\0');
  Put64(second, half - 8, inside);
  return first + second;
}

void AddLineSeeds(std::map<std::string, Bytes>& seeds) {
  for (std::uint16_t version : {2, 3, 4}) {
    for (bool is64 : {false, true}) {
      LineSection s;
      s.Add(Listed(version, is64));
      seeds["line_v" + std::to_string(version) + (is64 ? "_64" : "_32")] = LineSeed(s, "", 0x1005);
    }
  }
  LineSection line_strp, strp;
  line_strp.Add(Described(false, kFormLineStrp));
  seeds["line_v5_32_line_strp"] = LineSeed(line_strp, line_strp.strings.line_str, 0x1014);
  strp.Add(Described(true, kFormStrp));
  seeds["line_v5_64_strp"] = LineSeed(strp, strp.strings.str, 0x804);
  LineSection mixed;
  LineUnit base10 = Listed(3, false), base1 = Listed(2, false), bad = Listed(4, false);
  base10.opcode_base = 10;
  base10.Raw("\x0A\x0B\x0C\x20\xFF");
  base1.opcode_base = 1;
  base1.Raw("\x01\x02\x09\x0C\x40");
  bad.max_ops = 0;
  mixed.Add(bad).Add(base10).AddRaw(Bytes(4, '\0')).Add(Described(false, kFormString)).Add(base1);
  seeds["line_mixed_units"] = LineSeed(mixed, "", 0x1010);
  // A header length that would carry the program's start past any offset.
  LineUnit far = Listed(4, true);
  far.header_length = INT64_MAX;
  seeds["line_v4_64_header_length_max"] = LineSeed(LineSection().Add(far), "", 0x1005);
}

// The target reads a byte choosing the storage (0 zlib and 1 zstd under the
// ELF header, 2 zlib in ".zdebug_line"), the stated size in 4 bytes, then
// the stream.
Bytes CompressedSeed(int storage, std::uint32_t size, const Bytes& stream) {
  Bytes seed(1, static_cast<char>(storage));
  Put32(seed, 1, size);
  return seed + stream;
}

void AddCompressedSeeds(std::map<std::string, Bytes>& seeds) {
  LineSection s;
  s.Add(Listed(4, false)).Add(Described(false, kFormString));
  Bytes small = s.line, large;
  // Large enough for the places to go on from that a zlib stream keeps.
  while (large.size() < 600 * 1024) large += small;
  for (auto [name, data] : {std::pair<std::string, Bytes>{"", small}, {"_large", large}}) {
    auto size = static_cast<std::uint32_t>(data.size());
#ifdef QUIZ_HAVE_ZLIB
    uLongf n = compressBound(data.size());
    Bytes zlib(n, '\0');
    compress2(reinterpret_cast<Bytef*>(zlib.data()), &n,
              reinterpret_cast<const Bytef*>(data.data()), data.size(), 9);
    zlib.resize(n);
    seeds["compressed_zlib" + name] = CompressedSeed(0, size, zlib);
    seeds["compressed_zdebug" + name] = CompressedSeed(2, size, zlib);
    seeds["compressed_zlib_cut" + name] = CompressedSeed(0, size, zlib.substr(0, n / 2));
    seeds["compressed_zdebug_size_short" + name] = CompressedSeed(2, size - 1, zlib);
#endif
#ifdef QUIZ_HAVE_ZSTD
    Bytes zstd(ZSTD_compressBound(data.size()), '\0');
    zstd.resize(ZSTD_compress(zstd.data(), zstd.size(), data.data(), data.size(), 19));
    seeds["compressed_zstd" + name] = CompressedSeed(1, size, zstd);
    seeds["compressed_zstd_cut" + name] = CompressedSeed(1, size, zstd.substr(0, zstd.size() / 2));
    seeds["compressed_zstd_size_over" + name] = CompressedSeed(1, size + 1, zstd);
#endif
  }
}

// The target reads an address, the six sections of the index each after its
// 2-byte length, then the line section.
Bytes IndexSeed(std::uint64_t address, const DebugInfo& d, const Bytes& line) {
  Bytes seed;
  Put64(seed, 0, address);
  for (const Bytes* b : {&d.info, &d.abbrev, &d.aranges, &d.ranges, &d.rnglists, &d.addr}) {
    Put16(seed, seed.size(), static_cast<std::uint16_t>(b->size()));
    seed += *b;
  }
  return seed + line;
}

InfoAttribute Attr(std::uint64_t attribute, std::uint64_t form, std::uint64_t value,
                   std::uint64_t actual = 0) {
  return {attribute, form, value, actual};
}

void AddUnitIndexSeeds(std::map<std::string, Bytes>& seeds) {
  // Line programs of every version and format, and where each starts.
  LineSection s;
  std::vector<std::uint64_t> at;
  for (LineUnit u : {Listed(2, false), Listed(3, true), Listed(4, false),
                     Described(false, kFormString), Described(true, kFormString)}) {
    at.push_back(s.line.size());
    s.Add(u);
  }

  DebugInfo v2to4;  // low_pc and high_pc, .debug_ranges, .debug_aranges
  v2to4.Add(RootUnit(2,
                     {Attr(kAtStmtList, kFormData4, at[0]), Attr(kAtLowPc, kFormAddr, 0x1000),
                      Attr(kAtHighPc, kFormAddr, 0x1010)},
                     false, 4));
  std::uint64_t list = v2to4.AddRanges({{0, 8}, {~std::uint64_t{0}, 0x2800}, {0, 0x100}});
  v2to4.Add(RootUnit(3,
                     {Attr(kAtStmtList, kFormData8, at[1]), Attr(kAtLowPc, kFormAddr, 0x2000),
                      Attr(kAtRanges, kFormData8, list)},
                     true));
  std::uint64_t unit = v2to4.Add(
      RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, at[2]), Attr(kAtLowPc, kFormAddr, 0x3000),
                   Attr(kAtHighPc, kFormData4, 0x40)}));
  v2to4.AddArangeSet(unit, {{0x3000, 0x40}, {0x3800, 0x100}});
  seeds["unit_index_v2_to_v4"] = IndexSeed(0x1005, v2to4, s.line);

  DebugInfo v5;  // indexed addresses, range lists, unit types, implicit and indirect forms
  std::uint64_t base = v5.AddAddresses({0x1000, 0x800, 0x1010});
  std::vector<std::uint64_t> lists_at;
  std::uint64_t lists = v5.AddRangeLists(
      {{{4, 0, 0x10}, {1, 1}, {4, 0, 0x100}},
       {{3, 1, 0x10}, {2, 0, 2}, {5, 0x2000}, {6, 0x800, 0x900}, {7, 0x3000, 0x10}}},
      8, false, &lists_at);
  v5.Add(RootUnit(5, {Attr(kAtStmtList, kFormSecOffset, at[3]), Attr(kAtLowPc, kFormAddrx, 0),
                      Attr(kAtRanges, kFormRnglistx, 0), Attr(kAtAddrBase, kFormSecOffset, base),
                      Attr(kAtRnglistsBase, kFormSecOffset, lists)}));
  InfoUnit skeleton =
      RootUnit(5, {Attr(kAtStmtList, kFormSecOffset, at[4]), Attr(kAtLowPc, kFormAddrx1, 2),
                   Attr(kAtHighPc, kFormData2, 0x20), Attr(kAtAddrBase, kFormSecOffset, base)});
  skeleton.unit_type = kUnitSkeleton;
  v5.Add(skeleton);
  InfoUnit type = RootUnit(
      5, {Attr(kAtStmtList, kFormImplicitConst, at[3]),
          Attr(kAtLowPc, kFormIndirect, 0x800, kFormAddr),
          Attr(kAtRanges, kFormSecOffset, lists_at[1]), Attr(kAtAddrBase, kFormSecOffset, base)});
  type.unit_type = kUnitType;
  type.before = std::vector<InfoAttribute>{Attr(kAtName, kFormImplicitConst, 7),
                                           Attr(kAtName, kFormString, 0)};
  v5.Add(type);
  seeds["unit_index_v5"] = IndexSeed(0x1008, v5, s.line);

  DebugInfo v5_64;  // the 64-bit format throughout
  base = v5_64.AddAddresses({0x1000, 0x800}, 8, true);
  lists = v5_64.AddRangeLists({{{4, 0, 0x10}}, {{1, 1}, {4, 0, 0x100}}}, 8, true);
  v5_64.Add(RootUnit(5,
                     {Attr(kAtStmtList, kFormSecOffset, at[4]), Attr(kAtLowPc, kFormAddrx, 0),
                      Attr(kAtRanges, kFormRnglistx, 1), Attr(kAtAddrBase, kFormSecOffset, base),
                      Attr(kAtRnglistsBase, kFormSecOffset, lists)},
                     true));
  unit = v5_64.Add(RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, at[1])}, true));
  v5_64.AddArangeSet(unit, {{0x1000, 0x40}}, 8, true);
  seeds["unit_index_v5_64"] = IndexSeed(0x810, v5_64, s.line);

  DebugInfo odd;  // overlapping units, ranges at 0, an unknown form, a stmt_list in a program
  odd.Add(RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, at[0]), Attr(kAtLowPc, kFormAddr, 0x1000),
                       Attr(kAtHighPc, kFormData4, 0x100)}));
  odd.Add(RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, at[1]), Attr(kAtLowPc, kFormAddr, 0x1080),
                       Attr(kAtHighPc, kFormData4, 0x100)}));
  odd.Add(RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, at[2]), Attr(kAtLowPc, kFormAddr, 0),
                       Attr(kAtHighPc, kFormData4, 0x20)}));
  odd.Add(RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, at[3]),
                       Attr(kAtLowPc, kFormAddr, 0),
                       Attr(kAtHighPc, kFormData4, 0x40),
                       {kAtName, 0x99, 0, 0, Bytes()}}));
  odd.Add(RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, at[4] + 4),
                       Attr(kAtLowPc, kFormAddr, 0x5000), Attr(kAtHighPc, kFormData4, 0x10)}));
  seeds["unit_index_odd_units"] = IndexSeed(0x1090, odd, s.line);
}

// The function target reads an address, eight sections each after its
// 2-byte length, then the line section.
Bytes FunctionSeed(std::uint64_t address, const DebugInfo& d, const Bytes& line) {
  Bytes seed;
  Put64(seed, 0, address);
  for (const Bytes* b :
       {&d.info, &d.abbrev, &d.str, &d.str_offsets, &d.addr, &d.ranges, &d.rnglists, &d.aranges}) {
    Put16(seed, seed.size(), static_cast<std::uint16_t>(b->size()));
    seed += *b;
  }
  return seed + line;
}

InfoAttribute Ref(std::uint64_t attribute, std::uint64_t form, const std::string& label) {
  return {attribute, form, 0, 0, std::nullopt, label};
}

// A function of a namespace with a call in a block by .debug_ranges; then,
// of 64 bits, a function named by indexes whose call by a range list index
// leads to the first unit's declaration, a call nested inside.
void AddFunctionSeeds(std::map<std::string, Bytes>& seeds) {
  LineSection s;
  s.Add(Listed(4, false));
  DebugInfo d;
  std::uint64_t list = d.AddRanges({{0x10, 0x20}, {0x30, 0x38}});
  InfoUnit v4 =
      RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, 0), Attr(kAtLowPc, kFormAddr, 0x1000),
                   Attr(kAtHighPc, kFormData4, 0x100)});
  InfoEntry call{kTagInlined,
                 {Ref(kAtAbstractOrigin, kFormRef4, "decl"), Attr(kAtRanges, kFormSecOffset, list),
                  Attr(kAtCallFile, kFormData1, 1), Attr(kAtCallLine, kFormData1, 12)}};
  InfoEntry block{kTagLexicalBlock,
                  {Attr(kAtLowPc, kFormAddr, 0x1008), Attr(kAtHighPc, kFormData4, 0x40)},
                  {call}};
  v4.children = {
      {kTagNamespace,
       {Attr(kAtName, kFormStrp, d.AddString("Grades"))},
       {{kTagSubprogram,
         {Attr(kAtName, kFormStrp, d.AddString("Average")), Attr(kAtLowPc, kFormAddr, 0x1000),
          Attr(kAtHighPc, kFormAddr, 0x1080), Ref(kAtSibling, kFormRef4, "decl")},
         {block}},
        {kTagSubprogram, {Attr(kAtName, kFormStrp, d.AddString("Sum"))}, {}, "decl"}}}};
  d.Add(v4);
  seeds["function_v4"] = FunctionSeed(0x1014, d, s.line);

  std::uint64_t base = d.AddAddresses({0x2000, 0x2010, 0x2018}, 8, true);
  std::uint64_t lists = d.AddRangeLists({{{4, 0x08, 0x40}}}, 8, true);
  std::uint64_t offsets = d.AddStrOffsets({d.AddString("main"), d.AddString("Inner")}, true);
  InfoUnit v5 = RootUnit(
      5,
      {Attr(kAtStmtList, kFormSecOffset, 0), Attr(kAtStrOffsetsBase, kFormSecOffset, offsets),
       Attr(kAtAddrBase, kFormSecOffset, base), Attr(kAtRnglistsBase, kFormSecOffset, lists),
       Attr(kAtLowPc, kFormAddrx, 0)},
      true);
  InfoEntry inner{kTagInlined,
                  {Attr(kAtName, kFormStrx, 1), Attr(kAtLowPc, kFormAddrx1, 1),
                   Attr(kAtHighPc, kFormAddrx, 2), Attr(kAtCallLine, kFormUdata, 41)}};
  v5.children = {{kTagSubprogram,
                  {Attr(kAtName, kFormStrx1, 0), Attr(kAtLowPc, kFormAddrx, 0),
                   Attr(kAtHighPc, kFormData4, 0x100)},
                  {{kTagInlined,
                    {Ref(kAtAbstractOrigin, kFormRefAddr, "decl"),
                     Attr(kAtRanges, kFormRnglistx, 0), Attr(kAtCallLine, kFormData2, 40)},
                    {inner}}}}};
  std::uint64_t unit = d.Add(v5);
  d.AddArangeSet(unit, {{0x2000, 0x100}}, 8, true);
  seeds["function_v4_v5_64"] = FunctionSeed(0x2014, d, s.line);
}

// The call-frame target reads the header's length and the header, the pc,
// the stack and frame pointers and flags, then .eh_frame, which memory
// answers from as if it lay at the stack pointer.
Bytes FrameSeed(const FrameBuilder& b, std::uint64_t pc, std::uint64_t flags) {
  Bytes header = b.Header(), seed;
  Put16(seed, 0, static_cast<std::uint16_t>(header.size()));
  seed += header;
  for (std::uint64_t w : {pc, b.frames_address, b.frames_address + 8, flags})
    Put64(seed, seed.size(), w);
  return seed + b.frames;
}

// A frame-pointer routine, the PLT's expression and a signal frame on
// x86-64; a saved pair and a register beyond the walk's on aarch64.
void AddFrameSeeds(std::map<std::string, Bytes>& seeds) {
  FrameBuilder x86, a64;
  FrameCie signal, pair;
  signal.augmentation = "zRS";
  pair.code_align = 4, pair.return_column = 30, pair.instructions = Bytes("\x0c\x1f\x00", 3);
  std::size_t cie = x86.AddCie({});
  x86.AddFde(cie, {0x4000, 0x40, "\x41\x0e\x10\x86\x02\x41\x0d\x06\x0a\x41\x0c\x07\x08\x0b"});
  x86.AddFde(cie,
             {0x4040, 0x10, Bytes("\x0f\x0b\x77\x08\x80\x00\x3f\x1a\x3b\x2a\x33\x24\x22", 13)});
  x86.AddFde(x86.AddCie(signal), {0x4050, 0x10, "\x0f\x03\x77\x08\x06\x10\x10\x02\x77\x10"});
  a64.AddFde(a64.AddCie(pair), {0x4000, 0x40, "\x41\x0e\x10\x9d\x02\x9e\x01\x05\x48\x03"});
  seeds["call_frames_x86_64"] = FrameSeed(x86, 0x4020, 1);
  seeds["call_frames_x86_64_plt"] = FrameSeed(x86, 0x404B, 0);
  seeds["call_frames_aarch64"] = FrameSeed(a64, 0x4008, 3);
}

// The location target reads a word of the pc, the list's place and flags,
// four sections each after its 2-byte length, then an expression.
Bytes LocationSeed(std::uint64_t word, const std::vector<Bytes>& sections, const Bytes& rest) {
  Bytes seed;
  Put64(seed, 0, word);
  for (const Bytes& b : sections) {
    Put16(seed, seed.size(), static_cast<std::uint16_t>(b.size()));
    seed += b;
  }
  return seed + rest;
}

// A version 4 list with a base selection; a version 5 list by its index,
// of indexed, offset and default entries; an exprloc of two parts.
void AddLocationSeeds(std::map<std::string, Bytes>& seeds) {
  Bytes loc, addr = Bytes(8, '\0'),
             lists = Bytes("\x01\x00\x04\x10\x20\x01\x50\x05\x01\x55\x00", 11);
  // Each range's expression after its 2-byte length.
  for (std::uint64_t v : {0x10ull, 0x20ull}) Put64(loc, loc.size(), v);
  loc += Bytes("\x01\x00\x50", 3);
  for (std::uint64_t v : {~0ull, 0x2000ull, 0ull, 8ull}) Put64(loc, loc.size(), v);
  loc += Bytes("\x01\x00\x51", 3) + Bytes(16, '\0');
  Put64(addr, 8, 0x1000);
  Bytes loclists;
  const std::uint64_t header[] = {lists.size() + 12, 0x00080005, 1, 4};
  for (std::uint64_t v : header) Put32(loclists, loclists.size(), static_cast<std::uint32_t>(v));
  loclists += lists;
  const Bytes pieces("\x76\x00\x06\x93\x08\x53\x93\x08", 8);
  seeds["location_v4"] = LocationSeed(0x0200000000001010, {loc, {}, {}, {}}, pieces);
  seeds["location_v5"] = LocationSeed(0x2300000000001015, {{}, loclists, addr, {}}, pieces);
  seeds["location_exprloc"] = LocationSeed(0x4308000000000000, {{}, {}, addr, pieces}, "\x9c\x9f");
}

// Mangled names of every kind the demangler reads, and broken ones.
void AddDemangleSeeds(std::map<std::string, Bytes>& seeds) {
  const char* names[] = {
      "_ZNKSt6vectorIiSaIiEE2atEm",
      "_ZZ1fIiEvvENKUlT_E_clIcEEDaS_",
      "_ZTv0_n24_N1AD1Ev",
      "_ZN12_GLOBAL__N_11A1fB5cxx11Ev.isra.0.cold",
      "_ZNK1AcvT_IiEEv",
      "_Z1fPFPFivEvEPA3_PFviEM1AKFviE",
      "_ZSt5beginISt6vectorIiSaIiEEEDTcldtfp_5beginEERT_",
      "_Z1fIJicEEvDpT_",
      "_ZNSt8_Rb_treeIiSt4pairIKiiESt10_Select1stIS2_ESt4lessIiESaIS2_EE22_M_emplace_hint_uniqueIJR"
      "KSt21piecewise_construct_tSt5tupleIJRS1_EESD_IJEEEEESt17_Rb_tree_iteratorIS2_ESt23_Rb_tree_"
      "const_iteratorIS2_EDpOT_",
      "_Z1fILb1ELin1ELc65EEvPAplstT_Li1E_i",
      "_ZZ4mainEs_0",
      "_ZNSoD0Ev",
      "_ZTCN1A1BE0_1C",
      "_ZGVZ1fvE1x",
  };
  int n = 0;
  for (const char* name : names) seeds["demangle_" + std::to_string(n++)] = name;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  std::map<std::string, Bytes> seeds;
  seeds["pe"] = Pe().Build();
  PeImage pe = Pe();
  pe.sections.push_back({"", "x", "/abc"});
  pe.sections.push_back({"", "y", "/12x"});
  pe.sections.push_back({".textbss", "eight"});
  pe.strings_terminated = false;
  seeds["pe_odd_names"] = pe.Build();
  pe = Pe();
  pe.sections[1].virtual_size = 100;
  pe.section_count = 65535;
  seeds["pe_broken_sizes"] = pe.Build();
  seeds["pe_truncated"] = Pe().Build().substr(0, 300);

  seeds["elf"] = Elf().Build();
  ElfImage elf = Elf();
  elf.extended_numbering = true;
  seeds["elf_extended"] = elf.Build();
  elf = Elf();
  elf.names_terminated = false;
  elf.sections[1].name_offset = 0xFFFF;
  seeds["elf_odd_names"] = elf.Build();
  elf = Elf();
  elf.shstrndx = 3;
  seeds["elf_nobits_names"] = elf.Build();
  elf = Elf();
  elf.encoding = 2;
  seeds["elf_big_endian"] = elf.Build();
  seeds["elf_truncated"] = Elf().Build().substr(0, 200);

  AddLineSeeds(seeds);
  AddCompressedSeeds(seeds);
  AddUnitIndexSeeds(seeds);
  AddFrameSeeds(seeds);
  AddDemangleSeeds(seeds);
  AddFunctionSeeds(seeds);
  AddLocationSeeds(seeds);

  for (const char* target :
       {"exe_fuzz", "line_fuzz", "compressed_fuzz", "unit_index_fuzz", "call_frames_fuzz",
        "demangle_fuzz", "function_fuzz", "location_fuzz"}) {
    std::filesystem::create_directories(std::filesystem::path(argv[1]) / target);
  }
  // Seeds go to the target their name starts with, images to exe_fuzz.
  for (const auto& [name, bytes] : seeds) {
    std::string target = "exe_fuzz";
    for (std::string prefix : {"line_", "compressed_", "unit_index_", "call_frames_", "demangle_",
                               "function_", "location_"}) {
      if (name.rfind(prefix, 0) == 0) target = prefix + "fuzz";
    }
    std::filesystem::path dir = std::filesystem::path(argv[1]) / target;
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
      std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", (dir / name).c_str());
      return 1;
    }
  }
  return 0;
}
