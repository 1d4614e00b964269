#include "devices/virtual-scanner/core/scanner_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

namespace pellix::vscan {
namespace {

constexpr double kSmallestPaperMm = 5.0;
constexpr double kLargestPaperMm = 1000.0;
constexpr unsigned kLongestDelayMs = 10 * 60 * 1000;

std::string TrimmedLower(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

template <typename Number> std::optional<Number> ParseWhole(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseMillimetres(const std::string& text) {
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())))) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || value < kSmallestPaperMm || value > kLargestPaperMm) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<AutoAnswer> ParseAnswer(std::string_view text) {
    const std::string word = TrimmedLower(text);
    if (word == "scan") {
        return AutoAnswer::Scan;
    }
    if (word == "cancel") {
        return AutoAnswer::Cancel;
    }
    if (word == "fail") {
        return AutoAnswer::Fail;
    }
    return std::nullopt;
}

std::optional<PixelKind> ParsePixelKind(std::string_view text) {
    const std::string word = TrimmedLower(text);
    if (word == "color" || word == "colour" || word == "rgb") {
        return PixelKind::Color;
    }
    if (word == "gray" || word == "grey") {
        return PixelKind::Gray;
    }
    if (word == "bw") {
        return PixelKind::BlackWhite;
    }
    return std::nullopt;
}

std::optional<PaperSize> ParsePaperSize(std::string_view text) {
    const std::string word = TrimmedLower(text);
    if (word == "a4") {
        return kA4;
    }
    if (word == "letter") {
        return kLetter;
    }
    const auto cross = word.find('x');
    if (cross == std::string::npos) {
        return std::nullopt;
    }
    const auto width = ParseMillimetres(word.substr(0, cross));
    const auto height = ParseMillimetres(word.substr(cross + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    return PaperSize{*width, *height};
}

std::optional<std::vector<TransferKind>> ParseTransfers(std::string_view text) {
    std::vector<TransferKind> kinds;
    const std::string list = TrimmedLower(text);
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string word = TrimmedLower(std::string_view(list).substr(start, comma - start));
        std::optional<TransferKind> kind;
        if (word == "native") {
            kind = TransferKind::Native;
        } else if (word == "memory") {
            kind = TransferKind::Memory;
        }
        if (kind && std::find(kinds.begin(), kinds.end(), *kind) == kinds.end()) {
            kinds.push_back(*kind);
        }
        start = comma + 1;
    }
    if (kinds.empty()) {
        return std::nullopt;
    }
    // Native first whenever offered: it is the default mechanism.
    std::stable_sort(kinds.begin(), kinds.end());
    return kinds;
}

std::optional<PageStamp> ParseStamp(std::string_view text) {
    const std::string word = TrimmedLower(text);
    // YYYY-MM-DD hh:mm:ss
    if (word.size() != 19 || word[4] != '-' || word[7] != '-' || word[10] != ' ' ||
        word[13] != ':' || word[16] != ':') {
        return std::nullopt;
    }
    const auto field = [&word](std::size_t at, std::size_t length) {
        return ParseWhole<int>(std::string_view(word).substr(at, length));
    };
    const auto year = field(0, 4), month = field(5, 2), day = field(8, 2);
    const auto hour = field(11, 2), minute = field(14, 2), second = field(17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *month < 1 || *month > 12 ||
        *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    return PageStamp{*year, *month, *day, *hour, *minute, *second};
}

std::string ReadProductName(const SettingLookup& lookup) {
    const auto text = lookup(kProductSetting);
    if (!text || text->empty()) {
        return kDefaultProductName;
    }
    return text->substr(0, kMaxProductNameLength);
}

ScannerOptions ReadScannerOptions(const SettingLookup& lookup) {
    ScannerOptions options;
    if (const auto text = lookup(kAnswerSetting)) {
        options.answer = ParseAnswer(*text);
    }
    if (const auto text = lookup(kDelaySetting)) {
        if (const auto delay = ParseWhole<unsigned>(TrimmedLower(*text))) {
            options.delayMs = std::min(*delay, kLongestDelayMs);
        }
    }
    if (const auto text = lookup(kPixelTypeSetting)) {
        options.pixelKind = ParsePixelKind(*text).value_or(options.pixelKind);
    }
    if (const auto text = lookup(kResolutionSetting)) {
        const auto dpi = ParseWhole<int>(TrimmedLower(*text));
        if (dpi && IsOfferedResolution(*dpi)) {
            options.dpi = *dpi;
        }
    }
    if (const auto text = lookup(kPageSetting)) {
        options.paper = ParsePaperSize(*text).value_or(options.paper);
    }
    if (const auto text = lookup(kTransfersSetting)) {
        options.transfers = ParseTransfers(*text).value_or(options.transfers);
    }
    if (const auto text = lookup(kClockSetting)) {
        options.clock = ParseStamp(*text);
    }
    options.productName = ReadProductName(lookup);
    return options;
}

} // namespace pellix::vscan
