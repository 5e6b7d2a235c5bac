#include "login/CallScope.h"

#include "frame/LastError.h"
#include "log/LogWriter.h"
#include "login/LoginManager.h"
#include "win32/SocketScope.h"

namespace login {
namespace {
constexpr const char* kSource = "PelmoraAPI";
}

void __Initialize(std::unique_ptr<win32::SocketScope>& socket) {
    logging::Log("Init開始", "__Initialize", kSource, logging::kStep, 0);
    socket = std::make_unique<win32::SocketScope>();
    CLoginManager::Load();
    frame::ClearLastErrorCode();
}

void __Terminate(std::unique_ptr<win32::SocketScope>& socket) noexcept {
    try {
        logging::Log("Init終了", "__Terminate", kSource, logging::kStep, 0);
        logging::Log("", "__Terminate", kSource, logging::kEndOfCall, 0);
    } catch (...) {
        // Out of memory while logging: the record and the socket layer are still released.
    }
    CLoginManager::ClearLoginInfo();
    socket.reset();
}

CApiCallScope::CApiCallScope() {
    // A failure half way in still closes the scope, so the log shows its end as on every exit.
    try {
        __Initialize(socket_);
    } catch (...) {
        __Terminate(socket_);
        throw;
    }
}

CApiCallScope::~CApiCallScope() {
    __Terminate(socket_);
}

}  // namespace login
