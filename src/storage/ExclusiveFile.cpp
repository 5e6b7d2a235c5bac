#include "storage/ExclusiveFile.h"

#include <windows.h>

#include "win32/Files.h"

namespace storage {
namespace {

// Another host reading or writing the same file holds it for a moment only: a call that meets
// it waits a little and tries again before answering, so "held elsewhere" does not read as "no
// file" and a save is not lost. Bounded: about 0.4 s in all.
constexpr DWORD kRetryDelaysMs[] = {1, 2, 4, 8, 16, 32, 64, 96, 96, 96};

// A rename or delete of a file that another holder has open is refused as access denied by
// some systems, as a sharing violation by others.
bool IsHeldElsewhere(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

// Runs `attempt` until it succeeds or fails for another reason than a file held elsewhere.
template <typename Attempt>
bool RetryWhileHeldElsewhere(Attempt attempt) {
    for (DWORD delay : kRetryDelaysMs) {
        if (attempt()) return true;
        if (!IsHeldElsewhere(GetLastError())) return false;
        Sleep(delay);
    }
    return attempt();
}

}  // namespace

bool ReadFileExclusive(const std::wstring& path, std::string& bytes) {
    return RetryWhileHeldElsewhere([&] { return win32::ReadWholeFile(path, bytes); });
}

bool ReplaceFileExclusive(const std::wstring& target, const std::string& bytes) {
    // A read-only file cannot be opened for writing, so it is not replaced either (some
    // emulations of the platform would rename over it).
    const DWORD attributes = win32::FileAttributes(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    const std::wstring temporary = win32::TemporaryPathBeside(target);
    // A crash between an earlier write and its rename left the content (a password, say)
    // beside the file.
    win32::DeleteAbandonedTemporaries(target);
    if (win32::WriteWholeFile(temporary, bytes, true) &&
        RetryWhileHeldElsewhere([&] { return win32::RenameOver(temporary, target); }))
        return true;
    win32::DeleteFileAt(temporary);
    return false;
}

bool DeleteFileExclusive(const std::wstring& path) {
    return RetryWhileHeldElsewhere([&] { return win32::DeleteFileAt(path); });
}

}  // namespace storage
