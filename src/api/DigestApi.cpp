// Exports: the digest for the host's own use.
#include "api/Boundary.h"
#include "pelmora.h"
#include "cipher/Crypt.h"

extern "C" {

BOOL WINAPI PeLmMD5(char* digest, const char* text) {
    return api::Guarded(__func__, FALSE,
                        [&] { return storage::CCrypt().MD5(digest, text) ? TRUE : FALSE; });
}

}  // extern "C"
