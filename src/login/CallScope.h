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

// Logs "Init開始", starts the socket layer (owned by `socket`), loads "Login.dat" into the
// current record and sets the last-error code to 0.
void __Initialize(std::unique_ptr<win32::SocketScope>& socket);
// Logs "Init終了" and the closing entry of kind 99, drops the current login record and stops
// the socket layer by releasing `socket`. Never throws.
void __Terminate(std::unique_ptr<win32::SocketScope>& socket) noexcept;

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
