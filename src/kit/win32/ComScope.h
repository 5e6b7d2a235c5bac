// COM on the calling thread for the length of one operation. The library never initialises COM
// at load: that would run inside the loader's lock and would only cover the loading thread.
// Instead every object that talks to a COM server keeps one of these alive beside it.
#pragma once

#include <windows.h>

namespace win32 {

class ComScope {
public:
    // Joins a single-threaded apartment on this thread, or keeps the apartment the thread is
    // already in (a thread of a multi-threaded host stays as the host made it).
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
    bool initialised_;  // this scope owes the thread one CoUninitialize
};

}  // namespace win32
