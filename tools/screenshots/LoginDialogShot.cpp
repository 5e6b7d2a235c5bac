// The login dialog with sample values, for scripts/login-dialog-screenshot.sh (see ShotMarks.h).
// The dialog runs in this process, so the program links the library's static form and its
// dialog template, not the DLL: one copy of the library's state.
#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "ShotMarks.h"
#include "login/LoginDialog.h"
#include "login/LoginManager.h"

namespace {

const wchar_t kDialogCaption[] = L"ログイン";

// A visible top-level window of `thread` with this caption.
HWND FindThreadWindow(DWORD thread, const wchar_t* caption) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, caption)) != nullptr) {
        if (IsWindowVisible(window) && GetWindowThreadProcessId(window, nullptr) == thread) break;
    }
    return window;
}

}  // namespace

int main() {
    login::CLoginManager::SetLoginInfo(std::make_unique<login::LOGIN_INFO>(
        login::LOGIN_INFO{"demo-company", "secret", "山田 太郎", true}));
    const DWORD thread = GetCurrentThreadId();
    std::atomic<bool> closed{false};
    std::thread closer([&] {
        if (screenshots::WaitFor(
                [&] { return FindThreadWindow(thread, kDialogCaption) != nullptr; }, 20000))
            screenshots::MarkReadyAndAwaitTaken(L"login-dialog-shot");
        // Whenever the dialog shows, it is cancelled: the program always ends.
        screenshots::WaitFor(
            [&] {
                if (HWND open = FindThreadWindow(thread, kDialogCaption))
                    PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
                return closed.load();
            },
            INFINITE);
    });
    login::CLoginDialog dialog;
    const INT_PTR result = dialog.DoModal();
    closed = true;
    closer.join();
    return result == IDCANCEL ? 0 : 1;
}
