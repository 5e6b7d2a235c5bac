// Shows the viewer with live rows of a failed login, the error among them, and a filter typed
// in, and holds it while scripts/desktop-screenshot.sh takes the picture: "logview-shot.ready"
// appears beside the program once the rows are drawn; the viewer closes once
// "logview-shot.taken" appears. The viewer starts from here, so it opens in this desktop.
#include <windows.h>

#include "ViewerProcess.h"
#include "pelmora.h"
#include "support/TestSupport.h"

namespace {
struct Entry {
    const char* message;
    const char* function;
    const char* source;
    int kind;
    int indent;
};

const Entry kFailedLogin[] = {
    {"Init開始", "PeLmLogin", "PelmoraAPI", 0, 0},
    {"ネットワーク接続環境の確認へ", "CheckConnectivity", "PelmoraAPI", 0, 0},
    {"サーバーが生きているか確認", "CPelmoraInterface::Test", "PelmoraInterface", 0, 0},
    {"接続先：\thttp://127.0.0.1:8080/Pelmora/Pelmora/CheckSqlServerRunning",
     "CHttpRequestUtil::BeginRequest", "HttpRequestUtil", 3, 1},
    {"ステータスコード：\t200", "CHttpRequestUtil::BeginRequest", "HttpRequestUtil", 2, 2},
    {"サーバーが生きている", "CPelmoraInterface::Test", "PelmoraInterface", 1, 1},
    {"ログイン要求", "CLoginRequest::Send", "LoginRequest", 0, 0},
    {"接続先：\thttp://127.0.0.1:8080/Pelmora/Pelmora/Login", "CHttpRequestUtil::BeginRequest",
     "HttpRequestUtil", 3, 1},
    {"ステータスコード：\t200", "CHttpRequestUtil::BeginRequest", "HttpRequestUtil", 2, 2},
    {"ログインに失敗しました", "CLoginRequest::Send", "LoginRequest", 4, 1},
    {"Init終了", "PeLmLogin", "PelmoraAPI", 0, 0},
    {"", "PeLmLogin", "PelmoraAPI", 99, 0},
};
}  // namespace

int main() {
    const std::string directory = testing_support::ExecutableDirectory();
    logview_tests::ViewerProcess viewer;
    if (viewer.window() == nullptr || !PelmSharedLogOpen()) return 1;
    SetWindowPos(viewer.window(), nullptr, 0, 0, 1000, 560, SWP_NOZORDER);
    PeLmLogWndSet(viewer.window());
    for (const Entry& entry : kFailedLogin)
        PelmLog(entry.message, entry.function, entry.source, __LINE__, __DATE__, __TIME__,
                entry.kind, entry.indent, entry.kind == 4 ? 1 : 0);
    PeLmLogWndSet(nullptr);
    // Latin letters in lower case find "Login" in function names and addresses alike.
    viewer.SetFilter(L"login");
    viewer.Refresh();
    testing_support::WriteFileBytes(directory + "\\logview-shot.ready", "");
    testing_support::WaitUntil(
        [&] { return testing_support::FileExists(directory + "\\logview-shot.taken"); }, 60000);
    PelmSharedLogClose();
    return 0;
}
