// The variables in scope at a code address of a function or an inlined
// call, and the types of their values, as the value formatter reads them:
// names qualified by their namespaces and classes, typedefs and qualifiers
// passed through, declarations followed into their type units.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "base/text.h"
#include "dwarf/debug_sections.h"
#include "dwarf/forms.h"
#include "dwarf/info/address_ranges.h"
#include "dwarf/info/unit_root.h"
#include "dwarf/variables/debug_entries.h"

namespace rt {

struct TypeFacts;

struct ScopeVariable {
  Text name;               // through the abstract origin of a concrete instance
  bool parameter = false;  // a formal parameter, else a variable
  std::int64_t type = -1;  // the type's entry, in .debug_types where type_in_types; -1 none
  bool type_in_types = false;
  EntryLocation location;  // its DW_AT_location
  bool has_const_value = false;
  std::uint64_t const_value = 0;  // DW_AT_const_value of a data form
  std::uint32_t decl_line = 0;
};

// A parameter that a call passed in a register: the register, at the
// callee's entry, and the expression of its value in the caller's frame.
struct CallSiteValue {
  int reg = -1;
  EntryLocation value;
};

struct TypeView {
  enum class Kind : std::uint8_t {
    kUnknown,
    kSigned,
    kUnsigned,
    kBool,
    kChar,
    kSignedChar,
    kUnsignedChar,
    kFloat,
    kPointer,
    kReference,
    kEnum,
    kStruct,
    kArray,
    kNullptr
  };
  Kind kind = Kind::kUnknown;
  std::uint64_t size = 0;  // bytes; a pointer's or reference's: the address size
  Text name;               // qualified by its namespaces and classes, where it has one
  // What a pointer or reference points to, an array's element, an enum's
  // underlying type: past typedefs and qualifiers; -1 none (void).
  std::int64_t target = -1;
  bool target_in_types = false;
  std::uint64_t count = 0;  // an array's elements in its first dimension; 0 unknown
};

struct TypeMember {
  Text name;          // empty for a base class and an unnamed member
  bool base = false;  // a base class's share of the object
  std::int64_t type = -1;
  bool type_in_types = false;
  std::uint64_t offset = 0;  // from the object's first byte
};

class VariableReader {
 public:
  static constexpr int kMaxVariables = 32;
  // The most references followed from one entry, the most nested blocks
  // read, and the most entries read in one list of children.
  static constexpr int kMaxHops = 16;
  static constexpr int kMaxBlocks = 64;
  static constexpr int kMaxChildren = 1 << 16;
  // The deepest nesting of scopes around a type, and the most entries
  // walked to find them.
  static constexpr int kMaxDepth = 32;
  static constexpr int kMaxWalk = 1 << 22;

  explicit VariableReader(const DebugSources& sources);

  // The parameters and then the locals in scope at link-time address pc in
  // the function or inlined call whose entry (in .debug_info) is given, in
  // the unit: those of its body, then of each block that holds pc, outer
  // blocks first. A local counts where it has no DW_AT_decl_line or one
  // before line (0: every one). How many were put in out, at most room.
  int VariablesInScope(const UnitSummary& unit, std::int64_t function, std::uint64_t pc,
                       std::uint32_t line, ScopeVariable* out, int room);
  // The function's DW_AT_frame_base; false where it has none (an inlined
  // call's is its function's).
  bool FrameBase(const UnitSummary& unit, std::int64_t function, EntryLocation& base);

  // The parameters that the call returning to link-time address return_pc
  // passed in registers, from the call site entries of the function (at
  // entry, in the unit) that made it; how many, at most room.
  int CallSiteValues(const UnitSummary& unit, std::int64_t function, std::uint64_t return_pc,
                     CallSiteValue* out, int room);

  // The type at an entry; false where it cannot be read, or its typedefs
  // and qualifiers lead nowhere or in a circle.
  bool DescribeType(const UnitSummary& unit, std::int64_t type, bool in_types, TypeView& view);
  // A structure's data members and base classes at constant offsets, in
  // order (bit fields and static members left out); how many, at most room.
  int MembersOf(const UnitSummary& unit, std::int64_t type, bool in_types, TypeMember* out,
                int room);
  // The name of an enumeration's enumerator of that value; empty for none.
  Text EnumeratorName(const UnitSummary& unit, std::int64_t type, bool in_types,
                      std::int64_t value);

 private:
  struct Collect;
  struct Declared;
  bool ReadLevel(std::uint64_t pc, Collect& collect, EntryPlace* blocks, int& queued);
  bool ReadVariable(const UnitEntry& entry, Collect& collect);
  void ReadOrigins(Declared& declared);
  bool ReadDeclared(const UnitEntry& entry, Declared& declared, bool located);
  bool HoldsPc(const UnitEntry& entry, std::uint64_t pc, bool& holds, std::uint64_t& sibling);
  bool ReadLocation(EntryAttributes& attributes, EntryLocation& location);
  bool ReturnsTo(const UnitEntry& entry, std::uint64_t return_pc, bool& matches,
                 std::uint64_t& sibling);
  int ReadParameters(CallSiteValue* out, int room);
  bool ReadParameter(const UnitEntry& entry, CallSiteValue& parameter);

  bool ReadFacts(EntryPlace at, TypeFacts& facts);
  EntryPlace Resolve(EntryPlace at, TypeFacts& facts);
  void ReadBounds(TypeFacts& facts);
  bool OpenChildren(const UnitSummary& unit, std::int64_t type, bool in_types, std::uint32_t& tag);
  bool ReadMember(const UnitEntry& entry, TypeMember& member, bool& kept, std::uint64_t& sibling);
  bool ConstantOffset(const FormValue& block, std::uint64_t& offset);
  Text Qualified(EntryPlace at, const Text& name);
  bool ScopesAround(EntryPlace at, EntryPlace* scopes, int& depth);

  DebugSources sources_;
  UnitSummary home_;
  DebugEntries entries_;
  std::pmr::vector<AddressRange> ranges_;
};

}  // namespace rt
