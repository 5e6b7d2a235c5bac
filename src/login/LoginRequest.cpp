// CPelmoraInterface::Login: sends a company ID and a password to the Login
// endpoint of the server in use and judges the answer. Transport failures are
// raised; a refusal is a result.
#include <memory>

#include "frame/Exceptions.h"
#include "frame/LastError.h"
#include "log/LogWriter.h"
#include "login/PelmoraInterface.h"
#include "transport/Endpoints.h"
#include "transport/HttpRequestUtil.h"
#include "transport/ResponseEnvelope.h"
#include "transport/TextConvert.h"
#include "win32/Strings.h"

namespace login {
namespace {

const char* const kFunction = "CPelmoraInterface::Login";
const char* const kSource = "PelmoraInterface";
const char* const kServerFailure =
    "サーバーの内部でエラーが起こりました。しばらくしてから接続してください。";

// Statuses from 200 to 399 mean the service handled the request.
bool IsSuccessStatus(DWORD status) {
    return status >= 200 && status <= 399;
}

void Log(const std::string& message, int kind, int indent, int flag = 0) {
    logging::Log(message, kFunction, kSource, kind, indent, flag);
}

}  // namespace

int CPelmoraInterface::Login(const std::string& companyId, const std::string& password) {
    Log("ログイン認証開始", logging::kStep, 3);
    Log("会社ID：\t" + companyId, logging::kTarget, 4);
    // The line keeps its place in the log, but never the secret itself.
    Log(std::string("パスワード：\t") + logging::kPasswordMask, logging::kTarget, 4);
    std::string url = transport::GetCurrentLoginUrl();
    Log("接続先：\t" + url, logging::kTarget, 4);

    HttpUtility::CHttpRequestUtil request(url);
    // Names and values travel as percent-encoded UTF-8 whatever the system code page is.
    request.SetConverter(transport::ConvertToUtf8);
    request.SetParameter("会社ID", companyId);
    request.SetParameter("パスワード", password);

    Log("---通信----", logging::kStep, 5);
    if (!request.Execute()) {
        throw frame::CNetworkException(
            frame::kErrorService, win32::Format("%s(%d)", kServerFailure, request.GetErrorCode()));
    }
    DWORD status = request.GetStatusCode();
    Log(win32::Format("ステータスコード：%lu", status), logging::kDetail, 5);
    if (!IsSuccessStatus(status)) {
        throw frame::CNetworkException(frame::kErrorService, kServerFailure);
    }

    transport::CXmlDom answer = request.GetResponseXml();
    transport::ResponseVerdict verdict = transport::JudgeResponse(answer);
    Log(std::string("レスポンス：") + (verdict.accepted ? "成功" : "失敗"), logging::kDetail, 6);
    if (verdict.accepted) return 0;
    m_strErrorMessage = verdict.errorMessage;
    Log("ログイン失敗！：" + m_strErrorMessage, logging::kError, 5, 1);
    return 1;
}

}  // namespace login
