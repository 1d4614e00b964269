#include "app/components/files/system_error_text.h"

#include <windows.h>

#include <string>

namespace pellix {

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

} // namespace pellix
