// The bracket around one interactive login call: on entry it logs the start, starts the socket
// layer, loads the stored login and resets the last-error code; on every way out (normal return
// or an exception passing through) it logs the end, drops the current login record and stops
// the socket layer.
#pragma once

#include <memory>

namespace win32 {
class SocketScope;
}

namespace login {

// Declare one first thing in an exported flow.
class CApiCallScope {
public:
    CApiCallScope();
    ~CApiCallScope();
    CApiCallScope(const CApiCallScope&) = delete;
    CApiCallScope& operator=(const CApiCallScope&) = delete;

private:
    std::unique_ptr<win32::SocketScope> socket_;
};

}  // namespace login
