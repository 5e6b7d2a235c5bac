// Exports: the host's start and end calls.
#include "api/Boundary.h"
#include "pelmora.h"
#include "transport/Endpoints.h"

extern "C" {

// The arguments are reserved: hosts pass zeros, and no value changes what happens.
int WINAPI PeHmInitialize(int, int, int, int) {
    return api::Guarded(__func__, 0, [] {
        transport::SetDefaultUrls();
        return 1;
    });
}

// Nothing to release: the library holds no resource between calls.
BOOL WINAPI PeHmTerminate(int, int) {
    return TRUE;
}

}  // extern "C"
