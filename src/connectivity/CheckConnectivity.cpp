#include "connectivity/CheckConnectivity.h"

#include "connectivity/NetworkChecks.h"
#include "errors/Exceptions.h"
#include "log/LogWriter.h"

namespace connectivity {
namespace {
using logging::Kind;
const char* const kSource = "PelmoraAPI";
}  // namespace

void CheckConnectivity(const char* function) {
    // The two local checks first: the service test costs a whole exchange.
    logging::Write("ネットワーク接続環境の確認へ", {function, kSource, Kind::kStep, 0});
    if (!IsNetworkAvailable()) {
        logging::Write("ネットワークにつながる環境（アダプタ）がない",
                       {function, kSource, Kind::kFinding, 1});
        throw frame::CNetworkAdapterException();
    }
    if (!IsInternetConnected()) {
        logging::Write("インターネットに接続していない", {function, kSource, Kind::kFinding, 1});
        throw frame::CInternetConnectionException();
    }
    logging::Write("サーバーが生きているか確認", {function, kSource, Kind::kStep, 0});
    if (!IsServerAlive()) {
        logging::Write("サーバーが死んでいる", {function, kSource, Kind::kFinding, 1});
        throw frame::CNetworkException("サーバーにアクセスできませんでした");
    }
}

}  // namespace connectivity
