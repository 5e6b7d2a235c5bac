// Drives the library's modal windows from a helper thread, as a user would; what it sees is
// checked after the modal call returned, on the test's own thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "support/TestSupport.h"
#include "win32/WindowText.h"

namespace testing_support {

// The caption every message box of the library carries, and the dialog's own.
inline const wchar_t* const kBoxCaption = L"確認";
inline const wchar_t* const kDialogCaption = L"ログイン";

struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
    HICON icon = nullptr;
    HWND owner = nullptr;
};

inline HWND FindThreadWindow(DWORD thread, const std::wstring& caption) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, caption.c_str())) != nullptr) {
        if (IsWindowVisible(window) && GetWindowThreadProcessId(window, nullptr) == thread) break;
    }
    return window;
}

class DialogDriver {
public:
    explicit DialogDriver(DWORD thread) : thread_(thread) {}

    HWND WaitForWindow(const std::wstring& caption) {
        HWND window = nullptr;
        WaitUntil([&] { return (window = FindThreadWindow(thread_, caption)) != nullptr; });
        return window;
    }
    // Waits for the box, reads it, presses its OK button and waits until it is gone.
    MessageBoxSeen CloseMessageBox() {
        HWND box = WaitForWindow(kBoxCaption);
        if (box == nullptr) return {};
        MessageBoxSeen seen{Text(box), L"", nullptr, GetWindow(box, GW_OWNER)};
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!(SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_STATIC)) continue;
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                seen.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            else if (!Text(child).empty())
                seen.text = Text(child);
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        WaitUntil([box] { return !IsWindow(box); });
        return seen;
    }

    static std::wstring Text(HWND window) { return win32::WindowText(window); }
    static void Type(HWND dialog, int id, const std::wstring& text) {
        SetDlgItemTextW(dialog, id, text.c_str());
    }
    // Posted, so that a box the click opens cannot block the driver.
    static void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    // Enter on the control that has the focus, through the dialog's keyboard handling.
    void PressEnter() {
        HWND target = Focus();
        PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
    }
    // The dialog moves the focus on its own thread after a box closes.
    bool AwaitFocus(HWND expected) const {
        return WaitUntil([&] { return Focus() == expected; });
    }

private:
    HWND Focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread_, &info) ? info.hwndFocus : nullptr;
    }

    DWORD thread_;
};

// Runs `modal` on this thread and `drive` on a helper thread, which then cancels whatever is
// still open until the modal call returns, so that a script that stopped early cannot hang.
inline INT_PTR RunDriven(const std::function<INT_PTR()>& modal,
                         const std::function<void(DialogDriver&)>& drive) {
    const DWORD thread = GetCurrentThreadId();
    std::atomic<bool> modalDone{false};
    std::thread helper([&] {
        DialogDriver driver(thread);
        drive(driver);
        WaitUntil([&] {
            for (const wchar_t* caption : {kBoxCaption, kDialogCaption}) {
                if (HWND open = FindThreadWindow(thread, caption))
                    PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
            }
            return modalDone.load();
        });
    });
    const INT_PTR result = modal();
    modalDone = true;
    helper.join();
    return result;
}

}  // namespace testing_support
