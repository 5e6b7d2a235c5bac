// The program directory (the client program, only ever read), the per-user data directory
// (stored login, server state files, the client's proxy user file) and the exchange folder in it
// (the request and answer files). Paths are UTF-16: a profile or install folder outside the
// system code page is used as it is.
#pragma once

#include <string>

namespace frame {

// The host's override when set (exactly as given, read in the ANSI code page); otherwise the
// directory of the library's own file without a trailing backslash ("C:" for a file at the root
// of C:).
std::wstring GetProgramDirectory();

// The program directory, or a CException when it cannot be resolved: an exchange must
// never fall back to "\pmqclient.exe" at the root of the current drive.
std::wstring RequireProgramDirectory();

// NULL or "" clears the override.
void SetProgramDirectoryOverride(const char* path);

// Local application data folder + "\Torva Inc\Pelmora", created with its parents when missing.
// Throws a CException when the folder cannot be resolved.
std::wstring GetDataDirectory();

// The data directory + "\exchange", made for the current user and the system alone when missing.
// Throws a CException when it cannot be had.
std::wstring GetExchangeDirectory();

}  // namespace frame
