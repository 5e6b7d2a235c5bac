// The log call with the viewer as the log window against the same call with a bare window of
// ours that only reads the shared block, each in a process of its own. Alternating rounds in
// one run, so machine and Wine noise hit both alike. While the viewer takes records, a second
// thread asks its window for a reply now and then: how long the UI thread keeps it waiting.
// Then the viewer's store alone, filled to its bound with a typical mix of entries: what a
// record costs and what the store holds at the bound.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "RecordStore.h"
#include "common/BenchClock.h"
#include "pelmora.h"
#include "win32/Process.h"

namespace {

const int kRounds = 40;
const int kEntriesPerRound = 1000;
const char kBareClass[] = "PelmoraBenchBareLogWindow";

LRESULT CALLBACK BareProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static LOG_RECORD record;
    if (message == PELMORA_WM_LOG) {
        PelmSharedLogRead(&record);
        return 0;
    }
    if (message == WM_CLOSE) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

// The reference: a window that reads each record and keeps nothing.
int RunBareWindow() {
    PelmSharedLogOpen();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = BareProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kBareClass;
    RegisterClassA(&windowClass);
    CreateWindowExA(0, kBareClass, "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                    windowClass.hInstance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    PelmSharedLogClose();
    return 0;
}

struct Child {
    win32::KernelHandle process;
    HWND window = nullptr;
};

Child Start(const std::wstring& program, const std::wstring& arguments, const char* windowClass) {
    Child child;
    child.process = win32::StartProcess(program, L"\"" + program + L"\" " + arguments);
    // The benchmark runs alone in its Wine world: the class names the one window.
    for (int i = 0; child.process && i < 600 && child.window == nullptr; ++i) {
        child.window = FindWindowA(windowClass, nullptr);
        if (child.window == nullptr) Sleep(50);
    }
    return child;
}

void Stop(Child& child) {
    if (!child.process) return;
    PostMessageA(child.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(child.process.get(), 30000) != WAIT_OBJECT_0)
        TerminateProcess(child.process.get(), 1);
}

double Round(HWND window) {
    PeLmLogWndSet(window);
    double start = NowSeconds();
    for (int i = 0; i < kEntriesPerRound; ++i)
        PelmLog("サーバーが生きているか確認", "CPelmoraInterface::Test", "PelmoraInterface", i,
                __DATE__, __TIME__, 0, 1, 0);
    double elapsed = NowSeconds() - start;
    PeLmLogWndSet(nullptr);
    return elapsed;
}

// Replies of the viewer's window to WM_NULL while `running`, in milliseconds.
std::vector<double> PingWhile(HWND window, const std::atomic<bool>& running) {
    std::vector<double> replies;
    while (running.load()) {
        double start = NowSeconds();
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        replies.push_back((NowSeconds() - start) * 1000);
        Sleep(20);
    }
    return replies;
}

LOG_RECORD Entry(const char* message, const char* function, const char* source, int kind,
                 int indent) {
    LOG_RECORD record{};
    std::snprintf(record.time, sizeof record.time, "2026/12/07 10:00:00");
    std::snprintf(record.message, sizeof record.message, "%s", message);
    std::snprintf(record.function, sizeof record.function, "%s", function);
    std::snprintf(record.source, sizeof record.source, "%s", source);
    record.kind = kind;
    record.indent = indent;
    record.line = 120;
    return record;
}

// A host's log over a sign-in: steps, findings, addresses, an error, the ends of calls.
void PrintStoreAtItsBound() {
    const LOG_RECORD mix[] = {
        Entry("Init開始", "CPelmoraInterface::Init", "PelmoraInterface", 0, 1),
        Entry("サーバーが生きているか確認", "CPelmoraInterface::Test", "PelmoraInterface", 0, 2),
        Entry("接続先：\thttp://pelmora.example.jp/Pelmora/Pelmora/CheckSqlServerRunning",
              "CHttpRequestUtil::BeginRequest", "HttpRequestUtil", 3, 3),
        Entry("HTTP ステータス 200 を受信しました (412 バイト)", "CHttpRequestUtil::Receive",
              "HttpRequestUtil", 2, 3),
        Entry("ログイン要求を送信します", "CLoginRequest::Send", "LoginRequest", 0, 2),
        Entry("ログインに失敗しました：\tユーザー名またはパスワードが違います",
              "CLoginRequest::Send", "LoginRequest", 4, 2),
        Entry("", "CCallScope::~CCallScope", "CallScope", 99, 1),
    };
    logview::RecordStore store;
    size_t texts = 0;
    for (size_t i = 0; store.dropped() == 0 && i <= store.capacity(); ++i) {
        const LOG_RECORD& entry = mix[i % std::size(mix)];
        for (const char* field : {entry.time, entry.message, entry.function, entry.source})
            texts += std::strlen(field);
        store.Add(entry);
    }
    const double held = static_cast<double>(store.size());
    const double mebibyte = 1 << 20;
    std::printf("viewer's store filled with a typical mix (%.0f bytes of text per record)\n",
                static_cast<double>(texts) / (held + store.dropped()));
    std::printf("  bytes per record               : %10.1f  (whole LOG_RECORDs: %u)\n",
                static_cast<double>(store.bytes()) / held,
                static_cast<unsigned>(sizeof(LOG_RECORD)));
    std::printf(
        "  memory at the bound            : %10.1f MiB for %.0f records (bounds %u "
        "records, %.0f MiB)\n",
        static_cast<double>(store.bytes()) / mebibyte, held,
        static_cast<unsigned>(store.capacity()), static_cast<double>(store.maxBytes()) / mebibyte);
}

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path, length);
    return text.substr(0, text.find_last_of(L'\\'));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--bare-window") return RunBareWindow();
    const std::wstring directory = ProgramDirectory();
    Child viewer = Start(directory + L"\\PelmoraLogView.exe", L"", PELMORA_LOGVIEW_CLASS);
    Child bare = Start(directory + L"\\logview_bench.exe", L"--bare-window", kBareClass);
    if (viewer.window == nullptr || bare.window == nullptr || !PelmSharedLogOpen()) {
        std::printf("viewer bench: the viewer or the bare window did not start\n");
        Stop(viewer);
        Stop(bare);
        return 1;
    }
    Round(viewer.window);  // warm-up: code, the store's first chunks, the bare side alike
    Round(bare.window);
    double viewerTime = 0, bareTime = 0;
    std::atomic<bool> pinging{true};
    std::vector<double> replies;
    std::thread pinger([&] { replies = PingWhile(viewer.window, pinging); });
    for (int round = 0; round < kRounds; ++round) {
        viewerTime += Round(viewer.window);
        bareTime += Round(bare.window);
    }
    pinging = false;
    pinger.join();
    PelmSharedLogClose();
    Stop(viewer);
    Stop(bare);

    const double entries = static_cast<double>(kRounds) * kEntriesPerRound;
    std::sort(replies.begin(), replies.end());
    std::printf("log window in another process, %d entries each, %d alternating rounds\n",
                kRounds * kEntriesPerRound, kRounds);
    std::printf("  PelmLog -> bare reading window : %10.0f entries/s\n", entries / bareTime);
    std::printf("  PelmLog -> PelmoraLogView      : %10.0f entries/s\n", entries / viewerTime);
    std::printf("  ratio viewer / bare (time)     : %10.2f  (target <= 1.20)\n",
                viewerTime / bareTime);
    if (!replies.empty())
        std::printf("  viewer's replies meanwhile     : median %.1f ms, slowest %.1f ms (%d)\n",
                    replies[replies.size() / 2], replies.back(), static_cast<int>(replies.size()));
    PrintStoreAtItsBound();
    return 0;
}
