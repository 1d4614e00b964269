#include "devices/virtual-scanner/core/scanner_options.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace pellix::vscan {
namespace {

// Settings as a test sets them, by environment variable name.
class FakeSettings {
public:
    FakeSettings& set(const SettingName& name, std::string value) {
        values_[name.environment] = std::move(value);
        return *this;
    }
    SettingLookup lookup() const {
        return [this](const SettingName& name) -> std::optional<std::string> {
            const auto found = values_.find(name.environment);
            if (found == values_.end()) {
                return std::nullopt;
            }
            return found->second;
        };
    }

private:
    std::map<std::string, std::string> values_;
};

TEST(ScannerOptions, NothingSetGivesTheDocumentedDefaults) {
    const ScannerOptions options = readScannerOptions(FakeSettings().lookup());
    EXPECT_FALSE(options.answer.has_value());
    EXPECT_EQ(options.delayMs, 0u);
    EXPECT_EQ(options.pixelKind, PixelKind::Color);
    EXPECT_EQ(options.dpi, 300);
    EXPECT_EQ(options.paper, kA4);
    EXPECT_EQ(options.transfers, (std::vector{TransferKind::Native, TransferKind::Memory}));
    EXPECT_EQ(options.productName, "Pellix Virtual Scanner");
    EXPECT_FALSE(options.clock.has_value());
}

TEST(ScannerOptions, EverySettingIsReadUnderItsPublishedName) {
    FakeSettings settings;
    settings.set(kAnswerSetting, "Cancel")
        .set(kDelaySetting, "250")
        .set(kPixelTypeSetting, "gray")
        .set(kResolutionSetting, "150")
        .set(kPageSetting, "40x25")
        .set(kTransfersSetting, "memory")
        .set(kProductSetting, "Second Scanner")
        .set(kClockSetting, "2023-12-31 23:59:58");
    const ScannerOptions options = readScannerOptions(settings.lookup());
    EXPECT_EQ(options.answer, AutoAnswer::Cancel);
    EXPECT_EQ(options.delayMs, 250u);
    EXPECT_EQ(options.pixelKind, PixelKind::Gray);
    EXPECT_EQ(options.dpi, 150);
    EXPECT_EQ(options.paper, (PaperSize{40, 25}));
    EXPECT_EQ(options.transfers, std::vector{TransferKind::Memory});
    EXPECT_EQ(options.productName, "Second Scanner");
    EXPECT_EQ(options.clock, (PageStamp{2023, 12, 31, 23, 59, 58}));

    // The names the application's tests use.
    EXPECT_STREQ(kAnswerSetting.environment, "PELLIX_VSCAN_ANSWER");
    EXPECT_STREQ(kDelaySetting.environment, "PELLIX_VSCAN_DELAY_MS");
    EXPECT_STREQ(kPixelTypeSetting.environment, "PELLIX_VSCAN_PIXELTYPE");
    EXPECT_STREQ(kResolutionSetting.environment, "PELLIX_VSCAN_DPI");
    EXPECT_STREQ(kPageSetting.environment, "PELLIX_VSCAN_PAGE");
    EXPECT_STREQ(kTransfersSetting.environment, "PELLIX_VSCAN_XFER");
    EXPECT_STREQ(kProductSetting.environment, "PELLIX_VSCAN_PRODUCT");
    EXPECT_STREQ(kAnswerSetting.iniKey, "Answer");
    EXPECT_STREQ(kDelaySetting.iniKey, "DelayMs");
    EXPECT_STREQ(kPixelTypeSetting.iniKey, "PixelType");
    EXPECT_STREQ(kResolutionSetting.iniKey, "Resolution");
    EXPECT_STREQ(kPageSetting.iniKey, "PageSize");
    EXPECT_STREQ(kTransfersSetting.iniKey, "Transfers");
    EXPECT_STREQ(kProductSetting.iniKey, "ProductName");
}

TEST(ScannerOptions, UnusableValuesKeepTheDefaults) {
    FakeSettings settings;
    settings.set(kAnswerSetting, "maybe")
        .set(kDelaySetting, "-5")
        .set(kPixelTypeSetting, "sepia")
        .set(kResolutionSetting, "250")
        .set(kPageSetting, "40x")
        .set(kTransfersSetting, "file, fax")
        .set(kProductSetting, "")
        .set(kClockSetting, "yesterday");
    const ScannerOptions options = readScannerOptions(settings.lookup());
    EXPECT_FALSE(options.answer.has_value());
    EXPECT_EQ(options.delayMs, 0u);
    EXPECT_EQ(options.pixelKind, PixelKind::Color);
    EXPECT_EQ(options.dpi, 300);
    EXPECT_EQ(options.paper, kA4);
    EXPECT_EQ(options.transfers.size(), 2u);
    EXPECT_EQ(options.productName, "Pellix Virtual Scanner");
    EXPECT_FALSE(options.clock.has_value());
}

TEST(ScannerOptions, AnswersAndColourModes) {
    EXPECT_EQ(parseAnswer("scan"), AutoAnswer::Scan);
    EXPECT_EQ(parseAnswer(" FAIL "), AutoAnswer::Fail);
    EXPECT_EQ(parseAnswer(""), std::nullopt);
    EXPECT_EQ(parsePixelKind("color"), PixelKind::Color);
    EXPECT_EQ(parsePixelKind("Colour"), PixelKind::Color);
    EXPECT_EQ(parsePixelKind("grey"), PixelKind::Gray);
    EXPECT_EQ(parsePixelKind("bw"), PixelKind::BlackWhite);
    EXPECT_EQ(parsePixelKind("b/w"), std::nullopt);
}

TEST(ScannerOptions, PaperSizes) {
    EXPECT_EQ(parsePaperSize("A4"), kA4);
    EXPECT_EQ(parsePaperSize("letter"), kLetter);
    EXPECT_EQ(parsePaperSize("215.9x279.4"), kLetter);
    EXPECT_EQ(parsePaperSize("40X25"), (PaperSize{40, 25}));
    for (const char* bad : {"x", "40", "40x25x3", "0x25", "40x-25", "2000x10", "ax4", "40 x 25"}) {
        EXPECT_EQ(parsePaperSize(bad), std::nullopt) << bad;
    }
}

TEST(ScannerOptions, TransferListsKeepNativeFirstAndDropUnknownWords) {
    using enum TransferKind;
    EXPECT_EQ(parseTransfers("memory,native"), (std::vector{Native, Memory}));
    EXPECT_EQ(parseTransfers(" native "), std::vector{Native});
    EXPECT_EQ(parseTransfers("memory,file,memory"), std::vector{Memory});
    EXPECT_EQ(parseTransfers(","), std::nullopt);
}

TEST(ScannerOptions, LongProductNamesAreCutToWhatAnIdentityHolds) {
    FakeSettings settings;
    settings.set(kProductSetting, std::string(50, 'P'));
    EXPECT_EQ(readProductName(settings.lookup()), std::string(33, 'P'));
}

} // namespace
} // namespace pellix::vscan
