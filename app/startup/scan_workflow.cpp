#include "app/startup/scan_workflow.h"

#include "app/components/picture/picture_writer.h"
#include "app/settings/settings.h"
#include "app/startup/app_state.h"
#include "app/startup/filetools.h"

#include <cwctype>

namespace pellix {
namespace {

std::wstring Utf8ToWide(const std::string& utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
    return text;
}

void ReportSaveFailure(HWND owner, const std::wstring& destination, const PictureResult& result) {
    const std::wstring text = L"The scan could not be saved as\r\n" + destination + L"\r\n\r\n" +
                              Utf8ToWide(result.message);
    MessageBoxW(owner, text.c_str(), L"Pellix", MB_OK | MB_ICONERROR);
}

} // namespace

bool NewScanFile(HWND owner) {
    if (!ScanFile.empty()) {
        DeleteIfExists(ScanFile);
    }
    ScanFile = GetTempFile();
    if (ScanFile.empty()) {
        MessageBoxW(owner, L"There is no room for a temporary file, so nothing was scanned.",
                    L"Pellix", MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

PictureKind PictureKindOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
        return PictureKind::Bitmap;
    }
    std::wstring extension = path.substr(dot);
    for (wchar_t& c : extension) {
        c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    }
    return extension == L".gif"   ? PictureKind::Gif
           : extension == L".jpg" ? PictureKind::Jpeg
                                  : PictureKind::Bitmap;
}

bool WriteScan(HWND owner, const std::wstring& destination, PictureKind kind) {
    PictureResult result;
    switch (kind) {
    case PictureKind::Gif:
        result = ConvertToGif(ScanFile, destination);
        break;
    case PictureKind::Jpeg:
        gSettings.iJPGQuality =
            static_cast<std::int16_t>(JpegQualityForWriting(gSettings.iJPGQuality));
        result = ConvertToJpeg(ScanFile, destination, gSettings.iJPGQuality);
        break;
    case PictureKind::Bitmap:
        result = CopyBitmap(ScanFile, destination);
        break;
    }
    if (!result.Ok()) {
        ReportSaveFailure(owner, destination, result);
        return false;
    }
    return true;
}

} // namespace pellix
