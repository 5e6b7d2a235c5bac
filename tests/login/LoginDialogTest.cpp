// The login dialog, shown for real under Xvfb and driven from a helper thread: its template,
// how it fills itself, the order of its field checks and what it does when the request fails.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "frame/Directories.h"
#include "frame/LastError.h"
#include "frame/Module.h"
#include "login/LoginFlows.h"
#include "login/LoginDialog.h"
#include "login/LoginManager.h"
#include "login/ScriptedService.h"
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "support/TestSupport.h"
#include "win32/Strings.h"

namespace {

using login::CLoginManager;
using login_tests::Accepted;
using login_tests::Refused;
using login_tests::RequestField;
using login_tests::ScriptedService;
using testing_support::DialogDriver;
using testing_support::kBoxCaption;
using testing_support::kDialogCaption;
using testing_support::RunDriven;

std::wstring AccountName() {
    wchar_t name[256] = {};
    DWORD size = 256;
    GetUserNameW(name, &size);
    return name;
}

LONG Style(HWND dialog, int id) {
    return GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE);
}

bool Checked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring ItemText(HWND dialog, int id) {
    return DialogDriver::Text(GetDlgItem(dialog, id));
}

class LoginDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No client program in an empty program directory: every request fails to start.
        frame::SetProgramDirectoryOverride(programDirectory_.path().c_str());
        CLoginManager::ClearLoginInfo();
        DeleteFileA(CLoginManager::GetFilePath().c_str());
    }
    void TearDown() override {
        CLoginManager::ClearLoginInfo();
        DeleteFileA(CLoginManager::GetFilePath().c_str());
        frame::SetProgramDirectoryOverride(nullptr);
    }

    static void MakeCurrent(const std::string& id, const std::string& password,
                            const std::string& user, bool save) {
        auto record = std::make_unique<login::LOGIN_INFO>();
        *record = login::LOGIN_INFO{id, password, user, save};
        CLoginManager::SetLoginInfo(std::move(record));
    }

    INT_PTR Run(const std::function<void(DialogDriver&, HWND)>& script) {
        login::CLoginDialog dialog;
        return RunDriven([&] { return dialog.DoModal(); },
                         [&](DialogDriver& driver) {
                             HWND window = driver.WaitForWindow(kDialogCaption);
                             ASSERT_NE(window, nullptr);
                             script(driver, window);
                         });
    }

    testing_support::TempDirectory programDirectory_;
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
            HWND edit = GetDlgItem(dialog, id);
            EXPECT_EQ(Style(dialog, id) & editStyle, editStyle) << id;
            // The dialog manager draws a bordered edit with the sunken client edge.
            EXPECT_TRUE((Style(dialog, id) & WS_BORDER) ||
                        (GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
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

// Without a record, or with one not kept for reuse, only the account name is offered; the
// hidden save flag follows the record (none: save).
TEST_F(LoginDialogTest, WithoutAReusableRecordOnlyTheAccountNameIsOffered) {
    for (bool record : {false, true}) {
        if (record) MakeCurrent("C1", "secret", "record user", false);
        Run([record](DialogDriver&, HWND dialog) {
            EXPECT_EQ(ItemText(dialog, IDC_LOGIN_COMPANY_ID), L"");
            EXPECT_EQ(ItemText(dialog, IDC_LOGIN_PASSWORD), L"");
            EXPECT_EQ(ItemText(dialog, IDC_LOGIN_USER_NAME), AccountName());
            EXPECT_EQ(Checked(dialog, IDC_LOGIN_SAVE_FLAG), !record);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        });
    }
}

TEST_F(LoginDialogTest, SavedRecordFillsTheFormWithThePasswordMasked) {
    MakeCurrent("会社001", "pa=ss", "山田", true);
    Run([](DialogDriver&, HWND dialog) {
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_COMPANY_ID), L"会社001");
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_PASSWORD), L"pa=ss");
        EXPECT_NE(SendMessageW(GetDlgItem(dialog, IDC_LOGIN_PASSWORD), EM_GETPASSWORDCHAR, 0, 0),
                  0);
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_USER_NAME), L"山田");
        EXPECT_TRUE(Checked(dialog, IDC_LOGIN_SAVE_FLAG));
        DialogDriver::Click(dialog, IDCANCEL);
    });
}

// Each press reports only the first empty field, in the order ID, password, user name, with
// the library's caption and warning icon, and moves the focus to that field.
TEST_F(LoginDialogTest, EmptyFieldsAreReportedOneAtATimeInOrder) {
    INT_PTR result = Run([](DialogDriver& driver, HWND dialog) {
        DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"");
        driver.PressEnter();  // the focus starts on OK: Enter sends at once
        testing_support::MessageBoxSeen box = driver.CloseMessageBox();
        EXPECT_EQ(box.text, L"IDを入力してください。");
        EXPECT_EQ(box.caption, kBoxCaption);
        EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_WARNING));
        EXPECT_EQ(box.owner, dialog);
        EXPECT_EQ(driver.AwaitFocus(GetDlgItem(dialog, IDC_LOGIN_COMPANY_ID)),
                  GetDlgItem(dialog, IDC_LOGIN_COMPANY_ID));

        DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L"C1");
        DialogDriver::Click(dialog, IDOK);
        EXPECT_EQ(driver.CloseMessageBox().text, L"パスワードを入力してください。");
        EXPECT_EQ(driver.AwaitFocus(GetDlgItem(dialog, IDC_LOGIN_PASSWORD)),
                  GetDlgItem(dialog, IDC_LOGIN_PASSWORD));

        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"pw");
        DialogDriver::Click(dialog, IDOK);
        EXPECT_EQ(driver.CloseMessageBox().text, L"使用者名を入力してください。");
        EXPECT_EQ(driver.AwaitFocus(GetDlgItem(dialog, IDC_LOGIN_USER_NAME)),
                  GetDlgItem(dialog, IDC_LOGIN_USER_NAME));
        DialogDriver::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(CLoginManager::GetLoginInfo(), nullptr);
    EXPECT_FALSE(testing_support::FileExists(CLoginManager::GetFilePath()));
}

