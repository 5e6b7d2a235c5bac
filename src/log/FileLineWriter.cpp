#include "log/FileLineWriter.h"

#include <utility>

#include "win32/PlatformCalls.h"

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
    {
        win32::SlimLockGuard guard(pendingLock_);
        pending_ += line;
        pendingFile_ = file;
        ticket = ++queued_;
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
        WriteAtEnd(file);
        writing_.clear();
    }
    written_.store(last, std::memory_order_release);
}

// Failures are ignored: the lines are lost for this sink only. A host's handle that cannot seek
// (a pipe) still gets them.
void FileLineWriter::WriteAtEnd(HANDLE file) {
    if (std::exchange(tornFile_, nullptr) == file) writing_.insert(writing_.begin(), '\n');
    win32::Platform().setFilePointer(file, LARGE_INTEGER{}, nullptr, FILE_END);
    size_t done = 0;
    while (done < writing_.size()) {
        DWORD written = 0;
        const BOOL ok = win32::Platform().writeFile(file, writing_.data() + done,
                                                    static_cast<DWORD>(writing_.size() - done),
                                                    &written, nullptr);
        done += written;
        if (!ok || written == 0) break;
    }
    if (done > 0 && done < writing_.size() && writing_[done - 1] != '\n') tornFile_ = file;
}

}  // namespace logging
