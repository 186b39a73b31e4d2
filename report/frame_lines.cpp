// Forming a frame's lines from its record.
#include "report/frame_lines.h"

#include "base/frame_line.h"
#include "console/write_ops.h"
#include "report/source/frame_snippet.h"
#include "report/values/frame_values.h"

namespace rt {

namespace {

// A frame's inlined calls beyond these are not shown: a chain that deep is
// a reader's mistake sooner than a program's.
constexpr std::size_t kMaxLinesPerFrame = 16;

// Inlined whole where it is used: a formatter that raises an error of its
// own is then one frame nearer the report's, whose second report must still
// reach the frames of the first error within its limit.
[[gnu::always_inline]] inline void Resolve(ReportFrame& frame, const ReportOptions& options) {
  if (options.style == ReportStyle::kFull && options.resolve != nullptr && options.resolve(frame)) {
    if (frame.sources.empty()) frame.sources.emplace_back();
    frame.resolution = ReportFrame::Resolution::kSources;
    return;
  }
  OneLineFormatter format = frame.at_fault ? options.fault_line : options.frame_line;
  void* code = reinterpret_cast<void*>(frame.code());
  frame.own_line = format != nullptr ? format(code) : PlainFrameLine(frame.code());
  frame.resolution = ReportFrame::Resolution::kOneLine;
}

[[gnu::always_inline]] inline std::size_t CountLines(ReportFrame& frame,
                                                     const ReportOptions& options) {
  if (frame.resolution == ReportFrame::Resolution::kNotYet) Resolve(frame, options);
  if (frame.resolution != ReportFrame::Resolution::kSources) return 1;
  return frame.sources.size() < kMaxLinesPerFrame ? frame.sources.size() : kMaxLinesPerFrame;
}

}  // namespace

void ResolveFrame(ReportFrame& frame, const ReportOptions& options) {
  if (frame.resolution == ReportFrame::Resolution::kNotYet) Resolve(frame, options);
}

std::size_t LineCount(ReportFrame& frame, const ReportOptions& options) {
  return CountLines(frame, options);
}

std::size_t WriteLines(TextRec& t, ReportFrame& frame, const ReportOptions& options,
                       std::size_t room, std::size_t skip) {
  std::size_t count = CountLines(frame, options);
  std::size_t left = count > skip ? count - skip : 0;
  std::size_t n = left < room ? left : room;
  for (std::size_t i = skip; i < skip + n; ++i) {
    Text line = frame.resolution == ReportFrame::Resolution::kSources
                    ? NamedFrameLine(frame.code(), frame.sources[i], frame.module.view())
                    : frame.own_line;
    WriteText(0, t, line.view());
    WriteLineEnd(t);
    if (options.snippet != nullptr) options.snippet->AfterLine(t, frame, i);
    if (options.values != nullptr) options.values->AfterLine(t, frame, i);
  }
  return n;
}

}  // namespace rt
