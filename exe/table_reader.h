// Reading a file's table of fixed-size entries (section headers, program
// headers) in batches: few reads, and memory bounded whatever the count.
#pragma once

#include <cstdint>

#include "exe/exe_file.h"

namespace rt {

// Calls visit(entry) for each of count entries of entry_size bytes at
// offset, in order, until it returns true; only entries that lie wholly
// inside the file are read. The index of the entry that was taken, or -1
// when none was or a read failed (whose code the file keeps).
template <typename Visit>
std::int64_t ForEachEntry(TExeFile& exe, std::int64_t offset, std::int64_t count,
                          std::int64_t entry_size, Visit visit) {
  constexpr std::int64_t kBatchBytes = 4096;
  if (offset < 0 || offset > exe.size || entry_size <= 0 || entry_size > kBatchBytes) return -1;
  std::int64_t fits = (exe.size - offset) / entry_size;
  if (count > fits) count = fits;
  const std::int64_t batch_size = kBatchBytes / entry_size;
  std::uint8_t batch[kBatchBytes];
  for (std::int64_t first = 0; first < count; first += batch_size) {
    std::int64_t n = count - first < batch_size ? count - first : batch_size;
    if (!ReadExeBytes(exe, offset + first * entry_size, batch, n * entry_size)) return -1;
    for (std::int64_t i = 0; i < n; ++i) {
      if (visit(batch + i * entry_size)) return first + i;
    }
  }
  return -1;
}

}  // namespace rt
