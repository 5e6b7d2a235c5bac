// A log window for tests. Made plain, it lives on the creating thread and copies each record out
// of the named block, as a host window in any process would: so the records are proved to travel
// through it. Made with a handler, it is a top-level window on a thread of its own, as a log
// viewer's would be, and the handler takes each notification on that thread.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "pelmora.h"
#include "win32/Handle.h"
#include "win32/Strings.h"

namespace testing_support {

// The record in the named block, read without the library; false when no process holds it.
inline bool ReadNamedLogBlock(LOG_RECORD& record) {
    win32::KernelHandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, "SharedLogMemory"));
    win32::KernelHandle mutex(
        OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "SharedLogMemoryMutex"));
    if (!mapping || !mutex) return false;
    win32::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof record));
    const DWORD wait = view ? WaitForSingleObject(mutex.get(), INFINITE) : WAIT_FAILED;
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
    std::memcpy(&record, view.get(), sizeof record);
    ReleaseMutex(mutex.get());
    return true;
}

class LogCapture {
public:
    // The block is opened after this is made: its named objects are looked up on each notification.
    LogCapture() : window_(Create(this, HWND_MESSAGE)) {}
    // `ownWork` runs on the window's thread before it pumps messages: a UI thread that logs.
    explicit LogCapture(
        std::function<void()> handler, std::function<void()> ownWork = [] {})
        : handler_(std::move(handler)) {
        win32::KernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        thread_ = std::thread([this, event = ready.get(), ownWork] {
            window_ = Create(this, nullptr);
            SetEvent(event);
            ownWork();
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        });
        WaitForSingleObject(ready.get(), INFINITE);
    }
    ~LogCapture() {
        if (!thread_.joinable()) {
            DestroyWindow(window_);
            return;
        }
        PostThreadMessageA(GetWindowThreadProcessId(window_, nullptr), WM_QUIT, 0, 0);
        thread_.join();  // the system destroys the window with its thread
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The library's log window; the block must be open, or the notifications bring nothing.
    HWND window() const { return window_; }
    const std::vector<LOG_RECORD>& records() const { return records_; }
    int notifications() const { return notifications_; }
    void Clear() {
        records_.clear();
        notifications_ = 0;
    }
    // "kind|indent|flag|function|source|message" per record, for compact expectations.
    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        for (const LOG_RECORD& r : records_)
            entries.push_back(win32::Format("%d|%d|%d|%s|%s|%s", r.kind, r.indent, r.flag,
                                            r.function, r.source, r.message));
        return entries;
    }

private:
    static HWND Create(LogCapture* self, HWND parent) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "PelmoraTestLogCapture";
        RegisterClassA(&windowClass);  // fails harmlessly once the class exists
        HWND window =
            CreateWindowExA(0, windowClass.lpszClassName, "log window", WS_OVERLAPPEDWINDOW, 10, 10,
                            300, 200, parent, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (parent == nullptr) ShowWindow(window, SW_SHOWNOACTIVATE);
        return window;
    }
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<LogCapture*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message != PELMORA_WM_LOG || self == nullptr)
            return DefWindowProcA(window, message, wParam, lParam);
        ++self->notifications_;
        LOG_RECORD record;
        if (self->handler_)
            self->handler_();
        else if (ReadNamedLogBlock(record))
            self->records_.push_back(record);
        return 0;
    }

    std::function<void()> handler_;
    HWND window_ = nullptr;
    std::vector<LOG_RECORD> records_;
    int notifications_ = 0;
    std::thread thread_;
};

// The last error's message as a host reads it through the exports.
inline std::string LastErrorMessage() {
    char buffer[512] = {};
    PeLmLastErrorMessageGet(buffer, sizeof buffer);
    return buffer;
}

}  // namespace testing_support
