#include "ProxyAddress.h"

#include <windows.h>
#include <winhttp.h>

#include <cwchar>
#include <vector>

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

}  // namespace

std::wstring ChooseProxy(const std::wstring& list, bool secureUrl) {
    const std::wstring wanted = secureUrl ? L"https=" : L"http=";
    std::wstring anyScheme;
    for (const std::wstring& entry : Entries(list)) {
        const size_t equals = entry.find(L'=');
        if (equals == std::wstring::npos) {
            if (anyScheme.empty()) anyScheme = entry;
        } else if (_wcsnicmp(entry.c_str(), wanted.c_str(), wanted.size()) == 0) {
            return Normalise(entry.substr(equals + 1));
        }
    }
    return anyScheme.empty() ? std::wstring() : Normalise(anyScheme);
}

}  // namespace client
