// Telling the user that a page could not be saved.
#pragma once

#include "app/components/picture_writer.h"

#include <windows.h>

#include <string>

namespace pellix {

// A "Pellix" message box naming the file and the writer's reason.
void ReportSaveFailure(HWND owner, const std::wstring& destination, const PictureResult& result);

} // namespace pellix
