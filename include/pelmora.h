/*
 * Pelmora client library: the functions a host application calls.
 *
 * Every function uses the stdcall convention (WINAPI) and is exported under its plain name.
 * Text is NUL-terminated and in the system's ANSI code page (Shift_JIS on Japanese Windows).
 * Functions that copy text take the buffer's size in bytes: they never write past it, and when
 * the text and its NUL do not fit they leave "" (if at least one byte fits) and return FALSE.
 * No function lets an error escape to the host: each reports through its result.
 */
#ifndef PELMORA_H
#define PELMORA_H

#include <stddef.h>
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One log entry; also the content of the shared log block "SharedLogMemory". */
typedef struct LOG_RECORD {
    char message[256];  /* NUL-terminated, cut to 255 bytes */
    char function[256]; /* "Class::Method" or a bare function name */
    char source[256];   /* the source module that wrote the entry */
    int line;           /* source line of the call */
    char time[256];     /* local time, "YYYY/MM/DD hh:mm:ss" */
    int indent;         /* nesting depth, 0 or more */
    int kind;           /* 0 step, 1 finding, 2 detail, 3 request target, 4 error, 99 end of call */
    int flag;           /* 1 on error entries */
} LOG_RECORD;

#ifdef __cplusplus
#define PELMORA_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define PELMORA_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif
PELMORA_STATIC_ASSERT(sizeof(LOG_RECORD) == 1040, "LOG_RECORD is 1040 bytes");
PELMORA_STATIC_ASSERT(offsetof(LOG_RECORD, function) == 256, "function at 256");
PELMORA_STATIC_ASSERT(offsetof(LOG_RECORD, source) == 512, "source at 512");
PELMORA_STATIC_ASSERT(offsetof(LOG_RECORD, line) == 768, "line at 768");
PELMORA_STATIC_ASSERT(offsetof(LOG_RECORD, time) == 772, "time at 772");
PELMORA_STATIC_ASSERT(offsetof(LOG_RECORD, indent) == 1028, "indent at 1028");
PELMORA_STATIC_ASSERT(offsetof(LOG_RECORD, kind) == 1032, "kind at 1032");
PELMORA_STATIC_ASSERT(offsetof(LOG_RECORD, flag) == 1036, "flag at 1036");

/* The window message sent to the log window after each entry; read the entry with
 * PelmSharedLogRead inside the handler. */
#define PELMORA_WM_LOG (WM_APP + 100)

/* The window class of the live log viewer, PelmoraLogView.exe. A host that wants its log shown
 * there opens the shared block and makes the viewer its log window:
 *   PelmSharedLogOpen(); PeLmLogWndSet(FindWindowA(PELMORA_LOGVIEW_CLASS, NULL)); */
#define PELMORA_LOGVIEW_CLASS "PelmoraLogView"

/* Last-error codes left by PeLmLogin and PeLmLoginUserCreate. */
#define PELMORA_ERROR_NONE 0
#define PELMORA_ERROR_OTHER 1000
#define PELMORA_ERROR_NETWORK 1001
#define PELMORA_ERROR_LOGIN 1002
#define PELMORA_ERROR_SERVICE 1006

/* Start and end */
int WINAPI PeHmInitialize(int reserved1, int reserved2, int reserved3, int reserved4);
BOOL WINAPI PeHmTerminate(int reserved1, int reserved2);
BOOL WINAPI PeLmCurrentDirectorySet(const char* path);

/* Last error */
int WINAPI PeLmLastErrorGet(void);
BOOL WINAPI PeLmLastErrorMessageGet(char* dst, unsigned int dstSize);
void WINAPI PeLmSetLastError(int code, const char* message);

/* Logging */
void WINAPI PelmLog(const char* message, const char* function, const char* source, int line,
                    const char* buildDate, const char* buildTime, int kind, int indent, int flag);
void WINAPI PeLmLoggingOn(BOOL on);
BOOL WINAPI PeLmIsLogging(void);
void WINAPI PeLmLogWndSet(HWND window);
HWND WINAPI PeLmLogWndGet(void);
void WINAPI PeLmLogFileSet(HANDLE file);
HANDLE WINAPI PeLmLogFileGet(void);

/* Shared log block */
BOOL WINAPI PelmSharedLogOpen(void);
void WINAPI PelmSharedLogClose(void);
BOOL WINAPI PelmSharedLogWrite(const LOG_RECORD* record);
BOOL WINAPI PelmSharedLogRead(LOG_RECORD* record);

/* Digest: 32 lower-case hex characters and a NUL; `digest` must hold 33 bytes. */
BOOL WINAPI PeLmMD5(char* digest, const char* text);

/* Server state (main, dead, sub) */
BOOL WINAPI PeLmIsServerDead(void);
BOOL WINAPI PeLmIsServerSub(void);
void WINAPI PeLmServerToDead(void);
void WINAPI PeLmServerToSub(void);
void WINAPI PeLmServerDeadRelease(void);
void WINAPI PeLmSubServerRelease(void);
BOOL WINAPI PeLmServerDeadTimeGet(char* buffer, unsigned int size);
BOOL WINAPI PeLmServerSubTimeGet(char* buffer, unsigned int size);

/* Proxy */
BOOL WINAPI PeLmProxyUserDlgShow(void);
BOOL WINAPI PeLmProxyUserDelete(void);

/* Endpoints */
BOOL WINAPI PeLmConnectUrlSet(const char* url);
BOOL WINAPI PeLmConnectUrlGet(char* buffer, UINT size);
BOOL WINAPI PeLmTestUrlSet(const char* url);
BOOL WINAPI PeLmTestUrlGet(char* buffer, UINT size);
BOOL WINAPI PeLmLoginUrlSet(const char* url);
BOOL WINAPI PeLmLoginUrlGet(char* buffer, UINT size);
BOOL WINAPI PeLmConnectSubUrlSet(const char* url);
BOOL WINAPI PeLmConnectSubUrlGet(char* buffer, UINT size);
BOOL WINAPI PeLmTestSubUrlSet(const char* url);
BOOL WINAPI PeLmTestSubUrlGet(char* buffer, UINT size);
BOOL WINAPI PeLmLoginSubUrlSet(const char* url);
BOOL WINAPI PeLmLoginSubUrlGet(char* buffer, UINT size);

/* Connectivity */
BOOL WINAPI PeLmGetIsNetworkAvailable(void);
BOOL WINAPI PeLmIsInternetConnected(void);
BOOL WINAPI PeLmIsServerAlive(void);

/* Stored login */
BOOL WINAPI PeLmHasLogin(void);
BOOL WINAPI PeLmLoginID(char* buffer, unsigned int size);
BOOL WINAPI PeLmLoginPassword(char* buffer, unsigned int size);
BOOL WINAPI PeLmLoginRemove(void);
void WINAPI PeLmLoginUserDelete(void);

/* Login */
BOOL WINAPI PeLmLogin(void);
BOOL WINAPI PeLmLoginUserCreate(const char* companyId, const char* password, const char* userName);

#ifdef __cplusplus
}
#endif

#endif /* PELMORA_H */
