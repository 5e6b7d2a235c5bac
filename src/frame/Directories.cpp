#include "frame/Directories.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "frame/Module.h"
#include "win32/Strings.h"

namespace frame {
namespace {
std::string g_programDirectoryOverride;
}

std::string GetProgramDirectory() {
    if (!g_programDirectoryOverride.empty()) return g_programDirectoryOverride;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(LibraryModule(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    char drive[_MAX_DRIVE], dir[_MAX_DIR];
    _splitpath(path, drive, dir, nullptr, nullptr);
    std::string result = std::string(drive) + dir;
    while (!result.empty() && result.back() == '\\') result.pop_back();
    return result;
}

void SetProgramDirectoryOverride(const char* path) {
    g_programDirectoryOverride = win32::FromCString(path);
}

std::string GetDataDirectory() {
    char folder[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0,
                                folder)))
        folder[0] = '\0';
    std::string path = std::string(folder) + "\\Torva Inc\\Pelmora";
    if (!PathIsDirectoryA(path.c_str())) SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
    return path;
}

}  // namespace frame
