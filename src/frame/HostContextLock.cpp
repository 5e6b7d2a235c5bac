#include "frame/HostContextLock.h"

namespace frame {

std::mutex& HostContextLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace frame
