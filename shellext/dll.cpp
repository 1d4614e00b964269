// PellixExt.dll: the entry point, the table of served classes and the four
// exports of an in-process COM server.
#include "shellext/class_factory.h"
#include "shellext/class_id.h"
#include "shellext/context_menu_handler.h"
#include "shellext/module.h"
#include "shellext/registration.h"

#include <windows.h>

using namespace pellix::shellext;

namespace {

void NothingToStartOrStop(bool) {}

ClassEntry classTable[] = {
    {kHandlerClassId, UpdateHandlerRegistry, ClassFactory::Create, CreateHandler,
     NothingToStartOrStop},
};

} // namespace

// Loading and unloading do no file or registry work.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        TheModule().Start(instance, classTable);
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        TheModule().Stop();
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return TheModule().LockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
    return TheModule().GetClassObject(classId, iid, object);
}

STDAPI DllRegisterServer() {
    return RegisterServer();
}

STDAPI DllUnregisterServer() {
    return UnregisterServer();
}
