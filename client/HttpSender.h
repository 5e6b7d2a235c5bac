// Carries one request to the service with WinHTTP: POST with a form body when there are
// parameters (they never travel in the URL), GET otherwise; certificates always verified,
// TLS 1.2 or later, bounded time-outs, an answer read no further than the library takes one.
// Each step of the way (the URL, then each redirect) goes through the first proxy of the
// system's list for it that can be reached, or directly; the sender follows redirects itself so
// that it always knows whether an answer came from a proxy.
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
    // 0: no answer at all (name, connection, time-out or TLS failure, a body larger than the
    // library takes)
    DWORD status = 0;
    std::string body;
    std::wstring location;  // where a redirect points
    std::wstring proxy;     // the proxy ("host:port") the answer came through; "" directly
    bool proxyFromUserSettings = false;  // `proxy` is in the user's static list (no script)
    // A 407 the proxy gave itself: the tunnel's answer for HTTPS (no server was reached), one
    // carrying the proxy's challenge for HTTP. Only such a 407 gets credentials; one a server
    // behind the proxy gave is passed on as it came.
    bool proxyAsks = false;
    DWORD proxySchemes = 0;    // when the proxy asks: the schemes it offers (WINHTTP_AUTH_SCHEME_*)
    DWORD acceptedScheme = 0;  // the scheme under which the login's proxy let the request pass
    bool loginRefused = false;  // the login's proxy answered its credentials by asking again

    bool proxyAuthRequired() const { return status == HTTP_STATUS_PROXY_AUTH_REQ; }
};

// Credentials meant for one proxy, and the schemes they may travel in.
struct ProxyLogin {
    std::wstring proxy;
    ProxyCredentials credentials;
    DWORD schemes = SchemesAsStrongAs(WINHTTP_AUTH_SCHEME_BASIC);
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
        bool userSettings = false;          // the proxies are the user's static list
    };
    const Routing& RoutingFor(const RequestTarget& target);
    HttpAnswer SendToTarget(const RequestTarget& target, const std::string& form,
                            const ProxyLogin* login);
    HttpAnswer SendVia(const std::wstring& proxy, const RequestTarget& target,
                       const std::string& form, const ProxyLogin* login, const Routing& routing,
                       bool& unreachable);

    Timeouts timeouts_;
    RequestTarget first_;
    std::map<std::wstring, Routing> routing_;  // by URL: a script is asked once per URL
    std::set<std::wstring> unreachable_;       // proxies that could not be reached this run
    std::set<std::wstring> logonTried_;        // proxies offered the logged-on user's own
};

}  // namespace client
