// Writing a group's lines and the lines that count what is not written.
#include "report/frames/group_lines.h"

#include <string_view>

#include "base/text.h"
#include "console/write_ops.h"
#include "report/frame_lines.h"
#include "report/values/frame_values.h"

namespace rt {

namespace {

void WriteCount(TextRec& t, std::string_view before, std::uint64_t n, const char* one,
                const char* many) {
  Text text;
  text.Append(before);
  text.AppendDecimal(static_cast<std::int64_t>(n));
  text.Append(n == 1 ? one : many);
  WriteText(0, t, text.view());
  WriteLineEnd(t);
}

void WriteRepeats(TextRec& t, std::size_t lines, std::uint64_t times) {
  if (lines == 1) {
    WriteCount(t, "  (the line above repeats ", times - 1, " more time)", " more times)");
    return;
  }
  Text before;
  before.Append("  (the ");
  before.AppendDecimal(static_cast<std::int64_t>(lines));
  before.Append(" lines above repeat ");
  WriteCount(t, before.view(), times - 1, " more time)", " more times)");
}

// Under a cycle's count: the values of the first of its calls.
void WriteFirstCall(TextRec& t, const FrameGroup& group, const ReportOptions& options) {
  if (group.last == nullptr || options.values == nullptr) return;
  for (std::size_t i = 0; i < group.count; ++i) {
    options.values->AfterRepeats(t, group.last[i], LineCount(group.last[i], options));
  }
}

}  // namespace

std::size_t FrameLines(const FrameGroup& group, const ReportOptions& options) {
  std::size_t lines = 0;
  for (std::size_t i = 0; i < group.count; ++i) lines += LineCount(group.frames[i], options);
  return lines;
}

std::size_t GroupLines(const FrameGroup& group, const ReportOptions& options) {
  return FrameLines(group, options) + (group.times > 1 ? 1 : 0);
}

ShownLines WriteGroup(TextRec& t, const FrameGroup& group, std::size_t room,
                      const ReportOptions& options) {
  ShownLines shown;
  for (std::size_t i = 0; i < group.count && shown.lines < room; ++i) {
    std::size_t written = WriteLines(t, group.frames[i], options, room - shown.lines);
    shown.lines += written;
    shown.cut += LineCount(group.frames[i], options) - written;
    ++shown.frames;
  }
  if (group.times < 2 || shown.cut > 0 || shown.frames < group.count || shown.lines >= room) {
    return shown;
  }
  WriteRepeats(t, shown.lines, group.times);
  WriteFirstCall(t, group, options);
  ++shown.lines;
  shown.frames = group.walked();
  return shown;
}

void WriteGroupEnd(TextRec& t, const FrameGroup& group, std::size_t skip,
                   const ReportOptions& options) {
  for (std::size_t i = 0; i < group.count; ++i) {
    std::size_t lines = LineCount(group.frames[i], options);
    std::size_t skipped = skip < lines ? skip : lines;
    WriteLines(t, group.frames[i], options, lines, skipped);
    skip -= skipped;
  }
  if (group.times > 1) {
    WriteRepeats(t, FrameLines(group, options), group.times);
    WriteFirstCall(t, group, options);
  }
}

void WriteLeftOut(TextRec& t, std::uint64_t frames) {
  WriteCount(t, "  (", frames, " frame left out)", " frames left out)");
}

}  // namespace rt
