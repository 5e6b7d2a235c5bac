// Whether the next request asks the client program to show its proxy credentials dialog. Set by
// the host, cleared by each completed exchange.
#pragma once

namespace transport {

bool GetProxyDialogFlag();
void SetProxyDialogFlag(bool on);

}  // namespace transport
