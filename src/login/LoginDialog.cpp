#include "login/LoginDialog.h"

#include <memory>

#include "frame/host/Module.h"
#include "login/LoginManager.h"
#include "transport/PelmoraInterface.h"
#include "res/resource.h"
#include "win32/MessageBox.h"

namespace login {
namespace {

const char* const kCaption = "ログイン";
const char* const kCompanyIdLabel = "ID:";
const char* const kPasswordLabel = "パスワード:";
const char* const kUserNameLabel = "使用者名:";
const char* const kOkText = "OK";
const char* const kCancelText = "キャンセル";

const char* const kCompanyIdMissing = "IDを入力してください。";
const char* const kPasswordMissing = "パスワードを入力してください。";
const char* const kUserNameMissing = "使用者名を入力してください。";
const char* const kLoginRefused = "ログインに失敗しました。\nIDとパスワードを確認してください。";

// The name of the signed-in Windows account; "" when it cannot be read.
std::string WindowsAccountName() {
    char name[1024] = {};
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) ? std::string(name) : std::string();
}

}  // namespace

CLoginDialog::CLoginDialog() : ModalDialog(frame::GetLibraryModule(), IDD_LOGIN) {}

BOOL CLoginDialog::OnInitDialog() {
    ShowBuiltInTexts();
    FillFromCurrentRecord();
    DoDataExchange(false);
    return TRUE;
}

// The template holds the same texts; setting them from the built-in Shift_JIS bytes through the
// wide API keeps them readable even where the template's texts were narrowed on the way.
void CLoginDialog::ShowBuiltInTexts() {
    SetBuiltInCaption(kCaption);
    SetItemBuiltInText(IDC_LOGIN_COMPANY_ID_LABEL, kCompanyIdLabel);
    SetItemBuiltInText(IDC_LOGIN_PASSWORD_LABEL, kPasswordLabel);
    SetItemBuiltInText(IDC_LOGIN_USER_NAME_LABEL, kUserNameLabel);
    SetItemBuiltInText(IDOK, kOkText);
    SetItemBuiltInText(IDCANCEL, kCancelText);
}

// A record saved for reuse fills the whole form; otherwise only the user name is offered, as
// the Windows account name, and the record's own user name is not shown.
void CLoginDialog::FillFromCurrentRecord() {
    const auto record = CLoginManager::GetLoginInfo();
    if (record != nullptr && record->saveFlag) {
        companyId_ = record->companyId;
        password_ = record->password;
        userName_ = record->userName;
        saveFlag_ = true;
        return;
    }
    userName_ = WindowsAccountName();
    saveFlag_ = record == nullptr;
}

void CLoginDialog::DoDataExchange(bool fromControls) {
    if (fromControls) {
        companyId_ = GetItemText(IDC_LOGIN_COMPANY_ID);
        password_ = GetItemText(IDC_LOGIN_PASSWORD);
        userName_ = GetItemText(IDC_LOGIN_USER_NAME);
        saveFlag_ = IsItemChecked(IDC_LOGIN_SAVE_FLAG);
    } else {
        SetItemText(IDC_LOGIN_COMPANY_ID, companyId_);
        SetItemText(IDC_LOGIN_PASSWORD, password_);
        SetItemText(IDC_LOGIN_USER_NAME, userName_);
        SetItemChecked(IDC_LOGIN_SAVE_FLAG, saveFlag_);
    }
}

void CLoginDialog::OnBnClickedOk() {
    DoDataExchange(true);
    if (!AllFieldsFilled()) return;
    transport::CPelmoraInterface service;
    if (!service.Login(companyId_, password_)) {
        // The fields keep what the user typed so that one of them can be corrected.
        win32::ShowMessageBox(Window(), kLoginRefused);
        return;
    }
    MakeCurrentAndSave();
    ModalDialog::OnOK();
}

// A field of blanks counts as filled: only an empty one is reported.
bool CLoginDialog::AllFieldsFilled() {
    struct Field {
        const std::string& value;
        int control;
        const char* message;
    };
    const Field fields[] = {{companyId_, IDC_LOGIN_COMPANY_ID, kCompanyIdMissing},
                            {password_, IDC_LOGIN_PASSWORD, kPasswordMissing},
                            {userName_, IDC_LOGIN_USER_NAME, kUserNameMissing}};
    for (const Field& field : fields) {
        if (field.value.empty()) {
            win32::ShowMessageBox(Window(), field.message);
            FocusItem(field.control);
            return false;
        }
    }
    return true;
}

// A failed save is logged by the store; the record still serves the rest of the operation.
void CLoginDialog::MakeCurrentAndSave() const {
    auto record = std::make_shared<LOGIN_INFO>();
    record->companyId = companyId_;
    record->password = password_;
    record->userName = userName_;
    record->saveFlag = saveFlag_;
    CLoginManager::SetLoginInfo(std::move(record));
    CLoginManager::Save();
}

}  // namespace login
