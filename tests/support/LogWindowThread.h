// A host's log window: a top-level window on a thread of its own, as a log viewer's would be.
// Its handler for PELMORA_WM_LOG runs on that thread.
#pragma once

#include <windows.h>

#include <functional>
#include <thread>

#include "pelmora.h"
#include "win32/Handle.h"

namespace testing_support {

// A window of this thread whose procedure finds `owner` in the window's user data.
inline HWND CreateOwnedWindow(const char* className, WNDPROC procedure, void* owner, HWND parent) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);  // fails harmlessly once the class exists
    HWND window = CreateWindowExA(0, className, "log window", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                                  parent, nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

class LogWindowThread {
public:
    using Handler = std::function<void(WPARAM, LPARAM)>;

    // `ownWork` runs on the window's thread before it pumps messages: a UI thread that logs.
    explicit LogWindowThread(Handler handler, std::function<void()> ownWork = nullptr)
        : handler_(std::move(handler)) {
        win32::KernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        thread_ = std::thread([this, event = ready.get(), ownWork] {
            window_ = CreateOwnedWindow("PelmoraTestLogWindow", Procedure, this, nullptr);
            ShowWindow(window_, SW_SHOWNOACTIVATE);
            SetEvent(event);
            if (ownWork) ownWork();
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        });
        WaitForSingleObject(ready.get(), INFINITE);
    }
    ~LogWindowThread() {
        Thaw();
        PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }

    HWND window() const { return window_; }
    // Makes the window's thread stop answering messages until Thaw(): a hung window.
    void Freeze() {
        ResetEvent(thawed_.get());
        PostMessageA(window_, kFreeze, 0, 0);
    }
    void Thaw() { SetEvent(thawed_.get()); }

private:
    static constexpr UINT kFreeze = WM_APP + 1;
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<LogWindowThread*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == PELMORA_WM_LOG) self->handler_(wParam, lParam);
        if (self != nullptr && message == kFreeze)
            WaitForSingleObject(self->thawed_.get(), INFINITE);
        if (message == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    Handler handler_;
    win32::KernelHandle thawed_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HWND window_ = nullptr;
    std::thread thread_;
};

}  // namespace testing_support
