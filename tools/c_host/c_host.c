/* The smallest host: initialise, log to the console, read an endpoint, digest a text.
 * c_host SERVICE_URL also asks whether the service at that address answers. */
#include <stdio.h>

#include "pelmora.h"

int main(int argc, char** argv) {
    char url[256];
    char digest[33];
    LOG_RECORD record;
    int alive = 1;

    PeHmInitialize(0, 0, 0, 0);
    PeLmLogFileSet(GetStdHandle(STD_OUTPUT_HANDLE));
    PelmLog("c_host started", "main", "c_host", __LINE__, __DATE__, __TIME__, 0, 0, 0);

    if (PeLmTestUrlGet(url, sizeof url)) printf("test endpoint: %s\n", url);
    if (PeLmMD5(digest, "abc")) printf("md5(abc): %s\n", digest);
    printf("shared log open: %d\n", PelmSharedLogOpen());
    printf("shared log read: %d (record is %u bytes)\n", PelmSharedLogRead(&record),
           (unsigned)sizeof record);
    PelmSharedLogClose();

    if (argc > 1) {
        snprintf(url, sizeof url, "%s/Pelmora/Pelmora/CheckSqlServerRunning", argv[1]);
        PeLmTestUrlSet(url);
        alive = PeLmIsServerAlive();
        printf("server alive: %d\n", alive);
    }

    PeLmLogFileSet(NULL);
    return PeHmTerminate(0, 0) && alive ? 0 : 1;
}
