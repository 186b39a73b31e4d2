// The frame register's number in call-frame information, as the unwinder
// names registers; each processor folder defines it.
#pragma once

namespace platform::posix {

int FrameRegisterColumn();

}  // namespace platform::posix
