// Platform handles and transfer sizes as the Windows calls take them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace platform::win32 {

inline HANDLE ToHandle(Handle handle) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

// One call moves at most this much, so counts fit the calls' 32-bit sizes.
constexpr std::size_t kMaxTransfer = 1u << 30;

inline DWORD TransferSize(std::size_t n) {
  return static_cast<DWORD>(n < kMaxTransfer ? n : kMaxTransfer);
}

}  // namespace platform::win32
