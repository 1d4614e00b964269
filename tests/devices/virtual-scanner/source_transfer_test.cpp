// Native and memory transfers from the virtual scanner.
#include "tests/devices/virtual-scanner/source_harness.h"

#include <cstring>

namespace pellix::vscan::test {
namespace {

using namespace twain;

// 40 x 25 mm at 100 dpi.
constexpr int kWidth = 157;
constexpr int kHeight = 98;

struct Mode {
    const wchar_t* setting;
    TW_UINT16 pixelType;
    int bits;
    int colours; // palette entries
    std::size_t Packed() const { return (std::size_t(kWidth) * bits + 7) / 8; }
    std::size_t Padded() const { return (Packed() + 3) / 4 * 4; }
};

const Mode kModes[] = {
    {L"color", TWPT_RGB, 24, 0},
    {L"gray", TWPT_GRAY, 8, 256},
    {L"bw", TWPT_BW, 1, 2},
};

class SourceTransfer : public SourceTest {
protected:
    void SetUp() override {
        SourceTest::SetUp();
        environment_.Set(L"PELLIX_VSCAN_DPI", L"100")
            .Set(L"PELLIX_VSCAN_CLOCK", L"2024-06-01 10:20:30");
    }

    // Opens with the mode's settings and waits for the page: state 6.
    void Scan(const Mode& mode, TW_UINT16 mechanism = TWSX_NATIVE) {
        environment_.Set(L"PELLIX_VSCAN_PIXELTYPE", mode.setting);
        Open();
        ASSERT_EQ(SetCapability(*ds_, ICAP_XFERMECH, TWTY_UINT16, mechanism), TWRC_SUCCESS);
        ASSERT_EQ(ds_->Enable(false), TWRC_SUCCESS);
        ASSERT_EQ(ds_->WaitForNotification(), MSG_XFERREADY);
    }

    std::string NativeDib() {
        TW_HANDLE dib = nullptr;
        EXPECT_EQ(ds_->Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
        if (!dib) {
            ADD_FAILURE() << "no bitmap handle";
            return {};
        }
        const std::string bytes(static_cast<const char*>(GlobalLock(dib)), GlobalSize(dib));
        GlobalUnlock(dib);
        GlobalFree(dib);
        return bytes;
    }

    TW_UINT16 Strip(TW_IMAGEMEMXFER& transfer, void* memory, std::size_t bytes, bool handle) {
        transfer.Memory.Flags = TWMF_APPOWNS | (handle ? TWMF_HANDLE : TWMF_POINTER);
        transfer.Memory.Length = static_cast<TW_UINT32>(bytes);
        transfer.Memory.TheMem = memory;
        return ds_->Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer);
    }

