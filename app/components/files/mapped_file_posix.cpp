#include "app/components/files/mapped_file.h"

#include "app/components/files/system_error_text.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellix {
namespace {

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

} // namespace

std::size_t MappedFile::PageSize() {
    return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

void MappedFile::Close() {
    if (data_ != nullptr) {
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
    }
    data_ = nullptr;
    size_ = 0;
}

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
    const std::size_t mapped = MappedLength(bytes);
    void* view = ::mmap(nullptr, mapped, PROT_READ, MAP_PRIVATE, file.get(), 0);
    if (view == MAP_FAILED) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = mapped;
    return true;
}

void MappedFile::DropPages(std::size_t offset, std::size_t length) const {
    ::madvise(const_cast<std::uint8_t*>(data_ + offset), length, MADV_DONTNEED);
}

} // namespace pellix
