// A build without libzstd: sections compressed with it read as absent.
#include "exe/compressed/decoder_methods.h"

namespace rt {

bool HaveZstd() {
  return false;
}

DecoderPtr MakeZstdDecoder() {
  return nullptr;
}

}  // namespace rt
