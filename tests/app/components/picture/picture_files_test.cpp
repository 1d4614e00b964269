// What the picture writer does with files: the destination is written whole
// in any folder, or, when the source is bad or the destination cannot be
// written, the writer says why and leaves the folder as it was: no half
// file, no temporary file, an earlier file and the scan untouched.
#include "app/components/picture/picture_writer.h"

#include "tests/support/picture_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#endif

namespace pellix {
namespace {

namespace fs = std::filesystem;
using Failure = PictureResult::Failure;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

PictureResult ConvertToJpeg90(const fs::path& source, const fs::path& destination) {
    return ConvertToJpeg(source, destination, 90);
}

const std::pair<const char*, PictureResult (*)(const fs::path&, const fs::path&)> kWriters[] = {
    {"jpeg", ConvertToJpeg90}, {"gif", ConvertToGif}, {"copy", CopyBitmap}};

const Bytes kOld = {'o', 'l', 'd', 0, 1, 2};

Bytes Page(std::int32_t width = 30, std::int32_t height = 20) {
    return test::BuildBmp(
        {.width = width, .height = height, .gap = 10},
        [](std::int32_t x, std::int32_t y) { return (x * 9 + y * 5) * 0x030507u; });
}

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// A fresh folder, removed with its contents afterwards.
struct TestFolder {
    explicit TestFolder(const std::u8string& name = u8"pellix-picture") {
        const std::string unique = "-" + std::to_string(std::random_device{}());
        path = fs::temp_directory_path() / (name + std::u8string(unique.begin(), unique.end()));
        fs::create_directories(path);
    }
    ~TestFolder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    fs::path operator/(const fs::path& name) const { return path / name; }
    Names Files() const { // sorted
        Names names;
        for (const auto& entry : fs::directory_iterator(path)) {
            names.push_back(Utf8(entry.path().filename()));
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path path;
};

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(PictureFiles, NewAndExistingFilesAreWrittenWholeInAnyFolder) {
    TestFolder folder(u8"Scans \u00c4\u00f6\u00df \u65e5\u672c \u0416 #1");
    const fs::path scan = folder / u8"Seite \u00fc.bmp", out = folder / u8"Ergebnis \u00e9";
    const Bytes page = Page(400, 300); // a copy larger than the writer's buffer goes out directly
    WriteFile(scan, page);
    for (const auto& [name, write] : kWriters) {
        SCOPED_TRACE(name);
        for (const bool existing : {false, true}) {
            if (existing) {
                WriteFile(out, Bytes(100000, 'x'));
            }
            const PictureResult result = write(scan, out);
            ASSERT_TRUE(result.Ok()) << result.message;
            EXPECT_TRUE(result.message.empty());
            const Bytes written = test::ReadFile(out);
            const auto jpeg = test::DecodeJpeg(written);
            const auto gif = test::DecodeGif(written);
            const int width = jpeg ? jpeg->width : gif ? gif->width : 0;
            EXPECT_TRUE(name == std::string("copy") ? written == page : width == 400);
            EXPECT_EQ(folder.Files(), (Names{"Ergebnis \xc3\xa9", "Seite \xc3\xbc.bmp"}));
            EXPECT_EQ(test::ReadFile(scan), page);
        }
        fs::remove(out);
    }
}

TEST(PictureFiles, ABadSourceOrAnUnwritableDestinationLeavesTheFolderAsItWas) {
    const Bytes page = Page();
    Bytes truncated = page;
    truncated.resize(page.size() - 5);
    using Step = void (*)(const fs::path&);
#ifdef _WIN32
    // As Windows' own file functions have it: a read-only file is not replaced.
    const Step readOnly = [](const fs::path& p) { // and back
        SetFileAttributesW(p.c_str(), GetFileAttributesW(p.c_str()) ^ FILE_ATTRIBUTE_READONLY);
    };
#else
    // A file-size limit makes writes fail part-way, as a full disk would.
    static rlimit saved;
    const Step fill = [](const fs::path&) {
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small{200, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
    };
    const Step clear = [](const fs::path&) {
        setrlimit(RLIMIT_FSIZE, &saved);
    };
#endif
    const struct {
        Failure failure;
        std::optional<Bytes> source;             // none: the source is missing
        fs::path destination;                    // beside an earlier out.file
        const char* text;                        // how the message starts, or a part of the reason
        Step block = nullptr, unblock = nullptr; // around the writing
    } cases[] = {
        {Failure::SourceEmpty, Bytes{}, "out.file", "The scan is empty."},
        {Failure::NotABitmap, truncated, "out.file",
         "The scan is not a readable bitmap: the file ends"},
        {Failure::SourceUnreadable, std::nullopt, "out.file", "Cannot read "},
        {Failure::CannotWrite, page, fs::path("none") / "out.file", "does not exist"},
        {Failure::CannotWrite, page, "sub", "",
         [](const fs::path& p) {
             fs::create_directory(p);
         }},
#ifdef _WIN32
        {Failure::CannotWrite, page, "a<b>.file", ""}, // a name Windows refuses
        {Failure::CannotWrite, page, "out.file", "denied", readOnly, readOnly},
#else
        {Failure::CannotWrite, page, std::string(300, 'n') + ".jpg", "too long"},
        {Failure::CannotWrite, page, "out.file", "the file would be too large", fill, clear},
#endif
    };
    for (const auto& c : cases) {
        for (const auto& [name, write] : kWriters) {
            SCOPED_TRACE(testing::Message() << "row " << &c - cases << ", " << name);
            TestFolder folder;
            const fs::path scan = folder / u8"\u00e4rger.bmp", out = folder / c.destination;
            if (c.source) {
                WriteFile(scan, *c.source);
            }
            WriteFile(folder / "out.file", kOld);
            if (c.block) {
                c.block(out);
            }
            const Names before = folder.Files();
            const PictureResult result = write(scan, out);
            if (c.unblock) {
                c.unblock(out);
            }
            EXPECT_EQ(result.failure, c.failure);
            EXPECT_FALSE(result.detail.empty());
            if (c.failure == Failure::CannotWrite) {
                EXPECT_NE(result.detail.find(c.text), std::string::npos) << result.detail;
                EXPECT_EQ(result.message, "Cannot write " + Utf8(out) + ": " + result.detail + ".");
            } else {
                const std::string start = c.source ? c.text : "Cannot read " + Utf8(scan) + ": ";
                EXPECT_TRUE(result.message.starts_with(start)) << result.message;
            }
            EXPECT_EQ(folder.Files(), before);
            EXPECT_EQ(test::ReadFile(folder / "out.file"), kOld);
            EXPECT_EQ(test::ReadFile(scan), c.source.value_or(Bytes{}));
        }
    }
}

TEST(PictureFiles, ConvertingOntoTheScanItselfIsRefused) {
    TestFolder folder;
    const Bytes page = Page();
    WriteFile(folder / "scan.bmp", page);
    const PictureResult result = ConvertToJpeg(folder / "scan.bmp", folder / "scan.bmp", 90);
    EXPECT_EQ(std::tuple(result.failure, result.detail),
              std::tuple(Failure::CannotWrite, "it is the scan itself"));
    EXPECT_TRUE(CopyBitmap(folder / "scan.bmp", folder / "scan.bmp").Ok());
    EXPECT_EQ(test::ReadFile(folder / "scan.bmp"), page);
    EXPECT_EQ(folder.Files(), Names{"scan.bmp"});
}

} // namespace
} // namespace pellix
