#include "api/Boundary.h"

#include <string>

#include "log/LogWriter.h"
#include "win32/Exception.h"

namespace api {

void LogEscapedException(const char* function) noexcept {
    try {
        logging::Write("例外により処理を中断しました：" + win32::DescribeCurrentException().logText,
                       {function, "PelmoraAPI", logging::Kind::kError, 1});
    } catch (...) {
        // Logging itself failed (out of memory): the safe result is all that is left.
    }
}

}  // namespace api
