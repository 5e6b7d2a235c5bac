// Shows the login dialog filled with sample values and holds it open while a script takes a
// picture of the screen: "login-dialog-shot.ready" appears beside the program once the dialog
// is up; the dialog is cancelled once "login-dialog-shot.taken" appears.
#include <windows.h>

#include <memory>

#include "login/LoginDialog.h"
#include "login/LoginManager.h"
#include "support/DialogDriver.h"
#include "support/TestSupport.h"

int main() {
    auto record = std::make_unique<login::LOGIN_INFO>();
    *record = login::LOGIN_INFO{"demo-company", "secret", "山田 太郎", true};
    login::CLoginManager::SetLoginInfo(std::move(record));

    const std::string ready = testing_support::ExecutableDirectory() + "\\login-dialog-shot.ready";
    const std::string taken = testing_support::ExecutableDirectory() + "\\login-dialog-shot.taken";
    login::CLoginDialog dialog;
    bool shown = false;
    testing_support::RunDriven(
        [&] { return dialog.DoModal(); },
        [&](testing_support::DialogDriver& driver) {
            HWND window = driver.WaitForWindow(testing_support::kDialogCaption);
            if (window == nullptr) return;
            shown = true;
            testing_support::WriteFileBytes(ready, "");
            testing_support::WaitUntil([&] { return testing_support::FileExists(taken); }, 60000);
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        });
    return shown ? 0 : 1;
}
