// The decoders of the compression methods. Each method's file is the
// library's where the build found it, and one that has none otherwise.
#pragma once

#include <memory>

#include "exe/decoder.h"

namespace rt {

bool HaveZlib();
std::unique_ptr<Decoder> MakeZlibDecoder();

bool HaveZstd();
std::unique_ptr<Decoder> MakeZstdDecoder();

}  // namespace rt
