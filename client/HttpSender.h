// Carries one request to the service with WinHTTP: POST with a form body when there are
// parameters (they never travel in the URL), GET otherwise; certificates always verified,
// TLS 1.2 or later, bounded time-outs. Each step of the way (the URL, then each redirect) goes
// through the first proxy of the system's list for it that can be reached, or directly; the
// sender follows redirects itself so that it always knows whether an answer came from a proxy.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ProxyCredentials.h"

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
    std::wstring location;      // where a redirect points
    std::wstring proxy;         // the proxy ("host:port") the answer came through; "" directly
    DWORD proxySchemes = 0;     // on a proxy's 407: the schemes it offers (WINHTTP_AUTH_SCHEME_*)
    DWORD acceptedScheme = 0;   // the scheme under which the login's proxy let the request pass
    bool loginRefused = false;  // the login's proxy answered its credentials with another 407

    bool proxyAuthRequired() const { return status == HTTP_STATUS_PROXY_AUTH_REQ; }
    // A 407 that came from a proxy the request went through: the only one credentials may go to.
    bool proxyAsks() const { return proxyAuthRequired() && !proxy.empty(); }
};

// Credentials meant for one proxy, and whether they may travel as Basic (readable).
struct ProxyLogin {
    std::wstring proxy;
    ProxyCredentials credentials;
    bool basicAllowed = true;
};

// Where one step of a request goes.
struct RequestTarget {
    std::wstring host, path, verb;
    INTERNET_PORT port = 0;
    bool secure = false;
    bool sendsForm = false;

    std::wstring Url() const;
};

class HttpSender {
public:
    explicit HttpSender(Timeouts timeouts) : timeouts_(timeouts) {}

    // Prepares the request; false for a URL WinHTTP cannot use.
    bool Open(const std::wstring& url, bool hasForm);

    // Sends the request once more (the form is the body when not empty). A proxy that asks
    // and offers Negotiate or NTLM is first answered, once per run, with the logged-on user's
    // own credentials; `login` goes only to the proxy it names, after that proxy's own 407.
    HttpAnswer Send(const std::string& form, const ProxyLogin* login = nullptr);

private:
    struct Routing {
        std::vector<std::wstring> proxies;  // "" for a direct connection
        bool intranet = false;              // on the bypass list
    };
    const Routing& RoutingFor(const RequestTarget& target);
    HttpAnswer SendToTarget(const RequestTarget& target, const std::string& form,
                            const ProxyLogin* login);
    HttpAnswer SendVia(const std::wstring& proxy, const RequestTarget& target,
                       const std::string& form, const ProxyLogin* login, bool intranet,
                       bool& unreachable);

    Timeouts timeouts_;
    RequestTarget first_;
    std::map<std::wstring, Routing> routing_;  // by URL: a script is asked once per URL
    std::set<std::wstring> unreachable_;       // proxies that could not be reached this run
    std::set<std::wstring> logonTried_;        // proxies offered the logged-on user's own
};

}  // namespace client
