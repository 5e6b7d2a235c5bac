// The last error that a login flow recorded: one code and one message per process. Threads
// overwrite each other's, but a reader always gets one whole message that was set.
#pragma once

#include <string>

namespace frame {

enum LastErrorCode : int {
    kNoError = 0,
    kErrorOther = 1000,
    kErrorNetwork = 1001,
    kErrorLogin = 1002,
    kErrorService = 1006,
};

int GetLastErrorCode();
std::string GetLastErrorMessage();
void SetLastError(int code, const std::string& message);
// Resets the code only: the message stays with the last failure that was recorded.
void ClearLastErrorCode();

}  // namespace frame
