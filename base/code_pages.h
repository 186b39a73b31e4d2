// Code page numbers the runtime names, and which of them count in units
// wider than a byte.
#pragma once

#include <cstdint>

namespace rt {

constexpr std::uint16_t kCodePageUtf16Le = 1200;
constexpr std::uint16_t kCodePageUtf16Be = 1201;
constexpr std::uint16_t kCodePageUtf32Le = 12000;
constexpr std::uint16_t kCodePageUtf32Be = 12001;
constexpr std::uint16_t kCodePageAscii = 20127;
constexpr std::uint16_t kCodePageUtf7 = 65000;
constexpr std::uint16_t kCodePageUtf8 = 65001;
// A tag that marks a string's bytes as raw: they are never re-encoded.
constexpr std::uint16_t kCodePageRawBytes = 65535;

// Console output code pages whose writes may report fewer bytes than were
// taken: the count is in converted units, not in the caller's bytes.
constexpr bool IsMultiUnitCodePage(std::uint16_t code_page) {
  switch (code_page) {
    case kCodePageUtf16Le:
    case kCodePageUtf16Be:
    case kCodePageUtf32Le:
    case kCodePageUtf32Be:
    case kCodePageUtf7:
    case kCodePageUtf8:
      return true;
    default:
      return false;
  }
}

}  // namespace rt
