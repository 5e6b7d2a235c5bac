/* The smallest host: initialise, log to the console (and to the live log viewer when it runs),
 * read an endpoint, digest a text. c_host SERVICE_URL also asks whether the service at that
 * address answers. Builds with MinGW (CMakeLists.txt) and Visual Studio (c_host.vcxproj). */
#include <stdio.h>

#include "pelmora.h"

int main(int argc, char** argv) {
    char url[PELMORA_URL_SIZE];
    char digest[PELMORA_DIGEST_SIZE];
    LOG_RECORD record;
    int alive = 1;

    printf("Pelmora %d.%d.%d\n", PELMORA_VERSION_MAJOR, PELMORA_VERSION_MINOR,
           PELMORA_VERSION_PATCH);
    PeHmInitialize(0, 0, 0, 0);
    PeLmLogFileSet(GetStdHandle(STD_OUTPUT_HANDLE));
    /* PelmoraLogView.exe, if it runs, shows every entry too. */
    if (PelmSharedLogOpen()) PeLmLogWndSet(FindWindow(PELMORA_LOGVIEW_CLASS, NULL));
    PelmLog("c_host started", "main", "c_host", __LINE__, __DATE__, __TIME__, 0, 0, 0);

    if (PeLmTestUrlGet(url, sizeof url)) printf("test endpoint: %s\n", url);
    if (PeLmMD5(digest, "abc")) printf("md5(abc): %s\n", digest);
    printf("shared log read: %d (record is %u bytes)\n", PelmSharedLogRead(&record),
           (unsigned)sizeof record);

    if (argc > 1) {
        snprintf(url, sizeof url, "%s/Pelmora/Pelmora/CheckSqlServerRunning", argv[1]);
        PeLmTestUrlSet(url);
        alive = PeLmIsServerAlive();
        printf("server alive: %d\n", alive);
    }

    PeLmLogWndSet(NULL);
    PelmSharedLogClose();
    PeLmLogFileSet(NULL);
    return PeHmTerminate(0, 0) && alive ? 0 : 1;
}
