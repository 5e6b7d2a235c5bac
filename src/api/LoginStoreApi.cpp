// Exports: the stored login. Each query loads "Login.dat" afresh and drops the record after
// answering, so no record is left current between calls. A query answers from the record it
// loaded itself: another thread's query or PeLmLoginUserDelete may drop the current record
// between the load and the answer.
#include "api/Boundary.h"
#include "login/LoginManager.h"
#include "pelmora.h"
#include "win32/Strings.h"

using login::CLoginManager;
using login::LOGIN_INFO;

namespace {

// Copies one field of the loaded record ("" without a record). TRUE only when a record existed
// and the field fitted the buffer.
template <typename Field>
BOOL CopyLoginField(char* buffer, unsigned int size, Field field) {
    const auto info = CLoginManager::LoadAndGet();
    const bool copied = win32::CopyToBuffer(buffer, size, info ? field(*info) : std::string());
    const bool existed = info != nullptr;
    CLoginManager::ClearLoginInfo();
    return existed && copied ? TRUE : FALSE;
}

}  // namespace

extern "C" {

BOOL WINAPI PeLmHasLogin(void) {
    return api::Guarded(__func__, FALSE, [] {
        const bool existed = CLoginManager::LoadAndGet() != nullptr;
        CLoginManager::ClearLoginInfo();
        return existed ? TRUE : FALSE;
    });
}

BOOL WINAPI PeLmLoginID(char* buffer, unsigned int size) {
    return api::Guarded(__func__, FALSE, [&] {
        return CopyLoginField(buffer, size, [](const LOGIN_INFO& i) { return i.companyId; });
    });
}

BOOL WINAPI PeLmLoginPassword(char* buffer, unsigned int size) {
    return api::Guarded(__func__, FALSE, [&] {
        return CopyLoginField(buffer, size, [](const LOGIN_INFO& i) { return i.password; });
    });
}

BOOL WINAPI PeLmLoginRemove(void) {
    return api::Guarded(__func__, FALSE, [] { return CLoginManager::Remove() ? TRUE : FALSE; });
}

void WINAPI PeLmLoginUserDelete(void) {
    api::GuardedVoid(__func__, [] { CLoginManager::ClearLoginInfo(); });
}

}  // extern "C"
