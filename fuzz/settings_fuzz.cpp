// libFuzzer target: any bytes as the settings file. The bytes are read as
// text the way the INI functions hand it over (lines, sections, keys, values
// cut to 254 characters, names lists with a possibly cut last name) in one of
// three encodings, so that garbage, binary files, huge lines and text outside
// the system's code page all reach the settings layer. Every conversion is
// checked against a plain reference, and settings read from any file must
// survive a save and a reload unchanged.
#include "app/settings/name_list.h"
#include "app/settings/number_text.h"
#include "app/settings/settings_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using pellix::NumberFormat;

[[noreturn]] void Fault() {
    std::abort();
}

void Check(bool condition) {
    if (!condition) {
        Fault();
    }
}

// --- The bytes as text --------------------------------------------------

// 0: one character per byte (an 8-bit code page); 1: UTF-16 code units as
// they stand, lone surrogates and noncharacters included; 2: UTF-8, with
// every broken sequence as U+FFFD.
std::wstring Decode(const std::uint8_t* data, std::size_t size, int encoding) {
    std::wstring text;
    if (encoding == 1) {
        for (std::size_t i = 0; i + 1 < size; i += 2) {
            text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        }
        return text;
    }
    if (encoding == 0) {
        for (std::size_t i = 0; i < size; ++i) {
            text += static_cast<wchar_t>(data[i]);
        }
        return text;
    }
    for (std::size_t i = 0; i < size;) {
        const std::uint8_t b = data[i];
        int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        std::uint32_t c = length == 1   ? b
                          : length == 2 ? b & 0x1f
                          : length == 3 ? b & 0x0f
                                        : b & 0x07;
        bool good = length > 0 && i + length <= size;
        for (int k = 1; good && k < length; ++k) {
            good = (data[i + k] & 0xc0) == 0x80;
            c = (c << 6) | (data[i + k] & 0x3f);
        }
        if (!good) {
            text += L'\xfffd';
            ++i;
            continue;
        }
        if (c >= 0x10000 && sizeof(wchar_t) == 2) {
            c -= 0x10000;
            text += static_cast<wchar_t>(0xd800 + (c >> 10));
            text += static_cast<wchar_t>(0xdc00 + (c & 0x3ff));
        } else {
            text += static_cast<wchar_t>(c);
        }
        i += static_cast<std::size_t>(length);
    }
    return text;
}

// --- A settings file as the INI functions see it ---------------------------

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring Trim(std::wstring_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return std::wstring(s);
}

std::wstring Lower(std::wstring_view s) {
    std::wstring lower(s);
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    }
    return lower;
}

// A C string ends at its first NUL, which is all a platform call can pass.
std::wstring UpToNul(const std::wstring& s) {
    return s.substr(0, s.find(L'\0'));
}

struct Section {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> keys;
};

std::vector<Section> ParseIni(const std::wstring& text) {
    std::vector<Section> sections;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        const std::wstring line = Trim(std::wstring_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty()) {
            continue;
        }
        if (line[0] == L'[') {
            const std::size_t close = line.find(L']');
            sections.push_back(
                {UpToNul(
                     line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1)),
                 {}});
            continue;
        }
        if (sections.empty()) {
            continue; // keys before the first section belong to none
        }
        const std::size_t equals = line.find(L'=');
        std::wstring key = UpToNul(Trim(std::wstring_view(line).substr(0, equals)));
        std::wstring value = equals == std::wstring::npos
                                 ? std::wstring()
                                 : UpToNul(Trim(std::wstring_view(line).substr(equals + 1)));
        sections.back().keys.emplace_back(std::move(key), std::move(value));
    }
    return sections;
}

class FileStore final : public pellix::ProfileStore {
public:
    // Names match in any letter case: they are kept in lower case.
    explicit FileStore(std::vector<Section> sections) : sections_(std::move(sections)) {
        for (Section& section : sections_) {
            section.name = Lower(section.name);
            for (auto& entry : section.keys) {
                entry.first = Lower(entry.first);
            }
        }
    }

    std::wstring Read(std::wstring_view section, std::wstring_view key,
                      std::wstring_view fallback) override {
        const std::wstring s = Lower(section), k = Lower(key);
        for (const Section& candidate : sections_) {
            if (candidate.name != s) {
                continue;
            }
            for (const auto& [name, value] : candidate.keys) {
                if (name == k) {
                    return value.substr(0, 254);
                }
            }
        }
        return std::wstring(fallback).substr(0, 254);
    }
    bool Write(std::wstring_view, std::wstring_view, std::wstring_view) override { return false; }

private:
    std::vector<Section> sections_;
};

