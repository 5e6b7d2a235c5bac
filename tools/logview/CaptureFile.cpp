#include "CaptureFile.h"

#include "RecordText.h"
#include "win32/PlatformCalls.h"

namespace logview {
namespace {
constexpr size_t kPendingBytes = 64u << 10;
constexpr int kMostParts = 100000;
}  // namespace

bool CaptureFile::Start(const std::wstring& path) {
    Stop();
    firstPath_ = path;
    part_ = 1;
    return Open(path, CREATE_ALWAYS);
}

bool CaptureFile::Open(const std::wstring& path, DWORD disposition) {
    // Others may read it while it grows: that is how a support person looks in during the day.
    file_ = win32::FileHandle(win32::Platform().createFile(
        path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, disposition,
        FILE_ATTRIBUTE_NORMAL, nullptr));
    path_ = path;
    written_ = 0;
    return active();
}

// The user chose to replace the first file, not the parts an earlier capture left beside it:
// a part that exists is passed over.
bool CaptureFile::OpenNextPart() {
    while (++part_ <= kMostParts) {
        if (Open(CapturePartPath(firstPath_, part_), CREATE_NEW)) return true;
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

void CaptureFile::Stop() {
    Flush();
    file_.reset();
    pending_.clear();
}

std::wstring CapturePartPath(const std::wstring& firstPath, int part) {
    const size_t slash = firstPath.find_last_of(L"\\/");
    size_t dot = firstPath.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        dot = firstPath.size();
    return firstPath.substr(0, dot) + L"-" + std::to_wstring(part) + firstPath.substr(dot);
}

bool CaptureFile::Add(const LOG_RECORD& record) {
    if (!active()) return false;
    const std::string row = SavedRow(record);
    if (size() > 0 && size() + row.size() > splitBytes_) {
        if (!Flush() || !OpenNextPart()) return false;
    }
    // Each part is a file of its own that a spreadsheet opens.
    if (size() == 0) pending_ = kSavedFileMark;
    pending_ += row;
    return pending_.size() < kPendingBytes || Flush();
}

bool CaptureFile::Flush() {
    if (!active() || pending_.empty()) return active();
    DWORD written = 0;
    if (!win32::Platform().writeFile(file_.get(), pending_.data(),
                                     static_cast<DWORD>(pending_.size()), &written, nullptr) ||
        written != pending_.size()) {
        file_.reset();
        pending_.clear();
        return false;
    }
    written_ += written;
    pending_.clear();
    return true;
}

}  // namespace logview
