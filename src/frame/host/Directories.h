// The program directory (exchange files and the client program) and the per-user data
// directory (stored login, server state files, the client's proxy user file).
#pragma once

#include <string>

namespace frame {

// The host's override when set (returned exactly as given); otherwise the directory of the
// library's own file without a trailing backslash ("C:" for a file at the root of C:).
std::string GetProgramDirectory();

// The program directory, or CDirectoryException when it cannot be resolved: an exchange must
// never fall back to "\pmqclient.exe" at the root of the current drive.
std::string RequireProgramDirectory();

// NULL or "" clears the override.
void SetProgramDirectoryOverride(const char* path);

// Local application data folder + "\Torva Inc\Pelmora", created with its parents when missing.
// Throws CDirectoryException when the folder cannot be resolved.
std::string GetDataDirectory();

}  // namespace frame
