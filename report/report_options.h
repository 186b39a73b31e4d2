// What shapes a report, handed to it whole by the runtime that installed
// the formatters, so that nothing here reads the runtime's settings.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "report/report_frame.h"

namespace rt {

enum class ReportStyle : std::uint8_t {
  // One line per frame, from the one-line formatters, every frame up to the
  // limit: the report of a program written as the quiz is.
  kTerse,
  // A line for each inlined call too, each naming its function and a module
  // other than the program; repeated lines collapsed, and a walk too long
  // for the limit keeps the lines nearest where the program began: the
  // report of a program with its own main.
  kFull,
};

class FrameSnippet;
class FrameValues;

// Formats the frame line of one code address, 255 bytes at most.
using OneLineFormatter = Text (*)(void* addr);
// Fills a frame's source frames (its sources, never left empty, and its
// module); false where it leaves the frame to the one-line formatters. It
// may raise a run-time error of its own.
using FrameResolver = bool (*)(ReportFrame& frame);

struct ReportOptions {
  ReportStyle style = ReportStyle::kTerse;
  // Frame lines after the first one that a report on a standard stream shows.
  std::uint16_t max_frame_dump = 8;
  OneLineFormatter frame_line = nullptr;  // of a return address
  OneLineFormatter fault_line = nullptr;  // of a faulting instruction
  FrameResolver resolve = nullptr;        // consulted in the full style only
  // Shows the program's own line under its frame line; the report's own,
  // in the full style only.
  FrameSnippet* snippet = nullptr;
  // Shows the values of the program's own frames under their lines.
  FrameValues* values = nullptr;
};

}  // namespace rt
