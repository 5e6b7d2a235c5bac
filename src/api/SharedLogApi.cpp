// Exports: the shared log block.
#include "api/Boundary.h"
#include "log/SharedLog.h"
#include "pelmora.h"

using logging::SharedLog;

extern "C" {

BOOL WINAPI PelmSharedLogOpen(void) {
    return api::Guarded(__func__, FALSE,
                        [] { return SharedLog::Instance().Open() ? TRUE : FALSE; });
}

void WINAPI PelmSharedLogClose(void) {
    api::GuardedVoid(__func__, [] { SharedLog::Instance().Close(); });
}

BOOL WINAPI PelmSharedLogWrite(const LOG_RECORD* record) {
    if (record == nullptr) return FALSE;
    return api::Guarded(__func__, FALSE,
                        [&] { return SharedLog::Instance().Write(*record) ? TRUE : FALSE; });
}

BOOL WINAPI PelmSharedLogRead(LOG_RECORD* record) {
    if (record == nullptr) return FALSE;
    return api::Guarded(__func__, FALSE,
                        [&] { return SharedLog::Instance().Read(*record) ? TRUE : FALSE; });
}

}  // extern "C"
