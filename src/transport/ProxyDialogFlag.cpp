#include "transport/ProxyDialogFlag.h"

namespace transport {
namespace {
bool g_proxyDialogFlag = false;
}

bool GetProxyDialogFlag() {
    return g_proxyDialogFlag;
}
void SetProxyDialogFlag(bool on) {
    g_proxyDialogFlag = on;
}

}  // namespace transport
