// A small command-line front end to the picture writer, for timing it
// against other tools (scripts/bench-picture.sh), and a maker of the
// synthetic benchmark pages.
//
//   pellix_convert jpeg SOURCE DESTINATION [QUALITY]
//   pellix_convert gif SOURCE DESTINATION
//   pellix_convert copy SOURCE DESTINATION
//   pellix_convert page colour|gray|bw DESTINATION
#include "app/components/picture/picture_writer.h"
#include "bench/synthetic_page.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Usage() {
    std::fputs("usage: pellix_convert jpeg SOURCE DESTINATION [QUALITY]\n"
               "       pellix_convert gif SOURCE DESTINATION\n"
               "       pellix_convert copy SOURCE DESTINATION\n"
               "       pellix_convert page colour|gray|bw DESTINATION\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        return Usage();
    }
    const std::string command = argv[1];
    if (command == "page") {
        pellix::bench::PageKind kind;
        if (!pellix::bench::ParsePageKind(argv[2], kind)) {
            return Usage();
        }
        return pellix::bench::WritePage(argv[3], kind) ? 0 : 1;
    }
    pellix::PictureResult result;
    if (command == "jpeg") {
        result = pellix::ConvertToJpeg(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 90);
    } else if (command == "gif") {
        result = pellix::ConvertToGif(argv[2], argv[3]);
    } else if (command == "copy") {
        result = pellix::CopyBitmap(argv[2], argv[3]);
    } else {
        return Usage();
    }
    if (!result.Ok()) {
        std::fprintf(stderr, "%s\n", result.message.c_str());
        return 1;
    }
    return 0;
}
