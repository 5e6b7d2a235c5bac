// Folders of the user's own below the local application data folder: where the library and its
// client program keep the files of this user. Paths are UTF-16 from the platform's wide calls, so
// a profile outside the system code page ("C:\Users\Zoë") is the profile's own folder, never the
// code page's nearest spelling of it.
#pragma once

#include <string>

namespace win32 {

// The local application data folder + "\" + `below`, created with its parents when missing;
// "" when the local application data folder cannot be resolved or the folder cannot be made.
// Without it files would land at the root of the current drive, where other users can read them:
// callers give up instead.
std::wstring LocalAppDataFolder(const wchar_t* below);

// `path`, made when missing with access for the current user and the system only (what is made
// in it inherits that), whatever its parent grants; "" when it is not a folder and cannot be made.
std::wstring OwnerOnlyFolder(const std::wstring& path);

}  // namespace win32
