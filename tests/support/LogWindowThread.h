// A host's log window: a top-level window owned by a thread of its own, as a log viewer would
// be. Its handler for PELMORA_WM_LOG runs on that thread.
#pragma once

#include <windows.h>

#include <functional>
#include <thread>

namespace testing_support {

class LogWindowThread {
public:
    using Handler = std::function<void(WPARAM, LPARAM)>;

    // `ownWork` runs on the window's thread once the window exists, before the thread starts
    // pumping messages: a host's UI thread that logs while its window is being notified.
    explicit LogWindowThread(Handler handler, std::function<void()> ownWork = nullptr);
    ~LogWindowThread();
    LogWindowThread(const LogWindowThread&) = delete;
    LogWindowThread& operator=(const LogWindowThread&) = delete;

    HWND window() const { return window_; }
    // Makes the window's thread stop answering messages until Thaw(): a hung window.
    void Freeze();
    void Thaw();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready, const std::function<void()>& ownWork);

    Handler handler_;
    HANDLE thawed_;
    HWND window_ = nullptr;
    std::thread thread_;
};

}  // namespace testing_support
