// The saved proxy user, "ProxyUser.dat" in the per-user data directory. The file holds one
// DPAPI blob (current user, no UI) of the UTF-16 user name, a NUL, and the UTF-16 password;
// nothing is ever stored in clear.
#pragma once

#include <optional>
#include <string>

#include "ProxyCredentials.h"

namespace client {

class ProxyStore {
public:
    explicit ProxyStore(std::wstring path) : path_(std::move(path)) {}

    // The store in the library's data directory.
    static ProxyStore ForCurrentUser();

    // Nothing when there is no file or it cannot be unprotected by this user.
    std::optional<ProxyCredentials> Load() const;

    // Replaces the file only once the new content is complete on disk.
    bool Save(const ProxyCredentials& credentials) const;

    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace client
