// clsInifile: reads and writes one INI file through the platform's
// private-profile functions. Nothing is cached: every read and write goes
// straight to the file, so a value written by one object is seen at once by
// any other.
//
// Usage: set Path, Section and Key (and Default before a read), then read or
// write Value. An unset (empty) Path, Section or Key makes reads yield Default
// and writes fail; in particular a Value write without a Key never removes
// the whole section, as the bare platform call would.
#pragma once

#include "app/settings/form_position.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {

class clsInifile {
public:
    // The platform's result of the last write or delete made through this
    // object: non-zero for success, 0 for failure.
    std::int32_t LastReturnCode() const { return lastReturnCode_; }
    bool Success() const { return lastReturnCode_ != 0; }

    const std::wstring& Default() const { return default_; }
    void SetDefault(std::wstring sDefault) { default_ = std::move(sDefault); }
    const std::wstring& Path() const { return path_; }
    void SetPath(std::wstring sPath) { path_ = std::move(sPath); }
    const std::wstring& Key() const { return key_; }
    void SetKey(std::wstring sKey) { key_ = std::move(sKey); }
    const std::wstring& Section() const { return section_; }
    void SetSection(std::wstring sSection) { section_ = std::move(sSection); }

    // The key's text (at most 254 characters), or Default when it is absent.
    std::wstring Value() const;
    // Stores sValue under Key with every NUL character removed.
    void SetValue(std::wstring_view sValue);

    void DeleteKey();
    void DeleteSection();

    // The names of the keys of Section, each followed by a NUL.
    std::wstring INISection() const;
    // Removes Section with all its keys; the text itself is not stored.
    void SetINISection(std::wstring_view sSection);

    // The names of all sections of the file, each followed by a NUL.
    std::wstring Sections() const;

    // The keys of Section in file order; empty names are kept.
    std::vector<std::wstring> EnumerateCurrentSection() const;
    // The sections of the file in order; empty names are left out.
    std::vector<std::wstring> EnumerateAllSections() const;

    // sString as a 32-bit integer in the user's number format (blanks
    // around allowed, fractions rounded half to even), or lDefault.
    std::int32_t CLngDefault(std::wstring_view sString, std::int32_t lDefault) const;

    // Stores the window's place in Section: "Maximised" ("1" or "0") and,
    // while the window is in its normal state, "Left", "Top", "Width" and
    // "Height" in twips. A minimised window stores nothing.
    void SaveFormPosition(const PositionedForm& frmThis);
    // Moves the window to its stored place, no smaller than lMinWidth x
    // lMinHeight twips and inside the screen, then maximises it when it was
    // stored maximised. Missing keys keep the window's current measures.
    // Key and Default read as before afterwards; a failure (a measure the
    // window cannot give, a refused move) ends the call with Success false.
    void LoadFormPosition(PositionedForm& frmThis, std::int32_t lMinWidth, std::int32_t lMinHeight);

private:
    std::wstring ReadList(const wchar_t* section) const;
    void Write(const wchar_t* key, const wchar_t* value);

    std::wstring path_;
    std::wstring section_;
    std::wstring key_;
    std::wstring default_;
    std::int32_t lastReturnCode_ = 0;
};

} // namespace pellix
