// Short English reasons for the operating system's error codes, for
// messages a user reads ("the disk is full"). Windows error codes on
// Windows, errno values elsewhere.
#pragma once

#include <cstdint>
#include <string>

namespace pellix {

// The calling thread's last error (GetLastError or errno).
std::uint32_t LastSystemError();

std::string SystemErrorText(std::uint32_t code);

} // namespace pellix
