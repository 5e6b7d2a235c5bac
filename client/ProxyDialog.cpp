#include "ProxyDialog.h"

#include <windows.h>

#include "ProxyDialogIds.h"
#include "win32/WindowText.h"

namespace client {

const wchar_t kProxyDialogCaption[] = L"プロキシ認証";

namespace {

struct DialogState {
    std::wstring message;
    ProxyCredentials credentials;
    DialogTime time;
};

// Either ends the dialog as a cancel; typing restarts the first.
constexpr UINT_PTR kIdleTimer = 1, kLimitTimer = 2;

void InitTexts(HWND dialog, const DialogState& state) {
    SetWindowTextW(dialog, kProxyDialogCaption);
    SetDlgItemTextW(dialog, IDC_PROXY_MESSAGE, state.message.c_str());
    SetDlgItemTextW(dialog, IDC_PROXY_USER_LABEL, L"ユーザー名:");
    SetDlgItemTextW(dialog, IDC_PROXY_PASSWORD_LABEL, L"パスワード:");
    SetDlgItemTextW(dialog, IDOK, L"OK");
    SetDlgItemTextW(dialog, IDCANCEL, L"キャンセル");
    SendDlgItemMessageW(dialog, IDC_PROXY_USER, EM_LIMITTEXT, 256, 0);
    SendDlgItemMessageW(dialog, IDC_PROXY_PASSWORD, EM_LIMITTEXT, 256, 0);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            state = reinterpret_cast<DialogState*>(lParam);
            InitTexts(dialog, *state);
            SetTimer(dialog, kIdleTimer, state->time.idleMs, nullptr);
            SetTimer(dialog, kLimitTimer, state->time.leftMs, nullptr);
            SetForegroundWindow(dialog);
            return TRUE;
        case WM_TIMER:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == EN_CHANGE && state) {
                SetTimer(dialog, kIdleTimer, state->time.idleMs, nullptr);
                return TRUE;
            }
            if (LOWORD(wParam) == IDOK) {
                state->credentials.user = win32::WindowText(GetDlgItem(dialog, IDC_PROXY_USER));
                state->credentials.password =
                    win32::WindowText(GetDlgItem(dialog, IDC_PROXY_PASSWORD));
                if (state->credentials.user.empty()) {
                    MessageBeep(MB_ICONWARNING);
                    SetFocus(GetDlgItem(dialog, IDC_PROXY_USER));
                    return TRUE;
                }
                SetDlgItemTextW(dialog, IDC_PROXY_PASSWORD, L"");
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

std::optional<ProxyCredentials> AskProxyCredentials(const std::wstring& proxyName, bool retry,
                                                    DialogTime& time) {
    if (time.leftMs == 0) return std::nullopt;
    DialogState state;
    state.time = time;
    // The proxy by name and port, so the user sees whom the password goes to.
    state.message = L"プロキシ " + proxyName + L" が認証を求めています。";
    if (retry)
        state.message += L"\nユーザー名またはパスワードが違います。もう一度入力してください。";
    const ULONGLONG opened = GetTickCount64();
    const INT_PTR result =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROXY_CREDENTIALS), nullptr,
                        DialogProc, reinterpret_cast<LPARAM>(&state));
    const ULONGLONG open = GetTickCount64() - opened;
    time.leftMs = open < time.leftMs ? static_cast<DWORD>(time.leftMs - open) : 0;
    if (result != IDOK) return std::nullopt;
    return state.credentials;
}

}  // namespace client
