// The virtual scanner's unattended settings: what they are called and how
// their text is read. Where the text comes from (environment variables, the
// INI file beside the module) is the caller's business; see README.md.
#pragma once

#include "devices/virtual-scanner/core/page_format.h"
#include "devices/virtual-scanner/core/page_generator.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellix::vscan {

// How the scan dialog answers by itself. Fail starts the scan but makes the
// transfer fail.
enum class AutoAnswer { Scan, Cancel, Fail };

enum class TransferKind { Native, Memory };

struct SettingName {
    const char* environment; // environment variable
    const char* iniKey;      // key in the [Scanner] section
};

inline constexpr SettingName kAnswerSetting{"PELLIX_VSCAN_ANSWER", "Answer"};
inline constexpr SettingName kDelaySetting{"PELLIX_VSCAN_DELAY_MS", "DelayMs"};
inline constexpr SettingName kPixelTypeSetting{"PELLIX_VSCAN_PIXELTYPE", "PixelType"};
inline constexpr SettingName kResolutionSetting{"PELLIX_VSCAN_DPI", "Resolution"};
inline constexpr SettingName kPageSetting{"PELLIX_VSCAN_PAGE", "PageSize"};
inline constexpr SettingName kTransfersSetting{"PELLIX_VSCAN_XFER", "Transfers"};
inline constexpr SettingName kProductSetting{"PELLIX_VSCAN_PRODUCT", "ProductName"};
inline constexpr SettingName kClockSetting{"PELLIX_VSCAN_CLOCK", "Clock"};
inline constexpr const char* kIniSection = "Scanner";

inline constexpr const char* kDefaultProductName = "Pellix Virtual Scanner";

struct ScannerOptions {
    std::optional<AutoAnswer> answer; // none: wait for the user
    unsigned delayMs = 0;
    PixelKind pixelKind = PixelKind::Color;
    int dpi = kDefaultResolution;
    PaperSize paper = kA4;
    std::vector<TransferKind> transfers{TransferKind::Native, TransferKind::Memory};
    std::string productName = kDefaultProductName;
    std::optional<PageStamp> clock; // none: the real local time
};

// The text of a setting, or nothing when it is not set.
using SettingLookup = std::function<std::optional<std::string>(const SettingName&)>;

// Reads every setting; values that cannot be understood leave the default.
ScannerOptions ReadScannerOptions(const SettingLookup& lookup);

// Only the product name, for the identity the scanner reports while closed.
std::string ReadProductName(const SettingLookup& lookup);

// The longest product name an identity can carry.
inline constexpr std::size_t kMaxProductNameLength = 33;

std::optional<AutoAnswer> ParseAnswer(std::string_view text);
std::optional<PixelKind> ParsePixelKind(std::string_view text);
std::optional<PaperSize> ParsePaperSize(std::string_view text);
std::optional<std::vector<TransferKind>> ParseTransfers(std::string_view text);
std::optional<PageStamp> ParseStamp(std::string_view text);

} // namespace pellix::vscan
