// Asks the user for the credentials a proxy wants, in a modal dialog.
#pragma once

#include <optional>
#include <string>

#include "ProxyCredentials.h"

namespace client {

// The caption, so that a test or an automation tool can find the window.
extern const wchar_t kProxyDialogCaption[];

// Nothing when the user cancels (or no dialog can be shown). `proxyName` ("host:port") names
// the proxy in the message; `retry` says that the credentials given before were refused.
std::optional<ProxyCredentials> AskProxyCredentials(const std::wstring& proxyName, bool retry);

}  // namespace client
