// .eh_frame and .eh_frame_hdr built byte by byte: CIEs and FDEs with any
// augmentation and pointer encoding, instructions as given, and the
// header's search table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/image_builder.h"

namespace testing_support {

struct FrameCie {
  std::string augmentation = "zR";
  std::uint8_t version = 1;
  std::uint64_t code_align = 1;
  std::int64_t data_align = -8;
  std::uint64_t return_column = 16;
  std::uint8_t fde_encoding = 0x1B, personality_encoding = 0x9B, lsda_encoding = 0x1B;
  Bytes instructions = "\x0c\x07\x08\x90\x01";  // CFA = r7 + 8, r16 at CFA - 8
  bool is64 = false;
};

struct FrameFde {
  std::uint64_t begin = 0, range = 0;
  Bytes instructions;
  std::optional<std::uint64_t> length = {}, cie_pointer = {};  // default: the true ones
};

struct FrameBuilder {
  std::uint64_t header_address = 0x1000, frames_address = 0x2000;
  int address_size = 8;  // of absolute pointers, the "eh" word and a version 4 CIE
  Bytes frames;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> table;  // begin, FDE address

  // Each gives the entry's offset; an FDE names its CIE by offset.
  std::size_t AddCie(const FrameCie& cie);
  std::size_t AddFde(std::size_t cie, const FrameFde& fde);
  // .eh_frame_hdr over the FDEs added, with its table stored as
  // table_encoding says (0xFF: none).
  Bytes Header(std::uint8_t table_encoding = 0x3B) const;

 private:
  std::vector<std::pair<std::size_t, FrameCie>> cies_;
};

}  // namespace testing_support
