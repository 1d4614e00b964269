#include "devices/virtual-scanner/core/scanner_options.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace pellix::vscan {
namespace {

// Settings by environment variable name, as the application's tests set them.
SettingLookup settings(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const SettingName& name) -> std::optional<std::string> {
        const auto found = values.find(name.environment);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    };
}

TEST(ScannerOptions, NothingSetGivesTheDocumentedDefaults) {
    const ScannerOptions options = readScannerOptions(settings({}));
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
    const ScannerOptions options = readScannerOptions(settings({
        {"PELLIX_VSCAN_ANSWER", "Cancel"},
        {"PELLIX_VSCAN_DELAY_MS", "250"},
        {"PELLIX_VSCAN_PIXELTYPE", "gray"},
        {"PELLIX_VSCAN_DPI", "150"},
        {"PELLIX_VSCAN_PAGE", "40x25"},
        {"PELLIX_VSCAN_XFER", "memory"},
        {"PELLIX_VSCAN_PRODUCT", "Second Scanner"},
        {"PELLIX_VSCAN_CLOCK", "2023-12-31 23:59:58"},
    }));
    EXPECT_EQ(options.answer, AutoAnswer::Cancel);
    EXPECT_EQ(options.delayMs, 250u);
    EXPECT_EQ(options.pixelKind, PixelKind::Gray);
    EXPECT_EQ(options.dpi, 150);
    EXPECT_EQ(options.paper, (PaperSize{40, 25}));
    EXPECT_EQ(options.transfers, std::vector{TransferKind::Memory});
    EXPECT_EQ(options.productName, "Second Scanner");
    EXPECT_EQ(options.clock, (PageStamp{2023, 12, 31, 23, 59, 58}));
}

TEST(ScannerOptions, UnusableValuesKeepTheDefaults) {
    const ScannerOptions options = readScannerOptions(settings({
        {"PELLIX_VSCAN_ANSWER", "maybe"},
        {"PELLIX_VSCAN_DELAY_MS", "-5"},
        {"PELLIX_VSCAN_PIXELTYPE", "sepia"},
        {"PELLIX_VSCAN_DPI", "250"},
        {"PELLIX_VSCAN_PAGE", "40x"},
        {"PELLIX_VSCAN_XFER", "file, fax"},
        {"PELLIX_VSCAN_PRODUCT", ""},
        {"PELLIX_VSCAN_CLOCK", "yesterday"},
    }));
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
    EXPECT_EQ(readProductName(settings({{"PELLIX_VSCAN_PRODUCT", std::string(50, 'P')}})),
              std::string(33, 'P'));
}

} // namespace
} // namespace pellix::vscan
