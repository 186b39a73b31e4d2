// The decoders of the compression methods. Each method's file is the
// library's where the build found it, and one that has none otherwise.
#pragma once

#include "exe/compressed/decoder.h"

namespace rt {

bool HaveZlib();
DecoderPtr MakeZlibDecoder();

bool HaveZstd();
DecoderPtr MakeZstdDecoder();

}  // namespace rt
