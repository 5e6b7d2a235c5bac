// The named shared memory "SharedLogMemory" holding the latest log record for log windows in
// any process, guarded by the named mutex "SharedLogMemoryMutex".
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "pelmora.h"
#include "win32/Handle.h"
#include "win32/NamedMutex.h"
#include "win32/SlimLock.h"

namespace logging {

class SharedLog {
public:
    static SharedLog& Instance();

    // Creates or opens the block and its mutex. Opening again releases what the earlier open
    // held. False, with nothing held, when any of the three objects cannot be had.
    bool Open();
    void Close();

    enum class Access { kDone, kClosed, kBusy };

    // Whole-record copies under the named mutex; false when the block is not open or its mutex
    // stayed held for kMutexWaitMs (any process of the session may hold it, a frozen one too).
    // Once a wait has run out, later copies only try the mutex until one gets it. Every text of
    // the record ends within its field, in the block and in the copy read out of it, whatever
    // the writer (another process, say) left there. Safe while another thread opens or closes:
    // a copy that has started finishes on the objects it began with, and every copy that starts
    // after a close fails.
    Access Place(const LOG_RECORD& record);
    bool Write(const LOG_RECORD& record) { return Place(record) == Access::kDone; }
    bool Read(LOG_RECORD& record);
    // Well under the 5 s for which the log window's hand-off waits on a window.
    static constexpr DWORD kMutexWaitMs = 1000;
    // How many reads this process has made: the log window's hand-off tells by it whether the
    // window has taken the record it was told about.
    std::uint64_t ReadCount() const { return reads_.load(); }

private:
    struct Block {
        win32::KernelHandle mapping;
        win32::MappedView view;
        win32::NamedMutex mutex;
        win32::WaitBound wait{kMutexWaitMs};
    };
    std::shared_ptr<Block> Current() const;

    // Guards the pointer only, never a copy into or out of the block.
    mutable win32::SlimLock lock_;
    std::shared_ptr<Block> block_;
    std::atomic<std::uint64_t> reads_{0};
};

}  // namespace logging
