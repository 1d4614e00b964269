// How the program reads its command line: the raw text after the program's
// own name, taken whole as one path. Platform-neutral; the file-system
// questions come through PathQueries so the rule can be tested anywhere.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pellix {

// The command line without the program's name: after a quoted name the text
// after its closing quote, otherwise the text after the first blank; blanks
// in front of the arguments are dropped. Nothing else is changed: quotes
// inside the arguments stay.
std::wstring CommandTail(std::wstring_view commandLine);

struct PathQueries {
    // The long form of an existing path, or empty text.
    std::function<std::wstring(const std::wstring&)> longPath;
    std::function<bool(const std::wstring&)> folderExists;
    // The full absolute form of a path; for empty text the current folder.
    std::function<std::wstring(const std::wstring&)> absolutePath;
    // The current folder as the system reports it.
    std::function<std::wstring()> currentDirectory;
};

struct StartFolder {
    std::wstring CurrentFolder;
    bool ScanToFolder = false;
};

// An existing folder starts the scan-to-folder run on its long form; any
// other text opens the main window on its absolute form (the current folder
// for text that is no existing path).
StartFolder ParseCommandLine(const std::wstring& argumentText, const PathQueries& system);

} // namespace pellix
