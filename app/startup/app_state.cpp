#include "app/startup/app_state.h"

namespace pellix {

std::wstring CurrentFolder;
bool ScanToFolder = false;
std::wstring ScanFile;
bool WorkSaved = false;

} // namespace pellix
