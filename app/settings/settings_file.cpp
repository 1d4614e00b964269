#include "app/settings/settings_file.h"

namespace pellix {
namespace {

constexpr std::wstring_view kQuality = L"Quality";
constexpr std::wstring_view kApplication = L"Application";
constexpr std::wstring_view kJpgQuality = L"JPGQuality";
constexpr std::wstring_view kAskForFilename = L"AskForFilename";
constexpr std::wstring_view kFilenameUseDate = L"FilenameUseDate";
constexpr std::wstring_view kFilenameUseFolder = L"FilenameUseFolder";
constexpr std::wstring_view kExecutable = L"Executable";

bool ReadFlag(ProfileStore& store, std::wstring_view key, const NumberFormat& format) {
    return ParseBoolean(store.Read(kQuality, key, L"False"), format).value_or(false);
}

} // namespace

Settings ReadSettings(ProfileStore& store, const NumberFormat& format,
                      std::wstring_view defaultExecutable) {
    Settings s;
    s.iJPGQuality =
        ParseInt16(store.Read(kQuality, kJpgQuality, L"90"), format).value_or(kDefaultJpegQuality);
    s.bAskForFilename = ReadFlag(store, kAskForFilename, format);
    s.bFilenameUseDate = ReadFlag(store, kFilenameUseDate, format);
    s.bFilenameUseFolder = ReadFlag(store, kFilenameUseFolder, format);
    s.sExecutable = store.Read(kApplication, kExecutable, defaultExecutable);
    return s;
}

bool WriteSettings(ProfileStore& store, const Settings& s) {
    bool ok = store.Write(kQuality, kJpgQuality, std::to_wstring(s.iJPGQuality));
    ok &= store.Write(kQuality, kAskForFilename, FormatBoolean(s.bAskForFilename));
    ok &= store.Write(kQuality, kFilenameUseDate, FormatBoolean(s.bFilenameUseDate));
    ok &= store.Write(kQuality, kFilenameUseFolder, FormatBoolean(s.bFilenameUseFolder));
    ok &= store.Write(kApplication, kExecutable, s.sExecutable);
    return ok;
}

int JpegQualityForWriting(std::int16_t iJPGQuality) {
    return iJPGQuality >= 1 && iJPGQuality <= 100 ? iJPGQuality : kDefaultJpegQuality;
}

std::wstring DefaultExecutablePath(std::wstring_view modulePath) {
    const size_t slash = modulePath.find_last_of(L"\\/");
    const std::wstring_view folder =
        slash == std::wstring_view::npos ? std::wstring_view{} : modulePath.substr(0, slash);
    std::wstring_view name =
        slash == std::wstring_view::npos ? modulePath : modulePath.substr(slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring_view::npos) {
        name = name.substr(0, dot);
    }
    std::wstring path(folder);
    path += L'\\';
    path += name;
    path += L".exe";
    return path;
}

} // namespace pellix
