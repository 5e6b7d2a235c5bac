// Carries one request to the service with WinHTTP: POST with a form body when there are
// parameters (they never travel in the URL), GET otherwise; certificates always verified,
// TLS 1.2 or later, bounded time-outs, WinHTTP's default redirect policy.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

#include "ProxyCredentials.h"
#include "WinHttpHandle.h"

namespace client {

struct Timeouts {
    int resolveMs = 10000;
    int connectMs = 15000;
    int sendMs = 30000;
    int receiveMs = 30000;

    // The defaults, shortened (never lengthened) by PMQCLIENT_TIMEOUT_MS when it is set.
    static Timeouts FromEnvironment();
};

struct HttpAnswer {
    DWORD status = 0;  // 0: no answer at all (name, connection, time-out or TLS failure)
    std::string body;
    bool proxyAuthRequired() const { return status == HTTP_STATUS_PROXY_AUTH_REQ; }
};

class HttpSender {
public:
    explicit HttpSender(Timeouts timeouts) : timeouts_(timeouts) {}

    // Finds the proxy for `url` and prepares the request; false for a URL WinHTTP cannot use.
    bool Open(const std::wstring& url, bool hasForm);

    // Sends the request once more (the form is the body when not empty). With `credentials`, a
    // fresh request carries them in the scheme of the proxy's last challenge. A proxy that offers
    // Negotiate or NTLM is first answered with the logged-on user's own credentials, without
    // asking anyone.
    HttpAnswer Send(const std::string& form, const ProxyCredentials* credentials);

    // The proxy in use as "host:port" (see ChooseProxy); empty for a direct connection.
    const std::wstring& proxyName() const { return proxyName_; }

private:
    bool OpenRequest();
    bool PrepareFreshRequest(const std::string& form, const ProxyCredentials& credentials,
                             HttpAnswer& answer);
    bool SendOnce(const std::string& form, HttpAnswer& answer);
    bool AnswerProxyChallenge(const ProxyCredentials* credentials);
    bool ChooseProxyScheme();

    Timeouts timeouts_;
    WinHttpHandle session_, connection_, request_;
    std::wstring verb_, path_;
    bool secure_ = false;
    std::wstring proxyName_;
    DWORD proxyScheme_ = 0;
    bool triedLogonUser_ = false;
};

}  // namespace client
