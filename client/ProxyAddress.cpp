#include "ProxyAddress.h"

#include <windows.h>
#include <shlwapi.h>
#include <winhttp.h>

#include <cwchar>

namespace client {
namespace {

std::vector<std::wstring> Entries(const std::wstring& list) {
    std::vector<std::wstring> entries;
    const wchar_t separators[] = L"; \t\r\n";
    for (size_t start = list.find_first_not_of(separators); start != std::wstring::npos;) {
        const size_t end = list.find_first_of(separators, start);
        entries.push_back(list.substr(start, end - start));
        start = list.find_first_not_of(separators, end);
    }
    return entries;
}

bool Same(const std::wstring& text, const wchar_t* word) {
    return _wcsicmp(text.c_str(), word) == 0;
}

// An entry's server, read as WinHTTP reads a URL; "" when it names no host.
std::wstring Normalise(const std::wstring& server) {
    const std::wstring url =
        server.find(L"://") == std::wstring::npos ? L"http://" + server : server;
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
        parts.dwHostNameLength == 0)
        return std::wstring();
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    CharLowerBuffW(host.data(), static_cast<DWORD>(host.size()));
    if (host.find(L':') != std::wstring::npos && host.front() != L'[') host = L"[" + host + L"]";
    return host + L":" + std::to_wstring(parts.nPort);
}

// A route of one entry: "" for DIRECT, nothing for an entry that names no proxy.
void AddRoute(const std::wstring& server, std::vector<std::wstring>& routes) {
    if (Same(server, L"DIRECT")) {
        routes.emplace_back();
        return;
    }
    const std::wstring proxy = Normalise(server);
    if (!proxy.empty()) routes.push_back(proxy);
}

}  // namespace

std::vector<std::wstring> ProxyRoutes(const std::wstring& list, bool secureUrl) {
    const std::wstring wanted = secureUrl ? L"https=" : L"http=";
    std::vector<std::wstring> forScheme, forAny;
    for (const std::wstring& entry : Entries(list)) {
        const size_t equals = entry.find(L'=');
        if (equals == std::wstring::npos) {
            // A script's "PROXY host:port" arrives as two words; the keyword itself is no server.
            if (!Same(entry, L"PROXY")) AddRoute(entry, forAny);
        } else if (_wcsnicmp(entry.c_str(), wanted.c_str(), wanted.size()) == 0) {
            AddRoute(entry.substr(equals + 1), forScheme);
        }
    }
    std::vector<std::wstring> routes = forScheme.empty() ? forAny : forScheme;
    if (routes.empty()) routes.emplace_back();  // no entry serves the URL: a direct connection
    return routes;
}

bool IsBypassed(const std::wstring& bypassList, const std::wstring& host, unsigned port) {
    const std::wstring withPort = host + L":" + std::to_wstring(port);
    for (std::wstring entry : Entries(bypassList)) {
        if (Same(entry, L"<local>")) {
            if (host.find(L'.') == std::wstring::npos && host.find(L':') == std::wstring::npos)
                return true;
            continue;
        }
        const size_t scheme = entry.find(L"://");
        if (scheme != std::wstring::npos) entry.erase(0, scheme + 3);
        if (PathMatchSpecW(host.c_str(), entry.c_str()) ||
            PathMatchSpecW(withPort.c_str(), entry.c_str()))
            return true;
    }
    return false;
}

}  // namespace client
