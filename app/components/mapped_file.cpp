#include "app/components/mapped_file.h"

#include "app/components/system_error_text.h"

#include <limits>

#ifdef _WIN32
#include "app/win32/unique_handle.h"
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pellix {
namespace {

// Larger files cannot be bitmaps (their offsets are 32-bit).
constexpr std::uint64_t kLargestUsefulFile = 0xffffffffull;

#ifndef _WIN32
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};
#endif

std::size_t PageSize() {
#ifdef _WIN32
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwPageSize;
#else
    return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
#endif
}

} // namespace

MappedFile::~MappedFile() {
    Close();
}

void MappedFile::Close() {
    if (data_ != nullptr) {
#ifdef _WIN32
        ::UnmapViewOfFile(data_);
#else
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
#endif
    }
    data_ = nullptr;
    size_ = 0;
}

#ifdef _WIN32

bool MappedFile::Open(const std::filesystem::path& path) {
    Close();
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    const auto bytes = static_cast<std::uint64_t>(size.QuadPart);
    if (bytes == 0) {
        return true;
    }
    // A longer file can still start with a bitmap: map the part that can
    // hold one.
    std::uint64_t mapped = bytes < kLargestUsefulFile ? bytes : kLargestUsefulFile;
    if (mapped > std::numeric_limits<std::size_t>::max()) {
        mapped = std::numeric_limits<std::size_t>::max();
    }
    unique_handle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    // The view keeps the mapping and the file open by itself.
    void* view = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(mapped));
    if (view == nullptr) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = static_cast<std::size_t>(mapped);
    return true;
}

void MappedFile::Release(std::size_t offset, std::size_t size) const {
    const std::size_t page = PageSize();
    if (offset > size_ || size > size_ - offset) {
        return;
    }
    const std::size_t first = (offset + page - 1) / page * page;
    const std::size_t end = (offset + size) / page * page;
    if (first < end) {
        // Unlocking pages that were never locked takes them out of the
        // working set.
        ::VirtualUnlock(const_cast<std::uint8_t*>(data_ + first), end - first);
    }
}

#else

bool MappedFile::Open(const std::filesystem::path& path) {
    Close();
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error_ = "it is not a file";
        return false;
    }
    const auto bytes = static_cast<std::uint64_t>(status.st_size);
    if (bytes == 0) {
        return true;
    }
    std::uint64_t mapped = bytes < kLargestUsefulFile ? bytes : kLargestUsefulFile;
    if (mapped > std::numeric_limits<std::size_t>::max()) {
        mapped = std::numeric_limits<std::size_t>::max();
    }
    void* view =
        ::mmap(nullptr, static_cast<std::size_t>(mapped), PROT_READ, MAP_PRIVATE, file.get(), 0);
    if (view == MAP_FAILED) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = static_cast<std::size_t>(mapped);
    return true;
}

void MappedFile::Release(std::size_t offset, std::size_t size) const {
    const std::size_t page = PageSize();
    if (offset > size_ || size > size_ - offset) {
        return;
    }
    const std::size_t first = (offset + page - 1) / page * page;
    const std::size_t end = (offset + size) / page * page;
    if (first < end) {
        ::madvise(const_cast<std::uint8_t*>(data_ + first), end - first, MADV_DONTNEED);
    }
}

#endif

} // namespace pellix
