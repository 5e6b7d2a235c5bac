// The login dialog with sample values, for a picture: "login-dialog-shot.ready" appears beside the
// program once it is up; it is cancelled once "login-dialog-shot.taken" appears.
#include <memory>

#include "login/LoginDialog.h"
#include "login/LoginManager.h"
#include "support/DialogDriver.h"
#include "support/TestSupport.h"

using namespace testing_support;

int main() {
    login::CLoginManager::SetLoginInfo(std::make_unique<login::LOGIN_INFO>(
        login::LOGIN_INFO{"demo-company", "secret", "山田 太郎", true}));
    login::CLoginDialog dialog;
    const INT_PTR result = RunDriven(
        [&] { return dialog.DoModal(); },
        [&](DialogDriver& driver) {
            HWND window = driver.WaitForWindow(kDialogCaption);
            if (window == nullptr) return;
            WriteFileBytes(ExecutableDirectory() + "\\login-dialog-shot.ready", "");
            WaitUntil(
                [] { return FileExists(ExecutableDirectory() + "\\login-dialog-shot.taken"); },
                60000);
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        });
    return result == IDCANCEL ? 0 : 1;
}
