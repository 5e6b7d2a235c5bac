// The service's two requests. Test: is the server in use running, as far as the service can
// tell? Login: a company ID and a password sent to the Login endpoint of the server in use,
// the answer judged as an envelope. Transport failures are raised; a refusal is a result.
#include "transport/PelmoraInterface.h"

#include "frame/errors/Exceptions.h"
#include "log/LogWriter.h"
#include "transport/AnswerJudge.h"
#include "transport/Endpoints.h"
#include "transport/HttpRequestUtil.h"
#include "win32/Strings.h"

namespace transport {
namespace {

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
    logging::Log("Test...", function, kSource, logging::kStep, 3);
    std::string url = GetCurrentTestUrl();
    logging::Log("接続先：\t" + url, function, kSource, logging::kTarget, 4);

    HttpUtility::CHttpRequestUtil request(url);
    const HttpUtility::ExchangeOutcome outcome = Exchange(request);
    DWORD status = outcome.status;
    logging::Log(win32::Format("ステータスコード：\t%d", static_cast<int>(status)), function,
                 kSource, logging::kDetail, 4);
    // The answer is a bare word, not an envelope; no trimming: " true" is not alive.
    return outcome.ok() && win32::ToLowerAscii(outcome.answer) == "true";
}

bool CPelmoraInterface::Login(const std::string& companyId, const std::string& password) {
    const char* function = "CPelmoraInterface::Login";
    auto log = [function](const std::string& message, int kind, int indent, int flag = 0) {
        logging::Log(message, function, kSource, kind, indent, flag);
    };
    log("ログイン認証開始", logging::kStep, 3);
    log("会社ID：\t" + companyId, logging::kTarget, 4);
    // The line keeps its place in the log, but never the secret itself.
    log(std::string("パスワード：\t") + logging::kPasswordMask, logging::kTarget, 4);
    std::string url = GetCurrentLoginUrl();
    log("接続先：\t" + url, logging::kTarget, 4);

    HttpUtility::CHttpRequestUtil request(url);
    // Names and values travel as percent-encoded UTF-8 whatever the system code page is.
    request.SetConverter(win32::ThreadAnsiToUtf8);
    request.SetParameter("会社ID", companyId);
    request.SetParameter("パスワード", password);

    log("---通信----", logging::kStep, 5);
    const HttpUtility::ExchangeOutcome outcome = Exchange(request);
    DWORD status = outcome.status;
    log(win32::Format("ステータスコード：%lu", status), logging::kDetail, 5);
    if (!outcome.ok()) throw frame::CNetworkException(kServerFailure);

    const AnswerVerdict verdict = JudgeAnswer(outcome.answer);
    log(std::string("レスポンス：") + (verdict.accepted ? "成功" : "失敗"), logging::kDetail, 6);
    if (!verdict.accepted) log("ログイン失敗！：" + verdict.errorMessage, logging::kError, 5, 1);
    return verdict.accepted;
}

}  // namespace transport
