// frmOptions: the JPEG quality and the file-name choices of the unattended
// scan-to-folder run. Opens from gSettings; "Ok" stores the choices in
// gSettings and the settings file, "Cancel" and the close button discard
// them.
#pragma once

#include <windows.h>

namespace pellix {

// Control identifiers, also used by tests to find the controls.
enum OptionsId : int {
    kOptionsTabId = 3001,
    kQualityPageId,
    kFilenamePageId,
    kJpgFrameId,
    kQualityLabelId,
    kQualitySliderId,
    kInputFrameId,
    kAskForFilenameId,
    kSuggestLabelId,
    kFilenameDateId,
    kFilenameFolderId,
};

// Shows the dialog modally over `owner` (which takes no input meanwhile)
// and returns when it is closed.
void ShowOptionsDialog(HWND owner);

} // namespace pellix
