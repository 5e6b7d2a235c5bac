/* A host built as Microsoft's tools build one: clang-cl for Microsoft's ABI, linked by lld-link
 * against the kit's Pelmora.lib (x86: with /SAFESEH). Debian has no C run-time library for that
 * ABI, so the host starts at HostMain and makes system calls only. msvc_host SERVICE_URL prints
 * whether the service answers; run-consumer.sh judges it. */
#include "pelmora.h"
void __stdcall HostMain(void) {
    char line[PELMORA_URL_SIZE + 64];
    const char *service = GetCommandLineA(), *next;
    DWORD written;
    int alive;
    for (next = service; *next; ++next) /* the address is the command line's last word */
        if (*next == ' ') service = next + 1;
    PeHmInitialize(0, 0, 0, 0);
    PelmLog("msvc_host started", "HostMain", "msvc_host", __LINE__, __DATE__, __TIME__, 0, 0, 0);
    wsprintfA(line, "%s/Pelmora/Pelmora/CheckSqlServerRunning", service);
    PeLmTestUrlSet(line);
    alive = PeLmIsServerAlive();
    wsprintfA(line, "server alive: %d\r\n", alive);
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, (DWORD)lstrlenA(line), &written, NULL);
    ExitProcess(PeHmTerminate(0, 0) && alive ? 0 : 1);
}
