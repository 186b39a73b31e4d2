// The demangler against the C++ library's own, on the symbols of the C++
// library and of this program, and on hand-picked and broken names.
#include "demangle/demangle.h"

#include <cxxabi.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using rt::DemangleStyle;

// A shell command's standard output: the symbol listings come from nm.
std::string Run(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char chunk[4096];
  for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, p)) > 0;) out.append(chunk, n);
  pclose(p);
  return out;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The text, or "<refused>".
std::string Demangled(std::string_view name, DemangleStyle style = DemangleStyle::kFull) {
  char out[16384];
  rt::DemangleResult r = rt::Demangle(name, out, style);
  if (!r.ok) return "<refused>";
  EXPECT_FALSE(r.cut) << name;
  return std::string(out, r.length);
}

std::string Oracle(const std::string& name) {
  int status = 0;
  char* text = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
  std::string result = text != nullptr ? text : "<refused>";
  std::free(text);
  return result;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}
bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// Where the name of a function's full text starts: at the depth-0 word that
// holds "operator", else after the last depth-0 space (the return type's).
std::size_t NameStart(std::string_view text) {
  std::size_t start = 0;
  int depth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool word_start = i == 0 || text[i - 1] == ':' || text[i - 1] == ' ';
    if (word_start && text.substr(i, 8) == "operator" && i + 8 < text.size() &&
        !std::isalnum(static_cast<unsigned char>(text[i + 8])) && text[i + 8] != '_') {
      if (depth == 0) return start;
      i += 8;
      if (text.substr(i, 2) == "()" || text.substr(i, 2) == "[]") ++i;
      while (i + 1 < text.size() &&
             std::string_view("<>=-!+*/%^&|~,").find(text[i]) != std::string_view::npos) {
        ++i;
      }
      continue;
    }
    char c = text[i];
    if (c == '(' || c == '[' || c == '{' || c == '<') ++depth;
    if (c == ')' || c == ']' || c == '}' || (c == '>' && (i == 0 || text[i - 1] != '-'))) --depth;
    // A qualifier of the function a local name is in ("f() const::") ends
    // no return type.
    bool qualifier = text.substr(i, 7) == " const:" || text.substr(i, 10) == " volatile:";
    if (c == ' ' && depth == 0 && !qualifier) start = i + 1;
  }
  return start;
}

// The full text less the outer parameter list, return type, qualifiers and
// clone suffixes: what the name-only style must give.
std::string NameOnly(std::string text) {
  for (const char* data : {"vtable for ", "VTT for ", "typeinfo for ", "typeinfo name for ",
                           "construction vtable for ", "guard variable for ", "TLS ",
                           "template parameter object for "}) {
    if (StartsWith(text, data)) return text;
  }
  std::string prefix;
  for (const char* thunk :
       {"non-virtual thunk to ", "virtual thunk to ", "covariant return thunk to ",
        "transaction clone for ", "non-transaction clone for ", "hidden alias for "}) {
    if (StartsWith(text, thunk)) prefix = thunk, text = text.substr(prefix.size());
  }
  for (std::size_t at; EndsWith(text, "]") && (at = text.rfind(" [clone ")) != std::string::npos;) {
    text.resize(at);
  }
  std::string function = text;
  for (bool again = true; again;) {
    again = false;
    for (const char* q : {" const", " volatile", " restrict", " &&", " &", " noexcept"}) {
      if (EndsWith(function, q)) function.resize(function.size() - strlen(q)), again = true;
    }
  }
  if (!EndsWith(function, ")")) return prefix + text;  // a variable
  int depth = 0;
  std::size_t open = function.size();
  do {
    --open;
    depth += function[open] == ')' ? 1 : function[open] == '(' ? -1 : 0;
  } while (depth != 0 && open > 0);
  function.resize(open);
  return prefix + function.substr(NameStart(function));
}

