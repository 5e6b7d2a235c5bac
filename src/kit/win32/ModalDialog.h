// A modal dialog built from a dialog template in a module's resources. Subclasses override the
// handlers; the window procedure lets no exception through: one raised by a handler is shown
// to the user in a stop-icon box and the dialog stays open.
#pragma once

#include <windows.h>

#include <string>

#include "win32/DialogFont.h"

namespace win32 {

class ModalDialog {
public:
    ModalDialog(HMODULE module, UINT templateId);
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Runs the dialog on the calling thread until it ends: IDOK or IDCANCEL, -1 when the dialog
    // could not be created (no display, no template).
    INT_PTR DoModal(HWND owner = nullptr);

protected:
    // After the controls exist. TRUE lets the system put the focus on the first tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Enter, the OK button. The default ends the dialog with IDOK.
    virtual void OnOK() { EndDialog(IDOK); }
    // Escape, the Cancel button, the close box. The default ends the dialog with IDCANCEL.
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    HWND Window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    void EndDialog(INT_PTR result) { ::EndDialog(window_, result); }

    // Texts of controls. User input is held in the system code page; built-in texts are
    // Shift_JIS and shown through the wide API so they read correctly on any code page.
    std::string GetItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    void SetItemBuiltInText(int id, const std::string& cp932);
    void SetBuiltInCaption(const std::string& cp932);
    bool IsItemChecked(int id) const;
    void SetItemChecked(int id, bool checked);
    void FocusItem(int id);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam);
    BOOL InitDialog();
    void Command(WORD id);
    void ReportHandlerFailure();
    void CentreIfAtOrigin();

    HMODULE module_;
    UINT templateId_;
    HWND window_ = nullptr;
    FontHandle fallbackFont_;  // only while the template's face is missing
};

}  // namespace win32
