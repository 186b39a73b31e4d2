// The walk by frame records.
#include "report/frame_chain.h"

#include <cstdint>

#include "platform/frame_record.h"
#include "platform/walk.h"
#include "report/frame_list.h"
#include "report/stack_walk.h"

namespace rt {

namespace {

class FrameRecordChain final : public FrameSource {
 public:
  // lowest: the lowest address the first record may have.
  FrameRecordChain(void* frame, std::uint64_t lowest)
      : frame_(frame), bounds_(lowest, StackTop(reinterpret_cast<std::uint64_t>(frame))) {}

  bool Next(WalkedFrame& walked) override {
    if (!bounds_.Admit(reinterpret_cast<std::uint64_t>(frame_))) return false;
    platform::FrameRecord record = platform::ReadFrameRecord(frame_);
    walked = FrameAt(reinterpret_cast<std::uint64_t>(record.return_address), false);
    walked.cfa = reinterpret_cast<std::uint64_t>(record.caller_frame);
    walked.registers.Set(platform::kWalkLayout.frame_register, walked.cfa);
    frame_ = record.caller_frame;
    return true;
  }

 private:
  void* frame_;
  FrameBounds bounds_;
};

}  // namespace

// The chain starts above this routine's own frame.
[[gnu::noinline]] void Dump_Stack(TextRec& t, void* frame, const ReportOptions& options,
                                  std::size_t used) {
  FrameRecordChain chain(frame, reinterpret_cast<std::uint64_t>(__builtin_frame_address(0)) + 1);
  WriteFrameList(t, chain, options, used);
}

}  // namespace rt