// The mangled names that nm lists for a file, without symbol versions.
std::vector<std::string> MangledNames(const std::string& nm_options, const std::string& path) {
  std::istringstream listing(Run("nm " + nm_options + " " + Quote(path)));
  std::set<std::string> names;
  for (std::string line; std::getline(listing, line);) {
    std::string name = line.substr(line.rfind(' ') + 1);
    if (StartsWith(name, "_Z")) names.insert(name.substr(0, name.find('@')));
  }
  return {names.begin(), names.end()};
}

std::string LoadedCxxLibrary() {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    std::size_t at = line.find('/');
    if (at != std::string::npos && line.find("libstdc++", at) != std::string::npos) {
      return line.substr(at);
    }
  }
  return "";
}

struct Tally {
  int names = 0, demangled = 0;
};

// Every name that is demangled equals the C++ library's text, and its
// name-only form is that text stripped. A few names the library itself
// refuses (a conversion operator template's own arguments); those give it
// no text to compare.
Tally Compare(const std::vector<std::string>& names) {
  Tally tally;
  for (const std::string& name : names) {
    ++tally.names;
    std::string mine = Demangled(name);
    if (mine == "<refused>") continue;
    ++tally.demangled;
    std::string oracle = Oracle(name);
    if (oracle == "<refused>") continue;
    EXPECT_EQ(mine, oracle) << name;
    // A function that returns a reference to an array is written around its
    // name ("char const (&f()) [4]"), which NameOnly does not undo.
    bool around_name = EndsWith(mine, "]") && mine.find(" [clone ") == std::string::npos;
    if (mine == oracle && !around_name) {
      EXPECT_EQ(Demangled(name, DemangleStyle::kNameOnly), NameOnly(mine)) << name;
    }
  }
  return tally;
}

// "_Z1fPi" and n parameters, each a pointer to the one before: a tree of
// depth n from a short name.
std::string SubstitutionChain(int n) {
  std::string name = "_Z1fPi";
  for (int i = 0; i < n; ++i) {
    std::string seq;  // base 36, and none for the first
    for (int v = i - 1; v >= 0; v = v >= 36 ? v / 36 : -1) {
      seq.insert(seq.begin(), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[v % 36]);
    }
    name += "PS" + seq + "_";
  }
  return name;
}

bool HaveNm() {
  return Run("command -v nm").find("nm") != std::string::npos;
}

TEST(DemangleTest, CxxLibrarySymbolsEqualTheLibrarysOwnDemangling) {
  std::string library = LoadedCxxLibrary();
  if (!HaveNm() || library.empty()) GTEST_SKIP() << "no nm, or the C++ library is linked in";
  Tally tally = Compare(MangledNames("-D --defined-only", library));
  ASSERT_GT(tally.names, 1000) << library;
  double share = 100.0 * tally.demangled / tally.names;
  std::printf("%s: %d of %d names demangled (%.2f%%)\n", library.c_str(), tally.demangled,
              tally.names, share);
  EXPECT_GE(share, 99.0);
}

TEST(DemangleTest, OwnSymbolsEqualTheLibrarysOwnDemangling) {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (!HaveNm() || n <= 0) GTEST_SKIP() << "no nm, or no path of this program";
  Tally tally = Compare(MangledNames("--defined-only", std::string(self, n)));
  std::printf("this program: %d of %d names demangled\n", tally.demangled, tally.names);
  EXPECT_GT(tally.demangled, 1000);
}

