// The two exported login flows from a host's side: the DLL, the scripted client answering each
// request in turn, the log read back through a log window, the dialog driven on screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "login/LoginManager.h"
#include "pelmora.h"
#include "res/resource.h"
#include "storage/ServerState.h"
#include "support/DialogDriver.h"
#include "support/LogCapture.h"

namespace {

using testing_support::Accepted;
using testing_support::Alive;
using testing_support::Answer;
using testing_support::DialogDriver;
using testing_support::LastErrorMessage;
using testing_support::NotAlive;
using testing_support::Refused;
using testing_support::RequestField;
using testing_support::Status;

const char* const kTestUrl = "http://main.example/Pelmora/Pelmora/CheckSqlServerRunning";
const char* const kLoginUrl = "http://main.example/Pelmora/Pelmora/Login";
const char* const kSubTestUrl = "http://sub.example/Pelmora/Pelmora/CheckSqlServerRunning";
const char* const kSubLoginUrl = "http://sub.example/Pelmora/Pelmora/Login";
const std::string kServerFailure =
    "サーバーの内部でエラーが起こりました。しばらくしてから接続してください。";
const std::string kStoredLogin = "会社ID=C1\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=u\r\n保存=true\r\n";

std::string LoginFilePath() {
    return login::CLoginManager::GetFilePath();
}

class LoginFlows : public ::testing::Test {
protected:
    void SetUp() override {
        PeHmInitialize(0, 0, 0, 0);
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
        DeleteFileA(LoginFilePath().c_str());
        storage::CServerState::ReleaseSub();
        PeLmCurrentDirectorySet(nullptr);
    }

    // Requests from now on get these answers, in order.
    void Serve(const std::vector<Answer>& answers) {
        capture_.Clear();
        client_ = std::make_unique<testing_support::ScriptedClientDirectory>();
        client_->Answers(answers);
        PeLmCurrentDirectorySet(client_->path().c_str());
    }
    std::vector<std::string> Requests() const { return client_->Requests(); }

    void ExpectEntry(const std::string& message, const char* function, int kind, int indent,
                     int flag) const {
        const LOG_RECORD* entry = capture_.Find(message);
        ASSERT_NE(entry, nullptr) << message;
        EXPECT_STREQ(entry->function, function) << message;
        EXPECT_EQ(entry->kind, kind) << message;
        EXPECT_EQ(entry->indent, indent) << message;
        EXPECT_EQ(entry->flag, flag) << message;
    }
    // The scope's entries open and close every interactive call, whichever way it ends.
    void ExpectScopeEntries() const {
        const std::vector<LOG_RECORD>& records = capture_.records();
        ASSERT_GE(records.size(), 3u);
        EXPECT_STREQ(records.front().message, "Init開始");
        EXPECT_STREQ(records[records.size() - 2].message, "Init終了");
        EXPECT_STREQ(records.back().message, "");
        EXPECT_EQ(records.back().kind, 99);
    }

