// Exports: the log call and its settings.
#include "api/Boundary.h"
#include "log/LogWriter.h"
#include "pelmora.h"

extern "C" {

void WINAPI PelmLog(const char* message, const char* function, const char* source, int line,
                    const char* /*buildDate*/, const char* /*buildTime*/, int kind, int indent,
                    int flag) {
    // The build date and time are part of the call for older hosts; they are not written. The
    // numbers go through as the host passed them, any kind included.
    api::GuardedVoid(__func__, [&] {
        logging::Write(message,
                       {function, source, static_cast<logging::Kind>(kind), indent, flag, line});
    });
}

void WINAPI PeLmLoggingOn(BOOL on) { logging::SetLoggingOn(on != FALSE); }
BOOL WINAPI PeLmIsLogging(void) { return logging::IsLoggingOn() ? TRUE : FALSE; }
void WINAPI PeLmLogWndSet(HWND window) { logging::SetLogWindow(window); }
HWND WINAPI PeLmLogWndGet(void) { return logging::GetLogWindow(); }
void WINAPI PeLmLogFileSet(HANDLE file) { logging::SetLogFile(file); }
HANDLE WINAPI PeLmLogFileGet(void) { return logging::GetLogFile(); }

}  // extern "C"
