#include "HttpSender.h"

#include <cstdlib>
#include <vector>

#include "ProxyAddress.h"
#include "ProxyDiscovery.h"

namespace client {
namespace {

const wchar_t kUserAgent[] = L"pmqclient/1.0";
const wchar_t kFormHeader[] = L"Content-Type: application/x-www-form-urlencoded\r\n";

struct UrlParts {
    std::wstring host, path;
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool CrackUrl(const std::wstring& url, UrlParts& parts) {
    URL_COMPONENTS c{};
    c.dwStructSize = sizeof c;
    c.dwHostNameLength = c.dwUrlPathLength = c.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &c))
        return false;
    if (c.nScheme != INTERNET_SCHEME_HTTP && c.nScheme != INTERNET_SCHEME_HTTPS) return false;
    parts.host.assign(c.lpszHostName, c.dwHostNameLength);
    parts.path.assign(c.lpszUrlPath, c.dwUrlPathLength);
    parts.path.append(c.lpszExtraInfo, c.dwExtraInfoLength);
    if (parts.path.empty()) parts.path = L"/";
    parts.port = c.nPort;
    parts.secure = c.nScheme == INTERNET_SCHEME_HTTPS;
    return !parts.host.empty();
}

// The proxy's schemes in order of preference: those that never send a password in clear first.
DWORD PreferredScheme(DWORD supported) {
    for (DWORD scheme : {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM,
                         WINHTTP_AUTH_SCHEME_DIGEST, WINHTTP_AUTH_SCHEME_BASIC})
        if (supported & scheme) return scheme;
    return 0;
}

bool ReadBody(HINTERNET request, std::string& body) {
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return false;
        if (available == 0) return true;
        std::vector<char> chunk(available);
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk.data(), available, &read)) return false;
        if (read == 0) return true;
        body.append(chunk.data(), read);
    }
}

void SetDword(HINTERNET handle, DWORD option, DWORD value) {
    WinHttpSetOption(handle, option, &value, sizeof value);
}

}  // namespace

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
    UrlParts parts;
    if (!CrackUrl(url, parts)) return false;
    ProxyChoice proxy;
    {
        WinHttpHandle probe(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (!probe) return false;
        WinHttpSetTimeouts(probe.get(), timeouts_.resolveMs, timeouts_.connectMs, timeouts_.sendMs,
                           timeouts_.receiveMs);
        proxy = DiscoverProxy(probe.get(), url);
    }
    // The proxy is fixed when the session opens: that is where every WinHTTP honours it. One
    // proxy only, never a list to fail over: credentials go to the proxy named here.
    proxyName_ = ChooseProxy(proxy.proxy, parts.secure);
    session_.reset(
        proxyName_.empty()
            ? WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, 0)
            : WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxyName_.c_str(),
                          proxy.bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : proxy.bypass.c_str(),
                          0));
    if (!session_) return false;
    WinHttpSetTimeouts(session_.get(), timeouts_.resolveMs, timeouts_.connectMs, timeouts_.sendMs,
                       timeouts_.receiveMs);
    // The receive time-out bounds each read; this one bounds the wait for the answer's headers,
    // which some WinHTTP versions otherwise leave unlimited.
    SetDword(session_.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, timeouts_.receiveMs);
    // TLS 1.3 where the system has it; systems that do not know the flag still get TLS 1.2.
    if (parts.secure) {
        DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
        if (!WinHttpSetOption(session_.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                              sizeof protocols))
            SetDword(session_.get(), WINHTTP_OPTION_SECURE_PROTOCOLS,
                     WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2);
    }
    connection_.reset(WinHttpConnect(session_.get(), parts.host.c_str(), parts.port, 0));
    if (!connection_) return false;
    verb_ = hasForm ? L"POST" : L"GET";
    path_ = parts.path;
    secure_ = parts.secure;
    return OpenRequest();
}

bool HttpSender::OpenRequest() {
    request_.reset(WinHttpOpenRequest(connection_.get(), verb_.c_str(), path_.c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      secure_ ? WINHTTP_FLAG_SECURE : 0));
    if (!request_) return false;
    // The logged-on user's own credentials may go to any proxy that asks with Negotiate or
    // NTLM; they are never sent in a form that reveals the password.
    SetDword(request_.get(), WINHTTP_OPTION_AUTOLOGON_POLICY, WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW);
    return true;
}

bool HttpSender::SendOnce(const std::string& form, HttpAnswer& answer) {
    answer = HttpAnswer{};
    void* body = form.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(form.data());
    const DWORD length = static_cast<DWORD>(form.size());
    if (!WinHttpSendRequest(request_.get(),
                            form.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : kFormHeader,
                            form.empty() ? 0 : static_cast<DWORD>(-1L), body, length, length, 0) ||
        !WinHttpReceiveResponse(request_.get(), nullptr))
        return false;
    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return false;
    std::string text;
    if (!ReadBody(request_.get(), text)) return false;
    answer.status = status;
    answer.body = std::move(text);
    return true;
}

bool HttpSender::ChooseProxyScheme() {
    DWORD supported = 0, first = 0, target = 0;
    if (!WinHttpQueryAuthSchemes(request_.get(), &supported, &first, &target)) return false;
    proxyScheme_ = PreferredScheme(supported);
    return proxyScheme_ != 0;
}

bool HttpSender::AnswerProxyChallenge(const ProxyCredentials* credentials) {
    if (proxyScheme_ == 0) return false;
    if (credentials)
        return WinHttpSetCredentials(request_.get(), WINHTTP_AUTH_TARGET_PROXY, proxyScheme_,
                                     credentials->user.c_str(), credentials->password.c_str(),
                                     nullptr) != FALSE;
    // No user and password: the logged-on user's own, for the schemes that can carry them.
    return WinHttpSetCredentials(request_.get(), WINHTTP_AUTH_TARGET_PROXY, proxyScheme_, nullptr,
                                 nullptr, nullptr) != FALSE;
}

// A fresh request for each set: a request that was refused keeps sending its old
// Proxy-Authorization under some WinHTTP versions, which would offer a refused set again. A
// WinHTTP that takes credentials only after the request's own challenge gets that challenge
// first; `answer` then holds what came when the proxy did not challenge after all.
bool HttpSender::PrepareFreshRequest(const std::string& form, const ProxyCredentials& credentials,
                                     HttpAnswer& answer) {
    if (!OpenRequest()) return false;
    if (AnswerProxyChallenge(&credentials)) return true;
    return SendOnce(form, answer) && answer.proxyAuthRequired() && ChooseProxyScheme() &&
           AnswerProxyChallenge(&credentials);
}

HttpAnswer HttpSender::Send(const std::string& form, const ProxyCredentials* credentials) {
    HttpAnswer answer;
    if (credentials && !PrepareFreshRequest(form, *credentials, answer)) return answer;
    if (!SendOnce(form, answer)) return HttpAnswer{};
    if (answer.proxyAuthRequired() && ChooseProxyScheme() && !credentials && !triedLogonUser_ &&
        (proxyScheme_ == WINHTTP_AUTH_SCHEME_NEGOTIATE ||
         proxyScheme_ == WINHTTP_AUTH_SCHEME_NTLM)) {
        triedLogonUser_ = true;
        if (AnswerProxyChallenge(nullptr) && !SendOnce(form, answer)) return HttpAnswer{};
    }
    return answer;
}

}  // namespace client