    // The memory transfer strip by strip; the rows as they arrived.
    std::vector<std::string> MemoryRows(std::size_t bufferBytes, bool asHandle) {
        std::vector<std::string> rows;
        HGLOBAL handle = GlobalAlloc(GHND, bufferBytes);
        std::string pointerBuffer(bufferBytes, '\0');
        for (TW_UINT16 result = TWRC_SUCCESS; result == TWRC_SUCCESS && rows.size() < 10000;) {
            TW_IMAGEMEMXFER transfer{};
            result = Strip(transfer, asHandle ? handle : static_cast<void*>(pointerBuffer.data()),
                           bufferBytes, asHandle);
            if (result != TWRC_SUCCESS && result != TWRC_XFERDONE) {
                ADD_FAILURE() << "strip failed, condition " << ds_->ConditionCode();
                break;
            }
            EXPECT_EQ(transfer.Compression, TWCP_NONE);
            EXPECT_EQ(transfer.Columns, TW_UINT32(kWidth));
            EXPECT_EQ(transfer.XOffset, 0u);
            EXPECT_EQ(transfer.YOffset, rows.size());
            EXPECT_EQ(transfer.BytesWritten, transfer.Rows * transfer.BytesPerRow);
            EXPECT_EQ(transfer.Rows, std::min(bufferBytes / transfer.BytesPerRow,
                                              std::size_t(kHeight) - rows.size()))
                << "as many whole rows as fit";
            const char* data =
                asHandle ? static_cast<const char*>(GlobalLock(handle)) : pointerBuffer.data();
            for (TW_UINT32 row = 0; row < transfer.Rows; ++row) {
                rows.emplace_back(data + row * transfer.BytesPerRow, transfer.BytesPerRow);
            }
            if (asHandle) {
                GlobalUnlock(handle);
            }
        }
        GlobalFree(handle);
        return rows;
    }
};

TEST_F(SourceTransfer, EveryModeIsDescribedThenSentAsTheSamePixelsNativeAndInMemory) {
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(mode.setting)));
        Scan(mode);
        TW_IMAGEINFO info{};
        ASSERT_EQ(ds_->Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
        EXPECT_DOUBLE_EQ(Fix32ToDouble(info.XResolution), 100.0);
        EXPECT_DOUBLE_EQ(Fix32ToDouble(info.YResolution), 100.0);
        EXPECT_EQ(info.ImageWidth, kWidth);
        EXPECT_EQ(info.ImageLength, kHeight);
        EXPECT_EQ(info.SamplesPerPixel, mode.bits == 24 ? 3 : 1);
        EXPECT_EQ(info.BitsPerSample[0], mode.bits == 24 ? 8 : mode.bits);
        EXPECT_EQ(info.BitsPerPixel, mode.bits);
        EXPECT_EQ(info.Planar, FALSE);
        EXPECT_EQ(info.PixelType, mode.pixelType);
        EXPECT_EQ(info.Compression, TWCP_NONE);

        const std::string dib = NativeDib();
        ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        std::memcpy(&header, dib.data(), sizeof header);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, kWidth);
        EXPECT_EQ(header.biHeight, kHeight) << "bottom-up";
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, mode.bits);
        EXPECT_EQ(header.biCompression, DWORD(BI_RGB));
        EXPECT_EQ(header.biXPelsPerMeter, 3937) << "100 dpi";
        EXPECT_EQ(header.biYPelsPerMeter, 3937);
        EXPECT_EQ(header.biClrUsed, DWORD(mode.colours));
        const std::size_t imageBytes = mode.Padded() * kHeight;
        EXPECT_EQ(header.biSizeImage, imageBytes);
        ASSERT_GE(dib.size(), 40 + 4 * mode.colours + imageBytes);
        const auto* palette = reinterpret_cast<const RGBQUAD*>(dib.data() + 40);
        for (int i = 0; i < mode.colours; ++i) {
            const int level = i * 255 / (mode.colours - 1);
            ASSERT_EQ(palette[i].rgbRed, level) << "entry " << i;
            ASSERT_EQ(palette[i].rgbGreen, level);
            ASSERT_EQ(palette[i].rgbBlue, level);
        }
        const std::string pixels = dib.substr(40 + 4 * mode.colours, imageBytes);
        const auto white = std::count(pixels.begin(), pixels.end(), '\xff');
        EXPECT_GT(white, static_cast<long>(imageBytes / 3)) << "paper is white";
        EXPECT_LT(white, static_cast<long>(imageBytes));
        EXPECT_EQ(Pending(MSG_ENDXFER), 0);

        Scan(mode, TWSX_MEMORY);
        TW_SETUPMEMXFER setup{};
        ASSERT_EQ(ds_->Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
        EXPECT_EQ(setup.MinBufSize, mode.Padded());
        EXPECT_EQ(setup.Preferred % setup.MinBufSize, 0u);
        EXPECT_GE(setup.MaxBufSize, setup.Preferred);
        // Three and a half rows a strip: only whole rows are sent. Gray goes
        // into a handle, the others into plain memory.
        const std::vector<std::string> rows =
            MemoryRows(setup.MinBufSize * 7 / 2, mode.pixelType == TWPT_GRAY);
        ASSERT_EQ(rows.size(), std::size_t(kHeight));
        for (int y = 0; y < kHeight; ++y) {
            std::string expected(pixels, mode.Padded() * (kHeight - 1 - y), mode.Packed());
            for (std::size_t x = 0; mode.bits == 24 && x < expected.size(); x += 3) {
                std::swap(expected[x], expected[x + 2]); // BGR in bitmaps, RGB in strips
            }
            ASSERT_EQ(rows[y].substr(0, expected.size()), expected) << "row " << y;
        }
        EXPECT_EQ(Pending(MSG_ENDXFER), 0);
    }
}

TEST_F(SourceTransfer, TransfersOutsideTheNegotiatedMechanismOrPageAreRefused) {
    Scan(kModes[1]);
    std::string buffer(1 << 16, '\0');
    TW_IMAGEMEMXFER memory{};
    EXPECT_EQ(Strip(memory, buffer.data(), buffer.size(), false), TWRC_FAILURE);
    ExpectCondition(TWCC_SEQERROR);
    NativeDib();
    EXPECT_EQ(Pending(MSG_GET), 1) << "until MSG_ENDXFER";
    TW_HANDLE again = nullptr;
    TW_PENDINGXFERS xfers{};
    ExpectFailure(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &again, TWCC_SEQERROR);
    ExpectFailure(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &xfers, TWCC_SEQERROR);
    EXPECT_EQ(Pending(MSG_ENDXFER), 0);

    Scan(kModes[1], TWSX_MEMORY);
    ExpectFailure(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &again, TWCC_SEQERROR);
    EXPECT_EQ(Strip(memory, buffer.data(), kModes[1].Padded() - 1, false), TWRC_FAILURE);
    ExpectCondition(TWCC_BADVALUE);
    EXPECT_EQ(Strip(memory, nullptr, buffer.size(), false), TWRC_FAILURE);
    ExpectCondition(TWCC_BADVALUE);
}

TEST_F(SourceTransfer, FailAnswerBreaksTheNativeTransferAndTheMemoryOneAtTheSecondStrip) {
    environment_.Set(L"PELLIX_VSCAN_ANSWER", L"fail");
    Scan(kModes[0]);
    TW_HANDLE dib = nullptr;
    ExpectFailure(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib, TWCC_OPERATIONERROR);
    EXPECT_EQ(dib, nullptr);
    EXPECT_EQ(Pending(MSG_GET), 1) << "still in state 6";
    EXPECT_EQ(Pending(MSG_RESET), 0);

    Scan(kModes[0], TWSX_MEMORY);
    std::string buffer(1 << 20, '\0'); // room for the whole page
    TW_IMAGEMEMXFER memory{};
    EXPECT_EQ(Strip(memory, buffer.data(), buffer.size(), false), TWRC_SUCCESS);
    EXPECT_GT(memory.Rows, 0u);
    EXPECT_EQ(Strip(memory, buffer.data(), buffer.size(), false), TWRC_FAILURE);
    ExpectCondition(TWCC_OPERATIONERROR);
    EXPECT_EQ(Pending(MSG_ENDXFER), 0);
}

} // namespace
} // namespace pellix::vscan::test
