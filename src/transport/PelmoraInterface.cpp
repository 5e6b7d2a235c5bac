// The service's two requests. Test: is the server in use running, as far as the service can
// tell? Login: a company ID and a password sent to the Login endpoint of the server in use,
// the answer judged as an envelope. Transport failures are raised; a refusal is a result.
#include "transport/PelmoraInterface.h"

#include "errors/Exceptions.h"
#include "log/LogWriter.h"
#include "transport/AnswerJudge.h"
#include "transport/Endpoints.h"
#include "transport/HttpRequestUtil.h"
#include "win32/Strings.h"

namespace transport {
namespace {

using logging::Kind;

const char* const kSource = "PelmoraInterface";
const char* const kServerFailure =
    "サーバーの内部でエラーが起こりました。しばらくしてから接続してください。";

// Runs the exchange; a failed one is raised with its error code in the message.
HttpUtility::ExchangeOutcome Exchange(HttpUtility::CHttpRequestUtil& request) {
    HttpUtility::ExchangeOutcome outcome = request.Execute();
    if (outcome.error) {
        throw frame::CNetworkException(
            win32::Format("%s(%d)", kServerFailure, static_cast<int>(*outcome.error)));
    }
    return outcome;
}

}  // namespace

bool CPelmoraInterface::Test() {
    const char* function = "CPelmoraInterface::Test";
    logging::Write("Test...", {function, kSource, Kind::kStep, 3});
    std::string url = GetCurrentTestUrl();
    logging::Write("接続先：\t" + url, {function, kSource, Kind::kTarget, 4});

    HttpUtility::CHttpRequestUtil request(url);
    const HttpUtility::ExchangeOutcome outcome = Exchange(request);
    DWORD status = outcome.status;
    logging::Write(win32::Format("ステータスコード：\t%d", static_cast<int>(status)),
                   {function, kSource, Kind::kDetail, 4});
    // The answer is a bare word, not an envelope; no trimming: " true" is not alive.
    return outcome.ok() && win32::ToLowerAscii(outcome.answer) == "true";
}

bool CPelmoraInterface::Login(const std::string& companyId, const std::string& password) {
    const char* function = "CPelmoraInterface::Login";
    logging::Write("ログイン認証開始", {function, kSource, Kind::kStep, 3});
    logging::Write("会社ID：\t" + companyId, {function, kSource, Kind::kTarget, 4});
    // The line keeps its place in the log, but never the secret itself.
    logging::Write(std::string("パスワード：\t") + logging::kPasswordMask,
                   {function, kSource, Kind::kTarget, 4});
    std::string url = GetCurrentLoginUrl();
    logging::Write("接続先：\t" + url, {function, kSource, Kind::kTarget, 4});

    HttpUtility::CHttpRequestUtil request(url);
    // Names and values travel as percent-encoded UTF-8 whatever the system code page is.
    request.SetConverter(win32::ThreadAnsiToUtf8);
    request.SetParameter("会社ID", companyId);
    request.SetParameter("パスワード", password);

    logging::Write("---通信----", {function, kSource, Kind::kStep, 5});
    const HttpUtility::ExchangeOutcome outcome = Exchange(request);
    DWORD status = outcome.status;
    logging::Write(win32::Format("ステータスコード：%lu", status),
                   {function, kSource, Kind::kDetail, 5});
    if (!outcome.ok()) throw frame::CNetworkException(kServerFailure);

    const AnswerVerdict verdict = JudgeAnswer(outcome.answer);
    logging::Write(std::string("レスポンス：") + (verdict.accepted ? "成功" : "失敗"),
                   {function, kSource, Kind::kDetail, 6});
    if (!verdict.accepted)
        logging::Write("ログイン失敗！：" + verdict.errorMessage,
                       {function, kSource, Kind::kError, 5});
    return verdict.accepted;
}

}  // namespace transport
