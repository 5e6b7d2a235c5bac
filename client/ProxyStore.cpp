#include "ProxyStore.h"

#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <vector>

#include "contract/ClientContract.h"
#include "win32/Files.h"
#include "win32/Handle.h"
#include "win32/KnownFolder.h"
#include "win32/Strings.h"

namespace client {
namespace {

// Binds the blob to this purpose: another program's blob of the same user does not load here.
const char kEntropy[] = "Pelmora pmqclient proxy user";

// One user name and password: anything larger is not a file of ours.
constexpr size_t kLargestFile = 64 * 1024;

DATA_BLOB EntropyBlob() {
    DATA_BLOB entropy;
    entropy.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy));
    entropy.cbData = sizeof kEntropy - 1;
    return entropy;
}

// The NUL-separated fields of the plain text; a password may be empty, so empty fields count.
std::vector<std::wstring> SplitFields(const std::wstring& text) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (size_t end; (end = text.find(L'\0', start)) != std::wstring::npos; start = end + 1)
        fields.push_back(text.substr(start, end - start));
    fields.push_back(text.substr(start));
    return fields;
}

const struct {
    DWORD scheme;
    const wchar_t* name;
} kSchemeNames[] = {{WINHTTP_AUTH_SCHEME_NEGOTIATE, L"negotiate"},
                    {WINHTTP_AUTH_SCHEME_NTLM, L"ntlm"},
                    {WINHTTP_AUTH_SCHEME_DIGEST, L"digest"},
                    {WINHTTP_AUTH_SCHEME_BASIC, L"basic"}};

std::wstring SchemeName(DWORD scheme) {
    for (const auto& known : kSchemeNames)
        if (known.scheme == scheme) return known.name;
    return std::wstring();
}

DWORD SchemeNamed(const std::wstring& name) {
    for (const auto& known : kSchemeNames)
        if (name == known.name) return known.scheme;
    return 0;
}

// Four fields; three (no scheme) and two (user and password only) from earlier releases.
std::optional<SavedProxyUser> FromFields(const std::vector<std::wstring>& fields) {
    if (fields.size() == 2 && !fields[0].empty())
        return SavedProxyUser{std::wstring(), ProxyCredentials(fields[0], fields[1])};
    if ((fields.size() == 3 || fields.size() == 4) && !fields[0].empty() && !fields[1].empty())
        return SavedProxyUser{fields[0], ProxyCredentials(fields[1], fields[2]),
                              fields.size() == 4 ? SchemeNamed(fields[3]) : 0};
    return std::nullopt;
}

}  // namespace

DWORD SavedProxyUser::allowedSchemes() const {
    if (proxy.empty()) return SchemesAsStrongAs(WINHTTP_AUTH_SCHEME_DIGEST);
    return SchemesAsStrongAs(scheme ? scheme : WINHTTP_AUTH_SCHEME_BASIC);
}

// A file of the earliest format never says which proxy the user typed it for: it may go only to
// the proxies the user chose, never to one that whoever answers on the network can name.
bool SavedProxyUser::MayGoTo(const std::wstring& asking, bool fromUserSettings) const {
    return proxy.empty() ? fromUserSettings : proxy == asking;
}

ProxyStore ProxyStore::ForCurrentUser() {
    const std::wstring folder = win32::LocalAppDataFolder(contract::kDataFolder);
    // Never a file at the root of the drive: without the folder, nothing is kept.
    if (folder.empty()) return ProxyStore(std::wstring());
    return ProxyStore(folder + L"\\" + contract::kProxyUserFile);
}

std::optional<SavedProxyUser> ProxyStore::Load() const {
    std::string bytes;
    if (path_.empty() || !win32::ReadWholeFile(path_, bytes, FILE_SHARE_READ, kLargestFile) ||
        bytes.empty())
        return std::nullopt;
    DATA_BLOB in{static_cast<DWORD>(bytes.size()), reinterpret_cast<BYTE*>(&bytes[0])};
    DATA_BLOB entropy = EntropyBlob();
    win32::SecretBlob plain;
    if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            plain.out()) ||
        plain.size() % sizeof(wchar_t) != 0)
        return std::nullopt;
    const wchar_t* text = reinterpret_cast<const wchar_t*>(plain.data());
    std::wstring whole(text, plain.size() / sizeof(wchar_t));
    std::vector<std::wstring> fields = SplitFields(whole);
    SecureZeroMemory(whole.data(), whole.size() * sizeof(wchar_t));
    std::optional<SavedProxyUser> saved = FromFields(fields);
    for (std::wstring& field : fields)
        SecureZeroMemory(field.data(), field.size() * sizeof(wchar_t));
    return saved;
}

bool ProxyStore::Save(const std::wstring& proxy, const ProxyCredentials& credentials,
                      DWORD scheme) const {
    return SaveSealed(proxy + L'\0' + credentials.user + L'\0' + credentials.password + L'\0' +
                      SchemeName(scheme));
}

bool ProxyStore::Remove() const {
    return !path_.empty() && win32::DeleteFileAt(path_);
}

bool ProxyStore::SaveSealed(std::wstring plain) const {
    if (path_.empty()) {
        SecureZeroMemory(plain.data(), plain.size() * sizeof(wchar_t));
        return false;
    }
    DATA_BLOB in{static_cast<DWORD>(plain.size() * sizeof(wchar_t)),
                 reinterpret_cast<BYTE*>(plain.data())};
    DATA_BLOB entropy = EntropyBlob();
    win32::SecretBlob sealed;
    const BOOL protectedOk = CryptProtectData(&in, L"Pelmora proxy user", &entropy, nullptr,
                                              nullptr, CRYPTPROTECT_UI_FORBIDDEN, sealed.out());
    SecureZeroMemory(plain.data(), plain.size() * sizeof(wchar_t));
    if (!protectedOk) return false;
    return win32::ReplaceWholeFile(
        path_, std::string(reinterpret_cast<const char*>(sealed.data()), sealed.size()));
}

}  // namespace client
