#include "win32/KnownFolder.h"

#include <windows.h>
#include <shlobj.h>

#include "win32/Files.h"
#include "win32/OwnerOnly.h"
#include "win32/PlatformCalls.h"

namespace win32 {
namespace {

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = FileAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Another process may create it at the same moment.
std::wstring MadeFolder(const std::wstring& path, SECURITY_ATTRIBUTES* attributes) {
    if (IsFolder(path)) return path;
    const int created = Platform().shCreateDirectory(nullptr, path.c_str(), attributes);
    return created == ERROR_SUCCESS || created == ERROR_ALREADY_EXISTS ? path : std::wstring();
}

}  // namespace

std::wstring LocalAppDataFolder(const wchar_t* below) {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(Platform().shGetFolderPath(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                          0, folder)) ||
        folder[0] == L'\0')
        return std::wstring();
    return MadeFolder(std::wstring(folder) + L"\\" + below, nullptr);
}

std::wstring OwnerOnlyFolder(const std::wstring& path) {
    if (IsFolder(path)) return path;
    OwnerOnlyAttributes ownerOnly(OwnerOnlyAttributes::Inheritance::kByContents);
    if (ownerOnly.get() == nullptr) return std::wstring();
    return MadeFolder(path, ownerOnly.get());
}

}  // namespace win32
