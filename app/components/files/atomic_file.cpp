#include "app/components/files/atomic_file.h"

#include "app/components/files/system_error_text.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

namespace pellix {
namespace {

std::atomic<std::uint32_t> nameCounter{0};

} // namespace

// Short and fixed in length, so a long destination name still leaves room.
std::filesystem::path AtomicFile::TemporaryName(const std::filesystem::path& destination) {
    const auto now =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char name[64];
    std::snprintf(name, sizeof name, "~pellix-%x-%x-%x.tmp", static_cast<unsigned>(ProcessId()),
                  static_cast<unsigned>(nameCounter.fetch_add(1)),
                  static_cast<unsigned>(now & 0xffffff));
    return destination.parent_path() / name;
}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Fail() {
    error_ = SystemErrorText(LastSystemError());
    failed_ = true;
    return false;
}

bool AtomicFile::Write(const std::uint8_t* data, std::size_t size) {
    if (failed_ || file_ == kNoFile) {
        return false;
    }
    if (size >= kBufferSize) {
        return FlushBuffer() && WriteOut(data, size);
    }
    if (buffer_.size() + size > kBufferSize && !FlushBuffer()) {
        return false;
    }
    buffer_.insert(buffer_.end(), data, data + size);
    return true;
}

bool AtomicFile::FlushBuffer() {
    if (buffer_.empty()) {
        return !failed_;
    }
    const bool written = WriteOut(buffer_.data(), buffer_.size());
    buffer_.clear();
    return written;
}

} // namespace pellix
