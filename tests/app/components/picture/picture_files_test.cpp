// What the picture writer does with files: every kind of bad source refused,
// nothing left behind on failure, sources never touched, destinations
// replaced whole, and any folder name.
#include "app/components/picture/picture_writer.h"

#include "tests/support/picture_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace pellix {
namespace {

namespace fs = std::filesystem;
using Failure = PictureResult::Failure;
using test::BmpLayout;

struct Writer {
    const char* name;
    test::Conversion run;
};

PictureResult Jpeg90(const fs::path& source, const fs::path& destination) {
    return ConvertToJpeg(source, destination, 90);
}

const Writer kWriters[] = {{"jpeg", Jpeg90}, {"gif", ConvertToGif}, {"copy", CopyBitmap}};

std::vector<std::uint8_t> GoodPage() {
    BmpLayout l;
    l.width = 30;
    l.height = 20;
    return test::BuildBmp(l, test::Gradient);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(PictureSources, EveryKindOfBadSourceIsRefusedByEveryWriterLeavingNothing) {
    using Bytes = std::vector<std::uint8_t>;
    const auto spoilt = [](std::function<void(Bytes&)> spoil) {
        Bytes page = GoodPage();
        spoil(page);
        return page;
    };
    BmpLayout rle;
    rle.bitCount = 8;
    rle.palette = test::GrayPalette(256);
    Bytes rlePage = test::BuildBmp(rle, test::Gradient);
    test::Put32(rlePage, test::kCompressionField, 1);
    const std::string pdf = "%PDF-1.4 this is not a picture";
    struct Case {
        const char* name;
        std::optional<Bytes> source; // none: the source is missing
        Failure failure;
        const char* message;
    };
    const Case cases[] = {
        {"empty", Bytes{}, Failure::SourceEmpty, "The scan is empty."},
        {"truncated", spoilt([](Bytes& b) { b.resize(b.size() - 5); }), Failure::NotABitmap,
         "The scan is not a readable bitmap: "},
        {"huge", spoilt([](Bytes& b) {
             test::Put32(b, test::kWidthField, 200000);
             test::Put32(b, test::kHeightField, 200000);
         }),
         Failure::NotABitmap, "not a readable bitmap"},
        {"zero-sized", spoilt([](Bytes& b) { test::Put32(b, test::kHeightField, 0); }),
         Failure::NotABitmap, "width or height"},
        {"pixels past the end",
         spoilt([](Bytes& b) { test::Put32(b, test::kPixelOffsetField, 0x7ffffff0); }),
         Failure::NotABitmap, "past the end"},
        {"2 bits", spoilt([](Bytes& b) { test::Put16(b, test::kBitCountField, 2); }),
         Failure::NotABitmap, "bits per pixel"},
        {"run-length", rlePage, Failure::NotABitmap, "RLE"},
        {"not a bitmap", Bytes(pdf.begin(), pdf.end()), Failure::NotABitmap, "does not start like"},
        {"missing", std::nullopt, Failure::SourceUnreadable, "Cannot read "},
    };
    for (const Case& c : cases) {
        for (const Writer& writer : kWriters) {
            SCOPED_TRACE(testing::Message() << c.name << ", " << writer.name);
            test::TestFolder folder;
            if (c.source) {
                test::WriteFile(folder / "scan.bmp", *c.source);
            }
            const PictureResult result = writer.run(folder / "scan.bmp", folder / "out.file");
            EXPECT_EQ(result.failure, c.failure);
            EXPECT_TRUE(Contains(result.message, c.message)) << result.message;
            EXPECT_TRUE(Contains(result.message, "scan.bmp") || c.source) << result.message;
            EXPECT_EQ(folder.Names(),
                      c.source ? std::vector<std::string>{"scan.bmp"} : std::vector<std::string>{});
            if (c.source) {
                EXPECT_EQ(test::ReadFile(folder / "scan.bmp"), *c.source);
            }
        }
    }

    test::TestFolder folder;
    fs::create_directory(folder / "sub");
    EXPECT_EQ(ConvertToJpeg(folder / "sub", folder / "out.jpg", 90).failure,
              Failure::SourceUnreadable)
        << "a folder as the source";
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"sub"});
    const PictureResult result = ConvertToJpeg(folder / u8"\u00e4rger.bmp", folder / "x.jpg", 90);
    EXPECT_TRUE(Contains(result.message, "\xc3\xa4rger.bmp")) << "names the file in UTF-8";
}

