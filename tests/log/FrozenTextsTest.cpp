// Every log entry the login flows write, byte for byte and in order: support staff search the
// logs for these texts, function names and sources. One row per way through the flows, the
// service answered by the scripted client, adapters and Internet chosen through the platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "frame/host/CorePlatformCalls.h"
#include "frame/host/Directories.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "login/LoginFlows.h"
#include "login/LoginManager.h"
#include "support/DialogDriver.h"
#include "support/LogCapture.h"
#include "transport/Endpoints.h"
#include "win32/PlatformCalls.h"

namespace {

using namespace testing_support;
using Texts = std::vector<std::string>;

Texts operator+(Texts first, const Texts& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The entries of one function of one source module, as "kind|indent|flag|function|source|text";
// the flag marks exactly the errors (kind 4).
struct Writer {
    const char* function;
    const char* source;
    std::string operator()(int kind, int indent, const std::string& text) const {
        return win32::Format("%d|%d|%d|%s|%s|", kind, indent, kind == 4, function, source) + text;
    }
};

ULONG WINAPI NoAdapters(ULONG, ULONG, PVOID, _IP_ADAPTER_ADDRESSES_LH*, PULONG) {
    return ERROR_NO_DATA;
}
BOOL WINAPI Offline(LPDWORD, DWORD) {
    return FALSE;
}

TEST(FrozenTexts, EachFlowWritesItsEntriesInOrder) {
    const char *testUrl = "http://main.example/test", *loginUrl = "http://main.example/login";
    transport::SetEndpointUrl(transport::Server::kMain, transport::Endpoint::kTest, testUrl);
    transport::SetEndpointUrl(transport::Server::kMain, transport::Endpoint::kLogin, loginUrl);
    DeleteFileA(DataFile("sub.dat").c_str());
    const std::string stored = "会社ID=C1\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=u\r\n保存=true\r\n";
    const std::string
        loginFile = DataFile("Login.dat"),
        failure = "サーバーの内部でエラーが起こりました。しばらくしてから接続してください。";
    const Writer user{"PeLmLogin", "PelmoraAPI"}, host{"PeLmLoginUserCreate", "PelmoraAPI"},
        init{"__Initialize", "PelmoraAPI"}, term{"__Terminate", "PelmoraAPI"},
        load{"CLoginManager::Load", "Login"}, save{"CLoginManager::Save", "Login"},
        login{"Login", "PelmoraAPI"}, test{"CPelmoraInterface::Test", "PelmoraInterface"},
        request{"CPelmoraInterface::Login", "PelmoraInterface"};

    const Texts opening = {init(0, 0, "Init開始"), load(0, 1, "ログイン情報の読み込み"),
                           load(1, 1, "ログイン情報のパス\t" + loginFile)};
    const Texts noFile = {load(1, 1, "ログインファイルがありませんでした。")};
    const Texts loaded = {load(0, 1, "ログイン情報の読み込んだデータ"), load(2, 2, "会社ID:\tC1"),
                          load(2, 2, "パスワード:\t********"), load(2, 2, "ユーザー名：\tu"),
                          load(2, 2, "保存：\ttrue")};
    const Texts closing = {term(0, 0, "Init終了"), term(99, 0, "")};
    auto checks = [&](const Writer& flow) {
        return Texts{flow(0, 0, "ネットワーク接続環境の確認へ"),
                     flow(0, 0, "サーバーが生きているか確認"), test(0, 3, "Test..."),
                     test(3, 4, std::string("接続先：\t") + testUrl)};
    };
    const Texts alive = {test(2, 4, "ステータスコード：\t200")};
    const Texts sent = {request(0, 3, "ログイン認証開始"), request(3, 4, "会社ID：\tC1"),
                        request(3, 4, "パスワード：\t********"),
                        request(3, 4, std::string("接続先：\t") + loginUrl),
                        request(0, 5, "---通信----")};
    const Texts accepted =
        sent + Texts{request(2, 5, "ステータスコード：200"), request(2, 6, "レスポンス：成功")};
    const Texts refused =
        sent + Texts{request(2, 5, "ステータスコード：200"), request(2, 6, "レスポンス：失敗"),
                     request(4, 5, "ログイン失敗！：認証エラー")};
    const Texts tried = {login(1, 1, "ユーザー情報の保存：あり"),
                         login(0, 1, "自動でログイン認証へ")};
    const Texts saved = {save(0, 3, "ログイン情報の保存"),
                         save(1, 3, "ログイン情報のパス：\t" + loginFile),
                         save(1, 3,
                              "ログイン情報の保存データ：\t会社ID=C1\nﾊﾟｽﾜｰﾄﾞ=********\n"
                              "使用者名=u\n保存=true\n")};
    const Texts cancelled = {user(0, 1, "ログインに失敗しました")};
    // The scripted client's answers in turn, the last one repeating.
    const std::string ok = "text=true\n---\n",
                      yes = "text=<Response><Success>true</Success></Response>",
                      no = "text=<Response><Success>false</Success><Error><Message>認証エラー"
                           "</Message></Error></Response>";
    enum Setup { kSilent = 1, kConfirm = 2, kStored = 4, kNoAdapter = 8, kOffline = 16 };
    const struct {
        const char* what;
        int setup;  // without kSilent, PeLmLogin with its dialog cancelled unless kConfirm
        std::string answers;
        Texts entries;
    } rows[] = {
        {"no adapter", kNoAdapter, "",
         opening + noFile + Texts{user(0, 0, "ネットワーク接続環境の確認へ")} +
             Texts{user(1, 1, "ネットワークにつながる環境（アダプタ）がない")} + closing},
        {"no Internet: no service step follows", kSilent | kOffline, "",
         Texts{host(0, 0, "ネットワーク接続環境の確認へ")} +
             Texts{host(1, 1, "インターネットに接続していない")}},
        {"service not alive", kStored, "text=false",
         opening + loaded + checks(user) + alive + Texts{user(1, 1, "サーバーが死んでいる")} +
             Texts{user(4, 1, "サーバーにアクセスできませんでした")} + closing},
        {"test exchange fails", kSilent, "exit=404",
         checks(host) + Texts{host(4, 1, failure + "(5)")}},
        {"silent login refused", kSilent, ok + no, checks(host) + alive + refused},
        {"no stored login, cancelled", 0, ok,
         opening + noFile + checks(user) + alive + Texts{login(1, 1, "ユーザー情報の保存：なし")} +
             cancelled + closing},
        {"stored login refused, cancelled", kStored, ok + no,
         opening + loaded + checks(user) + alive + tried + refused +
             Texts{login(4, 2, "ログイン失敗＞＜")} + cancelled + closing},
        {"stored login accepted, confirmed and saved", kStored | kConfirm, ok + yes,
         opening + loaded + checks(user) + alive + tried + accepted +
             Texts{login(1, 2, "ログインできた")} + accepted + saved + closing},
    };

    ASSERT_TRUE(logging::SharedLog::Instance().Open());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedClientDirectory client(frame::SetProgramDirectoryOverride);
        client.Script(row.answers);
        DeleteFileA(loginFile.c_str());
        if (row.setup & kStored) WriteFileBytes(loginFile, stored);
        if (row.setup & kNoAdapter)
            frame::ReplacePlatformCall(&frame::CorePlatformCalls::getAdaptersAddresses, NoAdapters);
        if (row.setup & kOffline)
            frame::ReplacePlatformCall(&frame::CorePlatformCalls::internetGetConnectedState,
                                       Offline);
        LogCapture capture;
        logging::SetLogWindow(capture.window());
        if (row.setup & kSilent) {
            login::LoginSilently("C1", "pw", "u");
        } else {
            RunDriven([] { return INT_PTR{login::LoginInCallScope()}; },
                      [&](DialogDriver& driver) {  // else the driver cancels what opens
                          if (row.setup & kConfirm)
                              DialogDriver::Click(driver.WaitForWindow(kDialogCaption), IDOK);
                      });
        }
        logging::SetLogWindow(nullptr);
        win32::ResetPlatform();
        login::CLoginManager::ClearLoginInfo();
        EXPECT_EQ(row.entries, capture.Entries());
    }
    logging::SharedLog::Instance().Close();
    DeleteFileA(loginFile.c_str());
}

}  // namespace
