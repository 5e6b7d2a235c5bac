// Whole-file reads and writes for the state and login files. Both open the file without
// sharing. A file that another thread or process holds open is tried again for a moment
// (well under a second) before it counts as one that cannot be opened. A write never leaves an
// empty or half-written file: the new content goes to a temporary file beside the target, which
// then replaces the target in one rename.
#pragma once

#include <string>

namespace storage {

// The whole content of `path`; false when it cannot be opened (missing, held open elsewhere)
// or read.
bool ReadFileExclusive(const std::wstring& path, std::string& bytes);

// Replaces the content of `path` with `bytes`, creating the file when missing. False when the
// file is held open elsewhere or cannot be written; the former content is then left intact
// and no temporary file remains.
bool ReplaceFileExclusive(const std::wstring& path, const std::string& bytes);

// Deletes `path`, waiting the same moment for another holder to let it go.
bool DeleteFileExclusive(const std::wstring& path);

}  // namespace storage