// What WritePrivateProfileString leaves behind, as file text.
class TextStore final : public pellix::ProfileStore {
public:
    std::wstring Read(std::wstring_view, std::wstring_view, std::wstring_view fallback) override {
        return std::wstring(fallback);
    }
    bool Write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
        std::wstring clean(value);
        std::erase(clean, L'\0');
        entries_[std::wstring(section)].emplace_back(key, clean);
        order_.push_back(std::wstring(section));
        return true;
    }
    std::wstring Text() const {
        std::wstring text;
        std::vector<std::wstring> done;
        for (const std::wstring& section : order_) {
            if (std::find(done.begin(), done.end(), section) != done.end()) {
                continue;
            }
            done.push_back(section);
            text += L"[" + section + L"]\r\n";
            for (const auto& [key, value] : entries_.at(section)) {
                text += key + L"=" + value + L"\r\n";
            }
        }
        return text;
    }

private:
    std::map<std::wstring, std::vector<std::pair<std::wstring, std::wstring>>> entries_;
    std::vector<std::wstring> order_;
};

// --- Reference conversions ---------------------------------------------

// Decimal text with blanks around, a sign, digits and a fraction after the
// separator, rounded half to even; nothing when it is no such number or
// outside [minimum, maximum].
std::optional<std::int64_t> ReferenceInteger(std::wstring_view text, wchar_t separator,
                                             std::int64_t minimum, std::int64_t maximum) {
    const std::wstring t = Trim(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == L'+' || t[i] == L'-')) {
        negative = t[i] == L'-';
        ++i;
    }
    std::wstring whole, fraction;
    while (i < t.size() && t[i] >= L'0' && t[i] <= L'9') {
        whole += t[i++];
    }
    if (i < t.size() && t[i] == separator) {
        ++i;
        while (i < t.size() && t[i] >= L'0' && t[i] <= L'9') {
            fraction += t[i++];
        }
    }
    if (i != t.size() || whole.size() + fraction.size() == 0) {
        return std::nullopt;
    }
    whole.erase(0, whole.find_first_not_of(L'0'));
    if (whole.size() > 17) {
        // Beyond every range asked for here, whatever the sign.
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (wchar_t c : whole) {
        value = value * 10 + (c - L'0');
    }
    const int first = fraction.empty() ? 0 : fraction[0] - L'0';
    const bool rest =
        fraction.size() > 1 && fraction.find_first_not_of(L'0', 1) != std::wstring::npos;
    if (first > 5 || (first == 5 && (rest || value % 2 != 0))) {
        ++value;
    }
    if (negative) {
        value = -value;
    }
    if (value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> ReferenceBoolean(std::wstring_view text, wchar_t separator) {
    const std::wstring word = Lower(Trim(text));
    if (word == L"true") {
        return true;
    }
    if (word == L"false") {
        return false;
    }
    // A number of any size: only whether some digit is not zero matters.
    const std::wstring t = Trim(text);
    std::size_t i = t.empty() || (t[0] != L'+' && t[0] != L'-') ? 0 : 1;
    std::size_t digits = 0;
    bool nonZero = false;
    bool separatorSeen = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= L'0' && t[i] <= L'9') {
            ++digits;
            nonZero |= t[i] != L'0';
        } else if (t[i] == separator && !separatorSeen) {
            separatorSeen = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return nonZero;
}

void CheckNumbers(const std::wstring& text, const NumberFormat& format) {
    const wchar_t separator = format.decimalSeparator;
    const auto i16 = pellix::ParseInt16(text, format);
    const auto r16 = ReferenceInteger(text, separator, -32768, 32767);
    Check(i16.has_value() == r16.has_value() && (!i16 || *i16 == *r16));
    const auto i32 = pellix::ParseInt32(text, format);
    const auto r32 = ReferenceInteger(text, separator, INT32_MIN, INT32_MAX);
    Check(i32.has_value() == r32.has_value() && (!i32 || *i32 == *r32));
    const auto flag = pellix::ParseBoolean(text, format);
    const auto rflag = ReferenceBoolean(text, separator);
    Check(flag.has_value() == rflag.has_value() && (!flag || *flag == *rflag));
    if (i16) {
        // The stored form of a quality reads back as itself.
        Check(pellix::ParseInt16(std::to_wstring(*i16), format) == i16);
    }
}

void CheckDecimal(double value, const NumberFormat& format) {
    const std::wstring text = pellix::FormatDecimal(value, format);
    Check(!text.empty());
    if (!std::isfinite(value) || std::fabs(value) >= 1e12) {
        return;
    }
    // Whole numbers read back exactly; the rest to four decimals.
    const auto whole = pellix::ParseRoundedInteger(text, format, INT64_MIN, INT64_MAX);
    Check(whole.has_value());
    Check(std::fabs(static_cast<double>(*whole) - value) <= 0.50005 + std::fabs(value) * 1e-15);
    if (text.find(format.decimalSeparator) == std::wstring::npos) {
        Check(std::fabs(static_cast<double>(*whole) - value) <= 0.00005 + std::fabs(value) * 1e-15);
    }
}

// --- Name lists ----------------------------------------------------------

// The keys of a section as GetPrivateProfileString lists them into a buffer
// of `size` characters: each name and a NUL; when it does not fit, the last
// name is cut and carries no NUL of its own.
std::wstring KeyList(const Section& section, std::size_t size) {
    std::wstring list;
    for (const auto& [name, value] : section.keys) {
        list += name;
        list += L'\0';
    }
    if (list.size() + 1 > size) {
        list.resize(size >= 2 ? size - 2 : 0);
    }
    return list;
}

void CheckNameList(std::wstring_view list) {
    for (const auto empty : {pellix::EmptyNames::Keep, pellix::EmptyNames::Skip}) {
        const std::vector<std::wstring> names = pellix::SplitNameList(list, empty);
        // The names, each with its NUL, rebuild the list up to its last NUL.
        std::wstring rebuilt;
        std::size_t emptyNames = 0;
        for (const std::wstring& name : names) {
            Check(name.find(L'\0') == std::wstring::npos);
            emptyNames += name.empty();
            rebuilt += name;
            rebuilt += L'\0';
        }
        const std::size_t last = list.rfind(L'\0');
        std::wstring expected(last == std::wstring_view::npos ? std::wstring_view{}
                                                              : list.substr(0, last + 1));
        if (empty == pellix::EmptyNames::Skip) {
            Check(emptyNames == 0);
            std::wstring squeezed;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                if (expected[i] != L'\0' || (i > 0 && expected[i - 1] != L'\0')) {
                    squeezed += expected[i];
                }
            }
            expected = squeezed;
        }
        Check(rebuilt == expected);
    }
}

constexpr wchar_t kSeparators[] = {L'.', L',', L'\x066b', L'\'', L'\x00b7', L'\xff0e'};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const int encoding = data[0] % 3;
    NumberFormat format;
    format.decimalSeparator = kSeparators[data[1] % std::size(kSeparators)];
    const std::wstring text = Decode(data + 2, size - 2, encoding);

    // The settings as the program reads them from this file.
    const std::vector<Section> sections = ParseIni(text);
    FileStore file(sections);
    const std::wstring defaultExecutable = L"C:\\Program Files\\Orvane\\Pellix\\Pellix.exe";
    const pellix::Settings read = pellix::ReadSettings(file, format, defaultExecutable);

    const std::wstring quality = file.Read(L"Quality", L"JPGQuality", L"90");
    Check(read.iJPGQuality == pellix::ParseInt16(quality, format).value_or(90));
    const int jpeg = pellix::JpegQualityForWriting(read.iJPGQuality);
    Check(jpeg >= 1 && jpeg <= 100);
    Check(read.bAskForFilename ==
          ReferenceBoolean(file.Read(L"Quality", L"AskForFilename", L"False"),
                           format.decimalSeparator)
              .value_or(false));
    Check(read.sExecutable == file.Read(L"Application", L"Executable", defaultExecutable));
    Check(read.sExecutable.size() <= 254);

    // Saved and read again, the same settings. The path is kept as it was
    // read, but a settings file cannot hold blanks around a value: a line
    // cut by a NUL can hand over "C:\Program " and gives back "C:\Program".
    TextStore saved;
    Check(pellix::WriteSettings(saved, read));
    FileStore reloaded(ParseIni(saved.Text()));
    const pellix::Settings again = pellix::ReadSettings(reloaded, format, L"unused");
    Check(again.iJPGQuality == read.iJPGQuality && again.bAskForFilename == read.bAskForFilename &&
          again.bFilenameUseDate == read.bFilenameUseDate &&
          again.bFilenameUseFolder == read.bFilenameUseFolder &&
          again.sExecutable == Trim(read.sExecutable));

    // Every value through every conversion; every section's key list
    // through the list splitting, whole and cut.
    const std::size_t cut = 2 + (data[1] >> 3) * 7;
    std::wstring sectionList;
    int numbers = 0;
    for (const Section& section : sections) {
        sectionList += section.name;
        sectionList += L'\0';
        for (const auto& [key, value] : section.keys) {
            if (++numbers <= 64) {
                CheckNumbers(value.substr(0, 254), format);
            }
        }
        CheckNameList(KeyList(section, 8192));
        CheckNameList(KeyList(section, cut));
    }
    CheckNameList(sectionList);
    CheckNameList(text); // the raw text, NULs and all, as a list

    if (size >= 10) {
        double value;
        std::memcpy(&value, data + 2, sizeof value);
        CheckDecimal(value, format);
    }
    return 0;
}
