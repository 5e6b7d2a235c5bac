#include "frame/host/Directories.h"

#include <windows.h>

#include "frame/host/HostContextLock.h"
#include "frame/host/Module.h"
#include "contract/ClientContract.h"
#include "win32/Exception.h"
#include "win32/KnownFolder.h"
#include "win32/ModuleFile.h"
#include "win32/Strings.h"

namespace frame {
namespace {
std::string g_programDirectoryOverride;  // under the host context lock

// The host hears of these as "other" failures with the text.
const char* const kProgramDirectoryUnknown = "プログラムのフォルダーを特定できませんでした";
const char* const kDataDirectoryUnknown = "データの保存先フォルダーを特定できませんでした";

std::string ProgramDirectoryOverride() {
    HostContextGuard guard(HostContextLock());
    return g_programDirectoryOverride;
}
}  // namespace

std::wstring GetProgramDirectory() {
    const std::string chosen = ProgramDirectoryOverride();
    if (!chosen.empty()) return win32::ToWide(chosen);
    return win32::ModuleFolder(GetLibraryModule());
}

std::wstring RequireProgramDirectory() {
    std::wstring directory = GetProgramDirectory();
    if (directory.empty()) throw win32::CException(kProgramDirectoryUnknown);
    return directory;
}

void SetProgramDirectoryOverride(const char* path) {
    std::string value = win32::FromCString(path);
    HostContextGuard guard(HostContextLock());
    g_programDirectoryOverride.swap(value);
}

std::wstring GetDataDirectory() {
    // Without the folder a stored password would land where other users can read it: the
    // operation fails instead.
    std::wstring path = win32::LocalAppDataFolder(contract::kDataFolder);
    if (path.empty()) throw win32::CException(kDataDirectoryUnknown);
    return path;
}

std::wstring GetExchangeDirectory() {
    // The request holds the password: a folder other users could list or read is no place for it,
    // whatever the data directory grants (a roaming or redirected profile, say).
    std::wstring path =
        win32::OwnerOnlyFolder(GetDataDirectory() + L"\\" + contract::kExchangeFolder);
    if (path.empty()) throw win32::CException(kDataDirectoryUnknown);
    return path;
}

}  // namespace frame
