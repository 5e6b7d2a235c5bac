// The login flows' handler for exceptions: each exception of the family becomes a last-error
// code and message, with the log entries the support staff look for.
#pragma once

#include <functional>

namespace frame {

// Runs `work`. When it throws, the exception is mapped to the last error (adapter and Internet
// 1001, service 1006, anything else 1000) and false is returned.
bool RunWithCatchLadder(const char* function, const std::function<void()>& work);

}  // namespace frame
