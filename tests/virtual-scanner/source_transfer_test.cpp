// Native and memory transfers from the virtual scanner.
#include "tests/virtual-scanner/source_harness.h"

#include <gtest/gtest.h>

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
};

const Mode kModes[] = {
    {L"color", TWPT_RGB, 24, 0},
    {L"gray", TWPT_GRAY, 8, 256},
    {L"bw", TWPT_BW, 1, 2},
};

std::size_t packedBytes(int bits) {
    return (std::size_t(kWidth) * bits + 7) / 8;
}
std::size_t paddedBytes(int bits) {
    return (packedBytes(bits) + 3) / 4 * 4;
}

class SourceTransfer : public testing::Test {
protected:
    ScopedEnvironment environment_;
    std::optional<LoadedSource> ds_;

    void SetUp() override {
        environment_.set(L"PELLIX_VSCAN_PAGE", L"40x25")
            .set(L"PELLIX_VSCAN_DPI", L"100")
            .set(L"PELLIX_VSCAN_CLOCK", L"2024-06-01 10:20:30");
    }

    // Opens with the mode's settings and waits for the page: state 6.
    void scan(const Mode& mode, TW_UINT16 mechanism = TWSX_NATIVE) {
        environment_.set(L"PELLIX_VSCAN_PIXELTYPE", mode.setting);
        ds_.emplace();
        ASSERT_EQ(ds_->open(), TWRC_SUCCESS);
        ASSERT_EQ(setCapability(*ds_, ICAP_XFERMECH, TWTY_UINT16, mechanism), TWRC_SUCCESS);
        ASSERT_EQ(ds_->enable(false), TWRC_SUCCESS);
        ASSERT_EQ(ds_->waitForNotification(), MSG_XFERREADY);
    }

    TW_UINT16 condition() { return ds_->conditionCode(); }

    TW_UINT16 pendingAfter(TW_UINT16 message) {
        TW_PENDINGXFERS pending{0xeeee, 0};
        EXPECT_EQ(ds_->call(DG_CONTROL, DAT_PENDINGXFERS, message, &pending), TWRC_SUCCESS);
        return pending.Count;
    }

    // The native transfer's DIB as bytes.
    std::string nativeDib() {
        TW_HANDLE dib = reinterpret_cast<TW_HANDLE>(~std::uintptr_t{0});
        EXPECT_EQ(ds_->call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
        if (dib == reinterpret_cast<TW_HANDLE>(~std::uintptr_t{0}) || !dib) {
            ADD_FAILURE() << "no bitmap handle";
            return {};
        }
        const std::string bytes(static_cast<const char*>(GlobalLock(dib)), GlobalSize(dib));
        GlobalUnlock(dib);
        GlobalFree(dib);
        return bytes;
    }

    // The memory transfer, strip by strip into buffers of bufferBytes;
    // returns the rows as they arrived.
    std::vector<std::string> memoryRows(std::size_t bufferBytes, bool asHandle) {
        std::vector<std::string> rows;
        HGLOBAL handle = GlobalAlloc(GHND, bufferBytes);
        std::string pointerBuffer(bufferBytes, '\0');
        for (int strip = 0; strip < 10000; ++strip) {
            TW_IMAGEMEMXFER transfer{};
            transfer.Memory.Flags = TWMF_APPOWNS | (asHandle ? TWMF_HANDLE : TWMF_POINTER);
            transfer.Memory.Length = static_cast<TW_UINT32>(bufferBytes);
            transfer.Memory.TheMem = asHandle ? static_cast<void*>(handle) : pointerBuffer.data();
            const TW_UINT16 result = ds_->call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer);
            if (result != TWRC_SUCCESS && result != TWRC_XFERDONE) {
                ADD_FAILURE() << "strip " << strip << " failed, condition " << condition();
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
            if (result == TWRC_XFERDONE) {
                break;
            }
        }
        GlobalFree(handle);
        return rows;
    }
};

TEST_F(SourceTransfer, NativeTransferIsAPackedBitmapOfThePage) {
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(mode.setting)));
        scan(mode);
        const std::string dib = nativeDib();
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
        const std::size_t imageBytes = paddedBytes(mode.bits) * kHeight;
        EXPECT_EQ(header.biSizeImage, imageBytes);
        EXPECT_GE(dib.size(), 40 + 4 * mode.colours + imageBytes);

        const auto* palette = reinterpret_cast<const RGBQUAD*>(dib.data() + 40);
        for (int i = 0; i < mode.colours; ++i) {
            const int level = i * 255 / (mode.colours - 1);
            ASSERT_EQ(palette[i].rgbRed, level) << "entry " << i;
            ASSERT_EQ(palette[i].rgbGreen, level);
            ASSERT_EQ(palette[i].rgbBlue, level);
        }
        // Paper is white: most pixels of the bitmap are.
        const std::string pixels = dib.substr(40 + 4 * mode.colours, imageBytes);
        const auto white = std::count(pixels.begin(), pixels.end(), '\xff');
        EXPECT_GT(white, static_cast<long>(imageBytes / 3));
        EXPECT_LT(white, static_cast<long>(imageBytes));

        EXPECT_EQ(pendingAfter(MSG_ENDXFER), 0);
        ds_.reset();
    }
}