    testing_support::LogCapture capture_;
    std::unique_ptr<testing_support::ScriptedClientDirectory> client_;
};

// ---- PeLmLoginUserCreate ----

TEST_F(LoginFlows, SilentLoginWithANullArgumentFailsBeforeAnyCheck) {
    Serve({Alive(), Accepted()});
    const char* arguments[][3] = {
        {nullptr, "pw", "user"}, {"C1", nullptr, "user"}, {"C1", "pw", nullptr}};
    for (const auto& a : arguments) {
        PeLmSetLastError(0, "");
        EXPECT_FALSE(PeLmLoginUserCreate(a[0], a[1], a[2]));
        EXPECT_EQ(PeLmLastErrorGet(), 1002);
        EXPECT_EQ(LastErrorMessage(), "会社名かパスワードかユーザー名が空です");
    }
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(capture_.Find("ネットワーク接続環境の確認へ"), nullptr);
}

// The credentials serve the following operations from memory, never from disk; a second
// success replaces the first record, a refusal keeps it.
TEST_F(LoginFlows, SilentLoginKeepsTheLatestAcceptedRecordInMemoryOnly) {
    Serve({Alive(), Accepted(), Alive(), Accepted(), Alive(), Refused("認証エラー")});
    ASSERT_TRUE(PeLmLoginUserCreate("first", "pw1", "user1"));
    ASSERT_TRUE(PeLmLoginUserCreate("会社二", "pw2", "user2"));
    EXPECT_EQ(PeLmLastErrorGet(), 1234);
    EXPECT_EQ(LastErrorMessage(), "former message");
    EXPECT_FALSE(testing_support::FileExists(LoginFilePath()));
    // The ladder on this machine's real adapters logs its steps, and no finding for a live service.
    ExpectEntry("ネットワーク接続環境の確認へ", "PeLmLoginUserCreate", 0, 0, 0);
    ExpectEntry("サーバーが生きているか確認", "PeLmLoginUserCreate", 0, 0, 0);
    EXPECT_EQ(capture_.Find("サーバーが死んでいる"), nullptr);

    std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(RequestField(requests[0], "url"), kTestUrl);
    EXPECT_EQ(RequestField(requests[0], "query"), "");
    EXPECT_EQ(RequestField(requests[3], "url"), kLoginUrl);

    EXPECT_FALSE(PeLmLoginUserCreate("other", "bad", "user"));
    EXPECT_EQ(PeLmLastErrorGet(), 1002);
    EXPECT_EQ(LastErrorMessage(), "ログインに失敗しました");
    EXPECT_TRUE(capture_.Mentions("レスポンス：失敗"));
    ExpectEntry("ログイン失敗！：認証エラー", "CPelmoraInterface::Login", 4, 5, 1);

    char id[64] = {};
    EXPECT_TRUE(PeLmLoginID(id, sizeof id));  // answers from memory, then drops the record
    EXPECT_STREQ(id, "会社二");
    EXPECT_FALSE(PeLmHasLogin());
}

// Each failure of the transport or the service reaches the host as its code and message, and
// the ladder logs what it records as an error of the flow.
TEST_F(LoginFlows, SilentLoginFailuresBecomeTheLastError) {
    struct Case {
        std::vector<Answer> answers;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {{NotAlive()}, 1006, "サーバーにアクセスできませんでした"},
        {{Status(404)}, 1006, kServerFailure + "(5)"},
        {{Alive(), Status(500)}, 1006, kServerFailure + "(5)"},
        {{Alive(), Status(1234)}, 1006, kServerFailure + "(3)"},
        {{Alive(), Status(199)}, 1006, kServerFailure},
        {{Status(407)}, 1000, "プロキシ認証が必要です"},
        {{Alive(), Status(407)}, 1000, "プロキシ認証が必要です"},
    };
    for (const Case& c : cases) {
        Serve(c.answers);
        EXPECT_FALSE(PeLmLoginUserCreate("C1", "pw", "user")) << c.message;
        EXPECT_EQ(PeLmLastErrorGet(), c.code) << c.message;
        EXPECT_EQ(LastErrorMessage(), c.message);
        ExpectEntry(c.message, "PeLmLoginUserCreate", 4, 1, 1);
        EXPECT_EQ(capture_.Find("サーバーが死んでいる") != nullptr, &c == &cases[0]);
        EXPECT_FALSE(PeLmHasLogin());
    }
}

// While the sub server is in use both requests go there; the request's own entries keep the
// password's line in place but show only a mask.
TEST_F(LoginFlows, SubServerTakesTheRequestsAndThePasswordIsNeverLogged) {
    storage::CServerState::ToSub();
    const char* secret = "Secret-Pw-98765";
    Serve({Alive(), Accepted()});
    ASSERT_TRUE(PeLmLoginUserCreate("C1", secret, "user"));
    std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(RequestField(requests[0], "url"), kSubTestUrl);
    EXPECT_EQ(RequestField(requests[1], "url"), kSubLoginUrl);
    const char* f = "CPelmoraInterface::Login";
    ExpectEntry("ログイン認証開始", f, 0, 3, 0);
    ExpectEntry("会社ID：\tC1", f, 3, 4, 0);
    ExpectEntry("パスワード：\t********", f, 3, 4, 0);
    ExpectEntry(std::string("接続先：\t") + kSubLoginUrl, f, 3, 4, 0);
    ExpectEntry("---通信----", f, 0, 5, 0);
    ExpectEntry("ステータスコード：200", f, 2, 5, 0);
    ExpectEntry("レスポンス：成功", f, 2, 6, 0);
    EXPECT_STREQ(capture_.Find("ログイン認証開始")->source, "PelmoraInterface");
    EXPECT_FALSE(capture_.Mentions(secret));
}

// ---- PeLmLogin ----

INT_PTR LoginThroughDialog(const std::function<void(HWND)>& script) {
    return testing_support::RunLoginDialog([] { return PeLmLogin(); },
                                           [&](DialogDriver&, HWND dialog) { script(dialog); });
}

TEST_F(LoginFlows, CancelledDialogLeavesCodeZeroAndTheFormerMessage) {
    Serve({Alive()});
    EXPECT_FALSE(LoginThroughDialog([](HWND dialog) { DialogDriver::Click(dialog, IDCANCEL); }));
    EXPECT_EQ(PeLmLastErrorGet(), 0);
    EXPECT_EQ(LastErrorMessage(), "former message");
    EXPECT_FALSE(testing_support::FileExists(LoginFilePath()));
    ExpectEntry("ユーザー情報の保存：なし", "Login", 1, 1, 0);
    ExpectEntry("ログインに失敗しました", "PeLmLogin", 0, 1, 0);
    EXPECT_EQ(capture_.Find("自動でログイン認証へ"), nullptr);
    ExpectScopeEntries();
}

// Stored credentials are tried first; the dialog still opens, filled from them, and its OK
// sends and saves what the user confirmed.
TEST_F(LoginFlows, StoredCredentialsLogInAutomaticallyAndTheDialogStillConfirms) {
    testing_support::WriteFileBytes(LoginFilePath(), kStoredLogin);
    Serve({Alive(), Accepted()});
    EXPECT_TRUE(LoginThroughDialog([](HWND dialog) {
        EXPECT_EQ(DialogDriver::Text(GetDlgItem(dialog, IDC_LOGIN_COMPANY_ID)), L"C1");
        DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"山田花子");
        DialogDriver::Click(dialog, IDOK);
    }));
    EXPECT_EQ(PeLmLastErrorGet(), 0);
    EXPECT_EQ(Requests().size(), 3u);
    ExpectEntry("ユーザー情報の保存：あり", "Login", 1, 1, 0);
    ExpectEntry("自動でログイン認証へ", "Login", 0, 1, 0);
    ExpectEntry("ログインできた", "Login", 1, 2, 0);
    EXPECT_EQ(capture_.Find("ログインに失敗しました"), nullptr);
    EXPECT_EQ(testing_support::ReadFileBytes(LoginFilePath()),
              "会社ID=C1\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=山田花子\r\n保存=true\r\n");
    EXPECT_FALSE(capture_.Mentions("ﾊﾟｽﾜｰﾄﾞ=pw"));
    ExpectScopeEntries();
}

