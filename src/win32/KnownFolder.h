// A folder of the user's own below the local application data folder: where the library and its
// client program keep the files of this user.
#pragma once

#include <string>

namespace win32 {

// The local application data folder + "\" + `below`, created with its parents when missing;
// "" when the local application data folder cannot be resolved or the folder cannot be made.
// Without it files would land at the root of the current drive, where other users can read them:
// callers give up instead.
std::string LocalAppDataFolder(const char* below);

}  // namespace win32
