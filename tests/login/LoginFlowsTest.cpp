// The exported login flows against the scripted client, the dialog driven under Xvfb.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "pelmora.h"
#include "resource.h"  // the login dialog's control ids
#include "cipher/TimeSeal.h"
#include "support/DialogDriver.h"
#include "support/LogCapture.h"
#include "win32/DialogFont.h"
#include "win32/Strings.h"

namespace {

using namespace testing_support;
using Texts = std::vector<std::string>;

const char* const kTestUrl = "http://main.example/Pelmora/Pelmora/CheckSqlServerRunning";
const char* const kLoginUrl = "http://main.example/Pelmora/Pelmora/Login";
const char* const kSubTestUrl = "http://sub.example/Pelmora/Pelmora/CheckSqlServerRunning";
const char* const kSubLoginUrl = "http://sub.example/Pelmora/Pelmora/Login";
const std::string kServerFailure =
    "サーバーの内部でエラーが起こりました。しばらくしてから接続してください。";
const std::string kStoredLogin = "会社ID=C1\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=u\r\n保存=true\r\n";
const std::string kAlive = "text=true", kNotAlive = "text=false";
const std::string kAccepted = "text=<Response><Success>true</Success></Response>";

std::string Refused(const std::string& message) {
    return "text=<Response><Success>false</Success><Error><Message>" + message +
           "</Message></Error></Response>";
}

std::string LastError() {
    return std::to_string(PeLmLastErrorGet()) + " " + LastErrorMessage();
}

std::wstring AccountName() {
    wchar_t name[256] = {};
    DWORD size = 256;
    return GetUserNameW(name, &size) ? name : L"";
}

// The three fields as "company|password|user" and the save box.
void ExpectForm(HWND dialog, const std::wstring& fields, UINT saveFlag) {
    auto text = [dialog](int id) { return DialogDriver::Text(GetDlgItem(dialog, id)); };
    EXPECT_EQ(fields, text(IDC_LOGIN_COMPANY_ID) + L"|" + text(IDC_LOGIN_PASSWORD) + L"|" +
                          text(IDC_LOGIN_USER_NAME));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_LOGIN_SAVE_FLAG), saveFlag);
}

void CloseBox(DialogDriver& driver, HWND dialog, const std::wstring& text, LPCSTR icon) {
    const MessageBoxSeen box = driver.CloseMessageBox();
    EXPECT_EQ(std::make_tuple(box.text, box.caption, box.icon, box.owner),
              std::make_tuple(text, std::wstring(kBoxCaption), LoadIconA(nullptr, icon), dialog));
}

class LoginFlows : public ::testing::Test {
protected:
    void SetUp() override {
        PeLmTestUrlSet(kTestUrl);
        PeLmLoginUrlSet(kLoginUrl);
        PeLmTestSubUrlSet(kSubTestUrl);
        PeLmLoginSubUrlSet(kSubLoginUrl);
        TearDown();
        ASSERT_TRUE(PelmSharedLogOpen());
        PeLmLogWndSet(capture_.window());
        PeLmSetLastError(1234, "former message");
    }
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
        PeLmLoginUserDelete();
        DeleteFileA(loginFile_.c_str());
        PeLmSubServerRelease();
    }

    // Answers in turn, the last one repeating; the log restarts.
    void Serve(const Texts& answers) {
        capture_.Clear();
        client_.reset();  // its end clears the program directory the next one sets
        client_ = std::make_unique<ScriptedClientDirectory>(PeLmCurrentDirectorySet);
        std::string script = answers[0];
        for (size_t i = 1; i < answers.size(); ++i) script += "\n---\n" + answers[i];
        client_->Script(script);
    }
    Texts Urls() const { return RequestFields(client_->RequestLog(), "url"); }
    // PeLmLogin, the user scripted; cancelled or not, code 0 and the former message stay.
    void LoginThroughDialog(const Texts& answers, bool accepted,
                            const std::function<void(DialogDriver&, HWND)>& user) {
        Serve(answers);
        auto drive = [&](DialogDriver& driver) {
            HWND dialog = driver.WaitForWindow(kDialogCaption);
            ASSERT_NE(dialog, nullptr) << "the login dialog did not show";
            user(driver, dialog);
        };
        const INT_PTR result = RunDriven([] { return PeLmLogin(); }, drive);
        EXPECT_EQ(accepted, result != FALSE);
        EXPECT_EQ(LastError(), "0 former message");
    }

    const std::string loginFile_ = DataFile("Login.dat");
    LogCapture capture_;
    std::unique_ptr<ScriptedClientDirectory> client_;
};

