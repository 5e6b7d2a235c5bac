// Load and unload do nothing but note the module and release the provider contexts: no COM, no
// files, no log, nothing that could take the loader's lock into another library. The only
// objects made while the library loads are its two mutexes (kernel objects, static
// initialisers): the exchange's named one and the log window's hand-off. Work starts with the
// host's first call.
#include <windows.h>

#include "frame/host/Module.h"
#include "storage/Crypt.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        frame::SetLibraryModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    // Only when the host unloads the library and goes on: while the process ends (reserved set),
    // its other threads were stopped wherever they were, perhaps inside the provider, and the
    // provider's module may be detached already; the system frees the contexts with the process.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        storage::CCrypt::ReleaseProviderContexts();
    return TRUE;
}
