#include "HttpSender.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ProxyAddress.h"
#include "ProxyDiscovery.h"
#include "contract/ClientContract.h"
#include "win32/Handle.h"

namespace client {
namespace {

using win32::WinHttpHandle;

const wchar_t kUserAgent[] = L"pmqclient/1.0";
const wchar_t kFormHeader[] = L"Content-Type: application/x-www-form-urlencoded\r\n";
// As many as WinHTTP follows on its own.
constexpr int kMaxRedirects = 10;

bool CrackUrl(const std::wstring& url, RequestTarget& target) {
    URL_COMPONENTS c{};
    c.dwStructSize = sizeof c;
    c.dwHostNameLength = c.dwUrlPathLength = c.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &c))
        return false;
    if (c.nScheme != INTERNET_SCHEME_HTTP && c.nScheme != INTERNET_SCHEME_HTTPS) return false;
    target.host.assign(c.lpszHostName, c.dwHostNameLength);
    target.path.assign(c.lpszUrlPath, c.dwUrlPathLength);
    target.path.append(c.lpszExtraInfo, c.dwExtraInfoLength);
    if (target.path.empty()) target.path = L"/";
    target.port = c.nPort;
    target.secure = c.nScheme == INTERNET_SCHEME_HTTPS;
    return !target.host.empty();
}

DWORD PreferredScheme(DWORD offered) {
    for (DWORD scheme : kSchemesByStrength)
        if (offered & scheme) return scheme;
    return 0;
}

constexpr DWORD kLogonUserSchemes = WINHTTP_AUTH_SCHEME_NEGOTIATE | WINHTTP_AUTH_SCHEME_NTLM;

// False when the body cannot be read, or is larger than the library takes: then it is read no
// further than one byte past that, so a huge answer never fills the memory (of a 32-bit client).
bool ReadBody(HINTERNET request, std::string& body) {
    constexpr size_t kLimit = contract::kMaxAnswerBytes + 1;
    std::vector<char> chunk;
    while (body.size() < kLimit) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return false;
        if (available == 0) return true;
        chunk.resize(std::min<size_t>(available, kLimit - body.size()));
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk.data(), static_cast<DWORD>(chunk.size()), &read))
            return false;
        if (read == 0) return true;
        body.append(chunk.data(), read);
    }
    return false;
}

void SetDword(HINTERNET handle, DWORD option, DWORD value) {
    WinHttpSetOption(handle, option, &value, sizeof value);
}

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::wstring Location(HINTERNET request) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                        &size, WINHTTP_NO_HEADER_INDEX);
    if (size == 0) return std::wstring();
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                             text.data(), &size, WINHTTP_NO_HEADER_INDEX))
        return std::wstring();
    text.resize(size / sizeof(wchar_t));
    return text;
}

// The step a redirect leads to, with the method WinHTTP would use (a form is posted again only
// after 307 and 308); false where WinHTTP's default policy stops: from HTTPS to HTTP.
bool FollowRedirect(const HttpAnswer& answer, RequestTarget& target) {
    const std::wstring& to = answer.location;
    std::wstring url;
    if (to.find(L"://") != std::wstring::npos)
        url = to;
    else if (to.compare(0, 2, L"//") == 0)
        url = (target.secure ? L"https:" : L"http:") + to;
    else if (!to.empty() && to[0] == L'/')
        url = target.Url().substr(0, target.Url().size() - target.path.size()) + to;
    else
        url = target.Url().substr(0, target.Url().find_last_of(L'/') + 1) + to;
    RequestTarget next;
    if (to.empty() || !CrackUrl(url, next) || (target.secure && !next.secure)) return false;
    const bool keepsMethod = answer.status == 307 || answer.status == 308;
    next.verb = keepsMethod ? target.verb : L"GET";
    next.sendsForm = keepsMethod && target.sendsForm;
    target = next;
    return true;
}

WinHttpHandle OpenSession(const std::wstring& proxy, const Timeouts& timeouts, bool secure) {
    // No bypass list: the sender has decided already that this step goes through `proxy`.
    WinHttpHandle session(proxy.empty()
                              ? WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                            WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)
                              : WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                                            proxy.c_str(), WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return session;
    WinHttpSetTimeouts(session.get(), timeouts.resolveMs, timeouts.connectMs, timeouts.sendMs,
                       timeouts.receiveMs);
    // The receive time-out bounds each read; this one bounds the wait for the answer's headers,
    // which some WinHTTP versions otherwise leave unlimited.
    SetDword(session.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, timeouts.receiveMs);
    // TLS 1.3 where the system has it; systems that do not know the flag still get TLS 1.2.
    if (secure) {
        DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
        if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                              sizeof protocols))
            SetDword(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS,
                     WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2);
    }
    return session;
}

