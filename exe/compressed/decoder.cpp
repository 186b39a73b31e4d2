// Choosing a compression method's decoder.
#include "exe/compressed/decoder.h"

#include "exe/compressed/decoder_methods.h"

namespace rt {

DecoderPtr MakeDecoder(Compression compression) {
  switch (compression) {
    case Compression::kZlib:
      return MakeZlibDecoder();
    case Compression::kZstd:
      return MakeZstdDecoder();
    case Compression::kNone:
      break;
  }
  return nullptr;
}

bool CanDecode(Compression compression) {
  switch (compression) {
    case Compression::kNone:
      return true;
    case Compression::kZlib:
      return HaveZlib();
    case Compression::kZstd:
      return HaveZstd();
  }
  return false;
}

}  // namespace rt
