// Replaces one entry of the library's platform table for the length of a scope, then puts the
// real function back: the way to make a failure that no real run can make on demand.
#pragma once

#include "win32/PlatformCalls.h"

namespace platform_tests {

template <typename Function>
class PlatformOverride {
public:
    PlatformOverride(Function win32::PlatformCalls::*entry, Function replacement)
        : entry_(entry), saved_(win32::Platform().*entry) {
        win32::Platform().*entry = replacement;
    }
    ~PlatformOverride() { win32::Platform().*entry_ = saved_; }
    PlatformOverride(const PlatformOverride&) = delete;
    PlatformOverride& operator=(const PlatformOverride&) = delete;

private:
    Function win32::PlatformCalls::*entry_;
    Function saved_;
};

// The entry names the type; a captureless lambda of the same signature converts to it.
template <typename Function, typename Replacement>
PlatformOverride(Function win32::PlatformCalls::*, Replacement) -> PlatformOverride<Function>;

}  // namespace platform_tests