WinHttpHandle OpenRequest(HINTERNET connection, const RequestTarget& target, bool intranet) {
    WinHttpHandle request(WinHttpOpenRequest(
        connection, target.verb.c_str(), target.path.c_str(), nullptr, WINHTTP_NO_REFERER,
        WINHTTP_DEFAULT_ACCEPT_TYPES, target.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return request;
    SetDword(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, WINHTTP_OPTION_REDIRECT_POLICY_NEVER);
    // A server gets the logged-on user's credentials on its own only when it is on the bypass
    // list (the intranet); proxies get them explicitly, when they ask (see SendVia).
    SetDword(
        request.get(), WINHTTP_OPTION_AUTOLOGON_POLICY,
        intranet ? WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW : WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH);
    return request;
}

// False without an answer; `unreachable` then says that the connection itself could not be made
// (nothing of the request went out), so another route may carry it.
bool SendOnce(HINTERNET request, const std::string& form, HttpAnswer& answer,
              bool* unreachable = nullptr) {
    answer = HttpAnswer{};
    void* body = form.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(form.data());
    const DWORD length = static_cast<DWORD>(form.size());
    if (!WinHttpSendRequest(request, form.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : kFormHeader,
                            form.empty() ? 0 : static_cast<DWORD>(-1L), body, length, length, 0)) {
        const DWORD error = GetLastError();
        if (unreachable)
            *unreachable = error == ERROR_WINHTTP_CANNOT_CONNECT ||
                           error == ERROR_WINHTTP_NAME_NOT_RESOLVED ||
                           error == ERROR_WINHTTP_TIMEOUT;
        return false;
    }
    if (!WinHttpReceiveResponse(request, nullptr)) return false;
    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return false;
    std::string text;
    if (!ReadBody(request, text)) return false;
    answer.status = status;
    answer.body = std::move(text);
    if (IsRedirect(status)) answer.location = Location(request);
    return true;
}

DWORD OfferedSchemes(HINTERNET request) {
    DWORD supported = 0, first = 0, target = 0;
    return WinHttpQueryAuthSchemes(request, &supported, &first, &target) ? supported : 0;
}

// Whether the answer came through a TLS connection with the server: then no proxy wrote it (a
// tunnel's own answer comes before any certificate), whatever its status says.
bool CameFromTlsServer(HINTERNET request) {
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    if (!WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) ||
        !certificate)
        return false;
    CertFreeCertificateContext(certificate);
    return true;
}

// Without `credentials`, the logged-on user's own (only Negotiate and NTLM can carry them).
bool SetProxyCredentials(HINTERNET request, DWORD scheme, const ProxyCredentials* credentials) {
    return WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_PROXY, scheme,
                                 credentials ? credentials->user.c_str() : nullptr,
                                 credentials ? credentials->password.c_str() : nullptr,
                                 nullptr) != FALSE;
}

// One step of a request through its route, on one request handle at a time: every answer says
// which proxy it came through and, on a 407, what that proxy offers.
struct ProxyStep {
    HINTERNET connection;
    const RequestTarget& target;
    const std::string& form;
    const std::wstring& proxy;
    bool userSettings;
    WinHttpHandle request;

    // On the same request handle unless `fresh`; false without an answer.
    bool Send(HttpAnswer& answer, bool fresh, bool intranet = false, bool* unreachable = nullptr) {
        if (fresh) request = OpenRequest(connection, target, intranet);
        if (!request || !SendOnce(request.get(), form, answer, unreachable)) return false;
        answer.proxy = proxy;
        answer.proxyFromUserSettings = userSettings;
        if (answer.proxyAuthRequired() && !proxy.empty() &&
            !(target.secure && CameFromTlsServer(request.get()))) {
            answer.proxySchemes = OfferedSchemes(request.get());
            answer.proxyAsks = answer.proxySchemes != 0;
        }
        return true;
    }
};

// The logged-on user's own credentials, for a proxy that offers Negotiate or NTLM. A request
// they were refused on may keep sending them; a fresh one, challenged on its own, follows.
bool AnswerWithLogonUser(ProxyStep& step, HttpAnswer& answer) {
    if (!SetProxyCredentials(step.request.get(), PreferredScheme(answer.proxySchemes), nullptr))
        return true;
    if (!step.Send(answer, false)) return false;
    return !answer.proxyAsks || step.Send(answer, true);
}

