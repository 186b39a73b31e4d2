// The C++ library's own types, by their names and its layouts (the same
// with every compiler that uses it, on every platform): a string's pointer
// and length, a vector's first and last element, an array's elements, a
// smart pointer's pointer.
#include <string_view>

#include "platform/memory_query.h"
#include "report/values/value_format.h"

namespace rt {

namespace {

bool Named(const TypeView& view, std::string_view prefix) {
  return view.name.view().starts_with(prefix);
}

}  // namespace

bool ValueFormatter::FindMember(std::int64_t type, bool in_types, std::string_view name,
                                TypeMember& found, int depth) {
  TypeMember members[kMaxElements];
  int count = reader_.MembersOf(unit_, type, in_types, members, kMaxElements);
  for (int i = 0; i < count; ++i) {
    if (members[i].name.view() == name) {
      found = members[i];
      return true;
    }
  }
  // The member may lie in a base class, as the library's containers keep
  // their data.
  for (int i = 0; i < count && depth < 4; ++i) {
    if (members[i].base &&
        FindMember(members[i].type, members[i].type_in_types, name, found, depth + 1)) {
      return true;
    }
  }
  return false;
}

bool ValueFormatter::MemberType(std::int64_t type, bool in_types, const char* const* path,
                                int steps, TypeMember& found) {
  for (int step = 0; step < steps; ++step) {
    if (!FindMember(type, in_types, path[step], found, 0)) return false;
    type = found.type;
    in_types = found.type_in_types;
  }
  return true;
}

bool ValueFormatter::AppendLibraryType(ValueText& text, const TypeView& view, std::int64_t type,
                                       bool in_types, const ObjectBytes& object, int depth) {
  std::uint64_t first = 0, second = 0;
  bool string =
      Named(view, "std::__cxx11::basic_string<char") || Named(view, "std::basic_string<char");
  if (string || Named(view, "std::basic_string_view<char")) {
    // A string: its characters' pointer, then its length; a view: the other
    // way round.
    if (!object.ReadWord(0, first) || !object.ReadWord(8, second)) {
      text.Append("<unreadable>");
      return true;
    }
    std::uint64_t data = string ? first : second, length = string ? second : first;
    std::uint8_t bytes[kMaxString];
    std::size_t shown = length < kMaxString ? length : kMaxString;
    if (!platform::ReadMemory(data, bytes, shown)) {
      text.Append("<unreadable>");
      return true;
    }
    text.AppendQuoted(bytes, shown, length > kMaxString);
    return true;
  }
  if (Named(view, "std::vector<")) {
    static const char* const kPath[] = {"_M_impl", "_M_start"};
    TypeMember start;
    TypeView pointer, element;
    if (!MemberType(type, in_types, kPath, 2, start) ||
        !reader_.DescribeType(unit_, start.type, start.type_in_types, pointer) ||
        pointer.target < 0 ||
        !reader_.DescribeType(unit_, pointer.target, pointer.target_in_types, element) ||
        element.size == 0) {
      return false;
    }
    if (!object.ReadWord(0, first) || !object.ReadWord(8, second) || second < first) {
      text.Append("<unreadable>");
      return true;
    }
    std::uint64_t count = (second - first) / element.size;
    text.Append("std::vector of ");
    text.AppendUnsigned(count);
    if (count == 0) return true;
    text.Append(" {");
    AppendElements(text, pointer.target, pointer.target_in_types, element.size, count,
                   ObjectBytes::At(first), depth);
    text.Append("}");
    return true;
  }
  if (Named(view, "std::array<")) {
    static const char* const kPath[] = {"_M_elems"};
    TypeMember elements;
    if (!MemberType(type, in_types, kPath, 1, elements)) return false;
    Append(text, elements.type, elements.type_in_types, object.Part(elements.offset), depth);
    return true;
  }
  if (Named(view, "std::unique_ptr<") || Named(view, "std::shared_ptr<")) {
    if (!object.ReadWord(0, first)) {
      text.Append("<unreadable>");
    } else if (first == 0) {
      text.Append("nullptr");
    } else {
      text.AppendHex(first);
    }
    return true;
  }
  return false;
}

}  // namespace rt
