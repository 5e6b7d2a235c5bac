// The login dialog, shown for real under Xvfb and driven from a helper thread: its template,
// how it fills itself, the order of its field checks and what it does when the request fails.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "fakeclient/ScriptedClient.h"
#include "frame/Directories.h"
#include "frame/LastError.h"
#include "frame/Module.h"
#include "login/LoginDialog.h"
#include "login/LoginFlows.h"
#include "login/LoginManager.h"
#include "res/resource.h"
#include "support/DialogDriver.h"

namespace {

using login::CLoginManager;
using testing_support::DialogDriver;
using testing_support::MessageBoxSeen;

std::wstring AccountName() {
    wchar_t name[256] = {};
    DWORD size = 256;
    GetUserNameW(name, &size);
    return name;
}

LONG Style(HWND dialog, int id) {
    return GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE);
}

std::wstring ItemText(HWND dialog, int id) {
    return DialogDriver::Text(GetDlgItem(dialog, id));
}

bool FocusMovesTo(DialogDriver& driver, HWND dialog, int id) {
    return driver.AwaitFocus(GetDlgItem(dialog, id)) == GetDlgItem(dialog, id);
}

bool LoginFileExists() {
    return testing_support::FileExists(CLoginManager::GetFilePath());
}

class LoginDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The scripted client answers as each test says; without a script it answers nothing.
        client_.AnswerNothing(500);
        TearDown();
    }
    void TearDown() override {
        CLoginManager::ClearLoginInfo();
        DeleteFileA(CLoginManager::GetFilePath().c_str());
    }

    static void MakeCurrent(const std::string& id, const std::string& password,
                            const std::string& user, bool save) {
        CLoginManager::SetLoginInfo(
            std::make_unique<login::LOGIN_INFO>(login::LOGIN_INFO{id, password, user, save}));
    }

    static INT_PTR Run(const std::function<void(DialogDriver&, HWND)>& script) {
        login::CLoginDialog dialog;
        return testing_support::RunLoginDialog([&] { return dialog.DoModal(); }, script);
    }

    testing_support::ScriptedClientDirectory client_;
};

TEST_F(LoginDialogTest, OpensAsTheTemplateSaysWithOkFocused) {
    INT_PTR result = Run([](DialogDriver& driver, HWND dialog) {
        EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_COMPANY_ID_LABEL), L"ID:");
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_PASSWORD_LABEL), L"パスワード:");
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_USER_NAME_LABEL), L"使用者名:");
        EXPECT_EQ(ItemText(dialog, IDOK), L"OK");
        EXPECT_EQ(ItemText(dialog, IDCANCEL), L"キャンセル");

        EXPECT_EQ(Style(dialog, IDOK) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        const LONG editStyle = WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
        for (int id : {IDC_LOGIN_COMPANY_ID, IDC_LOGIN_PASSWORD, IDC_LOGIN_USER_NAME}) {
            EXPECT_EQ(Style(dialog, id) & editStyle, editStyle) << id;
            // The dialog manager draws a bordered edit with the sunken client edge.
            EXPECT_TRUE((Style(dialog, id) & WS_BORDER) ||
                        (GetWindowLongW(GetDlgItem(dialog, id), GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
                << id;
            EXPECT_EQ((Style(dialog, id) & ES_PASSWORD) != 0, id == IDC_LOGIN_PASSWORD) << id;
        }
        // The save flag exists for the data exchange only: the user never sees it.
        EXPECT_EQ(Style(dialog, IDC_LOGIN_SAVE_FLAG) & BS_TYPEMASK, BS_AUTOCHECKBOX);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_LOGIN_SAVE_FLAG)));

        // Focus on OK so that Enter sends; Tab then walks Cancel and the three edits.
        EXPECT_EQ(driver.Focus(), GetDlgItem(dialog, IDOK));
        HWND item = GetDlgItem(dialog, IDOK);
        for (int expected :
             {IDCANCEL, IDC_LOGIN_COMPANY_ID, IDC_LOGIN_PASSWORD, IDC_LOGIN_USER_NAME, IDOK}) {
            item = GetNextDlgTabItem(dialog, item, FALSE);
            EXPECT_EQ(GetDlgCtrlID(item), expected);
        }

        // Without an owner it is centred on the screen.
        RECT own{}, area{};
        GetWindowRect(dialog, &own);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        EXPECT_NEAR(own.left + own.right, area.left + area.right, 2);
        EXPECT_NEAR(own.top + own.bottom, area.top + area.bottom, 2);
        DialogDriver::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
}

// A record kept for reuse fills the form (password masked); without one, or with one not kept,
// only the account name is offered. The hidden save flag follows the record (none: save).
TEST_F(LoginDialogTest, FormIsFilledOnlyFromAReusableRecord) {
    struct Case {
        bool record, save;
        std::wstring id, password, user;
    };
    const Case cases[] = {{false, false, L"", L"", AccountName()},
                          {true, false, L"", L"", AccountName()},
                          {true, true, L"会社001", L"pa=ss", L"山田"}};
    for (const Case& c : cases) {
        if (c.record) MakeCurrent("会社001", "pa=ss", "山田", c.save);
        Run([&c](DialogDriver&, HWND dialog) {
            EXPECT_EQ(ItemText(dialog, IDC_LOGIN_COMPANY_ID), c.id);
            EXPECT_EQ(ItemText(dialog, IDC_LOGIN_PASSWORD), c.password);
            EXPECT_NE(SendDlgItemMessageW(dialog, IDC_LOGIN_PASSWORD, EM_GETPASSWORDCHAR, 0, 0), 0);
            EXPECT_EQ(ItemText(dialog, IDC_LOGIN_USER_NAME), c.user);
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_LOGIN_SAVE_FLAG) == BST_CHECKED,
                      !c.record || c.save);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        });
    }
}

