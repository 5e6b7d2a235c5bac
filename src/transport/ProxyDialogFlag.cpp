#include "transport/ProxyDialogFlag.h"

#include <atomic>

namespace transport {
namespace {
// Set by any host thread, read and cleared by the exchange under its own lock.
std::atomic<bool> g_proxyDialogFlag{false};
}  // namespace

bool GetProxyDialogFlag() {
    return g_proxyDialogFlag.load();
}
void SetProxyDialogFlag(bool on) {
    g_proxyDialogFlag.store(on);
}

}  // namespace transport
