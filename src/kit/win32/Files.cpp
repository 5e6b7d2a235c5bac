#include "win32/Files.h"

#include <functional>
#include <optional>

#include "win32/Handle.h"
#include "win32/OwnerOnly.h"
#include "win32/PlatformCalls.h"
#include "win32/Strings.h"

namespace win32 {
namespace {

FindHandle FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& found) {
    const HANDLE search = Platform().findFirstFile(pattern.c_str(), &found);
    return FindHandle(search == INVALID_HANDLE_VALUE ? nullptr : search);
}

// Keeps the first failure's reason across the clean-up calls that follow it.
class SavedError {
public:
    SavedError() : error_(GetLastError()) {}
    ~SavedError() { SetLastError(error_); }

private:
    DWORD error_;
};

}  // namespace

std::wstring WidePath(const std::string& path) {
    return ToWide(path);
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD share,
                   unsigned long long maxBytes) {
    FileHandle file(Platform().createFile(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!Platform().getFileSize(file.get(), &size)) return false;
    if (static_cast<unsigned long long>(size.QuadPart) > maxBytes || size.QuadPart > 0x7FFFFFFF) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!content.empty() &&
        (!Platform().readFile(file.get(), &content[0], static_cast<DWORD>(content.size()), &read,
                              nullptr) ||
         read != content.size()))
        return false;
    bytes.swap(content);
    return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes, bool flush,
                    FileAccess access) {
    // A file's access is given when it is created: an existing one would keep what it had, so it
    // goes first, and a file that is still there (another's, held open) is not written.
    std::optional<OwnerOnlyAttributes> ownerOnly;
    SECURITY_ATTRIBUTES* attributes = nullptr;
    if (access == FileAccess::kOwnerOnly) {
        attributes = ownerOnly.emplace().get();
        if (attributes == nullptr) return false;
        Platform().deleteFile(path.c_str());
    }
    FileHandle file(Platform().createFile(path.c_str(), GENERIC_WRITE, 0, attributes,
                                          attributes != nullptr ? CREATE_NEW : CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    bool whole =
        bytes.empty() || Platform().writeFile(file.get(), bytes.data(),
                                              static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (whole && written != bytes.size()) {
        SetLastError(ERROR_HANDLE_DISK_FULL);  // a short write without a reason of its own
        whole = false;
    }
    if (whole && flush) whole = Platform().flushFileBuffers(file.get()) != FALSE;
    if (whole) return true;
    SavedError reason;
    file.reset();
    Platform().deleteFile(path.c_str());
    return false;
}

std::wstring TemporaryPathBeside(const std::wstring& path) {
    return path + ToWide(Format(".%lu.%lu.tmp", GetCurrentProcessId(), GetCurrentThreadId()));
}

namespace {

// Whether the process `id`, which named a file last written at `written`, may still be using it.
// A process that started after the write only got the same id later; a process this user may not
// look at is not ours to judge, so its files stay.
bool WriterMayRun(DWORD id, const FILETIME& written) {
    KernelHandle process(
        Platform().openProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;  // no process has the id
    if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return false;
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) return true;
    // Two seconds: the coarsest time stamp a file system keeps.
    ULARGE_INTEGER start{{created.dwLowDateTime, created.dwHighDateTime}};
    ULARGE_INTEGER write{{written.dwLowDateTime, written.dwHighDateTime}};
    return start.QuadPart <= write.QuadPart + 2 * 10000000ull;
}

}  // namespace

void DeleteFilesOfEndedWriters(const std::wstring& folder, const std::wstring& wildcard,
                               const std::function<DWORD(const std::wstring&)>& writerOf) {
    WIN32_FIND_DATAW found;
    const FindHandle search = FindFirst(folder + L"\\" + wildcard, found);
    if (!search) return;
    do {
        const DWORD writer = writerOf(found.cFileName);
        if (writer == 0 || WriterMayRun(writer, found.ftLastWriteTime)) continue;
        Platform().deleteFile((folder + L"\\" + found.cFileName).c_str());
    } while (Platform().findNextFile(search.get(), &found));
}

void DeleteAbandonedTemporaries(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = path.substr(0, slash == std::wstring::npos ? 0 : slash);
    const std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    DeleteFilesOfEndedWriters(folder, name + L".*.tmp", [&name](const std::wstring& found) {
        // Exactly the name TemporaryPathBeside gives.
        unsigned long process = 0, thread = 0;
        if (found.compare(0, name.size(), name) != 0 ||
            swscanf(found.c_str() + name.size(), L".%lu.%lu.tmp", &process, &thread) != 2 ||
            found != name + ToWide(Format(".%lu.%lu.tmp", process, thread)))
            return 0ul;
        return process;
    });
}

bool RenameOver(const std::wstring& from, const std::wstring& to) {
    return Platform().moveFileEx(from.c_str(), to.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool ReplaceWholeFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = TemporaryPathBeside(path);
    if (WriteWholeFile(temporary, bytes, true) && RenameOver(temporary, path)) return true;
    SavedError reason;
    Platform().deleteFile(temporary.c_str());
    return false;
}

bool DeleteFileAt(const std::wstring& path) {
    return Platform().deleteFile(path.c_str()) != FALSE;
}

DWORD FileAttributes(const std::wstring& path) {
    return Platform().getFileAttributes(path.c_str());
}

}  // namespace win32
