// Load and unload do nothing but note the module: no COM, no files, no log, nothing that could
// take the loader's lock into another library. The only objects made while the library loads
// are its two mutexes (kernel objects, static initialisers): the exchange's named one and the
// log window's hand-off. Work starts with the host's first call.
#include <windows.h>

#include "frame/Module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        frame::SetLibraryModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
