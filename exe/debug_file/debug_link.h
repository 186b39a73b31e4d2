// Following a ".gnu_debuglink" section to a separate debug file.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <string>
#include <string_view>

#include "exe/exe_file.h"

namespace rt {

// The name and the CRC-32 that the executable's ".gnu_debuglink" section
// records; false without a usable one.
FileResult ReadDebugLinkName(TExeFile& exe, std::pmr::string& name, std::uint32_t& crc);

// Whether the file's CRC-32 is crc. A file that cannot be opened does not
// match; a read of it that fails answers its code.
FileResult CheckDbgFile(std::string_view name, std::uint32_t crc);

}  // namespace rt
