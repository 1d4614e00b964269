// Build tool, run on the build machine: writes the program icon file with
// every size Windows asks for, from the same drawing as the toolbar.
#include "app/mainwindow/drawn_icons.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    std::vector<pellix::IconImage> images;
    for (const int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
        images.push_back(pellix::DrawIcon(pellix::DrawnIcon::Program, size));
    }
    std::ofstream out(argv[1], std::ios::binary);
    const std::string file = pellix::IconFile(images);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    return out ? 0 : 1;
}
