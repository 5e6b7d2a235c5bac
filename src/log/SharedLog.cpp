#include "log/SharedLog.h"

#include <cstring>
#include <utility>

#include "win32/PlatformCalls.h"

namespace logging {
namespace {
const char* const kBlockName = "SharedLogMemory";
const char* const kMutexName = "SharedLogMemoryMutex";

// Whole-record copy under the named mutex; `copy` runs while it is held.
template <typename Copy>
SharedLog::Access UnderBlockMutex(HANDLE mutex, win32::WaitBound& bound, Copy copy) {
    win32::MutexLock lock(mutex, win32::MutexLock::Wait::kPlain, bound);
    if (!lock.acquired()) return SharedLog::Access::kBusy;
    copy();
    lock.Unlock();
    return SharedLog::Access::kDone;
}

template <size_t N>
void EndWithin(char (&field)[N]) {
    field[N - 1] = '\0';
}

// A reader is handed C strings: the last byte of each text field is its end.
void TerminateTexts(LOG_RECORD& record) {
    EndWithin(record.message);
    EndWithin(record.function);
    EndWithin(record.source);
    EndWithin(record.time);
}
}  // namespace

SharedLog& SharedLog::Instance() {
    static SharedLog instance;
    return instance;
}

bool SharedLog::Open() {
    // The new objects are had before the earlier ones go: closing the old mapping first would
    // let a block that no other process holds vanish in between, and its record with it.
    auto block = std::shared_ptr<Block>(new Block{
        win32::KernelHandle(win32::Platform().createFileMapping(
            INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LOG_RECORD), kBlockName)),
        win32::MappedView(), win32::NamedMutex(kMutexName)});
    if (block->mapping) {
        block->view = win32::MappedView(win32::Platform().mapViewOfFile(
            block->mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LOG_RECORD)));
    }
    if (!block->view || !block->mutex.valid()) block.reset();
    std::shared_ptr<Block> earlier;
    {
        win32::SlimLockGuard guard(lock_);
        earlier = std::exchange(block_, block);
    }
    return block != nullptr;
}

void SharedLog::Close() {
    std::shared_ptr<Block> earlier;
    win32::SlimLockGuard guard(lock_);
    earlier.swap(block_);
}

std::shared_ptr<SharedLog::Block> SharedLog::Current() const {
    win32::SlimLockGuard guard(lock_);
    return block_;
}

SharedLog::Access SharedLog::Place(const LOG_RECORD& record) {
    std::shared_ptr<Block> block = Current();
    if (!block) return Access::kClosed;
    return UnderBlockMutex(block->mutex.get(), block->wait, [&] {
        auto* shared = static_cast<LOG_RECORD*>(block->view.get());
        std::memcpy(shared, &record, sizeof record);
        TerminateTexts(*shared);
    });
}

bool SharedLog::Read(LOG_RECORD& record) {
    std::shared_ptr<Block> block = Current();
    const bool read = block && UnderBlockMutex(block->mutex.get(), block->wait, [&] {
                                   std::memcpy(&record, block->view.get(), sizeof record);
                               }) == Access::kDone;
    if (!read) return false;
    TerminateTexts(record);
    ++reads_;
    return true;
}

}  // namespace logging
