// "受信したログを保存し続ける": each record received from the moment it starts is appended to a
// file the user named, as UTF-8 rows of the save format. Rows wait in memory for at most one
// write (the viewer writes at least once a second, and at once past 64 KiB), so neither the
// store's bound nor a crash of the viewer loses more than that. Past its size limit a file is
// closed and the next starts beside it: "day.txt", "day-2.txt", "day-3.txt", ... (passing over
// the parts of an earlier capture).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "pelmora.h"
#include "win32/Handle.h"

namespace logview {

// "day.txt" part 2 is "day-2.txt"; a name without an extension gets the suffix at its end.
std::wstring CapturePartPath(const std::wstring& firstPath, int part);

class CaptureFile {
public:
    static constexpr uint64_t kDefaultSplitBytes = 100u << 20;

    explicit CaptureFile(uint64_t splitBytes = kDefaultSplitBytes) : splitBytes_(splitBytes) {}

    // Creates (or empties) `path` and starts appending there.
    bool Start(const std::wstring& path);
    // Writes what is pending and closes the file.
    void Stop();
    bool active() const { return static_cast<bool>(file_); }

    // False when a write failed: the capture has stopped then, and what was written stays.
    bool Add(const LOG_RECORD& record);
    bool Flush();

    // The file being written and its size, the pending rows included.
    const std::wstring& path() const { return path_; }
    uint64_t size() const { return written_ + pending_.size(); }

private:
    bool Open(const std::wstring& path, DWORD disposition);
    bool OpenNextPart();

    uint64_t splitBytes_;
    std::wstring firstPath_;
    std::wstring path_;
    int part_ = 1;
    win32::FileHandle file_;
    std::string pending_;
    uint64_t written_ = 0;
};

}  // namespace logview
