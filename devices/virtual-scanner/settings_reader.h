// Where the unattended settings come from on Windows: an environment
// variable wins over the [Scanner] section of the INI file beside the module
// (the module's name with .ini, e.g. sane.ini beside sane.ds).
#pragma once

#include "devices/virtual-scanner/core/scanner_options.h"

#include <windows.h>

namespace pellix::vscan {

SettingLookup SettingsOf(HMODULE module);

} // namespace pellix::vscan
