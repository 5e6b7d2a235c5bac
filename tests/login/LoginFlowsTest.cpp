// The two exported login flows from a host's side: the DLL, the scripted client answering each
// request in turn, the log read back through a log window, the dialog driven on screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "login/LoginManager.h"
#include "login/ScriptedService.h"
#include "pelmora.h"
#include "res/resource.h"
#include "storage/ServerState.h"
#include "support/DialogDriver.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace {

using login_tests::Accepted;
using login_tests::Alive;
using login_tests::NotAlive;
using login_tests::Refused;
using login_tests::RequestField;
using login_tests::ScriptedService;
using login_tests::Status;
using testing_support::DialogDriver;

const char* const kTestUrl = "http://main.example/Pelmora/Pelmora/CheckSqlServerRunning";
const char* const kLoginUrl = "http://main.example/Pelmora/Pelmora/Login";
const char* const kSubTestUrl = "http://sub.example/Pelmora/Pelmora/CheckSqlServerRunning";
const char* const kSubLoginUrl = "http://sub.example/Pelmora/Pelmora/Login";
const char* const kServerFailure =
    "サーバーの内部でエラーが起こりました。しばらくしてから接続してください。";

std::string LoginFilePath() {
    return login::CLoginManager::GetFilePath();
}

std::string LastErrorMessage() {
    char buffer[512] = {};
    PeLmLastErrorMessageGet(buffer, sizeof buffer);
    return buffer;
}

class LoginFlows : public ::testing::Test {
protected:
    void SetUp() override {
        PeHmInitialize(0, 0, 0, 0);
        PeLmTestUrlSet(kTestUrl);
        PeLmLoginUrlSet(kLoginUrl);
        PeLmTestSubUrlSet(kSubTestUrl);
        PeLmLoginSubUrlSet(kSubLoginUrl);
        PeLmLoginUserDelete();
        DeleteFileA(LoginFilePath().c_str());
        storage::CServerState::ReleaseSub();
        ASSERT_TRUE(PelmSharedLogOpen());
        PeLmLogWndSet(capture_.window());
        PeLmSetLastError(1234, "former message");
    }
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
        PeLmLoginUserDelete();
        DeleteFileA(LoginFilePath().c_str());
        storage::CServerState::ReleaseSub();
        PeLmCurrentDirectorySet(nullptr);
    }

    // Requests from now on go to `service`.
    void Use(const ScriptedService& service) {
        PeLmCurrentDirectorySet(service.directory().c_str());
    }

    const LOG_RECORD* Entry(const std::string& message) const {
        for (const LOG_RECORD& record : capture_.records()) {
            if (message == record.message) return &record;
        }
        return nullptr;
    }
    bool Logged(const std::string& text) const {
        for (const LOG_RECORD& record : capture_.records()) {
            if (std::string(record.message).find(text) != std::string::npos) return true;
        }
        return false;
    }

    testing_support::LogCapture capture_;
};

void ExpectEntry(const LOG_RECORD* entry, const char* function, int kind, int indent, int flag) {
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->function, function);
    EXPECT_EQ(entry->kind, kind);
    EXPECT_EQ(entry->indent, indent);
    EXPECT_EQ(entry->flag, flag);
}

// ---- PeLmLoginUserCreate ----

TEST_F(LoginFlows, SilentLoginWithANullArgumentFailsBeforeAnyCheck) {
    ScriptedService service({Alive(), Accepted()});
    Use(service);
    const char* arguments[][3] = {
        {nullptr, "pw", "user"}, {"C1", nullptr, "user"}, {"C1", "pw", nullptr}};
    for (const auto& a : arguments) {
        PeLmSetLastError(0, "");
        EXPECT_FALSE(PeLmLoginUserCreate(a[0], a[1], a[2]));
        EXPECT_EQ(PeLmLastErrorGet(), 1002);
        EXPECT_EQ(LastErrorMessage(), "会社名かパスワードかユーザー名が空です");
    }
    EXPECT_TRUE(service.Requests().empty());
    EXPECT_EQ(Entry("ネットワーク接続環境の確認へ"), nullptr);
}

