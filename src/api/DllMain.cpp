// Load does nothing but note the module and pin it: no COM, no files, no log, nothing that could
// take the loader's lock into another library. The only objects made while the library loads
// are its two mutexes (kernel objects, static initialisers): the exchange's named one and the log
// window's hand-off. Work starts with the host's first call.
//
// Pinned, the library stays in the process from its first load to the process's end; a host's
// FreeLibrary leaves it, and a later LoadLibrary finds it with the settings the host left. The
// static C++ runtime gives nothing back when a library unloads: its thread layer keeps a TLS
// index, an event, a thread handle and two semaphores, and its emergency exception pool (71 KiB
// on x64) stays allocated, at every load. A host loading and unloading in a loop ran out of TLS
// indexes (the runtime then aborts the host) after about a thousand cycles. Pinned, they are
// taken once. Replacing the library's file therefore needs a restart of the host.
#include <windows.h>

#include "frame/host/Module.h"
#include "cipher/Crypt.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        frame::SetLibraryModule(instance);
        DisableThreadLibraryCalls(instance);
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(instance), &pinned);
    }
    // Reached only if pinning failed and the host unloads the library and goes on: while the
    // process ends (reserved set), its other threads were stopped wherever they were, perhaps
    // inside the provider, and the provider's module may be detached already; the system frees
    // the contexts with the process.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        storage::CCrypt::ReleaseProviderContexts();
    return TRUE;
}
