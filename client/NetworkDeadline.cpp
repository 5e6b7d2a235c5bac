#include "NetworkDeadline.h"

#include <chrono>

namespace client {

NetworkDeadline::NetworkDeadline(DWORD budgetMs, UINT exitCode)
    : budgetMs_(budgetMs), exitCode_(exitCode), runningSince_(GetTickCount64()) {
    watcher_ = std::thread([this] { Watch(); });
}

NetworkDeadline::~NetworkDeadline() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        done_ = true;
    }
    changed_.notify_all();
    watcher_.join();
}

ULONGLONG NetworkDeadline::UsedMs() const {
    return pauses_ ? usedMs_ : usedMs_ + (GetTickCount64() - runningSince_);
}

void NetworkDeadline::Watch() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!done_) {
        if (pauses_) {
            changed_.wait(guard);
            continue;
        }
        const ULONGLONG used = UsedMs();
        // Nothing of the run is left to save: the answer is not written until the deadline is
        // gone, and the request file was deleted when it was read.
        if (used >= budgetMs_) TerminateProcess(GetCurrentProcess(), exitCode_);
        changed_.wait_for(guard, std::chrono::milliseconds(budgetMs_ - used));
    }
}

NetworkDeadline::Pause::Pause(NetworkDeadline& deadline) : deadline_(deadline) {
    std::lock_guard<std::mutex> guard(deadline_.lock_);
    if (deadline_.pauses_++ == 0) deadline_.usedMs_ += GetTickCount64() - deadline_.runningSince_;
}

NetworkDeadline::Pause::~Pause() {
    {
        std::lock_guard<std::mutex> guard(deadline_.lock_);
        if (--deadline_.pauses_ == 0) deadline_.runningSince_ = GetTickCount64();
    }
    deadline_.changed_.notify_all();
}

}  // namespace client
