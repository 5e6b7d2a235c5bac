// The window sink with a real window under the X display: the notification arrives while the
// log call waits, and the handler reads the very record just logged from the shared block.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "log/ChildProcess.h"
#include "pelmora.h"

namespace {

struct Seen {
    bool read = false;
    LOG_RECORD record{};
    bool callStillRunning = false;
    WPARAM wParam = 1;
    LPARAM lParam = 1;
};

// A top-level window owned by a thread of its own, as a host's log viewer would be.
class LogWindowThread {
public:
    LogWindowThread() {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, ready] { Run(ready); });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
    }
    ~LogWindowThread() {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    HWND window() const { return window_; }
    // Only read after a synchronous notification returned, or after the thread ended.
    const std::vector<Seen>& seen() const { return seen_; }
    std::atomic<bool> callRunning{false};

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<LogWindowThread*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == PELMORA_WM_LOG && self != nullptr) {
            Seen seen;
            seen.read = PelmSharedLogRead(&seen.record) != FALSE;
            seen.callStillRunning = self->callRunning.load();
            seen.wParam = wParam;
            seen.lParam = lParam;
            self->seen_.push_back(seen);
            return 0;
        }
        if (message == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void Run(HANDLE ready) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &LogWindowThread::Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "PelmoraTestLogViewer";
        RegisterClassA(&windowClass);
        window_ =
            CreateWindowExA(0, windowClass.lpszClassName, "log viewer", WS_OVERLAPPEDWINDOW, 10, 10,
                            300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        SetEvent(ready);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    }

    std::thread thread_;
    HWND window_ = nullptr;
    std::vector<Seen> seen_;
};

class LogWindow : public ::testing::Test {
protected:
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
    }
    void Log(const std::string& message, int kind = 1) {
        viewer_.callRunning = true;
        PelmLog(message.c_str(), "CLogWindowTest::Log", "LogWindowTest", 12, __DATE__, __TIME__,
                kind, 1, 0);
        viewer_.callRunning = false;
    }
    LogWindowThread viewer_;
};

TEST_F(LogWindow, HandlerReadsTheRecordJustLoggedWhileTheCallWaits) {
    ASSERT_NE(nullptr, viewer_.window());
    ASSERT_TRUE(PelmSharedLogOpen());
    PeLmLogWndSet(viewer_.window());
    for (int i = 0; i < 20; ++i) {
        std::string message = "記録 " + std::to_string(i);
        Log(message, i % 5);
        // The call returned only after the handler ran, so it has been seen already.
        ASSERT_EQ(static_cast<size_t>(i + 1), viewer_.seen().size());
        const Seen& seen = viewer_.seen().back();
        EXPECT_TRUE(seen.read);
        EXPECT_EQ(message, seen.record.message);
        EXPECT_EQ(i % 5, seen.record.kind);
        EXPECT_STREQ("CLogWindowTest::Log", seen.record.function);
        EXPECT_TRUE(seen.callStillRunning) << "the notification must be synchronous";
        EXPECT_EQ(0u, seen.wParam);
        EXPECT_EQ(0, seen.lParam);
    }
}

TEST_F(LogWindow, WindowIsNotifiedEvenWithoutAnOpenBlock) {
    PeLmLogWndSet(viewer_.window());
    Log("no block");
    ASSERT_EQ(1u, viewer_.seen().size());
    EXPECT_FALSE(viewer_.seen()[0].read);
}

TEST_F(LogWindow, EntryLoggedInAnotherProcessReachesThisWindow) {
    ASSERT_TRUE(PelmSharedLogOpen());
    std::string handle = std::to_string(reinterpret_cast<uintptr_t>(viewer_.window()));
    ASSERT_EQ(0u, log_tests::RunChild("log-to-window", handle));
    ASSERT_EQ(1u, viewer_.seen().size());
    const Seen& seen = viewer_.seen()[0];
    EXPECT_TRUE(seen.read);
    EXPECT_STREQ("子プロセスから", seen.record.message);
    EXPECT_STREQ("ChildProcess::LogToWindow", seen.record.function);
    EXPECT_EQ(77, seen.record.line);
    EXPECT_EQ(2, seen.record.indent);
}

}  // namespace
