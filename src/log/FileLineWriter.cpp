#include "log/FileLineWriter.h"

namespace logging {
namespace {
constexpr int kYieldsBeforeSleep = 64;
}  // namespace

FileLineWriter& FileLineWriter::Instance() {
    static FileLineWriter writer;
    return writer;
}

void FileLineWriter::Append(HANDLE file, const std::string& line) {
    std::uint64_t ticket = 0;
    for (;;) {
        {
            win32::SlimLockGuard guard(pendingLock_);
            // Pending lines all go to one file; a line for another one waits until they are out.
            if (pending_.empty() || pendingFile_ == file) {
                pending_ += line;
                pendingFile_ = file;
                ticket = ++queued_;
                break;
            }
        }
        win32::SlimLockGuard turn(turnLock_);
        WritePending();
    }
    // The turn is held for one write, usually far shorter than the sleep and wake-up of a
    // blocking wait, and its holder may write this line meanwhile: yield a few times before
    // sleeping (a slow file, a network share, then costs no spinning).
    for (int tries = 0; written_.load(std::memory_order_acquire) < ticket; ++tries) {
        if (tries < kYieldsBeforeSleep ? TryAcquireSRWLockExclusive(turnLock_.native()) != FALSE
                                       : (turnLock_.lock(), true)) {
            if (written_.load(std::memory_order_relaxed) < ticket) WritePending();
            turnLock_.unlock();
            return;
        }
        SwitchToThread();
    }
}

void FileLineWriter::WritePending() {
    HANDLE file = nullptr;
    std::uint64_t last = 0;
    {
        win32::SlimLockGuard guard(pendingLock_);
        writing_.swap(pending_);
        file = pendingFile_;
        last = queued_;
    }
    if (!writing_.empty()) {
        // With the high part given, the move also succeeds on a log grown past 4 GiB; without
        // it the pointer would stay put and the lines could land on text the host wrote.
        LONG high = 0;
        DWORD written = 0;
        SetFilePointer(file, 0, &high, FILE_END);
        WriteFile(file, writing_.data(), static_cast<DWORD>(writing_.size()), &written, nullptr);
        writing_.clear();
    }
    written_.store(last, std::memory_order_release);
}

}  // namespace logging
