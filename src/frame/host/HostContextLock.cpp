#include "frame/host/HostContextLock.h"

namespace frame {

win32::SlimLock& HostContextLock() {
    static win32::SlimLock lock;
    return lock;
}

}  // namespace frame
