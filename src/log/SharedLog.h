// The named shared memory "SharedLogMemory" holding the latest log record for log windows in
// any process, guarded by the named mutex "SharedLogMemoryMutex".
#pragma once

#include <memory>

#include "pelmora.h"
#include "win32/Handle.h"
#include "win32/NamedMutex.h"

namespace logging {

class SharedLog {
public:
    static SharedLog& Instance();

    // Creates or opens the block and its mutex. Opening again first releases what the earlier
    // open held. False, with nothing held, when any of the three objects cannot be had.
    bool Open();
    void Close();
    bool IsOpen() const;

    // Whole-record copies under the mutex; false when the block is not open.
    bool Write(const LOG_RECORD& record);
    bool Read(LOG_RECORD& record);

private:
    win32::KernelHandle mapping_;
    win32::MappedView view_;
    std::unique_ptr<win32::NamedMutex> mutex_;
};

}  // namespace logging
