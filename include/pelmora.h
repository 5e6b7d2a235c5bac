/*
 * Pelmora client library: the functions a host application calls.
 *
 * Every function uses the stdcall convention (WINAPI) and is exported under its plain name.
 * Text is NUL-terminated and in the system's ANSI code page (Shift_JIS on Japanese Windows).
 * Functions that copy text take the buffer's size in bytes: they never write past it, and when
 * the text and its NUL do not fit they leave "" (if at least one byte fits) and return FALSE.
 * No function lets an error escape to the host: each reports through its result.
 *
 * The header is plain C89 and C++98 and compiles without warnings under any later standard,
 * with or without UNICODE, with GCC, Clang and Microsoft's compiler (which also reads the buffer
 * annotations below; other compilers see none).
 */
#ifndef PELMORA_H
#define PELMORA_H

#include <stddef.h>
#include <windows.h>

/* The library's version: PELMORA_VERSION is MAJOR * 10000 + MINOR * 100 + PATCH, so a host can
 * write #if PELMORA_VERSION >= 10000. The build checks these against the project's version. */
#define PELMORA_VERSION_MAJOR 1
#define PELMORA_VERSION_MINOR 0
#define PELMORA_VERSION_PATCH 0
#define PELMORA_VERSION \
    (PELMORA_VERSION_MAJOR * 10000 + PELMORA_VERSION_MINOR * 100 + PELMORA_VERSION_PATCH)

/* Buffer sizes in bytes, the terminating NUL included. */
#define PELMORA_DIGEST_SIZE 33    /* PeLmMD5: 32 lower-case hex characters */
#define PELMORA_TIME_SIZE 20      /* time getters and LOG_RECORD.time: "YYYY/MM/DD hh:mm:ss" */
#define PELMORA_LOG_TEXT_SIZE 256 /* each text of a log entry, cut to 255 bytes */
/* PeLmLastErrorMessageGet: every message the library sets fits; a message the host set with
 * PeLmSetLastError is as long as the host made it. */
#define PELMORA_MESSAGE_SIZE 256
#define PELMORA_URL_SIZE 256 /* an endpoint the library uses is at most 255 characters */

/* Buffer annotations for Microsoft's code analysis (/analyze); empty for other compilers. */
#if defined(_MSC_VER) && !defined(PELMORA_NO_SAL)
#include <sal.h>
#define PELMORA_IN_Z _In_opt_z_                  /* a text; NULL allowed */
#define PELMORA_OUT_Z(size) _Out_writes_z_(size) /* a text buffer of `size` bytes */
#define PELMORA_IN_RECORD _In_
#define PELMORA_OUT_RECORD _Out_
#define PELMORA_TRUE_ON_SUCCESS _Success_(return != 0)
#else
#define PELMORA_IN_Z
#define PELMORA_OUT_Z(size)
#define PELMORA_IN_RECORD
#define PELMORA_OUT_RECORD
#define PELMORA_TRUE_ON_SUCCESS
#endif

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

/* The layout is the shared block's format, the same on both architectures. Each check is an
 * array type whose size is negative when the check fails, which every C and C++ compiler
 * rejects: static_assert would shut out C89, C99 and C++98 compilers. */
#define PELMORA_LAYOUT_CHECK(name, condition) \
    typedef char pelmora_layout_##name[(condition) ? 1 : -1]
PELMORA_LAYOUT_CHECK(size, sizeof(LOG_RECORD) == 1040);
PELMORA_LAYOUT_CHECK(function, offsetof(LOG_RECORD, function) == 256);
PELMORA_LAYOUT_CHECK(source, offsetof(LOG_RECORD, source) == 512);
PELMORA_LAYOUT_CHECK(line, offsetof(LOG_RECORD, line) == 768);
PELMORA_LAYOUT_CHECK(time, offsetof(LOG_RECORD, time) == 772);
PELMORA_LAYOUT_CHECK(indent, offsetof(LOG_RECORD, indent) == 1028);
PELMORA_LAYOUT_CHECK(kind, offsetof(LOG_RECORD, kind) == 1032);
PELMORA_LAYOUT_CHECK(flag, offsetof(LOG_RECORD, flag) == 1036);
#undef PELMORA_LAYOUT_CHECK

/* The window message sent to the log window after each entry; read the entry with
 * PelmSharedLogRead inside the handler. */
#define PELMORA_WM_LOG (WM_APP + 100)

