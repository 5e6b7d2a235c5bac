// Exports: the last error left by the login flows.
#include "api/Boundary.h"
#include "frame/errors/LastError.h"
#include "pelmora.h"
#include "win32/Strings.h"

extern "C" {

int WINAPI PeLmLastErrorGet(void) {
    return api::Guarded(__func__, 0, [] { return frame::GetLastErrorCode(); });
}

BOOL WINAPI PeLmLastErrorMessageGet(char* dst, unsigned int dstSize) {
    return api::Guarded(__func__, FALSE, [&] {
        return win32::CopyToBuffer(dst, dstSize, frame::GetLastErrorMessage()) ? TRUE : FALSE;
    });
}

void WINAPI PeLmSetLastError(int code, const char* message) {
    api::GuardedVoid(__func__, [&] { frame::RecordLastError(code, win32::FromCString(message)); });
}

}  // extern "C"