// The credentials serve the following operations from memory, never from disk; a second
// success replaces the first record.
TEST_F(LoginFlows, SilentLoginKeepsTheLatestRecordInMemoryOnly) {
    ScriptedService service({Alive(), Accepted(), Alive(), Accepted()});
    Use(service);
    ASSERT_TRUE(PeLmLoginUserCreate("first", "pw1", "user1"));
    ASSERT_TRUE(PeLmLoginUserCreate("会社二", "pw2", "user2"));
    EXPECT_EQ(PeLmLastErrorGet(), 1234);
    EXPECT_EQ(LastErrorMessage(), "former message");
    EXPECT_FALSE(testing_support::FileExists(LoginFilePath()));

    std::vector<std::string> requests = service.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(RequestField(requests[0], "url"), kTestUrl);
    EXPECT_EQ(RequestField(requests[0], "query"), "");
    EXPECT_EQ(RequestField(requests[3], "url"), kLoginUrl);
    std::string query = RequestField(requests[3], "query");
    EXPECT_NE(query.find("%E4%BC%9A%E7%A4%BEID=%E4%BC%9A%E7%A4%BE%E4%BA%8C&"), std::string::npos)
        << query;
    EXPECT_NE(query.find("%E3%83%91%E3%82%B9%E3%83%AF%E3%83%BC%E3%83%89=pw2&"), std::string::npos)
        << query;

    char id[64] = {};
    EXPECT_TRUE(PeLmLoginID(id, sizeof id));  // answers from memory, then drops the record
    EXPECT_STREQ(id, "会社二");
    EXPECT_FALSE(PeLmHasLogin());
}

TEST_F(LoginFlows, SilentLoginRefusedIs1002AndKeepsTheFormerRecord) {
    ScriptedService service({Alive(), Accepted(), Alive(), Refused("認証エラー")});
    Use(service);
    ASSERT_TRUE(PeLmLoginUserCreate("kept", "pw", "user"));
    EXPECT_FALSE(PeLmLoginUserCreate("other", "bad", "user"));
    EXPECT_EQ(PeLmLastErrorGet(), 1002);
    EXPECT_EQ(LastErrorMessage(), "ログインに失敗しました");
    EXPECT_TRUE(Logged("レスポンス：失敗"));
    ExpectEntry(Entry("ログイン失敗！：認証エラー"), "CPelmoraInterface::Login", 4, 5, 1);
    char id[64] = {};
    EXPECT_TRUE(PeLmLoginID(id, sizeof id));
    EXPECT_STREQ(id, "kept");
}

// Each failure of the transport or the service reaches the host as its code and message.
TEST_F(LoginFlows, SilentLoginFailuresBecomeTheLastError) {
    struct Case {
        std::vector<login_tests::Answer> answers;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {{NotAlive()}, 1006, "サーバーにアクセスできませんでした"},
        {{Status(404)}, 1006, std::string(kServerFailure) + "(5)"},
        {{Alive(), Status(500)}, 1006, std::string(kServerFailure) + "(5)"},
        {{Alive(), Status(1234)}, 1006, std::string(kServerFailure) + "(3)"},
        {{Alive(), Status(199)}, 1006, kServerFailure},
        {{Status(407)}, 1000, "プロキシ認証が必要です"},
        {{Alive(), Status(407)}, 1000, "プロキシ認証が必要です"},
    };
    for (const Case& c : cases) {
        ScriptedService service(c.answers);
        Use(service);
        capture_.Clear();
        EXPECT_FALSE(PeLmLoginUserCreate("C1", "pw", "user")) << c.message;
        EXPECT_EQ(PeLmLastErrorGet(), c.code) << c.message;
        EXPECT_EQ(LastErrorMessage(), c.message);
        // The ladder logs what it records, as an error of the flow.
        ExpectEntry(Entry(c.message), "PeLmLoginUserCreate", 4, 1, 1);
        EXPECT_FALSE(PeLmHasLogin());
    }
}

