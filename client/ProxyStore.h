// The saved proxy user, "ProxyUser.dat" in the per-user data directory. The file holds one
// DPAPI blob (current user, no UI) of three UTF-16 fields separated by NULs: the proxy that
// accepted the credentials ("host:port", host in lower case), the user name and the password.
// Nothing is ever stored in clear.
#pragma once

#include <optional>
#include <string>

#include "ProxyCredentials.h"

namespace client {

struct SavedProxyUser {
    std::wstring proxy;
    ProxyCredentials credentials;
};

class ProxyStore {
public:
    explicit ProxyStore(std::wstring path) : path_(std::move(path)) {}

    // The store in the library's data directory. Without that directory the store has no path:
    // it holds nothing and saves nothing.
    static ProxyStore ForCurrentUser();

    // Nothing when there is no file or it cannot be unprotected by this user. A file of the
    // former format (user and password only) does not say which proxy accepted it, so it can
    // never be offered to anyone: it is deleted here.
    std::optional<SavedProxyUser> Load() const;

    // Saves the credentials `proxy` accepted. Replaces the file only once the new content is
    // complete on disk.
    bool Save(const std::wstring& proxy, const ProxyCredentials& credentials) const;

    // Protects `plainText` (the fields with their NULs) and replaces the file with it.
    bool SaveSealed(std::wstring plainText) const;

    // Deletes the file; true when there was one.
    bool Remove() const;

    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace client