TEST(PictureDestinations, WritesNewAndReplacesExistingFilesWithoutLeftovers) {
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        test::TestFolder folder;
        BmpLayout l;
        l.gap = 10; // a copy keeps it too
        const auto page = test::BuildBmp(l, test::Gradient);
        test::WriteFile(folder / "scan.bmp", page);
        ASSERT_TRUE(writer.run(folder / "scan.bmp", folder / "out.file").Ok());
        const auto first = test::ReadFile(folder / "out.file");
        EXPECT_FALSE(first.empty());
        if (std::string(writer.name) == "copy") {
            EXPECT_EQ(first, page) << "byte for byte";
        }

        test::WriteFile(folder / "out.file", std::vector<std::uint8_t>(100000, 'x'));
        const PictureResult again = writer.run(folder / "scan.bmp", folder / "out.file");
        ASSERT_TRUE(again.Ok()) << again.message;
        EXPECT_TRUE(again.message.empty());
        EXPECT_EQ(test::ReadFile(folder / "out.file"), first);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"out.file", "scan.bmp"}));
        EXPECT_EQ(test::ReadFile(folder / "scan.bmp"), page);
    }
}

TEST(PictureDestinations, FailedWriteLeavesAnExistingFileAlone) {
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        test::TestFolder folder;
        auto bad = GoodPage();
        bad.resize(60);
        test::WriteFile(folder / "scan.bmp", bad);
        const std::vector<std::uint8_t> previous = {'o', 'l', 'd', 0, 1, 2};
        test::WriteFile(folder / "out.file", previous);
        EXPECT_FALSE(writer.run(folder / "scan.bmp", folder / "out.file").Ok());
        EXPECT_EQ(test::ReadFile(folder / "out.file"), previous);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"out.file", "scan.bmp"}));
    }
}

TEST(PictureDestinations, MissingFolderFailsWithAReason) {
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        test::TestFolder folder;
        test::WriteFile(folder / "scan.bmp", GoodPage());
        const fs::path destination = folder / "no such folder" / "out.file";
        const PictureResult result = writer.run(folder / "scan.bmp", destination);
        EXPECT_EQ(result.failure, Failure::CannotWrite);
        EXPECT_TRUE(Contains(result.message, "Cannot write ")) << result.message;
        EXPECT_TRUE(Contains(result.message, "out.file: ")) << result.message;
        EXPECT_TRUE(Contains(result.detail, "does not exist")) << result.detail;
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"scan.bmp"});
    }
}

TEST(PictureDestinations, ExistingFolderInTheWayFails) {
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        test::TestFolder folder;
        test::WriteFile(folder / "scan.bmp", GoodPage());
        fs::create_directory(folder / "out.file");
        const PictureResult result = writer.run(folder / "scan.bmp", folder / "out.file");
        EXPECT_EQ(result.failure, Failure::CannotWrite);
        EXPECT_FALSE(result.detail.empty());
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"out.file", "scan.bmp"}));
        EXPECT_TRUE(fs::is_directory(folder / "out.file"));
    }
}

TEST(PictureDestinations, ConvertingOntoTheScanItselfIsRefused) {
    test::TestFolder folder;
    const auto page = GoodPage();
    test::WriteFile(folder / "scan.bmp", page);
    const PictureResult result = ConvertToJpeg(folder / "scan.bmp", folder / "scan.bmp", 90);
    EXPECT_EQ(result.failure, Failure::CannotWrite);
    EXPECT_EQ(test::ReadFile(folder / "scan.bmp"), page);
    EXPECT_TRUE(CopyBitmap(folder / "scan.bmp", folder / "scan.bmp").Ok());
    EXPECT_EQ(test::ReadFile(folder / "scan.bmp"), page);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"scan.bmp"});
}

TEST(PictureDestinations, AnyFolderNameWorks) {
    test::TestFolder folder(u8"Scans \u00c4\u00f6\u00df \u65e5\u672c \u0416 #1");
    fs::create_directory(folder / u8"Vorg\u00e4nge \u2013 2024");
    const fs::path sub = folder / u8"Vorg\u00e4nge \u2013 2024";
    test::WriteFile(sub / u8"Seite \u00fc.bmp", GoodPage());
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        const fs::path out =
            sub / (std::u8string(u8"Ergebnis \u00e9 ") +
                   std::u8string(writer.name, writer.name + std::strlen(writer.name)));
        const PictureResult result = writer.run(sub / u8"Seite \u00fc.bmp", out);
        ASSERT_TRUE(result.Ok()) << result.message;
        EXPECT_TRUE(fs::exists(out));
    }
}

