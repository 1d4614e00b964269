// The application's settings: the process-wide values and their load from
// and save to "Pellix.ini".
#pragma once

#include "app/settings/settings_file.h"

#include <string>

namespace pellix {

// Full path of the settings file; set once at start-up before LoadSettings.
extern std::wstring sIniFile;
// The working copy of the settings for the whole process.
extern Settings gSettings;

// Reads every setting from sIniFile into gSettings. Never writes: a missing
// file stays missing.
void LoadSettings();

// Writes every setting from gSettings to sIniFile. False when any write was
// refused (the file or its folder cannot be written); gSettings keep their
// values either way.
bool SaveSettings();

} // namespace pellix
