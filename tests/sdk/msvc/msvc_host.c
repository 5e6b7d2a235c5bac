/* A host built as Microsoft's tools build one: clang-cl for Microsoft's ABI, linked by lld-link
 * against the kit's Pelmora.lib (x86: with /SAFESEH). No C run-time library is there to link
 * (Debian ships none for Microsoft's ABI), so the host starts at HostMain and uses the system's
 * calls only. msvc_host SERVICE_URL prints what it got; run-consumer.sh judges it. */
#include "pelmora.h"

static void Print(const char* text) {
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)lstrlenA(text), &written, NULL);
}

void __stdcall HostMain(void) {
    char line[PELMORA_URL_SIZE + 64], url[PELMORA_URL_SIZE], digest[PELMORA_DIGEST_SIZE];
    const char* service = GetCommandLineA();
    const char* space;
    PFN_PeLmMD5 md5 = (PFN_PeLmMD5)GetProcAddress(GetModuleHandleA("Pelmora.dll"), "PeLmMD5");
    int alive;

    /* The service's address is the last word of the command line. */
    for (space = service; *space; ++space)
        if (*space == ' ') service = space + 1;

    PeHmInitialize(0, 0, 0, 0);
    PeLmLogFileSet(GetStdHandle(STD_OUTPUT_HANDLE));
    PelmLog("msvc_host started", "HostMain", "msvc_host", __LINE__, __DATE__, __TIME__, 0, 0, 0);
    if (md5 != NULL && md5(digest, "abc")) {
        wsprintfA(line, "md5(abc): %s\r\n", digest);
        Print(line);
    }
    wsprintfA(url, "%s/Pelmora/Pelmora/CheckSqlServerRunning", service);
    PeLmTestUrlSet(url);
    alive = PeLmIsServerAlive();
    wsprintfA(line, "server alive: %d\r\n", alive);
    Print(line);
    PeLmLogFileSet(NULL);
    ExitProcess(PeHmTerminate(0, 0) && alive ? 0 : 1);
}
