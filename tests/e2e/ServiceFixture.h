// The local service that the end-to-end tests talk to: its ports, its fault switches, the
// proxy settings of this prefix, and the windows of the client's proxy dialog.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// The port of one listener ("http", "proxy", "proxy2": another network's proxy wanting the
// same credentials, "https"), from the file the service fixture wrote; 0 when it is not running.
int Port(const char* listener);

// "http://127.0.0.1:PORT" + path.
std::string ServiceUrl(const std::string& path);

// Posts `form` to the control endpoint and returns its JSON answer ("" on failure).
std::string Control(const std::string& form);

// The credentials one proxy listener ("proxy", "proxy2") was offered, in order: the user and
// whether the proxy "accepted" or "refused" them, e.g. "proxyuser refused, proxyuser accepted";
// "" when it was offered none.
std::string ProxyOffers(const std::string& listener);

// Points this user's system proxy settings at the service's proxy for the object's lifetime.
class SystemProxy {
public:
    explicit SystemProxy(int port);
    ~SystemProxy();
    SystemProxy(const SystemProxy&) = delete;
    SystemProxy& operator=(const SystemProxy&) = delete;
};

// Trusts the HTTPS listener's certificate in this prefix for the object's lifetime.
class TrustedCertificate {
public:
    TrustedCertificate();
    ~TrustedCertificate();
    TrustedCertificate(const TrustedCertificate&) = delete;
    TrustedCertificate& operator=(const TrustedCertificate&) = delete;
    bool added() const { return added_; }

private:
    bool added_ = false;
};

// Waits for the client's proxy dialog, keeps its message in `shownMessage` (when given), types
// into it and presses OK (or Cancel); returns once the window is gone. False when no dialog
// appeared.
bool AnswerProxyDialog(const std::wstring& user, const std::wstring& password, bool ok = true,
                       std::wstring* shownMessage = nullptr);

// The saved proxy user's file in this prefix.
std::string ProxyUserFile();

}  // namespace e2e
