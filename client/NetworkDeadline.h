// The network's share of one run of the client. WinHTTP's time-outs bound each step (a connect,
// one read), not a run: a service that trickles its answer a byte at a time keeps every read
// within its time-out for ever, and routes, redirects and proxy challenges multiply the steps.
// The deadline bounds them all together: past it the process ends at once with the given exit
// code, whatever call it is in.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace client {

class NetworkDeadline {
public:
    NetworkDeadline(DWORD budgetMs, UINT exitCode);
    ~NetworkDeadline();
    NetworkDeadline(const NetworkDeadline&) = delete;
    NetworkDeadline& operator=(const NetworkDeadline&) = delete;

    // While one lives the clock stands still: a person at the proxy dialog, or the saved proxy
    // user being written, which must not be cut off midway.
    class Pause {
    public:
        explicit Pause(NetworkDeadline& deadline);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        NetworkDeadline& deadline_;
    };

private:
    void Watch();
    ULONGLONG UsedMs() const;  // under lock_

    const DWORD budgetMs_;
    const UINT exitCode_;
    std::mutex lock_;
    std::condition_variable changed_;
    ULONGLONG usedMs_ = 0;        // before the clock last started
    ULONGLONG runningSince_ = 0;  // when it last started
    int pauses_ = 0;
    bool done_ = false;
    std::thread watcher_;
};

}  // namespace client
