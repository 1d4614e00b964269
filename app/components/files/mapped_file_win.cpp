#include "app/components/files/mapped_file.h"

#include "app/components/files/system_error_text.h"
#include "common/win32/unique_any.h"

#include <windows.h>

namespace pellix {

std::size_t MappedFile::PageSize() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwPageSize;
}

void MappedFile::Close() {
    if (data_ != nullptr) {
        ::UnmapViewOfFile(data_);
    }
    data_ = nullptr;
    size_ = 0;
}

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
    const std::size_t mapped = MappedLength(bytes);
    unique_handle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    // The view keeps the mapping and the file open by itself.
    void* view = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, mapped);
    if (view == nullptr) {
        error_ = SystemErrorText(LastSystemError());
        return false;
    }
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = mapped;
    return true;
}

void MappedFile::DropPages(std::size_t offset, std::size_t length) const {
    // Unlocking pages that were never locked takes them out of the working
    // set.
    ::VirtualUnlock(const_cast<std::uint8_t*>(data_ + offset), length);
}

} // namespace pellix
