// Drives the library's modal windows (dialogs and message boxes) from a helper thread, as a
// user would: the thread under test runs the modal call, the driver finds its windows, reads
// and types into controls, clicks and closes message boxes. Observations are kept and checked
// after the modal call returned, on the test's own thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace testing_support {

// Top-level windows of `thread` with the given caption (UTF-16).
HWND FindThreadWindow(DWORD thread, const std::wstring& caption);

struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
    HICON icon = nullptr;
    HWND owner = nullptr;
};

class DialogDriver {
public:
    explicit DialogDriver(DWORD thread) : thread_(thread) {}

    // Waits for a visible top-level window of the thread under test; nullptr after the safety
    // limit (the modal call then failed to show it).
    HWND WaitForWindow(const std::wstring& caption);
    // Waits for the box, reads it and closes it with its OK button, then waits until it is gone.
    MessageBoxSeen CloseMessageBox();
    // Waits until `window` no longer exists (the dialog ended).
    bool WaitUntilClosed(HWND window);

    static std::wstring Text(HWND window);
    static void Type(HWND dialog, int id, const std::wstring& text);
    // A click as the button delivers it, posted so that a box the click opens cannot block us.
    static void Click(HWND dialog, int id);
    // Enter on the control that has the focus, through the dialog's keyboard handling.
    void PressEnter();
    HWND Focus() const;
    // The focus once it has reached `expected` (the dialog moves it after a box closes, on its
    // own thread); whatever holds it when the safety limit passes otherwise.
    HWND AwaitFocus(HWND expected) const;

private:
    DWORD thread_;
};

// Runs `modal` on this thread while `drive` runs on a helper thread with a driver for this
// thread; returns what `modal` returned, once both are done.
INT_PTR RunDriven(const std::function<INT_PTR()>& modal,
                  const std::function<void(DialogDriver&)>& drive);

// RunDriven for the login dialog: `script` gets the driver and the dialog once it is on screen.
INT_PTR RunLoginDialog(const std::function<INT_PTR()>& modal,
                       const std::function<void(DialogDriver&, HWND)>& script);

// The caption every message box of the library carries, and the dialog's own.
extern const wchar_t* const kBoxCaption;
extern const wchar_t* const kDialogCaption;

}  // namespace testing_support
