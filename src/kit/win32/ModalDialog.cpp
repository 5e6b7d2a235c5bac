#include "win32/ModalDialog.h"

#include "win32/ActivationScope.h"
#include "win32/Exception.h"
#include "win32/MessageBox.h"
#include "win32/Strings.h"
#include "win32/WindowText.h"

namespace win32 {
namespace {

// Shown when a handler fails with an exception that carries no text of its own.
const char* const kInternalFailureText = "内部エラーが発生しました。";

}  // namespace

ModalDialog::ModalDialog(HMODULE module, UINT templateId)
    : module_(module), templateId_(templateId) {}

INT_PTR ModalDialog::DoModal(HWND owner) {
    const ActivationScope ownControls;
    INT_PTR result = DialogBoxParamW(module_, MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
    fallbackFont_.reset();
    return result;
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<ModalDialog*>(lParam)->window_ = window;
    }
    auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    // The window procedure is called by the system: an exception must end here.
    try {
        return dialog->HandleMessage(message, wParam);
    } catch (...) {
        dialog->ReportHandlerFailure();
        return TRUE;
    }
}

INT_PTR ModalDialog::HandleMessage(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_INITDIALOG:
            return InitDialog();
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL ModalDialog::InitDialog() {
    fallbackFont_ = ReplaceMissingDialogFont(window_);
    BOOL placeFocus = OnInitDialog();
    CentreIfAtOrigin();
    return placeFocus;
}

void ModalDialog::Command(WORD id) {
    if (id == IDOK) OnOK();
    if (id == IDCANCEL) OnCancel();
}

// Called inside a catch block. The dialog stays open so the user can try again or cancel.
void ModalDialog::ReportHandlerFailure() {
    try {
        // A failure the host hears of under a code of its own (no network, no service) carries a
        // text for the last error, not for a box: the box shows only the text a failure gives of
        // itself.
        const ErrorReport error = DescribeCurrentException();
        std::string text = error.hostCode == PELMORA_ERROR_OTHER ? error.hostText : "";
        if (text.empty()) text = kInternalFailureText;
        ShowMessageBox(window_, text, MB_ICONSTOP);
    } catch (...) {
        // Not even the box could be had (out of memory): the dialog simply stays open, and nothing
        // leaves the window procedure.
    }
}

// A template placed at the origin asks to be centred: on the owner when there is one, else on
// the work area of the screen.
void ModalDialog::CentreIfAtOrigin() {
    RECT own{};
    GetWindowRect(window_, &own);
    HWND owner = GetWindow(window_, GW_OWNER);
    RECT area{};
    if (owner != nullptr) {
        GetWindowRect(owner, &area);
        POINT origin{0, 0};
        ClientToScreen(owner, &origin);
        if (own.left != origin.x || own.top != origin.y) return;
    } else {
        if (own.left != 0 || own.top != 0) return;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string ModalDialog::GetItemText(int id) const {
    return ToNarrow(WindowText(Item(id)));
}

void ModalDialog::SetItemText(int id, const std::string& text) {
    SetWindowTextW(Item(id), ToWide(text).c_str());
}

void ModalDialog::SetItemBuiltInText(int id, const std::string& cp932) {
    SetWindowTextW(Item(id), FromBuiltIn(cp932).c_str());
}

void ModalDialog::SetBuiltInCaption(const std::string& cp932) {
    SetWindowTextW(window_, FromBuiltIn(cp932).c_str());
}

bool ModalDialog::IsItemChecked(int id) const {
    return IsDlgButtonChecked(window_, id) == BST_CHECKED;
}

void ModalDialog::SetItemChecked(int id, bool checked) {
    CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void ModalDialog::FocusItem(int id) {
    // WM_NEXTDLGCTL moves the focus the way the dialog manager does, default button included.
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

}  // namespace win32
