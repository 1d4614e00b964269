#include "app/components/twain/bmp_output.h"

namespace pellix {
namespace {

unique_hfile CreateOutput(const std::wstring& path) {
    return unique_hfile(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(HANDLE file, const void* data, std::uint64_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written != chunk) {
            return false;
        }
        p += chunk;
        size -= chunk;
    }
    return true;
}

void Empty(HANDLE file) {
    LARGE_INTEGER zero{};
    SetFilePointerEx(file, zero, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
}

std::string SystemReason(const char* what) {
    const DWORD error = GetLastError();
    return std::string(what) + " (system error " + std::to_string(error) + ")";
}

} // namespace

bool WriteDibFile(const std::wstring& path, HGLOBAL dib, double xDpi, double yDpi,
                  std::string& why) {
    unique_hglobal_locked lock(dib);
    if (!lock.get()) {
        why = "the scanner handed over no picture";
        return false;
    }
    auto* bytes = static_cast<std::uint8_t*>(lock.get());
    const std::optional<DibLayout> layout = ExamineDib(bytes, lock.size(), why);
    if (!layout) {
        return false;
    }
    FillMissingResolution(bytes, *layout, xDpi, yDpi);

    unique_hfile file = CreateOutput(path);
    if (!file) {
        why = SystemReason("the scan file cannot be written");
        return false;
    }
    const auto header = BmpFileHeader(*layout);
    if (!WriteAll(file.get(), header.data(), header.size()) ||
        !WriteAll(file.get(), bytes, layout->TotalSize())) {
        why = SystemReason("writing the scan file failed");
        Empty(file.get());
        return false;
    }
    return true;
}

StripFileWriter::StripFileWriter(const std::wstring& path, BmpStripLayout layout)
    : layout_(std::move(layout)), file_(CreateOutput(path)) {}

StripFileWriter::~StripFileWriter() {
    if (file_ && !finished_) {
        Empty(file_.get());
    }
}

bool StripFileWriter::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN) &&
           WriteAll(file_.get(), data, size);
}

bool StripFileWriter::WriteStrip(std::int32_t firstRow, std::uint32_t rows,
                                 const std::uint8_t* data, std::size_t dataBytes,
                                 std::uint32_t bytesPerRow, std::string& why) {
    if (!file_) {
        why = SystemReason("the scan file cannot be written");
        return false;
    }
    if (rows == 0) {
        return true;
    }
    if (firstRow != rowsWritten_ || bytesPerRow == 0 ||
        static_cast<std::uint64_t>(rows) * bytesPerRow > dataBytes) {
        why = "the scanner sent its rows out of order or incomplete";
        return false;
    }
    // A strip's rows are consecutive in the file too, only in reverse order
    // for a bottom-up file: convert the strip and write it in one go.
    const std::uint64_t stride = layout_.Stride();
    buffer_.resize(static_cast<std::size_t>(stride * rows));
    std::uint64_t lowest = UINT64_MAX;
    for (std::uint32_t i = 0; i < rows; ++i) {
        const bool bottomUp = layout_.Height() > 0;
        std::uint8_t* out = buffer_.data() + (bottomUp ? rows - 1 - i : i) * stride;
        const auto offset =
            layout_.ConvertRow(firstRow + static_cast<std::int32_t>(i),
                               data + static_cast<std::size_t>(i) * bytesPerRow, bytesPerRow, out);
        if (!offset) {
            why = "the scanner sent more or shorter rows than its page holds";
            return false;
        }
        lowest = std::min(lowest, *offset);
    }
    if (!WriteAt(lowest, buffer_.data(), buffer_.size())) {
        why = SystemReason("writing the scan file failed");
        return false;
    }
    rowsWritten_ += static_cast<std::int32_t>(rows);
    return true;
}

bool StripFileWriter::Finish(std::string& why) {
    if (!file_) {
        why = SystemReason("the scan file cannot be written");
        return false;
    }
    if (rowsWritten_ == 0 || (layout_.Height() > 0 && rowsWritten_ != layout_.Height())) {
        why = "the scanner ended the page before all its rows arrived";
        return false;
    }
    const std::vector<std::uint8_t> headers = layout_.Headers(rowsWritten_);
    if (!WriteAt(0, headers.data(), headers.size())) {
        why = SystemReason("writing the scan file failed");
        return false;
    }
    finished_ = true;
    return true;
}

} // namespace pellix