TEST(DemangleTest, HardCases) {
  const std::pair<const char*, const char*> cases[] = {
      {"_ZZ4mainENKUlvE_clEv", "main::{lambda()#1}::operator()() const"},
      {"_ZZ1fIiEvvENKUlT_E_clIcEEDaS_",
       "auto f<int>()::{lambda(auto:1)#1}::operator()<char>(f) const"},
      {"_ZTv0_n24_N1AD1Ev", "virtual thunk to A::~A()"},
      {"_ZThn8_N1A1fEv", "non-virtual thunk to A::f()"},
      {"_Z3foov.isra.0.cold", "foo() [clone .isra.0] [clone .cold]"},
      {"_ZNK1AcvT_IiEEv", "A::operator int<int>() const"},
      {"_ZN1A1fB5cxx11Ev", "A::f[abi:cxx11]()"},
      // An empty pack last: no space between the closing brackets.
      {"_Z1fIiN1BIiEEJEEvv", "void f<int, B<int>>()"},
      // A function type qualified where a template parameter names it.
      {"_Z1fIFviEEvRKT_", "void f<void (int)>(void ( const&)(int))"},
      {"_Z1fPFPFivEvE", "f(int (*(*)())())"},
      {"_Z1fPA3_PFviE", "f(void (* (*) [3])(int))"},
      {"_ZZ1fvE1x_0", "f()::x"},
      {"_ZZ1fvEs", "f()::string literal"},
      {"_ZN12_GLOBAL__N_11A1fEv", "(anonymous namespace)::A::f()"},
      {"_ZNSoD0Ev", "std::basic_ostream<char, std::char_traits<char> >::~basic_ostream()"},
      {"_ZltI1AEbRKT_S3_", "bool operator< <A>(A const&, A const&)"},
      {"_ZZN1A1fEvENUlvE_D2Ev", "A::f()::{lambda()#1}::~f()"},
      {"_ZN1AIiE1BIcEC1Ev", "A<int>::B<char>::B()"},
      {"_Z1fIJEiEvv", "void f<, int>()"},
      {"_Z1fILb1ELin1EEvv", "void f<true, -1>()"},
      {"_Z1fIiEDTcldtfp_1gEET_", "decltype (({parm#1}.g)()) f<int>(int)"},
      {"_Zli2_xPKc", "operator\"\" _x(char const*)"},
      {"_ZN1AUt0_E", "A::{unnamed type#2}"},
      // A function's template parameters within another's template arguments.
      {"_ZZNSt9once_flag18_Prepare_executionC4IZSt9call_onceIMSt6threadFvvEJPS3_EEvRS_OT_DpOT0_"
       "EUlvE_EERS8_ENUlvE_4_FUNEv",
       "std::once_flag::_Prepare_execution::_Prepare_execution<std::call_once<void "
       "(std::thread::*)(), std::thread*>(std::once_flag&, void (std::thread::*&&)(), "
       "std::thread*&&)::{lambda()#1}>(void (std::thread::*&)())::{lambda()#1}::_FUN()"},
      // A pack's element that holds a pack of its own.
      {"_Z1fIJRSt7variantIJicEEEEvDpOT_",
       "void f<std::variant<int, char>&>(std::variant<int, char>&)"},
  };
  for (const auto& [mangled, text] : cases) {
    EXPECT_EQ(Demangled(mangled), text) << mangled;
    EXPECT_EQ(Oracle(mangled), text) << mangled;
  }
  EXPECT_EQ(Demangled("_ZZ4mainENKUlvE_clEv", DemangleStyle::kNameOnly),
            "main::{lambda()#1}::operator()");
  EXPECT_EQ(Demangled("_Z3foov.cold", DemangleStyle::kNameOnly), "foo");
}

// Broken names, and names past the bounds, are refused; so is anything
// that is not a mangled name.
TEST(DemangleTest, RefusesWhatItCannotRead) {
  std::string deep = "_Z1f" + std::string(200, 'P') + "i";
  std::string wide = "_Z1f" + std::string(3000, 'i');  // more parameters than the lists hold
  std::string long_name =
      "_Z" + std::to_string(rt::kMaxMangledLength) + std::string(rt::kMaxMangledLength, 'a');
  std::string subs = SubstitutionChain(120);  // deeper than the printer goes
  const std::string broken[] = {"",        "_",          "_Z",
                                "main",    "strlen",     "_Z0v",
                                "_Z3fo",   "_Z3foov.",   "_Z3foov@@GLIBCXX_3.4",
                                "_Z1fS_",  "_ZN1A1fEvE", "_Z1fILi3E",
                                "_Z1fPA",  "_ZTh8_",     "_Z1fIiEvT0_",
                                "_ZNK",    deep,         wide,
                                long_name, subs};
  for (const std::string& name : broken) {
    EXPECT_EQ(Demangled(name), "<refused>") << name;
    EXPECT_EQ(Demangled(name, DemangleStyle::kNameOnly), "<refused>") << name;
  }
}

