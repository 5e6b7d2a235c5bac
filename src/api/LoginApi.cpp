// Exports: the interactive and the silent login.
#include "api/Boundary.h"
#include "frame/CatchLadder.h"
#include "login/CallScope.h"
#include "login/LoginFlows.h"
#include "pelmora.h"
#include "win32/SocketScope.h"

extern "C" {

BOOL WINAPI PeLmLogin(void) {
    return api::Guarded("PeLmLogin", FALSE, [] {
        // The scope loads the stored login: a data folder that cannot be resolved is this call's
        // failure, never the code an earlier call left.
        bool loggedIn = false;
        frame::RunWithCatchLadder("PeLmLogin", [&] {
            login::CApiCallScope scope;
            loggedIn = login::LoginInteractively();
        });
        return loggedIn ? TRUE : FALSE;
    });
}

BOOL WINAPI PeLmLoginUserCreate(const char* companyId, const char* password, const char* userName) {
    return api::Guarded("PeLmLoginUserCreate", FALSE, [&] {
        win32::SocketScope sockets;
        return login::LoginSilently(companyId, password, userName) ? TRUE : FALSE;
    });
}

}  // extern "C"
