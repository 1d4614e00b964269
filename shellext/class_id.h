// The class identifier of the context-menu handler, as a GUID and in the
// text form the registry uses.
#pragma once

#include <guiddef.h>

#define PELLIX_HANDLER_CLASS_ID_TEXT L"{D380CB24-8FDB-42EA-8853-6BC23D7A011C}"

namespace pellix::shellext {

inline constexpr GUID kHandlerClassId = {
    0xD380CB24, 0x8FDB, 0x42EA, {0x88, 0x53, 0x6B, 0xC2, 0x3D, 0x7A, 0x01, 0x1C}};
inline constexpr wchar_t kHandlerClassIdText[] = PELLIX_HANDLER_CLASS_ID_TEXT;

} // namespace pellix::shellext
