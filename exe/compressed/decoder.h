// A compression method's stream decoder, as the readers of compressed
// sections drive it. The build links one implementation per method: the
// library's, or one that cannot decode where the library is missing. A
// decoder and the library's state under it live in memory of the default
// resource.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/resource_object.h"

namespace rt {

class Decoder;
using DecoderPtr = ResourcePtr<Decoder>;

enum class Compression : std::uint8_t { kNone, kZlib, kZstd };

class Decoder {
 public:
  enum class Step {
    kMore,   // all input taken or all output room filled; call again
    kEnd,    // the stream is complete
    kError,  // the stream is damaged, or needs more memory than allowed
  };

  virtual ~Decoder() = default;

  // Starts over at the stream's first byte; false when that fails.
  virtual bool Restart() = 0;
  // Decodes what it can of the input into the output room, moving both on.
  virtual Step Decode(const std::uint8_t*& in, std::size_t& in_left, std::uint8_t*& out,
                      std::size_t& out_left) = 0;
  // A copy of the whole decoding state, to go on from later; null where the
  // method cannot copy its state.
  virtual DecoderPtr Clone() const = 0;
};

// A new decoder of the method; null where this build cannot decode it.
DecoderPtr MakeDecoder(Compression compression);

// Whether this build can decode sections compressed so.
bool CanDecode(Compression compression);

}  // namespace rt
