#include "app/startup/scan_to_folder.h"

#include "app/components/files/mapped_file.h"
#include "app/components/picture/bmp_reader.h"
#include "app/components/twain/twain.h"
#include "app/settings/settings.h"
#include "app/startup/app_state.h"
#include "app/startup/filename_prompt.h"
#include "app/startup/filetools.h"
#include "app/startup/scan_naming.h"
#include "app/startup/scan_workflow.h"
#include "app/startup/system_paths.h"

#include <string>

namespace pellix {
namespace {

std::wstring StampNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return DateTimeStamp({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

// The acquisition left a picture the writer can read: a cancelled or
// failed scan leaves an empty file, a broken source anything at all.
bool HoldsPage(const std::wstring& file) {
    MappedFile mapped;
    std::string why;
    return mapped.Open(file) && mapped.Size() > 0 &&
           BmpImage::Read(mapped.Data(), mapped.Size(), why).has_value();
}

// The name the file gets; `automatic` tells whether it came from the clock.
struct Name {
    std::wstring text;
    bool automatic;
};

Name DecideName(HWND owner) {
    if (!gSettings.bAskForFilename) {
        return {StampName(StampNow()), true};
    }
    const std::wstring proposal =
        ProposedName(gSettings.bFilenameUseDate, gSettings.bFilenameUseFolder, StampNow(),
                     FolderName(CurrentFolder));
    std::wstring answer;
    {
        FilenamePrompt prompt(owner, proposal);
        answer = prompt.Ask();
    }
    if (answer.empty()) {
        return {StampName(StampNow()), true};
    }
    return {WithJpgExtension(answer), false};
}

void EndRun() {
    if (DeleteIfExists(ScanFile)) {
        ScanFile.clear();
    }
}

} // namespace

void RunScanToFolder(HWND owner) {
    if (!NewScanFile(owner)) {
        return;
    }

    // A cancelled or failed scan ends the run quietly: nothing to name or write.
    if (TWAIN_AcquireToFilename(owner, ScanFile) != AcquireResult::Page || !HoldsPage(ScanFile)) {
        EndRun();
        return;
    }

    const Name name = DecideName(owner);
    std::wstring target = TargetPath(CurrentFolder, name.text);
    if (name.automatic) {
        // Two moments can give one stamp; an earlier scan is never replaced.
        target = FreePath(target, FileExists);
    }
    WriteScan(owner, target, PictureKind::Jpeg);
    EndRun();
}

} // namespace pellix
