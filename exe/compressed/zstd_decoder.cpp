// Zstandard frames through the system's libzstd. The library keeps the
// frame's window; a frame that asks for more than kMaxWindowLog is refused,
// so memory stays bounded whatever the section's size. Its state cannot be
// copied: going back means starting over. Its memory comes from the default
// resource at the decoder's making.
#define ZSTD_STATIC_LINKING_ONLY  // the custom memory calls
#include <zstd.h>

#include "exe/compressed/decoder_methods.h"
#include "exe/library_memory.h"

namespace rt {

namespace {

// 8 MiB.
constexpr int kMaxWindowLog = 23;

void* Allocate(void* resource, std::size_t size) {
  return AllocateSized(static_cast<std::pmr::memory_resource*>(resource), size);
}

void Free(void* resource, void* block) {
  FreeSized(static_cast<std::pmr::memory_resource*>(resource), block);
}

class ZstdDecoder final : public Decoder {
 public:
  ZstdDecoder()
      : context_(ZSTD_createDStream_advanced({Allocate, Free, std::pmr::get_default_resource()})) {
    ready_ = context_ != nullptr &&
             !ZSTD_isError(ZSTD_DCtx_setParameter(context_, ZSTD_d_windowLogMax, kMaxWindowLog));
  }
  ZstdDecoder(const ZstdDecoder&) = delete;
  ZstdDecoder& operator=(const ZstdDecoder&) = delete;
  ~ZstdDecoder() override { ZSTD_freeDStream(context_); }

  bool Restart() override {
    return ready_ && !ZSTD_isError(ZSTD_DCtx_reset(context_, ZSTD_reset_session_only));
  }

  Step Decode(const std::uint8_t*& in, std::size_t& in_left, std::uint8_t*& out,
              std::size_t& out_left) override {
    if (!ready_) return Step::kError;
    ZSTD_inBuffer input = {in, in_left, 0};
    ZSTD_outBuffer output = {out, out_left, 0};
    std::size_t result = ZSTD_decompressStream(context_, &output, &input);
    if (ZSTD_isError(result)) return Step::kError;
    in += input.pos;
    in_left -= input.pos;
    out += output.pos;
    out_left -= output.pos;
    // 0: a frame is complete and wholly delivered; another may follow.
    return result == 0 ? Step::kEnd : Step::kMore;
  }

  DecoderPtr Clone() const override { return nullptr; }

 private:
  ZSTD_DCtx* context_;
  bool ready_ = false;
};

}  // namespace

bool HaveZstd() {
  return true;
}

DecoderPtr MakeZstdDecoder() {
  return MakeResourceObject<ZstdDecoder>();
}

}  // namespace rt
