// Writing an acquired page into its .bmp file. Whatever fails, the file is
// left empty rather than half-written.
#pragma once

#include "app/components/picture/dib_file.h"
#include "common/win32/unique_any.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellix {

// Writes a packed DIB from a native transfer as a .bmp file. A resolution
// the DIB lacks is filled in from the scanner's image information.
bool WriteDibFile(const std::wstring& path, HGLOBAL dib, double xDpi, double yDpi,
                  std::string& why);

// Collects the strips of a memory transfer into a .bmp file.
class StripFileWriter {
public:
    StripFileWriter(const std::wstring& path, BmpStripLayout layout);
    ~StripFileWriter();
    StripFileWriter(const StripFileWriter&) = delete;
    StripFileWriter& operator=(const StripFileWriter&) = delete;

    // `rows` top-down rows from row `firstRow`, `bytesPerRow` apart.
    bool WriteStrip(std::int32_t firstRow, std::uint32_t rows, const std::uint8_t* data,
                    std::size_t dataBytes, std::uint32_t bytesPerRow, std::string& why);
    // Writes the headers once every row has arrived; empties the file when
    // not finished.
    bool Finish(std::string& why);

private:
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size);

    BmpStripLayout layout_;
    unique_hfile file_;
    std::vector<std::uint8_t> buffer_;
    std::int32_t rowsWritten_ = 0;
    bool finished_ = false;
};

} // namespace pellix
