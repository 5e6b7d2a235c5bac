#include "frame/Directories.h"

#include <windows.h>
#include <shlobj.h>

#include "frame/Exceptions.h"
#include "frame/HostContextLock.h"
#include "frame/Module.h"
#include "frame/ClientContract.h"
#include "win32/Files.h"
#include "win32/PlatformCalls.h"
#include "win32/Strings.h"

namespace frame {
namespace {
std::string g_programDirectoryOverride;  // under the host context lock

std::string ProgramDirectoryOverride() {
    HostContextGuard guard(HostContextLock());
    return g_programDirectoryOverride;
}
}  // namespace

std::string GetProgramDirectory() {
    std::string chosen = ProgramDirectoryOverride();
    if (!chosen.empty()) return chosen;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(LibraryModule(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    char drive[_MAX_DRIVE], dir[_MAX_DIR];
    _splitpath(path, drive, dir, nullptr, nullptr);
    std::string result = std::string(drive) + dir;
    while (!result.empty() && result.back() == '\\') result.pop_back();
    return result;
}

std::string RequireProgramDirectory() {
    std::string directory = GetProgramDirectory();
    if (directory.empty()) throw CDirectoryException(kProgramDirectoryUnknownText);
    return directory;
}

void SetProgramDirectoryOverride(const char* path) {
    std::string value = win32::FromCString(path);
    HostContextGuard guard(HostContextLock());
    g_programDirectoryOverride.swap(value);
}

std::string GetDataDirectory() {
    char folder[MAX_PATH] = "";
    // Without the folder the files would land at the root of the current drive, where other
    // users can read a stored password: the operation fails instead.
    if (FAILED(win32::Platform().shGetFolderPath(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE,
                                                 nullptr, 0, folder)) ||
        folder[0] == '\0')
        throw CDirectoryException(kDataDirectoryUnknownText);
    std::string path = std::string(folder) + "\\" + contract::kDataFolder;
    const DWORD attributes = win32::FileAttributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return path;
    // Another process may create it at the same moment.
    const int created = win32::Platform().shCreateDirectory(nullptr, path.c_str(), nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS)
        throw CDirectoryException(kDataDirectoryUnknownText);
    return path;
}

}  // namespace frame
