#include "ProxyStore.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

#include "frame/Directories.h"
#include "frame/Exceptions.h"
#include "win32/Handle.h"
#include "win32/Strings.h"

namespace client {
namespace {

// Binds the blob to this purpose: another program's blob of the same user does not load here.
const char kEntropy[] = "Pelmora pmqclient proxy user";

struct LocalBlob {
    DATA_BLOB blob{};
    ~LocalBlob() {
        if (blob.pbData) {
            SecureZeroMemory(blob.pbData, blob.cbData);
            LocalFree(blob.pbData);
        }
    }
};

DATA_BLOB EntropyBlob() {
    DATA_BLOB entropy;
    entropy.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy));
    entropy.cbData = sizeof kEntropy - 1;
    return entropy;
}

bool ReadFileBytes(const std::wstring& path, std::vector<BYTE>& bytes) {
    win32::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > 64 * 1024)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
           read == bytes.size();
}

bool WriteFileBytes(const std::wstring& path, const BYTE* data, DWORD size) {
    win32::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), data, size, &written, nullptr) && written == size &&
           FlushFileBuffers(file.get());
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

}  // namespace

ProxyStore ProxyStore::ForCurrentUser() {
    try {
        return ProxyStore(win32::ToWide(frame::GetDataDirectory()) + L"\\ProxyUser.dat");
    } catch (const frame::CDirectoryException&) {
        // Never a file at the root of the drive: without the folder, nothing is kept.
        return ProxyStore(std::wstring());
    }
}

std::optional<SavedProxyUser> ProxyStore::Load() const {
    std::vector<BYTE> bytes;
    if (path_.empty() || !ReadFileBytes(path_, bytes)) return std::nullopt;
    DATA_BLOB in{static_cast<DWORD>(bytes.size()), bytes.data()};
    DATA_BLOB entropy = EntropyBlob();
    LocalBlob plain;
    if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &plain.blob) ||
        plain.blob.cbData % sizeof(wchar_t) != 0)
        return std::nullopt;
    const wchar_t* text = reinterpret_cast<const wchar_t*>(plain.blob.pbData);
    std::wstring whole(text, plain.blob.cbData / sizeof(wchar_t));
    std::vector<std::wstring> fields = SplitFields(whole);
    SecureZeroMemory(whole.data(), whole.size() * sizeof(wchar_t));
    std::optional<SavedProxyUser> saved;
    if (fields.size() == 3 && !fields[0].empty() && !fields[1].empty())
        saved = SavedProxyUser{fields[0], ProxyCredentials(fields[1], fields[2])};
    else if (fields.size() == 2)
        Remove();
    for (std::wstring& field : fields)
        SecureZeroMemory(field.data(), field.size() * sizeof(wchar_t));
    return saved;
}

bool ProxyStore::Save(const std::wstring& proxy, const ProxyCredentials& credentials) const {
    return SaveSealed(proxy + L'\0' + credentials.user + L'\0' + credentials.password);
}

bool ProxyStore::Remove() const {
    return !path_.empty() && DeleteFileW(path_.c_str()) != FALSE;
}

bool ProxyStore::SaveSealed(std::wstring plain) const {
    if (path_.empty()) {
        SecureZeroMemory(plain.data(), plain.size() * sizeof(wchar_t));
        return false;
    }
    DATA_BLOB in{static_cast<DWORD>(plain.size() * sizeof(wchar_t)),
                 reinterpret_cast<BYTE*>(plain.data())};
    DATA_BLOB entropy = EntropyBlob();
    LocalBlob sealed;
    const BOOL protectedOk = CryptProtectData(&in, L"Pelmora proxy user", &entropy, nullptr,
                                              nullptr, CRYPTPROTECT_UI_FORBIDDEN, &sealed.blob);
    SecureZeroMemory(plain.data(), plain.size() * sizeof(wchar_t));
    if (!protectedOk) return false;
    const std::wstring temp = path_ + L".tmp";
    if (!WriteFileBytes(temp, sealed.blob.pbData, sealed.blob.cbData)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    if (MoveFileExW(temp.c_str(), path_.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temp.c_str());
    return false;
}

}  // namespace client
