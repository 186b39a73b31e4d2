// Demangling without the heap: a parse into fixed arrays, then a print
// into the caller's buffer.
#include "demangle/demangle.h"

#include "demangle/parse/parser.h"
#include "demangle/print/printer.h"

namespace rt {

DemangleResult Demangle(std::string_view mangled, std::span<char> out, DemangleStyle style) {
  demangle::Parser parser(mangled);
  demangle::Ref root = parser.ParseSymbol();
  if (root == demangle::kNone) return {};
  // The name alone is given only where the whole could be printed.
  if (style == DemangleStyle::kNameOnly) {
    demangle::Printer check(parser, {});
    if (!check.PrintSymbol(root, DemangleStyle::kFull)) return {};
  }
  demangle::Printer printer(parser, out);
  if (!printer.PrintSymbol(root, style)) return {};
  return {true, printer.Length(), printer.Cut()};
}

bool DemangleName(std::string_view mangled, Text& out) {
  char readable[Text::kCapacity];
  DemangleResult result = Demangle(mangled, readable, DemangleStyle::kNameOnly);
  if (!result.ok) return false;
  out = Text(std::string_view(readable, result.length));
  return true;
}

}  // namespace rt
