// A build without zlib: sections compressed with it read as absent.
#include "exe/decoder_methods.h"

namespace rt {

bool HaveZlib() {
  return false;
}

std::unique_ptr<Decoder> MakeZlibDecoder() {
  return nullptr;
}

}  // namespace rt
