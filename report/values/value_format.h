// A value as a C++ programmer writes it, from its type's entries and its
// bytes: numbers, characters, nullptr, strings, the size and first elements
// of a vector, one level of a structure's members; a type it does not know
// by its name and "{...}".
#pragma once

#include <cstdint>
#include <string_view>

#include "dwarf/info/unit_root.h"
#include "dwarf/variables/variable_reader.h"
#include "report/values/object_bytes.h"
#include "report/values/value_text.h"

namespace rt {

class ValueFormatter {
 public:
  // The elements or members shown of an array, a vector or a structure.
  static constexpr int kMaxElements = 8;
  // The bytes of a C string shown.
  static constexpr std::size_t kMaxString = 64;

  ValueFormatter(VariableReader& reader, const UnitSummary& unit) : reader_(reader), unit_(unit) {}

  // Appends the value of the object of the type; depth 0 is a variable's
  // own, whose members and elements are shown, deeper ones are not.
  void Append(ValueText& text, std::int64_t type, bool in_types, const ObjectBytes& object,
              int depth = 0);

 private:
  void AppendScalar(ValueText& text, const TypeView& view, std::int64_t type, bool in_types,
                    const ObjectBytes& object);
  void AppendPointer(ValueText& text, const TypeView& view, const ObjectBytes& object);
  void AppendArray(ValueText& text, const TypeView& view, const ObjectBytes& object, int depth);
  void AppendMembers(ValueText& text, const TypeView& view, std::int64_t type, bool in_types,
                     const ObjectBytes& object, int depth);
  // The library's own types by their names: strings, vectors, arrays and
  // smart pointers; false for any other.
  bool AppendLibraryType(ValueText& text, const TypeView& view, std::int64_t type, bool in_types,
                         const ObjectBytes& object, int depth);
  void AppendCString(ValueText& text, std::uint64_t address);
  void AppendElements(ValueText& text, std::int64_t element, bool in_types, std::uint64_t size,
                      std::uint64_t count, const ObjectBytes& first, int depth);
  // The member of that name, in the type or one of its base classes.
  bool FindMember(std::int64_t type, bool in_types, std::string_view name, TypeMember& found,
                  int depth);
  // The type of the member on the path of names, from the type: a member
  // named there or inside a base class; false where there is none.
  bool MemberType(std::int64_t type, bool in_types, const char* const* path, int steps,
                  TypeMember& found);

  VariableReader& reader_;
  const UnitSummary& unit_;
};

}  // namespace rt
