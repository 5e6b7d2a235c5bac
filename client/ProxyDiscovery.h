// Which proxy, if any, carries a request to a URL: the user's own settings, automatic
// detection or a configuration script where set, and their bypass lists, all through WinHTTP.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

namespace client {

struct ProxyChoice {
    std::wstring proxy;   // list of proxies (see ProxyRoutes); empty for a direct connection
    std::wstring bypass;  // hosts that go direct, in WinHTTP's notation
    // The user's own static list, not a configuration script's answer, automatic detection's
    // or the machine's setting: the only proxies a saved user that names none may go to.
    bool userSettings = false;
};

// `session` is any open WinHTTP session; it downloads the configuration script if one is used.
ProxyChoice DiscoverProxy(HINTERNET session, const std::wstring& url);

}  // namespace client
