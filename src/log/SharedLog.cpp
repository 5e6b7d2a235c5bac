#include "log/SharedLog.h"

#include <cstring>

namespace logging {
namespace {
const char* const kBlockName = "SharedLogMemory";
const char* const kMutexName = "SharedLogMemoryMutex";
}  // namespace

SharedLog& SharedLog::Instance() {
    static SharedLog instance;
    return instance;
}

bool SharedLog::Open() {
    // The new objects are had before the earlier ones go: closing the old mapping first would
    // let a block that no other process holds vanish in between, and its record with it.
    win32::KernelHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                   sizeof(LOG_RECORD), kBlockName));
    win32::MappedView view;
    if (mapping) {
        view = win32::MappedView(
            MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LOG_RECORD)));
    }
    auto mutex = std::make_unique<win32::NamedMutex>(kMutexName);
    if (!view || !mutex->valid()) {
        Close();
        return false;
    }
    view_ = std::move(view);
    mapping_ = std::move(mapping);
    mutex_ = std::move(mutex);
    return true;
}

void SharedLog::Close() {
    view_.reset();
    mapping_.reset();
    mutex_.reset();
}

bool SharedLog::IsOpen() const {
    return view_.valid() && mutex_ != nullptr;
}

bool SharedLog::Write(const LOG_RECORD& record) {
    if (!IsOpen()) return false;
    win32::MutexLock lock(mutex_->get());
    if (!lock.acquired()) return false;
    std::memcpy(view_.get(), &record, sizeof record);
    return lock.Unlock();
}

bool SharedLog::Read(LOG_RECORD& record) {
    if (!IsOpen()) return false;
    win32::MutexLock lock(mutex_->get());
    if (!lock.acquired()) return false;
    std::memcpy(&record, view_.get(), sizeof record);
    return lock.Unlock();
}

}  // namespace logging
