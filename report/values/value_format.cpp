// Numbers, characters, pointers, arrays and structures.
#include "report/values/value_format.h"

#include <cstring>

#include "platform/memory_query.h"

namespace rt {

namespace {

using Kind = TypeView::Kind;

std::int64_t SignExtended(std::uint64_t raw, std::uint64_t size) {
  if (size >= 8) return static_cast<std::int64_t>(raw);
  std::uint64_t sign = std::uint64_t{1} << (size * 8 - 1);
  return static_cast<std::int64_t>((raw ^ sign) - sign);
}

bool IsCharacter(Kind kind) {
  return kind == Kind::kChar || kind == Kind::kSignedChar || kind == Kind::kUnsignedChar;
}

}  // namespace

void ValueFormatter::Append(ValueText& text, std::int64_t type, bool in_types,
                            const ObjectBytes& object, int depth) {
  TypeView view;
  if (type < 0 || !reader_.DescribeType(unit_, type, in_types, view)) {
    text.Append("<unreadable>");
    return;
  }
  switch (view.kind) {
    case Kind::kPointer:
      return AppendPointer(text, view, object);
    case Kind::kReference: {
      std::uint64_t address = 0;
      if (!object.ReadWord(0, address)) return text.Append("<unreadable>");
      return Append(text, view.target, view.target_in_types, ObjectBytes::At(address), depth);
    }
    case Kind::kArray:
      return AppendArray(text, view, object, depth);
    case Kind::kStruct:
      if (AppendLibraryType(text, view, type, in_types, object, depth)) return;
      return AppendMembers(text, view, type, in_types, object, depth);
    case Kind::kUnknown:
      text.Append(view.name.view());
      return text.Append(" {...}");
    default:
      return AppendScalar(text, view, type, in_types, object);
  }
}

void ValueFormatter::AppendScalar(ValueText& text, const TypeView& view, std::int64_t type,
                                  bool in_types, const ObjectBytes& object) {
  std::uint64_t raw = 0;
  if (view.size == 0 || view.size > 8 || !object.Read(0, &raw, view.size)) {
    if (view.kind == Kind::kNullptr) return text.Append("nullptr");
    return text.Append("<unreadable>");
  }
  switch (view.kind) {
    case Kind::kSigned:
      return text.AppendSigned(SignExtended(raw, view.size));
    case Kind::kBool:
      return raw <= 1 ? text.Append(raw != 0 ? "true" : "false") : text.AppendUnsigned(raw);
    case Kind::kFloat:
      if (view.size == 4) {
        float f;
        std::memcpy(&f, &raw, 4);
        return text.AppendFloat(f);
      }
      if (view.size == 8) {
        double d;
        std::memcpy(&d, &raw, 8);
        return text.AppendFloat(d);
      }
      return text.Append("<unreadable>");
    case Kind::kEnum: {
      std::int64_t value = SignExtended(raw, view.size);
      Text name = reader_.EnumeratorName(unit_, type, in_types, value);
      if (name.length > 0) return text.Append(name.view());
      return text.AppendSigned(value);
    }
    case Kind::kNullptr:
      return text.Append("nullptr");
    default:
      break;
  }
  if (IsCharacter(view.kind) && view.size == 1) {
    text.AppendChar(static_cast<unsigned char>(raw));
    text.Append(" (");
    if (view.kind == Kind::kUnsignedChar) {
      text.AppendUnsigned(raw);
    } else {
      text.AppendSigned(SignExtended(raw, 1));
    }
    return text.Append(")");
  }
  text.AppendUnsigned(raw);
}

void ValueFormatter::AppendPointer(ValueText& text, const TypeView& view,
                                   const ObjectBytes& object) {
  std::uint64_t address = 0;
  if (!object.ReadWord(0, address)) return text.Append("<unreadable>");
  if (address == 0) return text.Append("nullptr");
  TypeView target;
  if (view.target >= 0 && reader_.DescribeType(unit_, view.target, view.target_in_types, target) &&
      IsCharacter(target.kind) && target.size == 1) {
    return AppendCString(text, address);
  }
  text.AppendHex(address);
}

void ValueFormatter::AppendCString(ValueText& text, std::uint64_t address) {
  std::uint8_t bytes[kMaxString + 1];
  std::size_t got = kMaxString + 1;
  // A string that ends near the end of its memory is read up to there.
  if (!platform::ReadMemory(address, bytes, got)) {
    got = static_cast<std::size_t>(4096 - address % 4096);
    if (got > kMaxString + 1 || !platform::ReadMemory(address, bytes, got)) got = 0;
  }
  if (got == 0) {
    text.AppendHex(address);
    return text.Append(" <unreadable>");
  }
  std::size_t n = 0;
  while (n < got && bytes[n] != 0) ++n;
  text.AppendQuoted(bytes, n > kMaxString ? kMaxString : n, n > kMaxString);
}

void ValueFormatter::AppendArray(ValueText& text, const TypeView& view, const ObjectBytes& object,
                                 int depth) {
  TypeView element;
  if (view.target < 0 || !reader_.DescribeType(unit_, view.target, view.target_in_types, element) ||
      view.count == 0 || element.size == 0) {
    text.Append(view.name.view());
    return text.Append(" {...}");
  }
  // An array of characters is text, up to its first NUL.
  if (IsCharacter(element.kind) && element.size == 1) {
    std::uint8_t bytes[kMaxString];
    std::size_t n = view.count < kMaxString ? view.count : kMaxString;
    if (!object.Read(0, bytes, n)) return text.Append("<unreadable>");
    std::size_t length = 0;
    while (length < n && bytes[length] != 0) ++length;
    return text.AppendQuoted(bytes, length, length == n && view.count > n);
  }
  // Inner dimensions: the element stands for a row of them.
  std::uint64_t stride = view.size / view.count;
  if (stride == 0) stride = element.size;
  text.Append("{");
  AppendElements(text, view.target, view.target_in_types, stride, view.count, object, depth);
  text.Append("}");
}

void ValueFormatter::AppendElements(ValueText& text, std::int64_t element, bool in_types,
                                    std::uint64_t size, std::uint64_t count,
                                    const ObjectBytes& first, int depth) {
  if (depth > 0) return text.Append("...");
  for (std::uint64_t i = 0; i < count && i < kMaxElements && !text.full(); ++i) {
    if (i > 0) text.Append(", ");
    Append(text, element, in_types, first.Part(i * size), depth + 1);
  }
  if (count > kMaxElements) text.Append(", ...");
}

void ValueFormatter::AppendMembers(ValueText& text, const TypeView& view, std::int64_t type,
                                   bool in_types, const ObjectBytes& object, int depth) {
  if (depth > 0) {
    text.Append(view.name.view());
    return text.Append(" {...}");
  }
  TypeMember members[kMaxElements + 1];
  int count = reader_.MembersOf(unit_, type, in_types, members, kMaxElements + 1);
  text.Append("{");
  for (int i = 0, shown = 0; i < count && shown < kMaxElements; ++i) {
    if (shown++ > 0) text.Append(", ");
    if (members[i].name.length > 0) {
      text.Append(members[i].name.view());
      text.Append(" = ");
    }
    Append(text, members[i].type, members[i].type_in_types, object.Part(members[i].offset),
           depth + 1);
  }
  text.Append(count > kMaxElements ? ", ...}" : "}");
}

}  // namespace rt
