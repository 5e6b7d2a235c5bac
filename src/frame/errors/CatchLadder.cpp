#include "frame/errors/CatchLadder.h"

#include <string>

#include "win32/Exception.h"
#include "frame/errors/LastError.h"
#include "log/LogWriter.h"

namespace frame {
namespace {
const char* const kSource = "PelmoraAPI";

// The flow's error entry, unless the finding is logged already, and the host's last error carry
// the same text. Call only from inside a catch block.
void RecordCurrentException(const char* function) {
    const win32::ErrorReport error = win32::DescribeCurrentException();
    // An "other" failure's text is cut where the 256-byte buffer it was always read through cut it.
    const std::string text =
        error.hostCode == kErrorOther ? error.hostText.substr(0, 255) : error.hostText;
    if (!error.logged) logging::Write(text, {function, kSource, logging::Kind::kError, 1});
    RecordLastError(error.hostCode, text);
}
}  // namespace

bool RunWithCatchLadder(const char* function, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (...) {
        RecordCurrentException(function);
        return false;
    }
}

}  // namespace frame