// The login in the strongest scheme this very challenge offers among those it may go in:
// credentials a proxy accepted under one scheme never go out in a weaker one, whatever answers
// under the proxy's name.
bool AnswerWithLogin(ProxyStep& step, const ProxyLogin& login, HttpAnswer& answer) {
    const DWORD scheme = PreferredScheme(answer.proxySchemes & login.schemes);
    if (!scheme || !SetProxyCredentials(step.request.get(), scheme, &login.credentials))
        return true;
    if (!step.Send(answer, false)) return false;
    answer.loginRefused = answer.proxyAsks;
    if (!answer.loginRefused) answer.acceptedScheme = scheme;
    return true;
}

}  // namespace

std::wstring RequestTarget::Url() const {
    const std::wstring name = host.find(L':') == std::wstring::npos ? host : L"[" + host + L"]";
    return (secure ? L"https://" : L"http://") + name + L":" + std::to_wstring(port) + path;
}

Timeouts Timeouts::FromEnvironment() {
    Timeouts t;
    const char* text = std::getenv("PMQCLIENT_TIMEOUT_MS");
    const long limit = text ? std::strtol(text, nullptr, 10) : 0;
    if (limit >= 100) {
        for (int* value : {&t.resolveMs, &t.connectMs, &t.sendMs, &t.receiveMs})
            if (*value > limit) *value = static_cast<int>(limit);
    }
    return t;
}

bool HttpSender::Open(const std::wstring& url, bool hasForm) {
    first_ = RequestTarget{};
    if (!CrackUrl(url, first_)) return false;
    first_.verb = hasForm ? L"POST" : L"GET";
    first_.sendsForm = hasForm;
    return true;
}

const HttpSender::Routing& HttpSender::RoutingFor(const RequestTarget& target) {
    const std::wstring url = target.Url();
    const auto known = routing_.find(url);
    if (known != routing_.end()) return known->second;
    Routing routing;
    ProxyChoice choice;
    {
        WinHttpHandle probe(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (probe) {
            WinHttpSetTimeouts(probe.get(), timeouts_.resolveMs, timeouts_.connectMs,
                               timeouts_.sendMs, timeouts_.receiveMs);
            choice = DiscoverProxy(probe.get(), url);
        }
    }
    routing.intranet = IsBypassed(choice.bypass, target.host, target.port);
    routing.userSettings = choice.userSettings;
    routing.proxies = routing.intranet ? std::vector<std::wstring>{std::wstring()}
                                       : ProxyRoutes(choice.proxy, target.secure);
    return routing_.emplace(url, std::move(routing)).first->second;
}

HttpAnswer HttpSender::Send(const std::string& form, const ProxyLogin* login) {
    RequestTarget target = first_;
    DWORD accepted = 0;
    for (int redirects = 0;; ++redirects) {
        HttpAnswer answer = SendToTarget(target, target.sendsForm ? form : std::string(), login);
        if (answer.acceptedScheme) accepted = answer.acceptedScheme;
        answer.acceptedScheme = accepted;
        if (!IsRedirect(answer.status) || !FollowRedirect(answer, target)) return answer;
        if (redirects == kMaxRedirects) return HttpAnswer{};
    }
}

// The routes in order; one that cannot be reached is skipped, for the rest of the run too.
HttpAnswer HttpSender::SendToTarget(const RequestTarget& target, const std::string& form,
                                    const ProxyLogin* login) {
    const Routing& routing = RoutingFor(target);
    for (const std::wstring& proxy : routing.proxies) {
        if (unreachable_.count(proxy)) continue;
        bool unreachable = false;
        HttpAnswer answer = SendVia(proxy, target, form, login, routing, unreachable);
        if (!unreachable) return answer;
        unreachable_.insert(proxy);
    }
    return HttpAnswer{};
}

HttpAnswer HttpSender::SendVia(const std::wstring& proxy, const RequestTarget& target,
                               const std::string& form, const ProxyLogin* login,
                               const Routing& routing, bool& unreachable) {
    WinHttpHandle session = OpenSession(proxy, timeouts_, target.secure);
    if (!session) return HttpAnswer{};
    WinHttpHandle connection(WinHttpConnect(session.get(), target.host.c_str(), target.port, 0));
    if (!connection) return HttpAnswer{};
    ProxyStep step{connection.get(), target, form, proxy, routing.userSettings && !proxy.empty(),
                   WinHttpHandle()};
    HttpAnswer answer;
    if (!step.Send(answer, true, routing.intranet && proxy.empty(), &unreachable))
        return HttpAnswer{};
    if (answer.proxyAsks && (answer.proxySchemes & kLogonUserSchemes) &&
        logonTried_.insert(proxy).second && !AnswerWithLogonUser(step, answer))
        return HttpAnswer{};
    if (!answer.proxyAsks || !login || login->proxy != proxy) return answer;
    return AnswerWithLogin(step, *login, answer) ? answer : HttpAnswer{};
}

}  // namespace client
