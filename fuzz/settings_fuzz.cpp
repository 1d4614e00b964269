// libFuzzer target: any bytes as the settings file, read as 8-bit or UTF-16
// text in one of several number formats. Whatever the file holds, the
// settings read from it must give a usable JPEG quality and survive a save
// and a reload unchanged, and every value must convert consistently.
#include "app/settings/number_text.h"
#include "app/settings/settings_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) {
        c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    }
    return s;
}

std::wstring Trim(std::wstring s) {
    s.erase(0, s.find_first_not_of(L" \t"));
    s.erase(s.find_last_not_of(L" \t") + 1);
    return s;
}

// The file as the INI functions see it: sections and keys in any letter
// case, values without blanks around them and cut at a NUL and at 254
// characters; the first of equal keys counts.
class FileStore final : public pellix::ProfileStore {
public:
    explicit FileStore(const std::wstring& text) {
        std::wstring section;
        for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
            end = std::min(text.find_first_of(L"\r\n", start), text.size());
            const std::wstring line = Trim(text.substr(start, end - start));
            const std::size_t equals = line.find(L'=');
            if (!line.empty() && line[0] == L'[') {
                section = Lower(line.substr(1, line.find(L']') - 1));
            } else if (equals != std::wstring::npos) {
                const std::wstring value = Trim(line.substr(equals + 1));
                keys.emplace(section + L'\n' + Lower(Trim(line.substr(0, equals))),
                             value.substr(0, std::min(value.find(L'\0'), std::size_t{254})));
            }
        }
    }
    std::wstring Read(std::wstring_view section, std::wstring_view key,
                      std::wstring_view fallback) override {
        const auto it = keys.find(Lower(std::wstring(section)) + L'\n' + Lower(std::wstring(key)));
        return it == keys.end() ? std::wstring(fallback) : it->second;
    }
    bool Write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
        written += L"[" + std::wstring(section) + L"]\r\n" + std::wstring(key) + L"=" +
                   std::wstring(value) + L"\r\n";
        return true;
    }

    std::map<std::wstring, std::wstring> keys;
    std::wstring written; // the text of every write in order
};

constexpr wchar_t kSeparators[] = {L'.', L',', L'\x066b', L'\''};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const pellix::NumberFormat format{kSeparators[data[1] % std::size(kSeparators)]};
    std::wstring text;
    for (std::size_t i = 2; i < size; i += data[0] % 2 + 1) {
        text += static_cast<wchar_t>(data[0] % 2 && i + 1 < size ? data[i] | data[i + 1] << 8
                                                                 : data[i]);
    }

    FileStore file(text);
    const pellix::Settings read = pellix::ReadSettings(file, format, L"C:\\Pellix.exe");
    const int jpeg = pellix::JpegQualityForWriting(read.iJPGQuality);
    Check(jpeg >= 1 && jpeg <= 100);

    FileStore saved(L"");
    Check(pellix::WriteSettings(saved, read));
    FileStore reloaded(saved.written);
    const pellix::Settings again = pellix::ReadSettings(reloaded, format, L"unused");
    Check(again.iJPGQuality == read.iJPGQuality && again.bAskForFilename == read.bAskForFilename &&
          again.bFilenameUseDate == read.bFilenameUseDate &&
          again.bFilenameUseFolder == read.bFilenameUseFolder &&
          again.sExecutable == Trim(read.sExecutable));

    // Every value read as a number agrees with the widest reading, and as a
    // flag: a number is true unless every digit is zero.
    for (const auto& [key, value] : file.keys) {
        const auto wide = pellix::ParseRoundedInteger(value, format, INT64_MIN, INT64_MAX);
        const auto i16 = pellix::ParseInt16(value, format);
        Check(i16.has_value() == (wide && *wide >= INT16_MIN && *wide <= INT16_MAX));
        Check(!i16 || (*i16 == *wide && pellix::ParseInt32(value, format) == *wide));
        Check(!wide || pellix::ParseBoolean(value, format) ==
                           (value.find_first_of(L"123456789") != std::wstring::npos));
    }
    return 0;
}
