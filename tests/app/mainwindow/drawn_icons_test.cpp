#include "app/mainwindow/drawn_icons.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pellix {
namespace {

constexpr DrawnIcon kAll[] = {DrawnIcon::Save, DrawnIcon::SaveAs, DrawnIcon::Scan,
                              DrawnIcon::Options, DrawnIcon::Program};

TEST(DrawnIcons, EverySizeHasATransparentCornerAndAnOpaqueMiddle) {
    for (const DrawnIcon icon : kAll) {
        for (const int size : {16, 20, 24, 32, 40, 48, 64}) {
            const IconImage image = DrawIcon(icon, size);
            ASSERT_EQ(image.bgra.size(), std::size_t(size) * size * 4);
            EXPECT_EQ(image.Alpha(0, 0), 0) << int(icon) << " at " << size;
            EXPECT_EQ(image.Alpha(size - 1, 0), 0) << int(icon) << " at " << size;
            EXPECT_EQ(image.Alpha(size / 2, size * 3 / 4), 255) << int(icon) << " at " << size;
            // Premultiplied: no colour brighter than its alpha.
            for (std::size_t i = 0; i < image.bgra.size(); i += 4) {
                ASSERT_LE(image.bgra[i], image.bgra[i + 3]);
                ASSERT_LE(image.bgra[i + 2], image.bgra[i + 3]);
            }
        }
    }
}

TEST(DrawnIcons, StraightEdgesFallOnPixelEdgesAt100And200Percent) {
    for (const int scale : {1, 2}) {
        const IconImage disk = DrawIcon(DrawnIcon::Save, 16 * scale);
        for (int y = 2 * scale; y < 14 * scale; ++y) {
            EXPECT_EQ(disk.Alpha(scale - 1, y), 0) << "row " << y << " at " << 16 * scale;
            EXPECT_EQ(disk.Alpha(scale, y), 255) << "row " << y << " at " << 16 * scale;
        }
    }
}

std::uint32_t Read32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}
std::uint16_t Read16(const std::string& s, std::size_t at) {
    std::uint16_t v = 0;
    std::memcpy(&v, s.data() + at, 2);
    return v;
}

TEST(IconFile, DirectoryPointsAtEachImageWithItsMask) {
    const std::vector<IconImage> images = {DrawIcon(DrawnIcon::Program, 16),
                                           DrawIcon(DrawnIcon::Program, 256)};
    const std::string file = IconFile(images);
    ASSERT_EQ(Read16(file, 2), 1);
    ASSERT_EQ(Read16(file, 4), 2);
    std::size_t expectedOffset = 6 + 2 * 16;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::size_t entry = 6 + 16 * i;
        const int size = images[i].size;
        EXPECT_EQ(static_cast<unsigned char>(file[entry]), size == 256 ? 0 : size);
        EXPECT_EQ(Read16(file, entry + 6), 32);
        const std::uint32_t bytes = Read32(file, entry + 8);
        const std::uint32_t offset = Read32(file, entry + 12);
        EXPECT_EQ(offset, expectedOffset);
        ASSERT_LE(std::size_t(offset) + bytes, file.size());
        expectedOffset += bytes;
        EXPECT_EQ(Read32(file, offset + 4), std::uint32_t(size));
        EXPECT_EQ(Read32(file, offset + 8), std::uint32_t(size) * 2);
        // The top left pixel is transparent: last row of the colour data,
        // and its mask bit (last mask row, first bit) is set.
        const std::size_t colour = offset + 40;
        const std::size_t topRow = colour + std::size_t(size - 1) * size * 4;
        EXPECT_EQ(static_cast<unsigned char>(file[topRow + 3]), 0);
        const std::size_t maskStride = (size + 31) / 32 * 4;
        const std::size_t mask = colour + std::size_t(size) * size * 4;
        EXPECT_TRUE(file[mask + (size - 1) * maskStride] & 0x80);
        // An opaque middle pixel keeps its colour.
        const int x = size / 2, y = size * 3 / 4;
        const std::size_t at = colour + (std::size_t(size - 1 - y) * size + x) * 4;
        EXPECT_EQ(
            0, std::memcmp(file.data() + at, &images[i].bgra[(std::size_t(y) * size + x) * 4], 4));
    }
    EXPECT_EQ(expectedOffset, file.size());
}

} // namespace
} // namespace pellix