TEST_F(SourceTransfer, MemoryStripsCarryTheSamePixelsAsTheNativeBitmap) {
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(mode.setting)));
        scan(mode);
        const std::string dib = nativeDib();
        ds_.reset();

        scan(mode, TWSX_MEMORY);
        TW_SETUPMEMXFER setup{};
        ASSERT_EQ(ds_->call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
        EXPECT_EQ(setup.MinBufSize, paddedBytes(mode.bits));
        EXPECT_EQ(setup.Preferred % setup.MinBufSize, 0u);
        EXPECT_GE(setup.MaxBufSize, setup.Preferred);
        // Three and a half rows a strip: only whole rows are sent. Gray
        // goes into a handle, the others into plain memory.
        const std::vector<std::string> rows =
            memoryRows(setup.MinBufSize * 7 / 2, mode.pixelType == TWPT_GRAY);
        ASSERT_EQ(rows.size(), std::size_t(kHeight));

        const std::size_t stride = paddedBytes(mode.bits);
        const char* bottomUp = dib.data() + 40 + 4 * mode.colours;
        for (int y = 0; y < kHeight; ++y) {
            std::string expected(bottomUp + stride * (kHeight - 1 - y), packedBytes(mode.bits));
            if (mode.bits == 24) {
                for (std::size_t x = 0; x < expected.size(); x += 3) {
                    std::swap(expected[x], expected[x + 2]); // BGR in bitmaps, RGB in strips
                }
            }
            ASSERT_EQ(rows[y].substr(0, expected.size()), expected) << "row " << y;
        }
        EXPECT_EQ(pendingAfter(MSG_ENDXFER), 0);
        ds_.reset();
    }
}

TEST_F(SourceTransfer, ImageInfoDescribesTheComingPage) {
    for (const Mode& mode : kModes) {
        scan(mode);
        TW_IMAGEINFO info{};
        ASSERT_EQ(ds_->call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
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
        ds_.reset();
    }
}

TEST_F(SourceTransfer, TransfersOutsideTheNegotiatedMechanismOrPageAreRefused) {
    scan(kModes[1]);
    TW_IMAGEMEMXFER strip{};
    std::string buffer(1 << 16, '\0');
    strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, TW_UINT32(buffer.size()), buffer.data()};
    EXPECT_EQ(ds_->call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_SEQERROR) << "native was negotiated";

    nativeDib();
    EXPECT_EQ(pendingAfter(MSG_GET), 1) << "until MSG_ENDXFER";
    TW_HANDLE again = nullptr;
    EXPECT_EQ(ds_->call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &again), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_SEQERROR) << "one page per enable";
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(ds_->call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_SEQERROR) << "a transferred page ends with MSG_ENDXFER";
    EXPECT_EQ(pendingAfter(MSG_ENDXFER), 0);
    ds_.reset();

    scan(kModes[1], TWSX_MEMORY);
    TW_HANDLE dib = nullptr;
    EXPECT_EQ(ds_->call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_SEQERROR) << "memory was negotiated";
    strip.Memory.Length = TW_UINT32(paddedBytes(8) - 1);
    EXPECT_EQ(ds_->call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_BADVALUE) << "smaller than a row";
    strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, TW_UINT32(buffer.size()), nullptr};
    EXPECT_EQ(ds_->call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_BADVALUE) << "no buffer";
}

TEST_F(SourceTransfer, FailAnswerBreaksTheNativeTransfer) {
    environment_.set(L"PELLIX_VSCAN_ANSWER", L"fail");
    scan(kModes[0]);
    TW_HANDLE dib = nullptr;
    EXPECT_EQ(ds_->call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_OPERATIONERROR);
    EXPECT_EQ(dib, nullptr);
    EXPECT_EQ(pendingAfter(MSG_GET), 1) << "still in state 6";
    EXPECT_EQ(pendingAfter(MSG_RESET), 0);
}

TEST_F(SourceTransfer, FailAnswerBreaksTheMemoryTransferAtTheSecondStrip) {
    environment_.set(L"PELLIX_VSCAN_ANSWER", L"fail");
    scan(kModes[0], TWSX_MEMORY);
    std::string buffer(1 << 20, '\0'); // room for the whole page
    TW_IMAGEMEMXFER strip{};
    strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, TW_UINT32(buffer.size()), buffer.data()};
    EXPECT_EQ(ds_->call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_SUCCESS);
    EXPECT_GT(strip.Rows, 0u);
    EXPECT_EQ(ds_->call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_OPERATIONERROR);
    EXPECT_EQ(pendingAfter(MSG_ENDXFER), 0);
}

} // namespace
} // namespace pellix::vscan::test
