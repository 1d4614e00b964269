// File routines shared by the start-up, the scan-to-folder run and the main
// window.
#pragma once

#include <string>

namespace pellix {

// Creates a new, empty file in the user's temporary-files folder and returns
// its full path. Empty text when the system cannot give one; callers must
// treat that as an error.
std::wstring GetTempFile(const std::wstring& prefix = {});

// The long form of an existing path, or empty text when the path does not
// exist or is no path at all.
std::wstring GetLongPath(const std::wstring& path);

// Deletes the file if it is there, read-only or not. True when no file of
// that path exists afterwards; false when the deletion failed (file in use,
// no rights), which leaves the file as it was.
bool DeleteIfExists(const std::wstring& path);

} // namespace pellix
