// Resource identifiers of PellixExt.dll, shared by the resource script and
// the code.
#pragma once

#define IDR_PELLIXEXT_REGISTRY 101
#define IDB_MENU_BITMAP 206
