// The picture writer on A4 300 dpi document pages: colour, gray and
// black-and-white to JPEG quality 90, colour to GIF, and the plain copy.
// The pages are written once to a temporary folder.
#include "app/components/picture/picture_writer.h"
#include "bench/synthetic_page.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using pellix::bench::PageKind;

class Pages {
public:
    Pages() : folder_(fs::temp_directory_path() / "pellix-picture-bench") {
        fs::create_directories(folder_);
        for (const PageKind kind : {PageKind::Colour, PageKind::Gray, PageKind::BlackWhite}) {
            if (!fs::exists(Source(kind)) && !pellix::bench::WritePage(Source(kind), kind)) {
                std::abort();
            }
        }
    }
    ~Pages() {
        std::error_code error;
        fs::remove_all(folder_, error);
    }
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;

    fs::path Source(PageKind kind) const {
        switch (kind) {
        case PageKind::Colour:
            return folder_ / "colour.bmp";
        case PageKind::Gray:
            return folder_ / "gray.bmp";
        case PageKind::BlackWhite:
            break;
        }
        return folder_ / "bw.bmp";
    }
    fs::path Output(const char* name) const { return folder_ / name; }

private:
    fs::path folder_;
};

const Pages& TestPages() {
    static const Pages pages;
    return pages;
}

void Jpeg(benchmark::State& state, PageKind kind) {
    const Pages& pages = TestPages();
    for (auto _ : state) {
        const pellix::PictureResult result =
            pellix::ConvertToJpeg(pages.Source(kind), pages.Output("out.jpg"), 90);
        if (!result.Ok()) {
            state.SkipWithError(result.message.c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(fs::file_size(pages.Source(kind))));
}

void Gif(benchmark::State& state) {
    const Pages& pages = TestPages();
    for (auto _ : state) {
        const pellix::PictureResult result =
            pellix::ConvertToGif(pages.Source(PageKind::Colour), pages.Output("out.gif"));
        if (!result.Ok()) {
            state.SkipWithError(result.message.c_str());
            break;
        }
    }
}

void Copy(benchmark::State& state) {
    const Pages& pages = TestPages();
    for (auto _ : state) {
        const pellix::PictureResult result =
            pellix::CopyBitmap(pages.Source(PageKind::Colour), pages.Output("out.bmp"));
        if (!result.Ok()) {
            state.SkipWithError(result.message.c_str());
            break;
        }
    }
}

BENCHMARK_CAPTURE(Jpeg, colour_a4_300dpi_q90, PageKind::Colour)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Jpeg, gray_a4_300dpi_q90, PageKind::Gray)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Jpeg, bw_a4_300dpi_q90, PageKind::BlackWhite)->Unit(benchmark::kMillisecond);
BENCHMARK(Gif)->Name("Gif/colour_a4_300dpi")->Unit(benchmark::kMillisecond);
BENCHMARK(Copy)->Name("Copy/colour_a4_300dpi")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