// Every prefix of long names is read without harm, and if accepted, read
// as the C++ library reads it.
TEST(DemangleTest, PrefixesOfLongNames) {
  for (const char* name :
       {"_ZNSt8_Rb_treeINSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEESt4pairIKS5_mESt10_"
        "Select1stIS8_ESt4lessIS5_ESaIS8_EE22_M_emplace_hint_uniqueIJRKSt21piecewise_construct_"
        "tSt5tupleIJRS7_EESJ_IJEEEEESt17_Rb_tree_iteratorIS8_ESt23_Rb_tree_const_iteratorIS8_"
        "EDpOT_.isra.0.cold",
        "_ZZ1fIiEvvENKUlT_E_clIcEEDaS_", "_ZSt5beginISt6vectorIiSaIiEEEDTcldtfp_5beginEERT_"}) {
    std::string whole = name;
    for (std::size_t n = 0; n <= whole.size(); ++n) {
      std::string prefix = whole.substr(0, n);
      std::string mine = Demangled(prefix);
      if (mine != "<refused>") {
        EXPECT_EQ(mine, Oracle(prefix)) << prefix;
      }
    }
  }
}

TEST(DemangleTest, CutAtTheBuffersEnd) {
  const std::string name = "_ZNKSt6vectorIiSaIiEE2atEm";
  const std::string full = "std::vector<int, std::allocator<int> >::at(unsigned long) const";
  ASSERT_EQ(Demangled(name), full);
  for (DemangleStyle style : {DemangleStyle::kFull, DemangleStyle::kNameOnly}) {
    char out[16];
    rt::DemangleResult r = rt::Demangle(name, out, style);
    EXPECT_TRUE(r.ok && r.cut);
    ASSERT_EQ(r.length, sizeof out);
    EXPECT_EQ(std::string(out, r.length), full.substr(0, sizeof out));
  }
  char exact[sizeof "foo()" - 1];
  rt::DemangleResult r = rt::Demangle("_Z3foov", exact, DemangleStyle::kFull);
  EXPECT_TRUE(r.ok && !r.cut && r.length == sizeof exact);
}

#if !defined(__SANITIZE_ADDRESS__)
// The deepest names that the bounds allow, read and printed to the bounds,
// fit on a 48 KiB stack.
void* DemangleDeepNames(void* accepted) {
  std::string names[] = {"_Z1f" + std::string(60, 'P') + "i", SubstitutionChain(90),
                         "_Z1f" + std::string(30, 'N') + "1a", "_Z1f", "_Z1fIiEDT"};
  for (int i = 0; i < 40; ++i) names[2] += "1aI";
  for (int i = 0; i < 30; ++i) names[3] += "PFPA1_";
  for (int i = 0; i < 60; ++i) names[4] += "ng";
  names[4] += "Li1EET_";
  char out[64];
  int& bits = *static_cast<int*>(accepted);
  for (int i = 0; i < 5; ++i) {
    if (rt::Demangle(names[i], out, DemangleStyle::kFull).ok) bits |= 1 << i;
    rt::Demangle(names[i], out, DemangleStyle::kNameOnly);
  }
  return nullptr;
}

TEST(DemangleTest, DeepNamesFitInASmallStack) {
  // qemu-user spins on a second thread.
  const char* emulated = std::getenv("QUIZ_EMULATED");
  if (emulated != nullptr && std::string_view(emulated) == "1")
    GTEST_SKIP() << "threads under an emulator";
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  // A system whose threads need more than that gets its least.
  long least = sysconf(_SC_THREAD_STACK_MIN);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, std::max<std::size_t>(48 * 1024, least)), 0);
  pthread_t thread;
  int accepted = 0;
  ASSERT_EQ(pthread_create(&thread, &attributes, DemangleDeepNames, &accepted), 0);
  pthread_join(thread, nullptr);  // an overflow would have ended the process
  EXPECT_EQ(accepted, 0b00011);   // the first two within the bounds, the others past them
}
#endif

}  // namespace
