// The values under a frame line of the program's own code: its function's
// parameters and the locals in scope at its address, for the innermost
// frames of the program's code.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/resource_object.h"
#include "console/text_rec.h"
#include "report/report_frame.h"

namespace rt {

class VariableReader;

// What the values of several frames of one module share: the reader of
// its entries, made once.
struct ValueReaders {
  ResourcePtr<VariableReader> reader;
  std::uint64_t load_delta = 0;  // of the module it reads
};

class FrameValues {
 public:
  FrameValues();
  ~FrameValues();

  // The frames of the program's own code whose values are shown.
  static constexpr int kMaxFrames = 8;

  // Called after each frame line is written: source is the index of the
  // line's source frame in the frame's record.
  void AfterLine(TextRec& t, const ReportFrame& frame, std::size_t source);
  // Called after a cycle's count line with each frame of its last run, the
  // first of its calls: their values, each line naming its function. Only
  // where the cycle's own lines showed values; lines: the frame's lines.
  void AfterRepeats(TextRec& t, const ReportFrame& frame, std::size_t lines);

 private:
  int frames_ = 0;
  std::uint64_t last_frame_ = 0;  // the code address of the last frame counted
  bool shown_ = false;            // the last frame line was among those counted
  ValueReaders readers_;
};

// The line of the values of the frame's source frame, as "name = value"
// pairs after the lead; false where it has no variables to show.
bool FormValueLine(const ReportFrame& frame, std::size_t source, ValueReaders& readers,
                   std::string_view lead, Text& line);

}  // namespace rt
