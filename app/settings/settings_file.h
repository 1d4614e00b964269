// The layout of the settings file "Pellix.ini": sections, keys, stored forms
// and defaults. Platform-neutral; the INI access itself comes through
// ProfileStore.
#pragma once

#include "app/settings/number_text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pellix {

inline constexpr std::int16_t kDefaultJpegQuality = 90;

struct Settings {
    std::int16_t iJPGQuality = kDefaultJpegQuality;
    bool bAskForFilename = false;
    bool bFilenameUseDate = false;
    bool bFilenameUseFolder = false;
    std::wstring sExecutable;
};

// Key access of one INI file.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    // The key's text, or fallback when the key is absent.
    virtual std::wstring Read(std::wstring_view section, std::wstring_view key,
                              std::wstring_view fallback) = 0;
    // Stores text under the key; false when the file refused the write.
    virtual bool Write(std::wstring_view section, std::wstring_view key,
                       std::wstring_view value) = 0;
};

// Reads every setting. An absent key, or one whose text does not convert
// (an empty value, a word other than True or False for a flag, a quality
// that is not a 16-bit number), gives that key's default.
Settings ReadSettings(ProfileStore& store, const NumberFormat& format,
                      std::wstring_view defaultExecutable);

// Writes all five keys in the file's order, whether changed or not. True when
// every write succeeded; a refused write does not stop the later ones.
bool WriteSettings(ProfileStore& store, const Settings& settings);

// The quality a JPEG writer uses: the stored value when it lies in 1..100,
// otherwise 90.
int JpegQualityForWriting(std::int16_t iJPGQuality);

// The default of "Executable": the program's folder, a backslash, the
// program's name without extension and ".exe".
std::wstring DefaultExecutablePath(std::wstring_view modulePath);

} // namespace pellix
