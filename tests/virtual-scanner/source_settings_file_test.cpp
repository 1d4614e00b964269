// The INI file beside the data source, and the environment over it: a copy
// of the source installed under another name is another scanner.
#include "tests/virtual-scanner/source_harness.h"

#include <gtest/gtest.h>

#include <string>

namespace pellix::vscan::test {
namespace {

using namespace twain;

class CopiedSource : public testing::Test {
protected:
    std::wstring folder_;
    std::wstring dsPath_;
    ScopedEnvironment environment_;

    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"pellix-vscan-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        dsPath_ = folder_ + L"\\sane.ds";
        ASSERT_TRUE(CopyFileW(builtSourcePath().c_str(), dsPath_.c_str(), FALSE));
        writeIni("[Scanner]\r\nProductName=Pellix Gray Scanner\r\nPixelType=gray\r\n"
                 "Resolution=200\r\nTransfers=memory\r\n");
        environment_.set(L"PELLIX_VSCAN_PAGE", L"40x25");
    }
    void TearDown() override {
        DeleteFileW((folder_ + L"\\sane.ini").c_str());
        DeleteFileW(dsPath_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    void writeIni(const std::string& text) {
        HANDLE file = CreateFileW((folder_ + L"\\sane.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
        CloseHandle(file);
    }
};

TEST_F(CopiedSource, ReadsTheIniFileNamedAfterItself) {
    LoadedSource ds(dsPath_);
    TW_IDENTITY identity{};
    ASSERT_EQ(ds.call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_STREQ(identity.ProductName, "Pellix Gray Scanner");
    ASSERT_EQ(ds.open(), TWRC_SUCCESS);
    EXPECT_EQ(askCapability(ds, ICAP_PIXELTYPE, MSG_GETCURRENT).items.at(0), TWPT_GRAY);
    EXPECT_EQ(askCapability(ds, ICAP_XRESOLUTION, MSG_GETCURRENT).items.at(0), dpiItem(200));
    EXPECT_EQ(askCapability(ds, ICAP_XFERMECH, MSG_GET).items, std::vector<TW_UINT32>{TWSX_MEMORY});
}

TEST_F(CopiedSource, EnvironmentWinsOverTheIniFile) {
    environment_.set(L"PELLIX_VSCAN_PRODUCT", L"Pellix Override")
        .set(L"PELLIX_VSCAN_PIXELTYPE", L"bw");
    LoadedSource ds(dsPath_);
    TW_IDENTITY identity{};
    ASSERT_EQ(ds.call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_STREQ(identity.ProductName, "Pellix Override");
    ASSERT_EQ(ds.open(), TWRC_SUCCESS);
    EXPECT_EQ(askCapability(ds, ICAP_PIXELTYPE, MSG_GETCURRENT).items.at(0), TWPT_BW);
    EXPECT_EQ(askCapability(ds, ICAP_XRESOLUTION, MSG_GETCURRENT).items.at(0), dpiItem(200));
}

TEST_F(CopiedSource, TwoCopiesAreTwoIndependentSources) {
    LoadedSource original;
    LoadedSource copy(dsPath_);
    ASSERT_NE(original.module(), copy.module());
    ASSERT_EQ(original.open(), TWRC_SUCCESS);
    ASSERT_EQ(copy.open(), TWRC_SUCCESS);
    EXPECT_EQ(askCapability(original, ICAP_PIXELTYPE, MSG_GETCURRENT).items.at(0), TWPT_RGB);
    EXPECT_EQ(askCapability(copy, ICAP_PIXELTYPE, MSG_GETCURRENT).items.at(0), TWPT_GRAY);
    ASSERT_EQ(original.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(original.waitForNotification(), MSG_XFERREADY);
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(copy.call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0) << "the copy was not enabled";
}

} // namespace
} // namespace pellix::vscan::test