// Each press reports only the first empty field, in the order ID, password, user name, with
// the library's caption and warning icon, and moves the focus to that field. Blanks are text:
// the form is then sent, and a request that cannot even start (the client program missing)
// shows the generic text with the stop icon while the dialog stays.
TEST_F(LoginDialogTest, EmptyFieldsAreReportedInOrderAndBlanksAreSent) {
    client_.RemoveClient();
    INT_PTR result = Run([](DialogDriver& driver, HWND dialog) {
        DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"");
        driver.PressEnter();  // the focus starts on OK: Enter sends at once
        MessageBoxSeen box = driver.CloseMessageBox();
        EXPECT_EQ(box.text, L"IDを入力してください。");
        EXPECT_EQ(box.caption, testing_support::kBoxCaption);
        EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_WARNING));
        EXPECT_EQ(box.owner, dialog);
        EXPECT_TRUE(FocusMovesTo(driver, dialog, IDC_LOGIN_COMPANY_ID));

        DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L" ");
        DialogDriver::Click(dialog, IDOK);
        EXPECT_EQ(driver.CloseMessageBox().text, L"パスワードを入力してください。");
        EXPECT_TRUE(FocusMovesTo(driver, dialog, IDC_LOGIN_PASSWORD));

        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L" ");
        DialogDriver::Click(dialog, IDOK);
        EXPECT_EQ(driver.CloseMessageBox().text, L"使用者名を入力してください。");
        EXPECT_TRUE(FocusMovesTo(driver, dialog, IDC_LOGIN_USER_NAME));

        DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L" ");
        DialogDriver::Click(dialog, IDOK);
        box = driver.CloseMessageBox();
        EXPECT_EQ(box.text, L"内部エラーが発生しました。");
        EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_ERROR));
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_COMPANY_ID), L" ");
        DialogDriver::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(CLoginManager::GetLoginInfo(), nullptr);
    EXPECT_FALSE(LoginFileExists());
}

// A proxy demand shows its own text; a refusal keeps what the user typed and the focus where it
// was and writes nothing; the user tries again and the accepted login becomes the current record
// and is saved. Only the company ID and the password travel, percent-encoded UTF-8.
TEST_F(LoginDialogTest, FailedAttemptsKeepTheDialogAndTheAcceptedOneIsSaved) {
    using testing_support::Refused;
    client_.Answers(
        {testing_support::Status(407), Refused("認証エラー"), testing_support::Accepted()});
    const std::wstring refusedText =
        L"ログインに失敗しました。\nIDとパスワードを確認してください。";
    INT_PTR result = Run([&](DialogDriver& driver, HWND dialog) {
        DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L"会社A");
        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"bad");
        DialogDriver::Click(dialog, IDOK);
        MessageBoxSeen box = driver.CloseMessageBox();
        EXPECT_EQ(box.text, L"プロキシ認証が必要です");
        EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_ERROR));

        driver.PressEnter();
        box = driver.CloseMessageBox();
        EXPECT_EQ(box.text, refusedText);
        EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_WARNING));
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_COMPANY_ID), L"会社A");
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_PASSWORD), L"bad");
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_USER_NAME), AccountName());
        EXPECT_TRUE(FocusMovesTo(driver, dialog, IDOK));
        EXPECT_EQ(CLoginManager::GetLoginInfo(), nullptr);
        EXPECT_FALSE(LoginFileExists());

        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"p=w");
        DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"山田 太郎");
        DialogDriver::Click(dialog, IDOK);
        EXPECT_TRUE(driver.WaitUntilClosed(dialog));
    });
    EXPECT_EQ(result, IDOK);
    std::vector<std::string> requests = client_.Requests();
    ASSERT_EQ(requests.size(), 3u);
    // 会社ID=会社A&パスワード=p=w& (names and values encoded alike)
    std::string query = testing_support::RequestField(requests[2], "query");
    EXPECT_NE(query.find("%E4%BC%9A%E7%A4%BEID=%E4%BC%9A%E7%A4%BEA&"), std::string::npos) << query;
    EXPECT_NE(query.find("%E3%83%91%E3%82%B9%E3%83%AF%E3%83%BC%E3%83%89=p%3Dw&"), std::string::npos)
        << query;
    EXPECT_EQ(query.find("%E5%B1%B1"), std::string::npos) << "the user name is not sent";

    const auto record = CLoginManager::GetLoginInfo();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->companyId, "会社A");
    EXPECT_EQ(record->userName, "山田 太郎");
    // The flag line carries the value the dialog opened with (no record: save).
    EXPECT_EQ(testing_support::ReadFileBytes(CLoginManager::GetFilePath()),
              "会社ID=会社A\r\nﾊﾟｽﾜｰﾄﾞ=p=w\r\n使用者名=山田 太郎\r\n保存=true\r\n");
}

// No template to show (a module without it stands in for a missing desktop or resource): the
// user saw nothing to cancel, so the flow fails with its own reason.
TEST_F(LoginDialogTest, WindowThatCannotBeShownIsAFailureNotACancel) {
    client_.Answers({testing_support::Alive()});
    frame::SetLibraryModule(GetModuleHandleA("kernel32.dll"));
    const bool loggedIn = login::LoginInteractively();
    frame::SetLibraryModule(nullptr);
    EXPECT_FALSE(loggedIn);
    EXPECT_EQ(1000, frame::GetLastErrorCode());
    EXPECT_EQ("ログイン画面を表示できませんでした", frame::GetLastErrorMessage());
}

}  // namespace
