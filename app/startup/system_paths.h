// The Win32 answers to the command-line rule's file-system questions, and
// the program's own folder.
#pragma once

#include "app/startup/command_line.h"

#include <string>

namespace pellix {

PathQueries SystemPathQueries();

bool FolderExists(const std::wstring& path);
bool FileExists(const std::wstring& path);

// The folder of the running program, without a trailing backslash except at
// a drive root (C:\).
std::wstring ApplicationFolder();

// The settings file: the program's folder joined with "\Pellix.ini" as they
// are (so C:\\Pellix.ini at a drive root).
std::wstring SettingsFilePath();

} // namespace pellix
