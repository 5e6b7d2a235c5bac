// Exports: the interactive and the silent login.
#include "api/Boundary.h"
#include "login/LoginFlows.h"
#include "pelmora.h"
#include "win32/SocketScope.h"

extern "C" {

BOOL WINAPI PeLmLogin(void) {
    return api::Guarded(__func__, FALSE, [] { return login::LoginInCallScope() ? TRUE : FALSE; });
}

BOOL WINAPI PeLmLoginUserCreate(const char* companyId, const char* password, const char* userName) {
    return api::Guarded(__func__, FALSE, [&] {
        win32::SocketScope sockets;
        return login::LoginSilently(companyId, password, userName) ? TRUE : FALSE;
    });
}

}  // extern "C"
