#include "frame/host/Directories.h"

#include <windows.h>

#include "frame/errors/Exceptions.h"
#include "frame/host/HostContextLock.h"
#include "frame/host/Module.h"
#include "frame/host/ClientContract.h"
#include "win32/KnownFolder.h"
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
    DWORD length = GetModuleFileNameA(GetLibraryModule(), path, MAX_PATH);
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
    // Without the folder a stored password would land where other users can read it: the
    // operation fails instead.
    std::string path = win32::LocalAppDataFolder(contract::kDataFolder);
    if (path.empty()) throw CDirectoryException(kDataDirectoryUnknownText);
    return path;
}

}  // namespace frame
