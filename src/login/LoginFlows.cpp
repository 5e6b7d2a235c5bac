#include "login/LoginFlows.h"

#include <memory>
#include <string>

#include "connectivity/CheckConnectivity.h"
#include "frame/errors/CatchLadder.h"
#include "frame/errors/LastError.h"
#include "log/LogWriter.h"
#include "login/CallScope.h"
#include "login/LoginDialog.h"
#include "login/LoginManager.h"
#include "transport/PelmoraInterface.h"
#include "win32/Exception.h"

namespace login {
namespace {

using logging::Kind;

const char* const kSource = "PelmoraAPI";
const char* const kInteractive = "PeLmLogin";
const char* const kSilent = "PeLmLoginUserCreate";
const char* const kLoginFailed = "ログインに失敗しました";
const char* const kMissingCredentials = "会社名かパスワードかユーザー名が空です";
const char* const kDialogNotShown = "ログイン画面を表示できませんでした";

// Tries the current record and logs the outcome. No dialog, no last error.
void LoginWithCurrentRecord(const LOGIN_INFO& record) {
    logging::Write("自動でログイン認証へ", {"Login", kSource, Kind::kStep, 1});
    transport::CPelmoraInterface service;
    if (service.Login(record.companyId, record.password)) {
        logging::Write("ログインできた", {"Login", kSource, Kind::kFinding, 2});
        return;
    }
    logging::Write("ログイン失敗＞＜", {"Login", kSource, Kind::kError, 2});
}

void MakeCurrent(const char* companyId, const char* password, const char* userName) {
    auto record = std::make_shared<LOGIN_INFO>();
    record->companyId = companyId;
    record->password = password;
    record->userName = userName;
    record->saveFlag = false;
    CLoginManager::SetLoginInfo(std::move(record));
}

}  // namespace

bool Login() {
    const auto record = CLoginManager::GetLoginInfo();
    logging::Write(std::string("ユーザー情報の保存：") + (record != nullptr ? "あり" : "なし"),
                   {"Login", kSource, Kind::kFinding, 1});
    // The outcome is logged only: the dialog opens either way.
    if (record != nullptr) LoginWithCurrentRecord(*record);
    CLoginDialog dialog;
    const INT_PTR result = dialog.DoModal();
    // No desktop, no template: the user never saw a window to cancel, so it is no cancel.
    if (result == -1) throw win32::CException(kDialogNotShown);
    return result == IDOK;
}

bool LoginInteractively() {
    bool loggedIn = false;
    bool completed = frame::RunWithCatchLadder(kInteractive, [&] {
        connectivity::CheckConnectivity(kInteractive);
        loggedIn = Login();
    });
    if (!completed) return false;
    // A cancelled dialog is the user's choice, not an error: the code stays as
    // the scope set it.
    if (!loggedIn) logging::Write(kLoginFailed, {kInteractive, kSource, Kind::kStep, 1});
    return loggedIn;
}

bool LoginInCallScope() {
    // The scope loads the stored login: a data folder that cannot be resolved is this call's
    // failure, never the code an earlier call left (0 would read as a cancel).
    bool loggedIn = false;
    frame::RunWithCatchLadder(kInteractive, [&] {
        CApiCallScope scope;
        loggedIn = LoginInteractively();
    });
    return loggedIn;
}

bool LoginSilently(const char* companyId, const char* password, const char* userName) {
    if (companyId == nullptr || password == nullptr || userName == nullptr) {
        frame::RecordLastError(frame::kErrorLogin, kMissingCredentials);
        return false;
    }
    bool accepted = false;
    bool completed = frame::RunWithCatchLadder(kSilent, [&] {
        connectivity::CheckConnectivity(kSilent);
        transport::CPelmoraInterface service;
        accepted = service.Login(companyId, password);
    });
    if (!completed) return false;
    if (!accepted) {
        frame::RecordLastError(frame::kErrorLogin, kLoginFailed);
        return false;
    }
    MakeCurrent(companyId, password, userName);
    return true;
}

}  // namespace login
