// The log call to a window on the calling thread while another process holds the shared block's
// mutex (a frozen or hostile process of the session): how long one entry and 100 entries keep
// the host, and that the window gets the next record and the count of those dropped once the
// holder lets go. The same program plays the holder.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/BenchClock.h"
#include "pelmora.h"

namespace {

const char kHoldArgument[] = "--hold-block";

// The holder: takes the mutex, says so, and lets go when told to (or dies with its parent).
int HoldBlock(const char* held, const char* release) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "SharedLogMemoryMutex");
    HANDLE heldEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, held);
    HANDLE releaseEvent = OpenEventA(SYNCHRONIZE, FALSE, release);
    if (!mutex || !heldEvent || !releaseEvent) return 1;
    WaitForSingleObject(mutex, INFINITE);
    SetEvent(heldEvent);
    WaitForSingleObject(releaseEvent, 120000);
    ReleaseMutex(mutex);
    return 0;
}

class Holder {
public:
    Holder() {
        const std::string tag = std::to_string(GetCurrentProcessId());
        const std::string held = "pelmora-bench-held-" + tag,
                          release = "pelmora-bench-release-" + tag;
        held_ = CreateEventA(nullptr, TRUE, FALSE, held.c_str());
        release_ = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command =
            "\"" + std::string(self) + "\" " + kHoldArgument + " " + held + " " + release;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process)) {
            CloseHandle(process.hThread);
            process_ = process.hProcess;
        }
        HANDLE both[] = {held_, process_};
        ok_ = process_ && WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
    }
    ~Holder() {
        SetEvent(release_);
        if (process_ && WaitForSingleObject(process_, 30000) != WAIT_OBJECT_0)
            TerminateProcess(process_, 1);
        for (HANDLE handle : {held_, release_, process_})
            if (handle) CloseHandle(handle);
    }
    bool ok() const { return ok_; }

private:
    HANDLE held_ = nullptr, release_ = nullptr, process_ = nullptr;
    bool ok_ = false;
};

LOG_RECORD g_last;
int g_received = 0;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != PELMORA_WM_LOG) return DefWindowProcA(window, message, wParam, lParam);
    if (PelmSharedLogRead(&g_last)) ++g_received;
    return 0;
}

HWND CreateLogWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PelmoraBenchHeldBlock";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

// Seconds that `count` entries took, and the first of them.
void LogWhileHeld(int count) {
    Holder holder;
    if (!holder.ok()) {
        std::printf("  cannot start the holding process\n");
        return;
    }
    const double start = NowSeconds();
    double first = 0;
    for (int i = 0; i < count; ++i) {
        PelmLog("held", "Bench", "HeldBlockBench", i, __DATE__, __TIME__, 1, 0, 0);
        if (i == 0) first = NowSeconds() - start;
    }
    const double all = NowSeconds() - start;
    std::printf("  %3d entries with the block held: first %7.0f ms, all %7.0f ms\n", count,
                first * 1000, all * 1000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], kHoldArgument) == 0) return HoldBlock(argv[2], argv[3]);
    if (!PelmSharedLogOpen()) {
        std::printf("held block: cannot open the shared block\n");
        return 1;
    }
    PeLmLogWndSet(CreateLogWindow());
    std::printf("log window on this thread, the block's mutex held by another process\n");
    for (int count : {1, 100}) {
        LogWhileHeld(count);
        g_received = 0;
        PelmLog("after", "Bench", "HeldBlockBench", 0, __DATE__, __TIME__, 1, 0, 0);
        std::printf("  after the holder let go: %d records, the last \"%s\"\n", g_received,
                    g_last.message);
    }
    PeLmLogWndSet(nullptr);
    PelmSharedLogClose();
    return 0;
}
