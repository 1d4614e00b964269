// The first entry of the dropped-file list that a shell data object carries
// for a selection.
#pragma once

#include <objidl.h>

namespace pellix::shellext {

// Copies the first entry's full path into path. E_INVALIDARG when the data
// object has no list, the list is empty or malformed, or the entry does not
// fit (259 characters at most).
HRESULT FirstDroppedFile(IDataObject& data, wchar_t (&path)[MAX_PATH]);

} // namespace pellix::shellext