/* The window class of the live log viewer, PelmoraLogView.exe. A host that wants its log shown
 * there opens the shared block and makes the viewer its log window:
 *   PelmSharedLogOpen(); PeLmLogWndSet(FindWindow(PELMORA_LOGVIEW_CLASS, NULL));
 * PELMORA_LOGVIEW_CLASS follows UNICODE as FindWindow does. */
#define PELMORA_LOGVIEW_CLASSA "PelmoraLogView"
#define PELMORA_LOGVIEW_CLASSW L"PelmoraLogView"
#ifdef UNICODE
#define PELMORA_LOGVIEW_CLASS PELMORA_LOGVIEW_CLASSW
#else
#define PELMORA_LOGVIEW_CLASS PELMORA_LOGVIEW_CLASSA
#endif

/* Last-error codes left by PeLmLogin and PeLmLoginUserCreate. */
#define PELMORA_ERROR_NONE 0
#define PELMORA_ERROR_OTHER 1000
#define PELMORA_ERROR_NETWORK 1001
#define PELMORA_ERROR_LOGIN 1002
#define PELMORA_ERROR_SERVICE 1006

/* Start and end */
/* Fills the main and sub endpoint tables with their defaults; pass zeros. 1. */
int WINAPI PeHmInitialize(int reserved1, int reserved2, int reserved3, int reserved4);
/* Ends the host's use; nothing is held between calls. TRUE. */
BOOL WINAPI PeHmTerminate(int reserved1, int reserved2);
/* The folder of pmqclient.exe and the exchange files; NULL or "" for the DLL's own. */
BOOL WINAPI PeLmCurrentDirectorySet(PELMORA_IN_Z const char* path);

/* Last error */
/* The code the last failed login call left (PELMORA_ERROR_*). Not GetLastError(). */
int WINAPI PeLmLastErrorGet(void);
/* The message that goes with the code; PELMORA_MESSAGE_SIZE holds any the library sets. */
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmLastErrorMessageGet(PELMORA_OUT_Z(dstSize) char* dst,
                                                            unsigned int dstSize);
/* Stores a code and a message (NULL reads as ""). */
void WINAPI PeLmSetLastError(int code, PELMORA_IN_Z const char* message);

/* Logging */
/* Writes one entry to the log file and window that are set; texts are cut to 255 bytes.
 * kind: 0 step, 1 finding, 2 detail, 3 request target, 4 error (flag 1), 99 end of call. */
void WINAPI PelmLog(PELMORA_IN_Z const char* message, PELMORA_IN_Z const char* function,
                    PELMORA_IN_Z const char* source, int line, PELMORA_IN_Z const char* buildDate,
                    PELMORA_IN_Z const char* buildTime, int kind, int indent, int flag);
/* The logging switch, on from load. */
void WINAPI PeLmLoggingOn(BOOL on);
BOOL WINAPI PeLmIsLogging(void);
/* The window told of each entry (PELMORA_WM_LOG); NULL for none. The host owns it. */
void WINAPI PeLmLogWndSet(HWND window);
HWND WINAPI PeLmLogWndGet(void);
/* The file that gets one line per entry, a handle the host opened for writing; NULL for
 * none. Returns once no line is being written to the former handle. */
void WINAPI PeLmLogFileSet(HANDLE file);
HANDLE WINAPI PeLmLogFileGet(void);

/* Shared log block */
/* Opens (or creates) the shared block; TRUE when it is usable. */
BOOL WINAPI PelmSharedLogOpen(void);
void WINAPI PelmSharedLogClose(void);
/* Copy one record into or out of the shared block; FALSE when it is not open. */
BOOL WINAPI PelmSharedLogWrite(PELMORA_IN_RECORD const LOG_RECORD* record);
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PelmSharedLogRead(PELMORA_OUT_RECORD LOG_RECORD* record);

/* Digest: 32 lower-case hex characters and a NUL; `digest` must hold PELMORA_DIGEST_SIZE. */
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmMD5(PELMORA_OUT_Z(PELMORA_DIGEST_SIZE) char* digest,
                                            PELMORA_IN_Z const char* text);

/* Server state (main, dead, sub) */
/* Whether "dead.dat" / "sub.dat" exist in the data folder. */
BOOL WINAPI PeLmIsServerDead(void);
BOOL WINAPI PeLmIsServerSub(void);
/* Marks the main server down ("dead.dat"). PeLmServerToSub switches to the sub server
 * ("sub.dat") and, when the file was written, shows the user a modal box: interactive hosts only.
 */
