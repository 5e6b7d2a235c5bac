#include "DirectExchange.h"

#include <windows.h>
#include <winhttp.h>

#include "ProxyDiscovery.h"

namespace bench {
namespace {

const wchar_t kFormHeader[] = L"Content-Type: application/x-www-form-urlencoded\r\n";

// The whole body, as fast as WinHTTP hands it over; false when the connection fails midway.
bool ReadBody(HINTERNET request, std::string& body) {
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk, sizeof chunk, &read)) return false;
        if (read == 0) return true;
        body.append(chunk, read);
    }
}

// The service's addresses are plain ASCII.
std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace

DirectExchange::DirectExchange()
    : session_(WinHttpOpen(L"login_bench/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0)) {}

DirectAnswer DirectExchange::Send(const std::string& url, const std::string& form) {
    DirectAnswer answer;
    const std::wstring wideUrl = Widen(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = static_cast<DWORD>(-1);
    if (!session_ || !WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts)) return answer;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);

    win32::WinHttpHandle connection(WinHttpConnect(session_.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return answer;
    win32::WinHttpHandle request(
        WinHttpOpenRequest(connection.get(), form.empty() ? L"GET" : L"POST", path.c_str(), nullptr,
                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!request) return answer;
    void* body = form.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(form.data());
    const DWORD length = static_cast<DWORD>(form.size());
    DWORD status = 0, size = sizeof status;
    std::string text;
    if (!WinHttpSendRequest(request.get(),
                            form.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : kFormHeader,
                            form.empty() ? 0 : static_cast<DWORD>(-1L), body, length, length, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr) ||
        !WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX) ||
        !ReadBody(request.get(), text))
        return answer;
    answer.status = status;
    answer.body = std::move(text);
    return answer;
}

void DirectExchange::DiscoverProxy(const std::string& url) {
    if (session_) client::DiscoverProxy(session_.get(), Widen(url));
}

}  // namespace bench