TEST_F(LoginFlows, RequestsGoToTheSubServerWhileItIsInUse) {
    storage::CServerState::ToSub();
    ScriptedService service({Alive(), Accepted()});
    Use(service);
    ASSERT_TRUE(PeLmLoginUserCreate("C1", "pw", "user"));
    std::vector<std::string> requests = service.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(RequestField(requests[0], "url"), kSubTestUrl);
    EXPECT_EQ(RequestField(requests[1], "url"), kSubLoginUrl);
    ExpectEntry(Entry(std::string("接続先：\t") + kSubLoginUrl), "CPelmoraInterface::Login", 3, 4,
                0);
}

// The request's own entries; the password's line keeps its place but shows only a mask.
TEST_F(LoginFlows, LoginRequestLogsItsStepsWithoutThePassword) {
    const char* secret = "Secret-Pw-98765";
    ScriptedService service({Alive(), Accepted()});
    Use(service);
    ASSERT_TRUE(PeLmLoginUserCreate("C1", secret, "user"));
    const char* f = "CPelmoraInterface::Login";
    ExpectEntry(Entry("ログイン認証開始"), f, 0, 3, 0);
    ExpectEntry(Entry("会社ID：\tC1"), f, 3, 4, 0);
    ExpectEntry(Entry("パスワード：\t********"), f, 3, 4, 0);
    ExpectEntry(Entry(std::string("接続先：\t") + kLoginUrl), f, 3, 4, 0);
    ExpectEntry(Entry("---通信----"), f, 0, 5, 0);
    ExpectEntry(Entry("ステータスコード：200"), f, 2, 5, 0);
    ExpectEntry(Entry("レスポンス：成功"), f, 2, 6, 0);
    EXPECT_STREQ(Entry("ログイン認証開始")->source, "PelmoraInterface");
    EXPECT_FALSE(Logged(secret));
}

// ---- PeLmLogin ----

// The scope's entries open and close every call, whichever way it ends.
void ExpectScopeEntries(const std::vector<LOG_RECORD>& records) {
    ASSERT_GE(records.size(), 3u);
    EXPECT_STREQ(records.front().message, "Init開始");
    EXPECT_STREQ(records[records.size() - 2].message, "Init終了");
    EXPECT_STREQ(records.back().message, "");
    EXPECT_EQ(records.back().kind, 99);
}

// PeLmLogin, with `script` handling the dialog once it is on screen.
INT_PTR LoginThroughDialog(const std::function<void(HWND)>& script) {
    return testing_support::RunDriven([] { return PeLmLogin(); },
                                      [&](DialogDriver& driver) {
                                          HWND dialog =
                                              driver.WaitForWindow(testing_support::kDialogCaption);
                                          ASSERT_NE(dialog, nullptr);
                                          script(dialog);
                                      });
}

TEST_F(LoginFlows, CancelledDialogLeavesCodeZeroAndTheFormerMessage) {
    ScriptedService service({Alive()});
    Use(service);
    INT_PTR result = LoginThroughDialog([](HWND dialog) { DialogDriver::Click(dialog, IDCANCEL); });
    EXPECT_FALSE(result);
    EXPECT_EQ(PeLmLastErrorGet(), 0);
    EXPECT_EQ(LastErrorMessage(), "former message");
    EXPECT_FALSE(testing_support::FileExists(LoginFilePath()));
    ExpectEntry(Entry("ユーザー情報の保存：なし"), "Login", 1, 1, 0);
    ExpectEntry(Entry("ログインに失敗しました"), "PeLmLogin", 0, 1, 0);
    EXPECT_EQ(Entry("自動でログイン認証へ"), nullptr);
    ExpectScopeEntries(capture_.records());
}

