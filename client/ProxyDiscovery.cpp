#include "ProxyDiscovery.h"

#include "win32/Handle.h"

namespace client {
namespace {

// WinHTTP hands its strings to the caller, who frees them.
std::wstring TextOf(const win32::GlobalMemory& text) {
    return text ? static_cast<const wchar_t*>(text.get()) : L"";
}

// The user's settings.
struct UserProxyConfig {
    bool autoDetect = false;
    std::wstring scriptUrl, proxy, bypass;
};

bool ReadUserProxyConfig(UserProxyConfig& config) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&ie)) return false;
    const win32::GlobalMemory scriptUrl(ie.lpszAutoConfigUrl), proxy(ie.lpszProxy),
        bypass(ie.lpszProxyBypass);
    config.autoDetect = ie.fAutoDetect != FALSE;
    config.scriptUrl = TextOf(scriptUrl);
    config.proxy = TextOf(proxy);
    config.bypass = TextOf(bypass);
    return true;
}

bool FromProxyInfo(WINHTTP_PROXY_INFO& info, ProxyChoice& choice) {
    const win32::GlobalMemory proxy(info.lpszProxy), bypass(info.lpszProxyBypass);
    choice = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY
                 ? ProxyChoice{TextOf(proxy), TextOf(bypass)}
                 : ProxyChoice{};
    return true;
}

// The script is fetched without the logged-on user's credentials; they go only to a script
// server that asks for them.
bool GetProxyForUrl(HINTERNET session, const std::wstring& url, WINHTTP_AUTOPROXY_OPTIONS options,
                    ProxyChoice& choice) {
    WINHTTP_PROXY_INFO info{};
    options.fAutoLogonIfChallenged = FALSE;
    if (!WinHttpGetProxyForUrl(session, url.c_str(), &options, &info)) {
        if (GetLastError() != ERROR_WINHTTP_LOGIN_FAILURE) return false;
        options.fAutoLogonIfChallenged = TRUE;
        if (!WinHttpGetProxyForUrl(session, url.c_str(), &options, &info)) return false;
    }
    return FromProxyInfo(info, choice);
}

// A configuration script or automatic detection; false when neither gives an answer, so the
// caller falls back to the static settings as browsers do.
bool AskAutoProxy(HINTERNET session, const std::wstring& url, const UserProxyConfig& config,
                  ProxyChoice& choice) {
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (!config.scriptUrl.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = config.scriptUrl.c_str();
        if (GetProxyForUrl(session, url, options, choice)) return true;
    }
    if (!config.autoDetect) return false;
    options = WINHTTP_AUTOPROXY_OPTIONS{};
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    return GetProxyForUrl(session, url, options, choice);
}

}  // namespace

ProxyChoice DiscoverProxy(HINTERNET session, const std::wstring& url) {
    ProxyChoice choice;
    UserProxyConfig config;
    if (ReadUserProxyConfig(config)) {
        if (AskAutoProxy(session, url, config, choice)) return choice;
        if (!config.proxy.empty()) return ProxyChoice{config.proxy, config.bypass, true};
    }
    // No per-user proxy: the machine-wide WinHTTP setting, if an administrator made one.
    WINHTTP_PROXY_INFO info{};
    if (WinHttpGetDefaultProxyConfiguration(&info)) FromProxyInfo(info, choice);
    return choice;
}

}  // namespace client
