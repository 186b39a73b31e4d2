// Demangling without the heap: a parse into fixed arrays, then a print
// into the caller's buffer.
#include "exe/demangle.h"

#include "exe/demangle_parser.h"
#include "exe/demangle_printer.h"

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

}  // namespace rt
