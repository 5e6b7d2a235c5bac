// The service's test request: is the server in use running, as far as the service can tell?
#include "frame/Exceptions.h"
#include "log/LogWriter.h"
#include "login/PelmoraInterface.h"
#include "transport/Endpoints.h"
#include "transport/HttpRequestUtil.h"
#include "win32/Strings.h"

namespace login {
namespace {
const char* const kFunction = "CPelmoraInterface::Test";
const char* const kSource = "PelmoraInterface";

bool IsSuccessStatus(DWORD status) {
    return status >= 200 && status <= 399;
}
}  // namespace

int CPelmoraInterface::Test() {
    logging::Log("Test...", kFunction, kSource, logging::kStep, 3);
    std::string url = transport::GetCurrentTestUrl();
    logging::Log("接続先：\t" + url, kFunction, kSource, logging::kTarget, 4);

    HttpUtility::CHttpRequestUtil request(url);
    if (!request.Execute()) {
        throw frame::CNetworkException(
            1006, win32::Format("サーバーの内部でエラーが起こりました。しばらくしてから接続して"
                                "ください。(%d)",
                                request.GetErrorCode()));
    }
    DWORD status = request.GetStatusCode();
    logging::Log(win32::Format("ステータスコード：\t%d", static_cast<int>(status)), kFunction,
                 kSource, logging::kDetail, 4);
    // The answer is a bare word, not an envelope; no trimming: " true" is not alive.
    bool alive = IsSuccessStatus(status) && win32::ToLowerAscii(request.GetResponse()) == "true";
    return alive ? 0 : 1;
}

}  // namespace login
