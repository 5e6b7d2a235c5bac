// The viewer keeping saving what it receives, with sample rows and a filter, for
// scripts/desktop-screenshot.sh (see ShotMarks.h). It is started from here, so it shows in the
// same desktop, and this program is the host that logs to it, through Pelmora.dll as any host.
#include <windows.h>

#include <string>

#include "ShotMarks.h"
#include "ViewerIds.h"
#include "pelmora.h"
#include "win32/Handle.h"

namespace {

const struct {
    const char* message;
    const char* function;
    const char* source;
    int kind;
    int indent;
} kEntries[] = {
    {"Init開始", "CPelmoraInterface::Init", "PelmoraInterface", 0, 3},
    {"サーバーが生きているか確認", "CPelmoraInterface::Test", "PelmoraInterface", 0, 1},
    {"接続先：\thttp://127.0.0.1/Login", "CHttpRequestUtil::BeginRequest", "HttpRequestUtil", 3, 2},
    {"ソフト表示", "CLoginDialog::OnOK", "LoginDialog", 1, 1},
    {"一行目\n二行目", "CLoginDialog::OnOK", "LoginDialog", 1, 1},
    {"C:\\temp\\pmqclient.exe", "CHttpRequestUtil::Run", "HttpRequestUtil", 2, 2},
    {"ログインに失敗しました", "CLoginRequest::Send", "LoginRequest", 4, 1},
    {"", "CCallScope::~CCallScope", "CallScope", 99, 0},
};

win32::KernelHandle StartViewer(const std::wstring& arguments) {
    std::wstring line =
        L"\"" + screenshots::ProgramDirectory() + L"\\PelmoraLogView.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return win32::KernelHandle();
    const win32::KernelHandle thread(started.hThread);
    return win32::KernelHandle(started.hProcess);
}

// The viewer's window once it is shown (it is listed while still being made).
HWND ShownWindowOf(HANDLE process) {
    for (HWND window = nullptr;
         (window = FindWindowExA(nullptr, window, PELMORA_LOGVIEW_CLASS, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == GetProcessId(process) && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

void ShowSampleRows(HWND viewer) {
    SendMessageW(viewer, WM_COMMAND, logview::kKeepSavingCommand, 0);
    SetWindowPos(viewer, nullptr, 0, 0, 1000, 560, SWP_NOZORDER);
    PeLmLogWndSet(viewer);
    int line = 0;
    for (const auto& entry : kEntries)
        PelmLog(entry.message, entry.function, entry.source, ++line, __DATE__, __TIME__, entry.kind,
                entry.indent, entry.kind == 4 ? 1 : 0);
    PeLmLogWndSet(nullptr);
    // Latin letters in lower case find "Login" in function names and addresses alike.
    SetDlgItemTextW(viewer, logview::kFilterEdit, L"login");
    SendMessageW(viewer, WM_TIMER, logview::kCatchUpNow, 0);
}

}  // namespace

int main() {
    const std::wstring kept = screenshots::ProgramDirectory() + L"\\logview-shot-kept.txt";
    const win32::KernelHandle viewer = StartViewer(L"/keep \"" + kept + L"\"");
    if (!viewer) return 1;
    HWND window = nullptr;
    const bool shown = screenshots::WaitFor(
        [&] { return (window = ShownWindowOf(viewer.get())) != nullptr; }, 20000);
    // The block must be open before the first notification, or the viewer reads nothing.
    if (shown && PelmSharedLogOpen()) {
        ShowSampleRows(window);
        screenshots::MarkReadyAndAwaitTaken(L"logview-shot");
        PelmSharedLogClose();
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(viewer.get(), 20000) != WAIT_OBJECT_0)
        TerminateProcess(viewer.get(), 1);
    DeleteFileW(kept.c_str());
    return shown ? 0 : 1;
}
