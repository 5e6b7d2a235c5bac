#include "support/LogWindowThread.h"

#include "pelmora.h"

namespace testing_support {
namespace {
const UINT kFreeze = WM_APP + 1;
const char kClassName[] = "PelmoraTestLogWindow";
}  // namespace

LogWindowThread::LogWindowThread(Handler handler, std::function<void()> ownWork)
    : handler_(std::move(handler)), thawed_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready, ownWork] { Run(ready, ownWork); });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
}

LogWindowThread::~LogWindowThread() {
    Thaw();
    PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(thawed_);
}

void LogWindowThread::Freeze() {
    ResetEvent(thawed_);
    PostMessageA(window_, kFreeze, 0, 0);
}

void LogWindowThread::Thaw() {
    SetEvent(thawed_);
}

LRESULT CALLBACK LogWindowThread::Procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* self = reinterpret_cast<LogWindowThread*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message == PELMORA_WM_LOG) {
        self->handler_(wParam, lParam);
        return 0;
    }
    if (self != nullptr && message == kFreeze) {
        WaitForSingleObject(self->thawed_, INFINITE);
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

void LogWindowThread::Run(HANDLE ready, const std::function<void()>& ownWork) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &LogWindowThread::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);  // fails harmlessly when another window registered it
    window_ = CreateWindowExA(0, kClassName, "log window", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    SetEvent(ready);
    if (ownWork) ownWork();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
}

}  // namespace testing_support
