// A compressed section as a run of its decompressed bytes, decoded as a
// stream over the file: memory stays bounded whatever the section's size.
#pragma once

#include <cstdint>

#include "exe/byte_source.h"
#include "exe/compressed/decoder.h"
#include "exe/exe_file.h"

namespace rt {

class CompressedSource final : public ByteSource {
 public:
  // Reads the section of the file that exe has open. The whole stream is
  // checked at the first read: a stream that is damaged, cut short, or not
  // of the size its header states reads as empty. Binding the same section
  // again keeps the check and the places to go on from.
  void Bind(TExeFile& exe, const ExeSection& section);
  // Drops what was learnt: the next section is another file's.
  void Forget();

  ReadResult ReadAt(std::int64_t offset, void* buffer, std::int64_t n) override;
  // The stated size until the stream fails its check, 0 from then on.
  std::int64_t Size() const override { return state_ == State::kBad ? 0 : section_.size; }

 private:
  // Places the stream can be taken up again from, spread evenly over it;
  // only methods whose state can be copied have them.
  static constexpr int kMaxRestartPoints = 8;
  static constexpr std::int64_t kMinRestartSpacing = 256 * 1024;
  static constexpr std::int64_t kChunk = 16 * 1024;
  // No method packs a line table tighter than this: a header that states a
  // larger size for its stream is not believed, so that the check of a
  // damaged section cannot decode for ever.
  static constexpr std::int64_t kMaxRatio = 1024;

  struct RestartPoint {
    std::int64_t out_pos = 0;  // decompressed offset
    std::int64_t in_pos = 0;   // stored offset of the next byte to decode
    DecoderPtr decoder;
  };

  enum class State { kUnchecked, kGood, kBad };
  bool good() const { return state_ == State::kGood; }

  bool Check();
  bool StartAt(const RestartPoint* point);
  bool GoTo(std::int64_t offset);
  // Decodes the next n bytes into out, or drops them where out is null.
  bool Produce(std::uint8_t* out, std::int64_t n);
  // Whether the stream ends here, with no byte more.
  bool AtEnd();
  bool Step(std::uint8_t*& out, std::size_t& room);

  TExeFile* exe_ = nullptr;
  std::uint16_t io_error_ = 0;  // of the last read of the file that failed
  ExeSection section_;
  State state_ = State::kUnchecked;
  DecoderPtr decoder_;
  std::int64_t out_pos_ = 0;
  bool ended_ = false;       // the last step reached the end of a stream
  std::int64_t in_pos_ = 0;  // stored offset of in_[in_begin_]
  std::int64_t in_begin_ = 0, in_end_ = 0;
  std::uint8_t in_[kChunk];
  std::uint8_t discard_[kChunk];
  RestartPoint points_[kMaxRestartPoints];
  int point_count_ = 0;
};

}  // namespace rt
