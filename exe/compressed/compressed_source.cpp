// Random reads of a compressed stream: forward by decoding, backward from
// the nearest restart point at or before the place (or from the start).
#include "exe/compressed/compressed_source.h"

namespace rt {

void CompressedSource::Bind(TExeFile& exe, const ExeSection& section) {
  bool same = exe_ == &exe && section_.offset == section.offset &&
              section_.length == section.length && section_.compression == section.compression &&
              section_.size == section.size;
  exe_ = &exe;
  io_error_ = 0;
  if (same && state_ != State::kUnchecked) {
    // The file was opened again: what was read of it is gone, what was
    // learnt of the stream stays.
    if (good() && !StartAt(nullptr)) state_ = State::kBad;
    return;
  }
  Forget();
  section_ = section;
}

void CompressedSource::Forget() {
  state_ = State::kUnchecked;
  decoder_.reset();
  for (RestartPoint& point : points_) point = RestartPoint();
  point_count_ = 0;
  out_pos_ = in_pos_ = in_begin_ = in_end_ = 0;
}

ReadResult CompressedSource::ReadAt(std::int64_t offset, void* buffer, std::int64_t n) {
  if (state_ == State::kUnchecked) state_ = Check() ? State::kGood : State::kBad;
  if (!good() || offset < 0 || n <= 0 || offset >= section_.size) return {0, io_error_};
  if (n > section_.size - offset) n = section_.size - offset;
  if (!GoTo(offset) || !Produce(static_cast<std::uint8_t*>(buffer), n)) {
    // The stream checked whole before, so only a read of the file failed.
    state_ = State::kBad;
    return {0, io_error_};
  }
  return {n, 0};
}

bool CompressedSource::StartAt(const RestartPoint* point) {
  in_begin_ = in_end_ = 0;
  if (point != nullptr) {
    DecoderPtr copy = point->decoder->Clone();
    if (copy != nullptr) {
      decoder_ = std::move(copy);
      ended_ = false;
      out_pos_ = point->out_pos;
      in_pos_ = point->in_pos;
      return true;
    }
  }
  if (decoder_ == nullptr) decoder_ = MakeDecoder(section_.compression);
  out_pos_ = in_pos_ = 0;
  ended_ = false;
  return decoder_ != nullptr && decoder_->Restart();
}

// Decodes the whole stream once, dropping the bytes: it must be sound and
// of the stated size. Restart points are laid on the way.
bool CompressedSource::Check() {
  if (exe_ == nullptr || section_.size < 0 ||
      section_.size / kMaxRatio > section_.length + kChunk || !StartAt(nullptr)) {
    return false;
  }
  bool keeps_points = decoder_->Clone() != nullptr;
  std::int64_t spacing = section_.size / (kMaxRestartPoints + 1);
  if (spacing < kMinRestartSpacing) spacing = kMinRestartSpacing;
  std::int64_t next_point = spacing;
  while (out_pos_ < section_.size) {
    std::int64_t n = section_.size - out_pos_ < kChunk ? section_.size - out_pos_ : kChunk;
    if (!Produce(nullptr, n)) return false;
    if (keeps_points && out_pos_ >= next_point && point_count_ < kMaxRestartPoints) {
      RestartPoint& point = points_[point_count_];
      point.decoder = decoder_->Clone();
      if (point.decoder != nullptr) {
        point.out_pos = out_pos_;
        point.in_pos = in_pos_ + in_begin_;
        ++point_count_;
      }
      next_point += spacing;
    }
  }
  return AtEnd();
}

bool CompressedSource::GoTo(std::int64_t offset) {
  // The last restart point at or before the offset, taken when going back
  // or when it lies ahead of where the decoder stands.
  const RestartPoint* best = nullptr;
  for (int i = 0; i < point_count_ && points_[i].out_pos <= offset; ++i) best = &points_[i];
  if (offset < out_pos_ || (best != nullptr && best->out_pos > out_pos_)) {
    if (!StartAt(best)) return false;
  }
  return Produce(nullptr, offset - out_pos_);
}

bool CompressedSource::Produce(std::uint8_t* out, std::int64_t n) {
  while (n > 0) {
    std::uint8_t* to = out != nullptr ? out : discard_;
    std::int64_t want = out != nullptr || n < kChunk ? n : kChunk;
    std::size_t room = static_cast<std::size_t>(want);
    // A stream that ends before the stated size stops making progress.
    if (!Step(to, room)) return false;
    std::int64_t made = want - static_cast<std::int64_t>(room);
    out_pos_ += made;
    n -= made;
    if (out != nullptr) out += made;
  }
  return true;
}

// One call of the decoder, with input loaded as it needs; false when the
// stream is damaged, or when the call could make no progress at all (the
// stream has ended, or the stored bytes have).
bool CompressedSource::Step(std::uint8_t*& out, std::size_t& room) {
  if (in_begin_ == in_end_) {
    in_pos_ += in_end_;
    in_begin_ = in_end_ = 0;
    std::int64_t left = section_.length - in_pos_;
    if (left > 0) {
      std::int64_t k = left < kChunk ? left : kChunk;
      FileResult read = ReadExeBytes(*exe_, section_.offset + in_pos_, in_, k);
      if (!read) {
        io_error_ = read.io_error;
        return false;
      }
      in_end_ = k;
    }
  }
  const std::uint8_t* in = in_ + in_begin_;
  std::size_t in_left = static_cast<std::size_t>(in_end_ - in_begin_);
  std::size_t room_before = room, in_before = in_left;
  Decoder::Step step = decoder_->Decode(in, in_left, out, room);
  in_begin_ = in_end_ - static_cast<std::int64_t>(in_left);
  bool progress = in_left != in_before || room != room_before;
  if (progress) ended_ = step == Decoder::Step::kEnd;
  return step != Decoder::Step::kError && progress;
}

bool CompressedSource::AtEnd() {
  // With one byte of room: a stream that still gives a byte is longer than
  // stated; one that stops short of its end is cut short.
  std::uint8_t byte;
  while (!ended_) {
    std::uint8_t* to = &byte;
    std::size_t room = 1;
    if (!Step(to, room) || room == 0) return false;
  }
  // A method that lets streams follow one another (Zstandard frames) may
  // find another, which must be empty; bytes that decode to nothing more
  // are left unread.
  for (;;) {
    if (in_begin_ == in_end_ && in_pos_ + in_end_ >= section_.length) return true;
    std::uint8_t* to = &byte;
    std::size_t room = 1;
    if (!Step(to, room)) return true;
    if (room == 0) return false;
  }
}

}  // namespace rt
