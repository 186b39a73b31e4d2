// The frame lines of a long walk as a report in the full style shows them:
// its cycles collapsed (group_lines.h); where the lines still do not fit
// the limit, the lines nearest the error, then "  (N frames left out)",
// then the lines from the last cycle's outermost caller to the end (main,
// or a thread's own routine) where they fit, or else the lines nearest the
// end, so that a report always reaches where the program's own code began.
// Memory stays the same however many frames the walk has, and each frame
// kept is resolved once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "console/text_rec.h"
#include "report/frames/cycle_finder.h"
#include "report/frames/group_lines.h"
#include "report/report_frame.h"
#include "report/report_options.h"

namespace rt {

class RepeatedFrames final : FrameGroupSink {
 public:
  // limit: the most lines the report shows after the error's own.
  RepeatedFrames(std::size_t limit, const ReportOptions& options);

  // The next frame, outward from the error.
  void Add(const WalkedFrame& frame);
  void Write(TextRec& t);

 private:
  // The groups written after the frames left out, the lines they take and
  // the lines of their first frames that are not written.
  struct Tail {
    std::uint64_t first = 0, frames = 0;
    std::size_t lines = 0, skip = 0;
  };
  // A group whose records head_ holds.
  struct Stored {
    std::size_t first, count;
    std::uint64_t times;
    std::size_t last;  // a cycle's last run in lasts_; kNoLast where none is kept
  };
  static constexpr std::size_t kNoLast = ~std::size_t{0};

  void Take(const WalkedFrame* frames, std::size_t count, std::uint64_t times,
            const WalkedFrame* last) override;
  FrameGroup Group(std::uint64_t number);
  bool Fits();
  Tail PlanTail();
  Tail LastGroups(std::uint64_t first, std::size_t room);

  std::size_t limit_;
  const ReportOptions& options_;
  CycleFinder finder_;
  std::pmr::vector<ReportFrame> head_;   // the first groups' records, as many as could be shown
  std::pmr::vector<ReportFrame> lasts_;  // the last runs of their cycles
  std::pmr::vector<Stored> stored_;
  bool head_full_ = false;
  std::uint64_t groups_ = 0, frames_ = 0, least_lines_ = 0;
  // The last cycle, and its group's number.
  std::pmr::vector<ReportFrame> cycle_, cycle_last_;
  std::uint64_t cycle_times_ = 0, cycle_group_ = 0;
  // The frames of their own since the last cycle: how many, and the last of
  // them in a ring.
  std::pmr::vector<ReportFrame> singles_;
  std::uint64_t single_count_ = 0;
};

}  // namespace rt