void WINAPI PeLmServerToDead(void);
void WINAPI PeLmServerToSub(void);
/* Delete "dead.dat" / "sub.dat". */
void WINAPI PeLmServerDeadRelease(void);
void WINAPI PeLmSubServerRelease(void);
/* When the state began, "YYYY/MM/DD hh:mm:ss"; size at least PELMORA_TIME_SIZE. FALSE with
 * the buffer untouched when the file is absent or fails its seal. */
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmServerDeadTimeGet(PELMORA_OUT_Z(size) char* buffer,
                                                          unsigned int size);
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmServerSubTimeGet(PELMORA_OUT_Z(size) char* buffer,
                                                         unsigned int size);

/* Proxy */
/* Lets the next requests show the client's proxy credentials dialog. TRUE. */
BOOL WINAPI PeLmProxyUserDlgShow(void);
/* Deletes the proxy user the client saved; TRUE when there was one. */
BOOL WINAPI PeLmProxyUserDelete(void);

/* Endpoints */
/* The endpoints, main then sub (Connect, Test, Login): setters take NULL as "", getters
 * follow the buffer rule. A URL the library requests is at most 255 characters. */
BOOL WINAPI PeLmConnectUrlSet(PELMORA_IN_Z const char* url);
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmConnectUrlGet(PELMORA_OUT_Z(size) char* buffer, UINT size);
BOOL WINAPI PeLmTestUrlSet(PELMORA_IN_Z const char* url);
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmTestUrlGet(PELMORA_OUT_Z(size) char* buffer, UINT size);
BOOL WINAPI PeLmLoginUrlSet(PELMORA_IN_Z const char* url);
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmLoginUrlGet(PELMORA_OUT_Z(size) char* buffer, UINT size);
BOOL WINAPI PeLmConnectSubUrlSet(PELMORA_IN_Z const char* url);
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmConnectSubUrlGet(PELMORA_OUT_Z(size) char* buffer,
                                                         UINT size);
BOOL WINAPI PeLmTestSubUrlSet(PELMORA_IN_Z const char* url);
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmTestSubUrlGet(PELMORA_OUT_Z(size) char* buffer, UINT size);
BOOL WINAPI PeLmLoginSubUrlSet(PELMORA_IN_Z const char* url);
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmLoginSubUrlGet(PELMORA_OUT_Z(size) char* buffer, UINT size);

/* Connectivity */
/* Asked afresh each call: an adapter other than loopback or tunnel is up; the system
 * reports an Internet connection; the service answers its test request (blocks for one
 * request through pmqclient.exe). */
BOOL WINAPI PeLmGetIsNetworkAvailable(void);
BOOL WINAPI PeLmIsInternetConnected(void);
BOOL WINAPI PeLmIsServerAlive(void);

/* Stored login */
/* Whether a stored login can be read: "Login.dat", else the record PeLmLoginUserCreate left. */
BOOL WINAPI PeLmHasLogin(void);
/* The stored company ID / password; FALSE and "" when none is stored. */
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmLoginID(PELMORA_OUT_Z(size) char* buffer,
                                                unsigned int size);
PELMORA_TRUE_ON_SUCCESS BOOL WINAPI PeLmLoginPassword(PELMORA_OUT_Z(size) char* buffer,
                                                      unsigned int size);
/* Deletes "Login.dat" (TRUE); PeLmLoginUserDelete drops the record in memory. */
BOOL WINAPI PeLmLoginRemove(void);
void WINAPI PeLmLoginUserDelete(void);

/* Login */
/* The interactive login: checks, then the login dialog (modal). FALSE with the last error,
 * or with code 0 when the user cancelled. */
BOOL WINAPI PeLmLogin(void);
/* The silent login with the host's credentials. FALSE with the last error (1002 for a NULL
 * argument or refused credentials); TRUE leaves the last error as it was. */
BOOL WINAPI PeLmLoginUserCreate(PELMORA_IN_Z const char* companyId,
                                PELMORA_IN_Z const char* password,
                                PELMORA_IN_Z const char* userName);

/* Pointer types for hosts that load the library at run time, one per function:
 *   PFN_PeLmMD5 md5 = (PFN_PeLmMD5)GetProcAddress(LoadLibraryA("Pelmora.dll"), "PeLmMD5");
 * Every function is found under its plain name on both architectures. */
