#include "app/components/files/system_error_text.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace pellix {

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

} // namespace pellix
