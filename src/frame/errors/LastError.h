// The last error that a login flow recorded: one code and one message per process. Threads
// overwrite each other's, but a reader always gets one whole message that was set.
#pragma once

#include <string>

#include "pelmora.h"

namespace frame {

// The codes hosts see, as the public header defines them.
enum LastErrorCode : int {
    kNoError = PELMORA_ERROR_NONE,
    kErrorOther = PELMORA_ERROR_OTHER,
    kErrorNetwork = PELMORA_ERROR_NETWORK,
    kErrorLogin = PELMORA_ERROR_LOGIN,
    kErrorService = PELMORA_ERROR_SERVICE,
};

int GetLastErrorCode();
std::string GetLastErrorMessage();
void RecordLastError(int code, const std::string& message);
// Resets the code only: the message stays with the last failure that was recorded.
void ClearLastErrorCode();

}  // namespace frame
