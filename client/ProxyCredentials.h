// A proxy user name and password, wiped from memory when dropped, and the schemes that carry
// credentials to a proxy.
#pragma once

#include <windows.h>
#include <winhttp.h>

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

// Strongest first: those that never send a password in clear before the one that does.
constexpr DWORD kSchemesByStrength[] = {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM,
                                        WINHTTP_AUTH_SCHEME_DIGEST, WINHTTP_AUTH_SCHEME_BASIC};

// `scheme` and every stronger one; 0 for a scheme not in the list.
inline DWORD SchemesAsStrongAs(DWORD scheme) {
    DWORD schemes = 0;
    for (DWORD stronger : kSchemesByStrength) {
        schemes |= stronger;
        if (stronger == scheme) return schemes;
    }
    return 0;
}

}  // namespace client
