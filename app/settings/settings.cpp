#include "app/settings/settings.h"

#include "app/settings/inifile.h"
#include "app/settings/user_locale.h"
#include "app/win32/module_path.h"

namespace pellix {

std::wstring sIniFile;
Settings gSettings;

namespace {

// The settings file's keys through one clsInifile object.
class IniStore final : public ProfileStore {
public:
    explicit IniStore(const std::wstring& path) { ini_.SetPath(path); }

    std::wstring Read(std::wstring_view section, std::wstring_view key,
                      std::wstring_view fallback) override {
        ini_.SetSection(std::wstring(section));
        ini_.SetKey(std::wstring(key));
        ini_.SetDefault(std::wstring(fallback));
        return ini_.Value();
    }

    bool Write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
        ini_.SetSection(std::wstring(section));
        ini_.SetKey(std::wstring(key));
        ini_.SetValue(value);
        return ini_.Success();
    }

private:
    clsInifile ini_;
};

} // namespace

void LoadSettings() {
    IniStore store(sIniFile);
    gSettings = ReadSettings(store, UserNumberFormat(), DefaultExecutablePath(ModulePath()));
}

bool SaveSettings() {
    IniStore store(sIniFile);
    return WriteSettings(store, gSettings);
}

} // namespace pellix