// Blanks are text: the form is sent. Here the request cannot even start (no client program),
// so the handler fails with an exception: a stop box with the generic text, the dialog stays.
TEST_F(LoginDialogTest, BlanksAreSentAndAFailingRequestLeavesTheDialogOpen) {
    INT_PTR result = Run([](DialogDriver& driver, HWND dialog) {
        for (int id : {IDC_LOGIN_COMPANY_ID, IDC_LOGIN_PASSWORD, IDC_LOGIN_USER_NAME})
            DialogDriver::Type(dialog, id, L" ");
        DialogDriver::Click(dialog, IDOK);
        testing_support::MessageBoxSeen box = driver.CloseMessageBox();
        EXPECT_EQ(box.text, L"内部エラーが発生しました。");
        EXPECT_EQ(box.caption, kBoxCaption);
        EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_ERROR));
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_COMPANY_ID), L" ");
        DialogDriver::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(testing_support::FileExists(CLoginManager::GetFilePath()));
}

const std::wstring kRefusedText = L"ログインに失敗しました。\nIDとパスワードを確認してください。";

// A refusal keeps the dialog open with what the user typed and the focus where it was; cancel
// then leaves the record and the file as they were.
TEST_F(LoginDialogTest, RefusedLoginKeepsTheDialogOpenAndWritesNothing) {
    ScriptedService service({Refused("認証エラー")});
    INT_PTR result = Run([](DialogDriver& driver, HWND dialog) {
        DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L"C1");
        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"wrong");
        driver.PressEnter();
        testing_support::MessageBoxSeen box = driver.CloseMessageBox();
        EXPECT_EQ(box.text, kRefusedText);
        EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_WARNING));
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_COMPANY_ID), L"C1");
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_PASSWORD), L"wrong");
        EXPECT_EQ(ItemText(dialog, IDC_LOGIN_USER_NAME), AccountName());
        EXPECT_EQ(driver.AwaitFocus(GetDlgItem(dialog, IDOK)), GetDlgItem(dialog, IDOK));
        DialogDriver::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(service.Requests().size(), 1u);
    EXPECT_EQ(CLoginManager::GetLoginInfo(), nullptr);
    EXPECT_FALSE(testing_support::FileExists(CLoginManager::GetFilePath()));
}

// Only the company ID and the password travel, as percent-encoded UTF-8 of names and values.
TEST_F(LoginDialogTest, AcceptedLoginMakesTheRecordCurrentAndSavesIt) {
    ScriptedService service({Refused(""), Accepted()});
    INT_PTR result = Run([](DialogDriver& driver, HWND dialog) {
        DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L"会社A");
        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"bad");
        DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"山田 太郎");
        DialogDriver::Click(dialog, IDOK);
        EXPECT_EQ(driver.CloseMessageBox().text, kRefusedText);
        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"p=w");
        DialogDriver::Click(dialog, IDOK);
        EXPECT_TRUE(driver.WaitUntilClosed(dialog));
    });
    EXPECT_EQ(result, IDOK);
    std::vector<std::string> requests = service.Requests();
    ASSERT_EQ(requests.size(), 2u);
    // 会社ID=会社A&パスワード=p=w& (names and values encoded alike)
    std::string query = RequestField(requests[1], "query");
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

// A proxy that wants credentials the user did not give: the exception's own text, stop icon.
TEST_F(LoginDialogTest, ProxyDemandShowsItsTextAndTheDialogStays) {
    ScriptedService service({login_tests::Status(407), Accepted()});
    INT_PTR result = Run([](DialogDriver& driver, HWND dialog) {
        DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L"C1");
        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"pw");
        DialogDriver::Click(dialog, IDOK);
        testing_support::MessageBoxSeen box = driver.CloseMessageBox();
        EXPECT_EQ(box.text, L"プロキシ認証が必要です");
        EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_ERROR));
        // The user may simply try again.
        DialogDriver::Click(dialog, IDOK);
        EXPECT_TRUE(driver.WaitUntilClosed(dialog));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(service.Requests().size(), 2u);
}

}  // namespace

namespace {

// No template to show (a module without it stands in for a missing desktop or resource): the
// user saw nothing to cancel, so the flow fails with its own reason.
TEST_F(LoginDialogTest, WindowThatCannotBeShownIsAFailureNotACancel) {
    ScriptedService service({login_tests::Alive()});
    frame::SetProgramDirectoryOverride(service.directory().c_str());
    frame::SetLibraryModule(GetModuleHandleA("kernel32.dll"));
    const bool loggedIn = login::LoginInteractively();
    frame::SetLibraryModule(nullptr);
    EXPECT_FALSE(loggedIn);
    EXPECT_EQ(1000, frame::GetLastErrorCode());
    EXPECT_EQ("ログイン画面を表示できませんでした", frame::GetLastErrorMessage());
}

}  // namespace
