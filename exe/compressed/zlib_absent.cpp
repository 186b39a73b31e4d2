// A build without zlib: sections compressed with it read as absent.
#include "exe/compressed/decoder_methods.h"

namespace rt {

bool HaveZlib() {
  return false;
}

DecoderPtr MakeZlibDecoder() {
  return nullptr;
}

}  // namespace rt
