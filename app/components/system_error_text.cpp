#include "app/components/system_error_text.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace pellix {

#ifdef _WIN32

std::uint32_t LastSystemError() {
    return ::GetLastError();
}

std::string SystemErrorText(std::uint32_t code) {
    switch (code) {
    case ERROR_ACCESS_DENIED:
        return "access is denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return "the file is in use by another program";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "the disk is full";
    case ERROR_FILE_NOT_FOUND:
        return "the file does not exist";
    case ERROR_PATH_NOT_FOUND:
        return "the folder does not exist";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        return "the name is not allowed here";
    case ERROR_FILENAME_EXCED_RANGE:
        return "the name is too long";
    case ERROR_WRITE_PROTECT:
        return "the disk is write-protected";
    case ERROR_NOT_READY:
        return "the drive is not ready";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return "there is not enough memory";
    default:
        return "system error " + std::to_string(code);
    }
}

#else

std::uint32_t LastSystemError() {
    return static_cast<std::uint32_t>(errno);
}

std::string SystemErrorText(std::uint32_t code) {
    switch (static_cast<int>(code)) {
    case EACCES:
    case EPERM:
        return "access is denied";
    case ENOSPC:
    case EDQUOT:
        return "the disk is full";
    case EFBIG:
        return "the file would be too large";
    case ENOENT:
        return "the file or its folder does not exist";
    case ENOTDIR:
        return "a part of the path is not a folder";
    case EISDIR:
        return "it is a folder";
    case ENAMETOOLONG:
        return "the name is too long";
    case EROFS:
        return "the disk is read-only";
    case EBUSY:
    case ETXTBSY:
        return "the file is in use";
    case EINVAL:
        return "the name is not allowed here";
    case ENOMEM:
        return "there is not enough memory";
    default:
        return std::generic_category().message(static_cast<int>(code));
    }
}

#endif

} // namespace pellix
