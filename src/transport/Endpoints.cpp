#include "transport/Endpoints.h"

#include "frame/host/HostContextLock.h"
#include "storage/ServerState.h"
#include "win32/Strings.h"

namespace transport {
namespace {

// Deployment settings: the two service hosts. Both serve the same three paths.
constexpr const char* kMainHost = "main.pelmora.torva.co.jp";
constexpr const char* kSubHost = "sub.pelmora.torva.co.jp";

constexpr const char* kPaths[] = {"/", "/Pelmora/Pelmora/CheckSqlServerRunning",
                                  "/Pelmora/Pelmora/Login"};

// [server][endpoint], empty until the defaults or the host set them; under the host context
// lock.
std::string g_urls[2][3];

std::string& Entry(Server server, Endpoint endpoint) {
    return g_urls[static_cast<int>(server)][static_cast<int>(endpoint)];
}

Server ServerInUse() {
    return storage::CServerState::IsSub() ? Server::kSub : Server::kMain;
}

}  // namespace

std::string GetEndpointUrl(Server server, Endpoint endpoint) {
    frame::HostContextGuard guard(frame::HostContextLock());
    return Entry(server, endpoint);
}

void SetEndpointUrl(Server server, Endpoint endpoint, const char* url) {
    std::string value = win32::FromCString(url);
    frame::HostContextGuard guard(frame::HostContextLock());
    Entry(server, endpoint).swap(value);
}

void SetDefaultUrls() {
    for (Server server : {Server::kMain, Server::kSub}) {
        const char* host = server == Server::kMain ? kMainHost : kSubHost;
        for (Endpoint endpoint : {Endpoint::kConnect, Endpoint::kTest, Endpoint::kLogin}) {
            const std::string url =
                std::string("https://") + host + kPaths[static_cast<int>(endpoint)];
            SetEndpointUrl(server, endpoint, url.c_str());
        }
    }
}

// Chosen afresh for every request, so a state change redirects the very next one.
std::string GetCurrentTestUrl() {
    return GetEndpointUrl(ServerInUse(), Endpoint::kTest);
}
std::string GetCurrentLoginUrl() {
    return GetEndpointUrl(ServerInUse(), Endpoint::kLogin);
}

}  // namespace transport
