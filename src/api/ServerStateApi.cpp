// Exports: the server state (main, dead, sub) and the moments the states began.
#include "api/Boundary.h"
#include "pelmora.h"
#include "storage/ServerState.h"
#include "win32/MessageBox.h"
#include "win32/Strings.h"

using storage::CServerState;

namespace {

const char* const kSubServerMessage =
    "ペルモラのメインサーバーがダウンした為、一時的にサブサーバーに切り替えて稼動しています。\n"
    "翌日にはメインサーバーの通常稼動に戻る見込みです。";

// The moment as "YYYY/MM/DD hh:mm:ss" local time. A missing, unreadable or tampered file gives
// FALSE with the buffer untouched; a buffer too small for the 19 characters and NUL gives FALSE.
template <typename Reader>
BOOL CopyStateTime(char* buffer, unsigned int size, Reader read) {
    win32::Seconds time = 0;
    if (!read(time)) return FALSE;
    return win32::CopyToBuffer(buffer, size, win32::LocalTimeText(time)) ? TRUE : FALSE;
}

}  // namespace

extern "C" {

BOOL WINAPI PeLmIsServerDead(void) {
    return api::Guarded(__func__, FALSE, [] { return CServerState::IsDead() ? TRUE : FALSE; });
}

BOOL WINAPI PeLmIsServerSub(void) {
    return api::Guarded(__func__, FALSE, [] { return CServerState::IsSub() ? TRUE : FALSE; });
}

void WINAPI PeLmServerToDead(void) {
    api::GuardedVoid(__func__, [] { CServerState::ToDead(); });
}

void WINAPI PeLmServerToSub(void) {
    // The user hears of the switch only when it took place.
    api::GuardedVoid(__func__, [] {
        // Owned by the caller's active window, so the host's windows wait while it shows.
        if (CServerState::ToSub()) win32::ShowMessageBox(GetActiveWindow(), kSubServerMessage);
    });
}

void WINAPI PeLmServerDeadRelease(void) {
    api::GuardedVoid(__func__, [] { CServerState::ReleaseDead(); });
}

void WINAPI PeLmSubServerRelease(void) {
    api::GuardedVoid(__func__, [] { CServerState::ReleaseSub(); });
}

BOOL WINAPI PeLmServerDeadTimeGet(char* buffer, unsigned int size) {
    return api::Guarded(__func__, FALSE, [&] {
        return CopyStateTime(buffer, size,
                             [](win32::Seconds& t) { return CServerState::GetDeadTime(t); });
    });
}

BOOL WINAPI PeLmServerSubTimeGet(char* buffer, unsigned int size) {
    return api::Guarded(__func__, FALSE, [&] {
        return CopyStateTime(buffer, size,
                             [](win32::Seconds& t) { return CServerState::GetSubTime(t); });
    });
}

}  // extern "C"
