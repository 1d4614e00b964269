// The running program's own file.
#pragma once

#include <string>

namespace pellix {

// The full path of the running program; empty text when the system cannot
// tell.
std::wstring ModulePath();

} // namespace pellix