TEST_F(LoginFlows, RefusedStoredCredentialsLeadToTheDialog) {
    testing_support::WriteFileBytes(LoginFilePath(),
                                    "会社ID=old\r\nﾊﾟｽﾜｰﾄﾞ=stale\r\n使用者名=u\r\n保存=false\r\n");
    Serve({Alive(), Refused(""), Accepted()});
    EXPECT_TRUE(LoginThroughDialog([](HWND dialog) {
        DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L"new");
        DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"fresh");
        DialogDriver::Click(dialog, IDOK);
    }));
    ExpectEntry("ログイン失敗＞＜", "Login", 4, 2, 1);
    std::string saved = testing_support::ReadFileBytes(LoginFilePath());
    EXPECT_EQ(saved.substr(0, saved.find("使用者名")), "会社ID=new\r\nﾊﾟｽﾜｰﾄﾞ=fresh\r\n");
    EXPECT_NE(saved.find("保存=false\r\n"), std::string::npos);
    EXPECT_EQ(PeLmLastErrorGet(), 0);
}

// Failures before the dialog end the call without one, recorded by the ladder, and the scope
// still closes; the stored file stays as it was.
TEST_F(LoginFlows, InteractiveLoginFailuresBecomeTheLastErrorWithoutADialog) {
    testing_support::WriteFileBytes(LoginFilePath(), kStoredLogin);
    struct Case {
        std::vector<Answer> answers;
        int code;
        std::string message;
        bool automaticLoginTried;
    };
    const Case cases[] = {
        {{NotAlive()}, 1006, "サーバーにアクセスできませんでした", false},
        {{Status(407)}, 1000, "プロキシ認証が必要です", false},
        {{Alive(), Status(500)}, 1006, kServerFailure + "(5)", true},
    };
    for (const Case& c : cases) {
        Serve(c.answers);
        // A dialog opened by mistake is cancelled by the driver's safety net.
        EXPECT_FALSE(testing_support::RunDriven([] { return PeLmLogin(); }, [](DialogDriver&) {}))
            << c.message;
        EXPECT_EQ(PeLmLastErrorGet(), c.code);
        EXPECT_EQ(LastErrorMessage(), c.message);
        ExpectEntry(c.message, "PeLmLogin", 4, 1, 1);
        ExpectScopeEntries();
        EXPECT_EQ(capture_.Find("自動でログイン認証へ") != nullptr, c.automaticLoginTried);
    }
    EXPECT_EQ(testing_support::ReadFileBytes(LoginFilePath()), kStoredLogin);
}

}  // namespace
