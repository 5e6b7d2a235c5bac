// Exports: the main and sub endpoint tables, one setter and one getter per entry.
#include "api/Boundary.h"
#include "pelmora.h"
#include "transport/Endpoints.h"
#include "win32/Strings.h"

using transport::Endpoint;
using transport::Server;

namespace {

BOOL SetUrl(const char* function, Server server, Endpoint endpoint, const char* url) {
    return api::Guarded(function, FALSE, [&] {
        transport::SetEndpointUrl(server, endpoint, url);
        return TRUE;
    });
}

// FALSE for a NULL buffer or one too small for the URL and its NUL (then "" when a byte fits).
BOOL GetUrl(const char* function, Server server, Endpoint endpoint, char* buffer, UINT size) {
    return api::Guarded(function, FALSE, [&] {
        return win32::CopyToBuffer(buffer, size, transport::GetEndpointUrl(server, endpoint))
                   ? TRUE
                   : FALSE;
    });
}

}  // namespace

extern "C" {

BOOL WINAPI PeLmConnectUrlSet(const char* url) {
    return SetUrl(__func__, Server::kMain, Endpoint::kConnect, url);
}
BOOL WINAPI PeLmConnectUrlGet(char* buffer, UINT size) {
    return GetUrl(__func__, Server::kMain, Endpoint::kConnect, buffer, size);
}
BOOL WINAPI PeLmTestUrlSet(const char* url) {
    return SetUrl(__func__, Server::kMain, Endpoint::kTest, url);
}
BOOL WINAPI PeLmTestUrlGet(char* buffer, UINT size) {
    return GetUrl(__func__, Server::kMain, Endpoint::kTest, buffer, size);
}
BOOL WINAPI PeLmLoginUrlSet(const char* url) {
    return SetUrl(__func__, Server::kMain, Endpoint::kLogin, url);
}
BOOL WINAPI PeLmLoginUrlGet(char* buffer, UINT size) {
    return GetUrl(__func__, Server::kMain, Endpoint::kLogin, buffer, size);
}
BOOL WINAPI PeLmConnectSubUrlSet(const char* url) {
    return SetUrl(__func__, Server::kSub, Endpoint::kConnect, url);
}
BOOL WINAPI PeLmConnectSubUrlGet(char* buffer, UINT size) {
    return GetUrl(__func__, Server::kSub, Endpoint::kConnect, buffer, size);
}
BOOL WINAPI PeLmTestSubUrlSet(const char* url) {
    return SetUrl(__func__, Server::kSub, Endpoint::kTest, url);
}
BOOL WINAPI PeLmTestSubUrlGet(char* buffer, UINT size) {
    return GetUrl(__func__, Server::kSub, Endpoint::kTest, buffer, size);
}
BOOL WINAPI PeLmLoginSubUrlSet(const char* url) {
    return SetUrl(__func__, Server::kSub, Endpoint::kLogin, url);
}
BOOL WINAPI PeLmLoginSubUrlGet(char* buffer, UINT size) {
    return GetUrl(__func__, Server::kSub, Endpoint::kLogin, buffer, size);
}

}  // extern "C"
