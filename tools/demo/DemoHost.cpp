// pelmora_demo BASE_URL LOG_FILE [--interactive] [--viewer]
// A small host: loads Pelmora.dll as an application would, points it at the service at
// BASE_URL, checks reachability, logs the demo account in silently, shows a refused login with
// its last error, and (with --interactive) runs the login dialog. The library's log goes to
// LOG_FILE, and with --viewer also to the log viewer's window (PelmoraLogView.exe, which the
// caller has started). Output is in the system code page, like every text of the library.
#include <windows.h>

#include <cstdio>
#include <string>

#include "pelmora.h"

namespace {

// The exports the demo uses, resolved at run time so that a missing one is reported by name.
struct Library {
    HMODULE module = nullptr;
    template <typename Fn>
    Fn Get(const char* name) const {
        FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
        if (!proc) std::printf("  (export %s is missing from this build)\n", name);
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    }
};

using InitFn = int(WINAPI*)(int, int, int, int);
using BoolFn = BOOL(WINAPI*)();
using SetTextFn = BOOL(WINAPI*)(const char*);
using LogFileSetFn = void(WINAPI*)(HANDLE);
using LogWndSetFn = void(WINAPI*)(HWND);
using LoginUserCreateFn = BOOL(WINAPI*)(const char*, const char*, const char*);
using LastErrorFn = int(WINAPI*)();
using LastMessageFn = BOOL(WINAPI*)(char*, unsigned int);
using TermFn = BOOL(WINAPI*)(int, int);

const char* YesNo(BOOL value) {
    return value ? "はい" : "いいえ";
}

void ShowLastError(const Library& lib) {
    auto code = lib.Get<LastErrorFn>("PeLmLastErrorGet");
    auto message = lib.Get<LastMessageFn>("PeLmLastErrorMessageGet");
    char text[512] = "";
    if (message) message(text, sizeof text);
    std::printf("  最後のエラー: %d 「%s」\n", code ? code() : -1, text);
}

void CheckReachability(const Library& lib) {
    const char* checks[][2] = {{"PeLmGetIsNetworkAvailable", "ネットワークアダプタ"},
                               {"PeLmIsInternetConnected", "インターネット接続"},
                               {"PeLmIsServerAlive", "サービスの応答"}};
    for (auto& check : checks)
        if (auto fn = lib.Get<BoolFn>(check[0])) std::printf("  %s: %s\n", check[1], YesNo(fn()));
}

void SilentLogins(const Library& lib) {
    auto login = lib.Get<LoginUserCreateFn>("PeLmLoginUserCreate");
    if (!login) return;
    std::printf("\n[3] デモ アカウントでログイン (DEMO001)\n");
    const BOOL accepted = login("DEMO001", "pelmora-demo", "demo");
    std::printf("  PeLmLoginUserCreate: %s\n", accepted ? "TRUE (ログイン成功)" : "FALSE");
    if (!accepted) ShowLastError(lib);
    std::printf("\n[4] 間違ったパスワードでログイン\n");
    const BOOL refused = login("DEMO001", "wrong-password", "demo");
    std::printf("  PeLmLoginUserCreate: %s\n", refused ? "TRUE" : "FALSE (拒否されました)");
    ShowLastError(lib);
}

// The one line a host adds to show its log in the viewer, plus the block it reads from. The
// viewer was started just before us, so its window may take a moment to appear.
void ShowLogInViewer(const Library& lib) {
    HWND viewer = nullptr;
    for (int i = 0; i < 200 && viewer == nullptr; ++i) {
        viewer = FindWindowA(PELMORA_LOGVIEW_CLASS, nullptr);
        if (viewer == nullptr) Sleep(50);
    }
    std::printf("  ログ ビューア: %s\n", viewer ? "接続しました" : "見つかりません");
    auto open = lib.Get<BoolFn>("PelmSharedLogOpen");
    auto setWindow = lib.Get<LogWndSetFn>("PeLmLogWndSet");
    if (viewer && open && setWindow && open()) setWindow(viewer);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: pelmora_demo BASE_URL LOG_FILE [--interactive]\n");
        return 2;
    }
    const std::string base = argv[1];
    bool interactive = false, viewer = false;
    for (int i = 3; i < argc; ++i) {
        interactive = interactive || std::string(argv[i]) == "--interactive";
        viewer = viewer || std::string(argv[i]) == "--viewer";
    }
    Library lib{LoadLibraryA("Pelmora.dll")};
    if (!lib.module) {
        std::printf("Pelmora.dll を読み込めません\n");
        return 1;
    }
    HANDLE log = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (auto setLog = lib.Get<LogFileSetFn>("PeLmLogFileSet")) setLog(log);

    std::printf("[1] ライブラリを初期化し、接続先をローカル サービスに設定\n");
    if (viewer) ShowLogInViewer(lib);
    if (auto init = lib.Get<InitFn>("PeHmInitialize")) init(0, 0, 0, 0);
    if (auto setTest = lib.Get<SetTextFn>("PeLmTestUrlSet"))
        setTest((base + "/Pelmora/Pelmora/CheckSqlServerRunning").c_str());
    if (auto setLogin = lib.Get<SetTextFn>("PeLmLoginUrlSet"))
        setLogin((base + "/Pelmora/Pelmora/Login").c_str());
    std::printf("  %s\n", base.c_str());

    std::printf("\n[2] 接続の確認\n");
    CheckReachability(lib);
    SilentLogins(lib);

    if (interactive) {
        std::printf("\n[5] ログイン ダイアログ (PeLmLogin)\n");
        if (auto loginDialog = lib.Get<BoolFn>("PeLmLogin")) {
            std::printf("  PeLmLogin: %s\n", loginDialog() ? "TRUE" : "FALSE");
            ShowLastError(lib);
        }
    }
    if (auto term = lib.Get<TermFn>("PeHmTerminate")) term(0, 0);
    if (auto setLog = lib.Get<LogFileSetFn>("PeLmLogFileSet")) setLog(nullptr);
    if (viewer) {
        if (auto setWindow = lib.Get<LogWndSetFn>("PeLmLogWndSet")) setWindow(nullptr);
    }
    if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
    std::fflush(stdout);
    return 0;
}
