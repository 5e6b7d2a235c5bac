// The activation context of the module this code is linked into, active for one scope on the
// calling thread. A DLL's windows otherwise take the host's context: a host without a manifest
// (most older programs) would show the library's dialogs with the version-1 controls. The
// module's manifest is its resource 2 (see cmake/PelmoraManifest.cmake); a module without one
// (a program, whose own manifest is already in force) activates nothing.
#pragma once

#include <windows.h>

namespace win32 {

class ActivationScope {
public:
    ActivationScope();
    ~ActivationScope();
    ActivationScope(const ActivationScope&) = delete;
    ActivationScope& operator=(const ActivationScope&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

}  // namespace win32
