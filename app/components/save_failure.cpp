#include "app/components/save_failure.h"

namespace pellix {
namespace {

std::wstring Utf8ToWide(const std::string& utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
    return text;
}

} // namespace

void ReportSaveFailure(HWND owner, const std::wstring& destination, const PictureResult& result) {
    const std::wstring text = L"The scan could not be saved as\r\n" + destination + L"\r\n\r\n" +
                              Utf8ToWide(result.message);
    MessageBoxW(owner, text.c_str(), L"Pellix", MB_OK | MB_ICONERROR);
}

} // namespace pellix
