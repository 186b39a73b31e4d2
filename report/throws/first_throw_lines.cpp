// Where an exception thrown again was first thrown, as frame lines: one per
// line, the form every frame line has, and a line between the two throws
// that is no frame line (it does not begin with '$') and counts toward no
// limit.
#include "report/throws/first_throw_lines.h"

#include "console/write_ops.h"
#include "platform/walk.h"
#include "report/frame_lines.h"
#include "report/frame_list.h"

namespace rt {

std::size_t WriteFirstThrow(TextRec& t, const FirstThrow& first, const WalkedFrame& site,
                            const ReportOptions& options, std::size_t used) {
  const std::size_t limit = FrameLineLimit(t, options);
  for (std::size_t i = 1; i < first.thrown.count && used < limit; ++i) {
    // A chain of frame records that went astray (code built without them)
    // leads out of every module's code: what it found beyond is no caller.
    if (!platform::FindUnwindTables(first.thrown.addresses[i]).in_module) break;
    ReportFrame caller(FrameAt(first.thrown.addresses[i], false));
    used += WriteLines(t, caller, options, limit - used);
  }
  if (used >= limit) return used;
  WriteText(0, t, "  rethrown at:");
  WriteLineEnd(t);
  ReportFrame rethrow(site);
  return used + WriteLines(t, rethrow, options, limit - used);
}

}  // namespace rt
