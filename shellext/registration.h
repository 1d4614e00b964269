// Self-registration: the approved-extensions value and the registry script
// resource run by the system registrar.
#pragma once

#include <windows.h>

namespace pellix::shellext {

// Writes the approved-extensions value (NT family), then runs the script.
// E_ACCESSDENIED, with nothing registered, when the approved list cannot be
// written; otherwise the registrar's result.
HRESULT RegisterServer();

// Removes the value and every entry of the script except its NoRemove keys.
// Always S_OK.
HRESULT UnregisterServer();

// The class table's registration operation for the handler.
HRESULT UpdateHandlerRegistry(bool registering);

} // namespace pellix::shellext
