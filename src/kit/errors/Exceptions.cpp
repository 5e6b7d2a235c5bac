#include "errors/Exceptions.h"

namespace frame {

CNetworkAdapterException::CNetworkAdapterException()
    : CException({PELMORA_ERROR_NETWORK, "ネットワークにつながる環境がありません", "", true}) {}

CInternetConnectionException::CInternetConnectionException()
    : CException({PELMORA_ERROR_NETWORK, "インターネットへの接続がありません", "", true}) {}

CNetworkException::CNetworkException(const std::string& reason)
    : CException({PELMORA_ERROR_SERVICE, reason, reason, false}) {}

CCryptException::CCryptException(const std::string& reason)
    : CException({PELMORA_ERROR_OTHER, "", reason, false}) {}

CFalsificationException::CFalsificationException() : CException(std::string()) {}

CProxyLoginCancelException::CProxyLoginCancelException() : CException("プロキシ認証が必要です") {}

}  // namespace frame
