// Runs with Wine's TWAIN manager switched off (see tests/CMakeLists.txt):
// nothing is available and nothing crashes.
#include "app/components/twain/twain.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace pellix {
namespace {

TEST(TwainWithoutManager, NotAvailableAndCallsFailQuietly) {
    EXPECT_NE(TWAIN_IsAvailable(), 1);
    test::TempFolder folder;
    const std::wstring file = folder.Join(L"scan.tmp");
    test::WriteBytes(file, "");
    std::string why;
    EXPECT_EQ(TWAIN_AcquireToFilename(nullptr, file, &why), AcquireResult::Failed);
    EXPECT_NE(why.find("no TWAIN source manager"), std::string::npos) << why;
    EXPECT_EQ(test::ReadBytes(file), "");
    EXPECT_EQ(TWAIN_SelectImageSource(nullptr), SelectResult::Failed);
}

} // namespace
} // namespace pellix
