#include "login/CallScope.h"

#include "frame/errors/LastError.h"
#include "log/LogWriter.h"
#include "login/LoginManager.h"
#include "win32/SocketScope.h"

namespace login {
namespace {
using logging::Kind;

constexpr const char* kSource = "PelmoraAPI";

// Logs "Init開始", starts the socket layer (owned by `socket`), loads "Login.dat" into the
// current record and sets the last-error code to 0. The entries keep the names "__Initialize"
// and "__Terminate": support staff search the logs for them.
void EnterCallScope(std::unique_ptr<win32::SocketScope>& socket) {
    logging::Write("Init開始", {"__Initialize", kSource, Kind::kStep, 0});
    socket = std::make_unique<win32::SocketScope>();
    CLoginManager::Load();
    frame::ClearLastErrorCode();
}

// Logs "Init終了" and the closing entry of kind 99, drops the current login record and stops
// the socket layer by releasing `socket`. Never throws.
void LeaveCallScope(std::unique_ptr<win32::SocketScope>& socket) noexcept {
    try {
        logging::Write("Init終了", {"__Terminate", kSource, Kind::kStep, 0});
        logging::Write("", {"__Terminate", kSource, Kind::kEndOfCall, 0});
    } catch (...) {
        // Out of memory while logging: the record and the socket layer are still released.
    }
    CLoginManager::ClearLoginInfo();
    socket.reset();
}

}  // namespace

CApiCallScope::CApiCallScope() {
    // A failure half way in still closes the scope, so the log shows its end as on every exit.
    try {
        EnterCallScope(socket_);
    } catch (...) {
        LeaveCallScope(socket_);
        throw;
    }
}

CApiCallScope::~CApiCallScope() {
    LeaveCallScope(socket_);
}

}  // namespace login
