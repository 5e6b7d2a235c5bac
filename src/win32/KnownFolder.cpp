#include "win32/KnownFolder.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "win32/PlatformCalls.h"

namespace win32 {

std::string LocalAppDataFolder(const char* below) {
    char folder[MAX_PATH] = "";
    if (FAILED(Platform().shGetFolderPath(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                          0, folder)) ||
        folder[0] == '\0')
        return std::string();
    std::string path = std::string(folder) + "\\" + below;
    if (!PathIsDirectoryA(path.c_str())) SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
    return path;
}

}  // namespace win32
