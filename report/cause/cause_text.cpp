// Forming the pieces of the cause lines.
#include "report/cause/cause_text.h"

#include "report/frame_lines.h"

namespace rt {

void AppendAddress(Text& text, std::uint64_t address) {
  static const char kDigits[] = "0123456789abcdef";
  char digits[16];
  int n = 0;
  do {
    digits[n++] = kDigits[address & 0xF];
    address >>= 4;
  } while (address != 0);
  text.Append("0x");
  while (n > 0) text.Append(std::string_view(&digits[--n], 1));
}

void AppendSize(Text& text, std::uint64_t bytes) {
  constexpr std::uint64_t kKilo = 1024, kMega = kKilo * 1024;
  if (bytes >= kMega && bytes % (kMega / 10) == 0) {
    text.AppendDecimal(static_cast<std::int64_t>(bytes / kMega));
    std::uint64_t tenth = bytes % kMega / (kMega / 10);
    if (tenth != 0) {
      text.Append(".");
      text.AppendDecimal(static_cast<std::int64_t>(tenth));
    }
    text.Append(" MB");
  } else if (bytes >= kMega) {
    text.AppendDecimal(static_cast<std::int64_t>((bytes + kMega / 2) / kMega));
    text.Append(" MB");
  } else if (bytes >= kKilo) {
    text.AppendDecimal(static_cast<std::int64_t>((bytes + kKilo / 2) / kKilo));
    text.Append(" KB");
  } else {
    text.AppendDecimal(static_cast<std::int64_t>(bytes));
    text.Append(" bytes");
  }
}

SourceFrame SourceAt(const WalkedFrame& frame, const ReportOptions& options) {
  ReportFrame record(frame);
  ResolveFrame(record, options);
  if (record.resolution != ReportFrame::Resolution::kSources) return {};
  // The outermost of an address's frames is the function whose code it is;
  // its line is that of the call into the inlined ones.
  return record.sources.back();
}

void AppendPlace(Text& text, const SourceFrame& source) {
  const char* separator = "";
  if (source.file.length > 0) {
    if (source.line != 0) {
      text.Append("line ");
      text.AppendDecimal(source.line);
      text.Append(" of ");
    }
    text.Append(source.file.view());
    separator = " ";
  }
  if (source.function.length > 0) {
    text.Append(separator);
    text.Append("in ");
    text.Append(source.function.view());
  }
}

void AppendFunction(Text& text, const SourceFrame& source, std::uint64_t code) {
  if (source.function.length > 0) {
    text.Append(source.function.view());
  } else {
    text.Append("the function at ");
    AppendAddress(text, code);
  }
}

}  // namespace rt