// A success leaves the last error alone and its record in memory only; on the sub server, its URLs.
TEST_F(LoginFlows, SilentLoginKeepsTheLatestAcceptedRecordInMemoryOnly) {
    Serve({kAlive, kAccepted, kAlive, kAccepted, kAlive, Refused("認証エラー")});
    for (int missing = 0; missing < 3; ++missing) {
        const char* arguments[] = {"C1", "pw", "user"};
        arguments[missing] = nullptr;
        EXPECT_FALSE(PeLmLoginUserCreate(arguments[0], arguments[1], arguments[2]));
        EXPECT_EQ(LastError(), "1002 会社名かパスワードかユーザー名が空です");
    }
    EXPECT_TRUE(capture_.records().empty());
    PeLmSetLastError(1234, "former message");
    ASSERT_TRUE(PeLmLoginUserCreate("first", "pw1", "user1"));
    ASSERT_TRUE(PeLmLoginUserCreate("会社二", "pw2", "user2"));
    EXPECT_EQ(LastError(), "1234 former message");
    EXPECT_FALSE(FileExists(loginFile_));
    EXPECT_FALSE(PeLmLoginUserCreate("other", "bad", "user"));
    EXPECT_EQ(LastError(), "1002 ログインに失敗しました");
    EXPECT_EQ(Urls(), (Texts{kTestUrl, kLoginUrl, kTestUrl, kLoginUrl, kTestUrl, kLoginUrl}));
    char id[64] = {};
    EXPECT_TRUE(PeLmLoginID(id, sizeof id));  // answers from memory, then drops the record
    EXPECT_STREQ(id, "会社二");
    EXPECT_FALSE(PeLmHasLogin());
    WriteFileBytes(DataFile("sub.dat"), storage::EncryptCurrentTime());  // as a switch leaves it
    Serve({kAlive, kAccepted});
    ASSERT_TRUE(PeLmLoginUserCreate("C1", "Secret-Pw-98765", "user"));
    EXPECT_EQ(Urls(), (Texts{kSubTestUrl, kSubLoginUrl}));
    EXPECT_EQ(
        capture_.Entries().at(8),
        std::string("3|4|0|CPelmoraInterface::Login|PelmoraInterface|接続先：\t") + kSubLoginUrl);
}

// Either flow: each failure is the host's last error, the file kept.
TEST_F(LoginFlows, FailuresBecomeTheLastErrorOfEitherFlow) {
    WriteFileBytes(loginFile_, kStoredLogin);
    const std::tuple<Texts, int, std::string> cases[] = {
        {{kNotAlive}, 1006, "サーバーにアクセスできませんでした"},
        {{"exit=404"}, 1006, kServerFailure + "(5)"},
        {{kAlive, "exit=500"}, 1006, kServerFailure + "(5)"},
        {{kAlive, "exit=199"}, 1006, kServerFailure},
        {{"exit=407"}, 1000, "プロキシ認証が必要です"},
        {{kAlive, "exit=407"}, 1000, "プロキシ認証が必要です"},
    };
    for (const auto& [answers, code, message] : cases) {
        for (const std::string flow : {"PeLmLoginUserCreate", "PeLmLogin"}) {
            SCOPED_TRACE(flow + " " + message);
            const bool interactive = flow == "PeLmLogin";
            Serve(answers);
            // A dialog opened by mistake is cancelled by the driver's safety net.
            EXPECT_FALSE(interactive ? RunDriven([] { return PeLmLogin(); }, [](DialogDriver&) {})
                                     : PeLmLoginUserCreate("C1", "pw", "user"));
            EXPECT_EQ(LastError(), std::to_string(code) + " " + message);
        }
    }
    EXPECT_EQ(ReadFileBytes(loginFile_), kStoredLogin);
}