// Stored credentials are tried first; the dialog still opens, filled from them, and its OK
// sends and saves what the user confirmed.
TEST_F(LoginFlows, StoredCredentialsLogInAutomaticallyAndTheDialogStillConfirms) {
    testing_support::WriteFileBytes(LoginFilePath(),
                                    "会社ID=C1\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=山田\r\n保存=true\r\n");
    ScriptedService service({Alive(), Accepted(), Accepted()});
    Use(service);
    INT_PTR result = LoginThroughDialog([](HWND dialog) {
        EXPECT_EQ(DialogDriver::Text(GetDlgItem(dialog, IDC_LOGIN_COMPANY_ID)), L"C1");
        DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"山田花子");
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(PeLmLastErrorGet(), 0);
    EXPECT_EQ(service.Requests().size(), 3u);
    ExpectEntry(Entry("ユーザー情報の保存：あり"), "Login", 1, 1, 0);
    ExpectEntry(Entry("自動でログイン認証へ"), "Login", 0, 1, 0);
    ExpectEntry(Entry("ログインできた"), "Login", 1, 2, 0);
    EXPECT_EQ(Entry("ログインに失敗しました"), nullptr);
    EXPECT_EQ(testing_support::ReadFileBytes(LoginFilePath()),
              "会社ID=C1\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=山田花子\r\n保存=true\r\n");
    EXPECT_FALSE(Logged("ﾊﾟｽﾜｰﾄﾞ=pw"));
    ExpectScopeEntries(capture_.records());
}

TEST_F(LoginFlows, RefusedStoredCredentialsLeadToTheDialog) {
    testing_support::WriteFileBytes(LoginFilePath(),
                                    "会社ID=old\r\nﾊﾟｽﾜｰﾄﾞ=stale\r\n使用者名=u\r\n保存=false\r\n");
    ScriptedService service({Alive(), Refused(""), Accepted()});
    Use(service);
    INT_PTR result = LoginThroughDialog([](HWND dialog) {
        // A record not kept for reuse shows only the account name.
        EXPECT_EQ(DialogDriver::Text(GetDlgItem(dialog, IDC_LOGIN_COMPANY_ID)), L"");
        DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L"new");
        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"fresh");
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_TRUE(result);
    ExpectEntry(Entry("ログイン失敗＞＜"), "Login", 4, 2, 1);
    std::string saved = testing_support::ReadFileBytes(LoginFilePath());
    EXPECT_EQ(saved.substr(0, saved.find("使用者名")), "会社ID=new\r\nﾊﾟｽﾜｰﾄﾞ=fresh\r\n");
    EXPECT_NE(saved.find("保存=false\r\n"), std::string::npos);
    EXPECT_EQ(PeLmLastErrorGet(), 0);
}

// Failures before the dialog end the call without one, recorded by the ladder, and the scope
// still closes.
TEST_F(LoginFlows, InteractiveLoginFailuresBecomeTheLastErrorWithoutADialog) {
    testing_support::WriteFileBytes(LoginFilePath(),
                                    "会社ID=C1\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=u\r\n保存=true\r\n");
    struct Case {
        std::vector<login_tests::Answer> answers;
        int code;
        std::string message;
        bool automaticLoginTried;
    };
    const Case cases[] = {
        {{NotAlive()}, 1006, "サーバーにアクセスできませんでした", false},
        {{Status(407)}, 1000, "プロキシ認証が必要です", false},
        {{Alive(), Status(500)}, 1006, std::string(kServerFailure) + "(5)", true},
    };
    for (const Case& c : cases) {
        ScriptedService service(c.answers);
        Use(service);
        capture_.Clear();
        // A dialog opened by mistake is cancelled by the driver's safety net.
        INT_PTR result =
            testing_support::RunDriven([] { return PeLmLogin(); }, [](DialogDriver&) {});
        EXPECT_FALSE(result) << c.message;
        EXPECT_EQ(PeLmLastErrorGet(), c.code);
        EXPECT_EQ(LastErrorMessage(), c.message);
        ExpectEntry(Entry(c.message), "PeLmLogin", 4, 1, 1);
        ExpectScopeEntries(capture_.records());
        EXPECT_EQ(Entry("自動でログイン認証へ") != nullptr, c.automaticLoginTried);
    }
    // The file is as it was.
    EXPECT_EQ(testing_support::ReadFileBytes(LoginFilePath()),
              "会社ID=C1\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=u\r\n保存=true\r\n");
}

}  // namespace
