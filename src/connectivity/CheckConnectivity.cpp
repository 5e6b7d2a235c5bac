#include "connectivity/CheckConnectivity.h"

#include "connectivity/NetworkChecks.h"
#include "errors/Exceptions.h"
#include "log/LogWriter.h"

namespace connectivity {
namespace {
const char* const kSource = "PelmoraAPI";
}

void CheckConnectivity(const char* function) {
    // The two local checks first: the service test costs a whole exchange.
    logging::Log("ネットワーク接続環境の確認へ", function, kSource, logging::kStep, 0);
    if (!IsNetworkAvailable()) {
        logging::Log("ネットワークにつながる環境（アダプタ）がない", function, kSource,
                     logging::kFinding, 1);
        throw frame::CNetworkAdapterException();
    }
    if (!IsInternetConnected()) {
        logging::Log("インターネットに接続していない", function, kSource, logging::kFinding, 1);
        throw frame::CInternetConnectionException();
    }
    logging::Log("サーバーが生きているか確認", function, kSource, logging::kStep, 0);
    if (!IsServerAlive()) {
        logging::Log("サーバーが死んでいる", function, kSource, logging::kFinding, 1);
        throw frame::CNetworkException("サーバーにアクセスできませんでした");
    }
}

}  // namespace connectivity
