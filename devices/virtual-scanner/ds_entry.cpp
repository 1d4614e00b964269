// DS_Entry, the one function a TWAIN manager calls, and the module's
// lifetime. No exception leaves DS_Entry.
#include "common/twain/twain_protocol.h"
#include "devices/virtual-scanner/data_source.h"

#include <new>

namespace {

HINSTANCE g_module = nullptr;
pellix::vscan::DataSource* g_source = nullptr;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        // Unloaded by FreeLibrary: close what is left. At process exit the
        // system takes everything back anyway.
        if (!reserved) {
            delete g_source;
        }
        g_source = nullptr;
    }
    return TRUE;
}

extern "C" twain::TW_UINT16 PASCAL DS_Entry(twain::TW_IDENTITY* origin, twain::TW_UINT32 group,
                                            twain::TW_UINT16 dat, twain::TW_UINT16 message,
                                            twain::TW_MEMREF data) {
    try {
        if (!g_source) {
            g_source = new pellix::vscan::DataSource(g_module);
        }
        return g_source->Call(origin, group, dat, message, data);
    } catch (const std::bad_alloc&) {
        return g_source ? g_source->Fail(twain::TWCC_LOWMEMORY) : twain::TWRC_FAILURE;
    } catch (...) {
        return g_source ? g_source->Fail(twain::TWCC_BUMMER) : twain::TWRC_FAILURE;
    }
}
