// zlib streams through the system's zlib. The library keeps a 32 KiB window,
// and a copy of its state is a place to go on from. Its memory comes from
// the default resource at the decoder's making, as a copy's does.
#include <zlib.h>

#include <climits>

#include "exe/compressed/decoder_methods.h"
#include "exe/library_memory.h"

namespace rt {

namespace {

voidpf Allocate(voidpf resource, uInt items, uInt size) {
  return AllocateSized(static_cast<std::pmr::memory_resource*>(resource),
                       std::size_t{items} * size);
}

void Free(voidpf resource, voidpf block) {
  FreeSized(static_cast<std::pmr::memory_resource*>(resource), block);
}

class ZlibDecoder final : public Decoder {
 public:
  ZlibDecoder() {
    stream_.zalloc = Allocate;
    stream_.zfree = Free;
    stream_.opaque = std::pmr::get_default_resource();
    ready_ = inflateInit(&stream_) == Z_OK;
  }
  ZlibDecoder(const ZlibDecoder& other) {
    ready_ = other.ready_ && inflateCopy(&stream_, const_cast<z_stream*>(&other.stream_)) == Z_OK;
  }
  ZlibDecoder& operator=(const ZlibDecoder&) = delete;
  ~ZlibDecoder() override {
    if (ready_) inflateEnd(&stream_);
  }

  bool Restart() override { return ready_ && inflateReset(&stream_) == Z_OK; }

  Step Decode(const std::uint8_t*& in, std::size_t& in_left, std::uint8_t*& out,
              std::size_t& out_left) override {
    if (!ready_) return Step::kError;
    // The library counts in 32 bits; a larger room is taken in parts.
    stream_.next_in = const_cast<Bytef*>(in);
    stream_.avail_in = static_cast<uInt>(in_left < UINT_MAX ? in_left : UINT_MAX);
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(out_left < UINT_MAX ? out_left : UINT_MAX);
    uInt in_before = stream_.avail_in, out_before = stream_.avail_out;
    int result = inflate(&stream_, Z_NO_FLUSH);
    std::size_t taken = in_before - stream_.avail_in, made = out_before - stream_.avail_out;
    in += taken;
    in_left -= taken;
    out += made;
    out_left -= made;
    switch (result) {
      case Z_STREAM_END:
        return Step::kEnd;
      case Z_OK:
      case Z_BUF_ERROR:  // no progress possible without more input or room
        return Step::kMore;
      default:  // damaged data, a preset dictionary, no memory
        return Step::kError;
    }
  }

  DecoderPtr Clone() const override {
    ResourcePtr<ZlibDecoder> copy = MakeResourceObject<ZlibDecoder>(*this);
    if (!copy->ready_) return nullptr;
    return copy;
  }

 private:
  z_stream stream_ = {};
  bool ready_ = false;
};

}  // namespace

bool HaveZlib() {
  return true;
}

DecoderPtr MakeZlibDecoder() {
  return MakeResourceObject<ZlibDecoder>();
}

}  // namespace rt