typedef int(WINAPI* PFN_PeHmInitialize)(int, int, int, int);
typedef BOOL(WINAPI* PFN_PeHmTerminate)(int, int);
typedef BOOL(WINAPI* PFN_PeLmCurrentDirectorySet)(const char*);
typedef int(WINAPI* PFN_PeLmLastErrorGet)(void);
typedef BOOL(WINAPI* PFN_PeLmLastErrorMessageGet)(char*, unsigned int);
typedef void(WINAPI* PFN_PeLmSetLastError)(int, const char*);
typedef void(WINAPI* PFN_PelmLog)(const char*, const char*, const char*, int, const char*,
                                  const char*, int, int, int);
typedef void(WINAPI* PFN_PeLmLoggingOn)(BOOL);
typedef BOOL(WINAPI* PFN_PeLmIsLogging)(void);
typedef void(WINAPI* PFN_PeLmLogWndSet)(HWND);
typedef HWND(WINAPI* PFN_PeLmLogWndGet)(void);
typedef void(WINAPI* PFN_PeLmLogFileSet)(HANDLE);
typedef HANDLE(WINAPI* PFN_PeLmLogFileGet)(void);
typedef BOOL(WINAPI* PFN_PelmSharedLogOpen)(void);
typedef void(WINAPI* PFN_PelmSharedLogClose)(void);
typedef BOOL(WINAPI* PFN_PelmSharedLogWrite)(const LOG_RECORD*);
typedef BOOL(WINAPI* PFN_PelmSharedLogRead)(LOG_RECORD*);
typedef BOOL(WINAPI* PFN_PeLmMD5)(char*, const char*);
typedef BOOL(WINAPI* PFN_PeLmIsServerDead)(void);
typedef BOOL(WINAPI* PFN_PeLmIsServerSub)(void);
typedef void(WINAPI* PFN_PeLmServerToDead)(void);
typedef void(WINAPI* PFN_PeLmServerToSub)(void);
typedef void(WINAPI* PFN_PeLmServerDeadRelease)(void);
typedef void(WINAPI* PFN_PeLmSubServerRelease)(void);
typedef BOOL(WINAPI* PFN_PeLmServerDeadTimeGet)(char*, unsigned int);
typedef BOOL(WINAPI* PFN_PeLmServerSubTimeGet)(char*, unsigned int);
typedef BOOL(WINAPI* PFN_PeLmProxyUserDlgShow)(void);
typedef BOOL(WINAPI* PFN_PeLmProxyUserDelete)(void);
typedef BOOL(WINAPI* PFN_PeLmConnectUrlSet)(const char*);
typedef BOOL(WINAPI* PFN_PeLmConnectUrlGet)(char*, UINT);
typedef BOOL(WINAPI* PFN_PeLmTestUrlSet)(const char*);
typedef BOOL(WINAPI* PFN_PeLmTestUrlGet)(char*, UINT);
typedef BOOL(WINAPI* PFN_PeLmLoginUrlSet)(const char*);
typedef BOOL(WINAPI* PFN_PeLmLoginUrlGet)(char*, UINT);
typedef BOOL(WINAPI* PFN_PeLmConnectSubUrlSet)(const char*);
typedef BOOL(WINAPI* PFN_PeLmConnectSubUrlGet)(char*, UINT);
typedef BOOL(WINAPI* PFN_PeLmTestSubUrlSet)(const char*);
typedef BOOL(WINAPI* PFN_PeLmTestSubUrlGet)(char*, UINT);
typedef BOOL(WINAPI* PFN_PeLmLoginSubUrlSet)(const char*);
typedef BOOL(WINAPI* PFN_PeLmLoginSubUrlGet)(char*, UINT);
typedef BOOL(WINAPI* PFN_PeLmGetIsNetworkAvailable)(void);
typedef BOOL(WINAPI* PFN_PeLmIsInternetConnected)(void);
typedef BOOL(WINAPI* PFN_PeLmIsServerAlive)(void);
typedef BOOL(WINAPI* PFN_PeLmHasLogin)(void);
typedef BOOL(WINAPI* PFN_PeLmLoginID)(char*, unsigned int);
typedef BOOL(WINAPI* PFN_PeLmLoginPassword)(char*, unsigned int);
typedef BOOL(WINAPI* PFN_PeLmLoginRemove)(void);
typedef void(WINAPI* PFN_PeLmLoginUserDelete)(void);
typedef BOOL(WINAPI* PFN_PeLmLogin)(void);
typedef BOOL(WINAPI* PFN_PeLmLoginUserCreate)(const char*, const char*, const char*);

#ifdef __cplusplus
}
#endif

#endif /* PELMORA_H */
