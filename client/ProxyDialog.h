// Asks the user for the credentials a proxy wants, in a modal dialog.
#pragma once

#include <optional>
#include <string>

#include "ProxyCredentials.h"

namespace client {

// The caption, so that a test or an automation tool can find the window.
extern const wchar_t kProxyDialogCaption[];

// How long the dialog may stay open, so that a run nobody attends still ends: it closes as a
// cancel after `idleMs` without typing, or once the run's dialog time left, `leftMs`, is used up.
struct DialogTime {
    DWORD idleMs;
    DWORD leftMs;  // the time the dialog was open is taken off
};

// Nothing when the user cancels, the dialog's time runs out or no dialog can be shown.
// `proxyName` ("host:port") names the proxy in the message; `retry` says that the credentials
// given before were refused.
std::optional<ProxyCredentials> AskProxyCredentials(const std::wstring& proxyName, bool retry,
                                                    DialogTime& time);

}  // namespace client
