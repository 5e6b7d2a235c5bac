// The saved proxy user, "ProxyUser.dat" in the per-user data directory. The file holds one
// DPAPI blob (current user, no UI) of four UTF-16 fields separated by NULs: the proxy that
// accepted the credentials ("host:port", host in lower case), the user name, the password and
// the scheme the proxy accepted them under ("negotiate", "ntlm", "digest" or "basic"). Files of
// earlier releases lack the scheme, or the scheme and the proxy. Nothing is ever stored in clear.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ProxyCredentials.h"

namespace client {

struct SavedProxyUser {
    std::wstring proxy;  // "" in a file of the release before proxies were named: not yet bound
    ProxyCredentials credentials;
    DWORD scheme = 0;  // WINHTTP_AUTH_SCHEME_*; 0 when the file does not say

    // The scheme the proxy accepted and every stronger one. A file that names the proxy but no
    // scheme: any. One that names no proxy either was never tied to what the user saw: never
    // Basic, where the password travels readable to whoever asks.
    DWORD allowedSchemes() const;
    // Whether the user may go to `proxy` ("host:port"), which came from the user's static
    // settings or not (a configuration script, automatic detection, the machine's setting).
    bool MayGoTo(const std::wstring& proxy, bool fromUserSettings) const;
};

class ProxyStore {
public:
    explicit ProxyStore(std::wstring path) : path_(std::move(path)) {}

    // The store in the library's data directory. Without that directory the store has no path:
    // it holds nothing and saves nothing.
    static ProxyStore ForCurrentUser();

    // Nothing when there is no file or it cannot be unprotected by this user.
    std::optional<SavedProxyUser> Load() const;

    // Saves the credentials `proxy` accepted under `scheme`. Replaces the file only once the new
    // content is complete on disk.
    bool Save(const std::wstring& proxy, const ProxyCredentials& credentials, DWORD scheme) const;

    // Protects `plainText` (the fields with their NULs) and replaces the file with it.
    bool SaveSealed(std::wstring plainText) const;

    // Deletes the file; true when there was one.
    bool Remove() const;

private:
    std::wstring path_;
};

}  // namespace client
