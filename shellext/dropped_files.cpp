#include "shellext/dropped_files.h"

#include "common/win32/unique_any.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

namespace pellix::shellext {
namespace {

// A storage medium received from a data object, released when it goes.
class ReceivedMedium {
public:
    explicit ReceivedMedium(const STGMEDIUM& medium) : medium_(medium) {}
    ~ReceivedMedium() { ::ReleaseStgMedium(&medium_); }
    ReceivedMedium(const ReceivedMedium&) = delete;
    ReceivedMedium& operator=(const ReceivedMedium&) = delete;

    const STGMEDIUM& get() const { return medium_; }

private:
    STGMEDIUM medium_;
};

// Whether the list ends inside its memory block: the header fits, and an
// empty entry follows complete entries before the block ends, so that
// reading it never runs past the block.
bool ListEndsInBlock(const BYTE* block, SIZE_T size) {
    DROPFILES header;
    if (size < sizeof header) {
        return false;
    }
    std::memcpy(&header, block, sizeof header);
    const SIZE_T unit = header.fWide ? sizeof(wchar_t) : 1;
    bool entryStart = true;
    for (SIZE_T at = header.pFiles; at >= sizeof header && at + unit <= size; at += unit) {
        wchar_t c = 0;
        std::memcpy(&c, block + at, unit);
        if (c == 0 && entryStart) {
            return true;
        }
        entryStart = c == 0;
    }
    return false;
}

} // namespace

HRESULT FirstDroppedFile(IDataObject& data, wchar_t (&path)[MAX_PATH]) {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM received{};
    received.tymed = TYMED_HGLOBAL;
    if (FAILED(data.GetData(&format, &received))) {
        return E_INVALIDARG;
    }
    const ReceivedMedium medium(received);
    if (medium.get().tymed != TYMED_HGLOBAL) {
        return E_INVALIDARG;
    }
    const HGLOBAL memory = medium.get().hGlobal;
    const unique_hglobal_locked lock(memory);
    if (!lock.get() || !ListEndsInBlock(static_cast<const BYTE*>(lock.get()), lock.size())) {
        return E_INVALIDARG;
    }
    const auto drop = static_cast<HDROP>(memory);
    if (::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0) {
        return E_INVALIDARG;
    }
    // Only the first entry counts; one too long for a path is refused
    // rather than cut short.
    const UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
    if (length == 0 || length >= MAX_PATH || ::DragQueryFileW(drop, 0, path, MAX_PATH) != length) {
        return E_INVALIDARG;
    }
    return S_OK;
}

} // namespace pellix::shellext
