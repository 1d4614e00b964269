// The values the whole program shares for its lifetime.
#pragma once

#include <string>

namespace pellix {

// The folder a scan-to-folder run writes into; the main window shows it and
// Save as starts there.
extern std::wstring CurrentFolder;
// The command line named an existing folder: the program runs unattended.
extern bool ScanToFolder;
// The temporary bitmap holding the last acquired page; empty when none.
extern std::wstring ScanFile;
// The page in ScanFile has been written to a picture file.
extern bool WorkSaved;

} // namespace pellix
