// The two ways a host logs an account in: interactively (stored credentials, then the login
// dialog) and silently with credentials the host passes. The exports wrap these in their
// boundary; failures are left in the last error.
#pragma once

namespace login {

// The interactive part: an automatic login with the current record, then the dialog in any
// case, so the user confirms what is sent. Exceptions pass to the caller. True after OK.
bool Login();

// The body of PeLmLogin, to run inside the call scope: connectivity, Login(), every
// exception turned into the last error.
bool LoginInteractively();

// The whole of PeLmLogin: LoginInteractively inside the call scope. A scope that cannot open
// (no data folder) leaves its own failure in the last error.
bool LoginInCallScope();

// The body of PeLmLoginUserCreate, to run while the socket layer is up. On success the
// credentials become the current record (save flag off), not saved to disk.
bool LoginSilently(const char* companyId, const char* password, const char* userName);

}  // namespace login
