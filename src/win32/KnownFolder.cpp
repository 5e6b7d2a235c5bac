#include "win32/KnownFolder.h"

#include <windows.h>
#include <shlobj.h>

#include "win32/Files.h"
#include "win32/PlatformCalls.h"

namespace win32 {

std::string LocalAppDataFolder(const char* below) {
    char folder[MAX_PATH] = "";
    if (FAILED(Platform().shGetFolderPath(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                          0, folder)) ||
        folder[0] == '\0')
        return std::string();
    std::string path = std::string(folder) + "\\" + below;
    const DWORD attributes = FileAttributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return path;
    // Another process may create it at the same moment.
    const int created = Platform().shCreateDirectory(nullptr, path.c_str(), nullptr);
    return created == ERROR_SUCCESS || created == ERROR_ALREADY_EXISTS ? path : std::string();
}

}  // namespace win32
