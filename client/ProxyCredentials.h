// A proxy user name and password, wiped from memory when dropped.
#pragma once

#include <windows.h>

#include <string>

namespace client {

struct ProxyCredentials {
    std::wstring user;
    std::wstring password;

    ProxyCredentials() = default;
    ProxyCredentials(std::wstring u, std::wstring p) : user(std::move(u)), password(std::move(p)) {}
    ProxyCredentials(const ProxyCredentials&) = default;
    ProxyCredentials& operator=(const ProxyCredentials&) = default;
    ~ProxyCredentials() { SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t)); }
};

}  // namespace client
