#include "support/DialogDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

namespace testing_support {

const wchar_t* const kBoxCaption = L"確認";
const wchar_t* const kDialogCaption = L"ログイン";

namespace {

struct Search {
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM state) {
    auto* search = reinterpret_cast<Search*>(state);
    if (IsWindowVisible(window) && DialogDriver::Text(window) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

}  // namespace

HWND FindThreadWindow(DWORD thread, const std::wstring& caption) {
    Search search{caption};
    EnumThreadWindows(thread, MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND DialogDriver::WaitForWindow(const std::wstring& caption) {
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindThreadWindow(thread_, caption)); });
    return window;
}

MessageBoxSeen DialogDriver::CloseMessageBox() {
    MessageBoxSeen seen;
    HWND box = WaitForWindow(kBoxCaption);
    if (box == nullptr) return seen;
    seen.caption = Text(box);
    seen.owner = GetWindow(box, GW_OWNER);
    std::vector<HWND> children;
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        if (ClassOf(child) != L"Static") continue;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            seen.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        } else if (!Text(child).empty()) {
            seen.text = Text(child);
        }
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitUntilClosed(box);
    return seen;
}

bool DialogDriver::WaitUntilClosed(HWND window) {
    return WaitUntil([&] { return !IsWindow(window); });
}

std::wstring DialogDriver::Text(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    return text.data();
}

void DialogDriver::Type(HWND dialog, int id, const std::wstring& text) {
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void DialogDriver::Click(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void DialogDriver::PressEnter() {
    HWND target = Focus();
    PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

HWND DialogDriver::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread_, &info) ? info.hwndFocus : nullptr;
}

HWND DialogDriver::AwaitFocus(HWND expected) const {
    WaitUntil([&] { return Focus() == expected; });
    return Focus();
}

INT_PTR RunDriven(const std::function<INT_PTR()>& modal,
                  const std::function<void(DialogDriver&)>& drive) {
    DWORD thread = GetCurrentThreadId();
    std::atomic<bool> modalDone{false};
    std::thread helper([&] {
        DialogDriver driver(thread);
        drive(driver);
        // A script that stopped early (a failed expectation) must not leave the test hanging:
        // cancel whatever is still open until the modal call returns.
        WaitUntil([&] {
            for (const wchar_t* caption : {kBoxCaption, kDialogCaption}) {
                if (HWND open = FindThreadWindow(thread, caption))
                    PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
            }
            return modalDone.load();
        });
    });
    INT_PTR result = modal();
    modalDone = true;
    helper.join();
    return result;
}

INT_PTR RunLoginDialog(const std::function<INT_PTR()>& modal,
                       const std::function<void(DialogDriver&, HWND)>& script) {
    return RunDriven(modal, [&](DialogDriver& driver) {
        HWND dialog = driver.WaitForWindow(kDialogCaption);
        ASSERT_NE(dialog, nullptr) << "the login dialog did not show";
        script(driver, dialog);
    });
}

}  // namespace testing_support
