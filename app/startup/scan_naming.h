// How a scan-to-folder run names its file. Platform-neutral.
#pragma once

#include <functional>
#include <string>

namespace pellix {

struct LocalTime {
    int year, month, day, hour, minute, second;
};

// Year, month, day, hour, minute and second as decimal numbers without
// leading zeros, joined without separators: 9 to 14 characters.
std::wstring DateTimeStamp(const LocalTime& t);

// The part of the folder after its last backslash; empty for a folder that
// ends in one (a drive root).
std::wstring FolderName(const std::wstring& currentFolder);

// The name proposed in the prompt: the stamp when useDate, then "-" and the
// folder's name when useFolder (also after an empty start). No extension.
std::wstring ProposedName(bool useDate, bool useFolder, const std::wstring& stamp,
                          const std::wstring& folderName);

// The automatic name: stamp and "-Pellix.jpg".
std::wstring StampName(const std::wstring& stamp);

// ".jpg" is appended unless the name already ends in it, in any case.
std::wstring WithJpgExtension(const std::wstring& name);

// Folder, a backslash and the name, joined as they are.
std::wstring TargetPath(const std::wstring& currentFolder, const std::wstring& name);

// An automatic name never replaces an earlier scan: while `taken` says the
// path exists, " (2)", " (3)", ... go before the extension.
std::wstring FreePath(const std::wstring& path,
                      const std::function<bool(const std::wstring&)>& taken);

} // namespace pellix