#ifdef _WIN32

// As Windows' own file functions have it: a read-only file is not replaced.
TEST(PictureDestinationsWindows, AReadOnlyFileIsNotReplaced) {
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        test::TestFolder folder;
        test::WriteFile(folder / "scan.bmp", GoodPage());
        const std::vector<std::uint8_t> previous = {'o', 'l', 'd'};
        const fs::path kept = folder / "kept.file";
        test::WriteFile(kept, previous);
        ASSERT_TRUE(SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_READONLY));
        const PictureResult result = writer.run(folder / "scan.bmp", kept);
        SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(result.failure, Failure::CannotWrite);
        EXPECT_EQ(test::ReadFile(kept), previous);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"kept.file", "scan.bmp"}));
    }
}

TEST(PictureDestinationsWindows, LockedDestinationStaysAsItWas) {
    test::TestFolder folder;
    test::WriteFile(folder / "scan.bmp", GoodPage());
    const std::vector<std::uint8_t> previous = {'k', 'e', 'e', 'p'};
    test::WriteFile(folder / "out.jpg", previous);
    // Open without sharing, as an image viewer holding the file would.
    const HANDLE lock = ::CreateFileW((folder / "out.jpg").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const PictureResult result = ConvertToJpeg(folder / "scan.bmp", folder / "out.jpg", 90);
    ::CloseHandle(lock);
    EXPECT_EQ(result.failure, Failure::CannotWrite);
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(test::ReadFile(folder / "out.jpg"), previous);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"out.jpg", "scan.bmp"}));
}

TEST(PictureDestinationsWindows, NameTheFileSystemRefuses) {
    test::TestFolder folder;
    test::WriteFile(folder / "scan.bmp", GoodPage());
    const PictureResult result = ConvertToGif(folder / "scan.bmp", folder / "a<b>.gif");
    EXPECT_EQ(result.failure, Failure::CannotWrite);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"scan.bmp"});
}

TEST(PictureDestinationsWindows, SourceOpenForWritingElsewhereCanStillBeRead) {
    test::TestFolder folder;
    test::WriteFile(folder / "scan.bmp", GoodPage());
    const HANDLE writer = ::CreateFileW((folder / "scan.bmp").c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(ConvertToJpeg(folder / "scan.bmp", folder / "out.jpg", 90).Ok());
    ::CloseHandle(writer);
}

#else

TEST(PictureDestinationsPosix, NameTooLongIsRefused) {
    test::TestFolder folder;
    test::WriteFile(folder / "scan.bmp", GoodPage());
    const PictureResult result =
        ConvertToJpeg(folder / "scan.bmp", folder / (std::string(300, 'n') + ".jpg"), 90);
    EXPECT_EQ(result.failure, Failure::CannotWrite);
    EXPECT_TRUE(Contains(result.detail, "too long")) << result.detail;
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"scan.bmp"});
}

// A file-size limit makes writes fail part-way, as a full disk would.
TEST(PictureDestinationsPosix, DiskFullPartWayLeavesNothing) {
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        test::TestFolder folder;
        BmpLayout l;
        l.width = 400;
        l.height = 400;
        test::WriteFile(folder / "scan.bmp", test::BuildBmp(l, test::Gradient));
        const std::vector<std::uint8_t> previous = {'o', 'l', 'd'};
        test::WriteFile(folder / "out.file", previous);

        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 2000;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const PictureResult result = writer.run(folder / "scan.bmp", folder / "out.file");
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_EQ(result.failure, Failure::CannotWrite);
        EXPECT_TRUE(Contains(result.detail, "too large")) << result.detail;
        EXPECT_EQ(test::ReadFile(folder / "out.file"), previous);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"out.file", "scan.bmp"}));
    }
}

TEST(PictureDestinationsPosix, ReadOnlyFolderFailsWithAReason) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "folder permissions do not bind the superuser";
    }
    test::TestFolder folder;
    test::WriteFile(folder / "scan.bmp", GoodPage());
    fs::permissions(folder.Path(), fs::perms::owner_write, fs::perm_options::remove);
    const PictureResult result = ConvertToJpeg(folder / "scan.bmp", folder / "out.jpg", 90);
    fs::permissions(folder.Path(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(result.failure, Failure::CannotWrite);
    EXPECT_TRUE(Contains(result.detail, "denied")) << result.detail;
}

#endif

} // namespace
} // namespace pellix
