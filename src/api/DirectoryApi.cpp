// Exports: the program directory.
#include "api/Boundary.h"
#include "frame/host/Directories.h"
#include "pelmora.h"

extern "C" {

BOOL WINAPI PeLmCurrentDirectorySet(const char* path) {
    return api::Guarded(__func__, FALSE, [&] {
        frame::SetProgramDirectoryOverride(path);
        return TRUE;
    });
}

}  // extern "C"
