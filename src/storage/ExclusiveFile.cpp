#include "storage/ExclusiveFile.h"

#include <windows.h>

#include "win32/Handle.h"
#include "win32/Strings.h"

namespace storage {
namespace {

// Another host reading or writing the same file holds it for a moment only: a call that meets
// it waits a little and tries again before answering, so "held elsewhere" does not read as "no
// file" and a save is not lost. Bounded: about 0.4 s in all.
constexpr DWORD kRetryDelaysMs[] = {1, 2, 4, 8, 16, 32, 64, 96, 96, 96};

bool IsHeldElsewhere(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
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

// The temporary name is unique per thread, so two writers never share one temporary file.
std::string TemporaryPathFor(const std::string& path) {
    return win32::Format("%s.%lu.%lu.tmp", path.c_str(), GetCurrentProcessId(),
                         GetCurrentThreadId());
}

bool WriteAndFlush(const std::string& path, const std::string& bytes) {
    win32::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                      &written, nullptr) ||
                           written != bytes.size()))
        return false;
    return FlushFileBuffers(file.get()) != FALSE;
}

win32::FileHandle OpenExclusive(const std::string& path) {
    win32::FileHandle file;
    RetryWhileHeldElsewhere([&] {
        file = win32::FileHandle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.valid();
    });
    return file;
}

}  // namespace

bool ReadFileExclusive(const std::string& path, std::string& bytes) {
    win32::FileHandle file = OpenExclusive(path);
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!content.empty() &&
        (!ReadFile(file.get(), &content[0], static_cast<DWORD>(content.size()), &read, nullptr) ||
         read != content.size()))
        return false;
    bytes.swap(content);
    return true;
}

// The rename fails while another holder has the target open without sharing, which makes a
// file in use an open failure like a read of it.
bool ReplaceFileExclusive(const std::string& path, const std::string& bytes) {
    // A read-only file cannot be opened for writing, so it is not replaced either (some
    // emulations of the platform would rename over it).
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    const std::string temporary = TemporaryPathFor(path);
    // A rename over a file that a reader holds is refused as access denied by some systems.
    auto rename = [&] {
        if (MoveFileExA(temporary.c_str(), path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (GetLastError() == ERROR_ACCESS_DENIED) SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    };
    if (!WriteAndFlush(temporary, bytes) || !RetryWhileHeldElsewhere(rename)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

bool DeleteFileExclusive(const std::string& path) {
    return RetryWhileHeldElsewhere([&] {
        if (DeleteFileA(path.c_str())) return true;
        if (GetLastError() == ERROR_ACCESS_DENIED) SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    });
}

}  // namespace storage