// Each press reports the first empty field (a blank is text) and a cancel is no error; a stored
// record is tried, the dialog opens either way and saves what the user confirmed.
TEST_F(LoginFlows, StoredRecordIsTriedThenTheDialogChecksItsFieldsAndDecides) {
    LoginThroughDialog({kAlive}, false, [&](DialogDriver& driver, HWND dialog) {
        HWND ok = GetDlgItem(dialog, IDOK);
        EXPECT_TRUE(driver.AwaitFocus(ok)) << "so that Enter sends at once";
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, IDC_LOGIN_PASSWORD), GWL_STYLE) &
                    ES_PASSWORD);
        ExpectForm(dialog, L"||" + AccountName(), BST_CHECKED);
        DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"");
        driver.PressEnter();
        const std::pair<int, const wchar_t*> fields[] = {
            {IDC_LOGIN_COMPANY_ID, L"IDを入力してください。"},
            {IDC_LOGIN_PASSWORD, L"パスワードを入力してください。"},
            {IDC_LOGIN_USER_NAME, L"使用者名を入力してください。"}};
        for (const auto& field : fields) {
            CloseBox(driver, dialog, field.second, IDI_WARNING);
            HWND edit = GetDlgItem(dialog, field.first);
            EXPECT_TRUE(driver.AwaitFocus(edit));
            DialogDriver::Type(dialog, field.first, L" ");
            if (field.first == IDC_LOGIN_USER_NAME) client_->RemoveClient();
            DialogDriver::Click(dialog, IDOK);
        }
        CloseBox(driver, dialog, L"内部エラーが発生しました。", IDI_ERROR);
        ExpectForm(dialog, L" | | ", BST_CHECKED);
        DialogDriver::Click(dialog, IDCANCEL);
    });
    EXPECT_FALSE(FileExists(loginFile_));

    WriteFileBytes(loginFile_, kStoredLogin);
    LoginThroughDialog({kAlive, kAccepted}, true, [](DialogDriver&, HWND dialog) {
        ExpectForm(dialog, L"C1|pw|u", BST_CHECKED);
        DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"山田花子");
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ(Urls(), (Texts{kTestUrl, kLoginUrl, kLoginUrl}));
    EXPECT_EQ(ReadFileBytes(loginFile_),
              "会社ID=C1\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=山田花子\r\n保存=true\r\n");

    // Unkept record: empty form; proxy demand and refusal keep the dialog; the flag is kept.
    const std::string stored = "会社ID=old\r\nﾊﾟｽﾜｰﾄﾞ=stale\r\n使用者名=u\r\n保存=false\r\n";
    WriteFileBytes(loginFile_, stored);
    LoginThroughDialog({kAlive, Refused(""), "exit=407", Refused("認証エラー"), kAccepted}, true,
                       [&](DialogDriver& driver, HWND dialog) {
                           ExpectForm(dialog, L"||" + AccountName(), BST_UNCHECKED);
                           DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L"会社A");
                           DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"bad");
                           DialogDriver::Click(dialog, IDOK);
                           CloseBox(driver, dialog, L"プロキシ認証が必要です", IDI_ERROR);
                           driver.PressEnter();
                           CloseBox(driver, dialog,
                                    L"ログインに失敗しました。\nIDとパスワードを確認してください。",
                                    IDI_WARNING);
                           ExpectForm(dialog, L"会社A|bad|" + AccountName(), BST_UNCHECKED);
                           EXPECT_TRUE(driver.AwaitFocus(GetDlgItem(dialog, IDOK)));
                           EXPECT_EQ(ReadFileBytes(loginFile_), stored);
                           DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"p=w");
                           DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"山田 太郎");
                           DialogDriver::Click(dialog, IDOK);
                       });
    // 会社ID=会社A&パスワード=p=w&, names and values as percent-encoded UTF-8; no user name
    EXPECT_EQ(RequestFields(client_->LastRequest(), "query"),
              (Texts{"%E4%BC%9A%E7%A4%BEID=%E4%BC%9A%E7%A4%BEA&"
                     "%E3%83%91%E3%82%B9%E3%83%AF%E3%83%BC%E3%83%89=p%3Dw&"}));
    EXPECT_EQ(ReadFileBytes(loginFile_),
              "会社ID=会社A\r\nﾊﾟｽﾜｰﾄﾞ=p=w\r\n使用者名=山田 太郎\r\n保存=false\r\n");
}

TEST(DialogFont, MissingFaceIsReplacedOnTheControlsAndAnInstalledOneIsKept) {
    LOGFONTW font{};
    font.lfHeight = -13;
    lstrcpynW(font.lfFaceName, L"No Such Face 4711", LF_FACESIZE);
    const win32::FontHandle missing(CreateFontIndirectW(&font));
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 99, 99, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND child = CreateWindowExW(0, L"STATIC", L"ID:", WS_CHILD, 0, 0, 50, 20, window, nullptr,
                                 nullptr, nullptr);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(missing.get()), FALSE);
    const win32::FontHandle replacement = win32::ReplaceMissingDialogFont(window);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), replacement.get());
    GetObjectW(replacement.get(), sizeof font, &font);
    EXPECT_TRUE(win32::IsFontFaceInstalled(font.lfFaceName) && font.lfHeight == -13);
    EXPECT_FALSE(win32::ReplaceMissingDialogFont(child));
    DestroyWindow(window);
}

}  // namespace
