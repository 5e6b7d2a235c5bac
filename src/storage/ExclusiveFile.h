// Whole-file reads and writes for the state and login files. Both open the file without
// sharing, so a file that another thread or process holds open counts as one that cannot be
// opened. A write never leaves an empty or half-written file: the new content goes to a
// temporary file beside the target, which then replaces the target in one rename.
#pragma once

#include <string>

namespace storage {

// The whole content of `path`; false when it cannot be opened (missing, held open elsewhere)
// or read.
bool ReadFileExclusive(const std::string& path, std::string& bytes);

// Replaces the content of `path` with `bytes`, creating the file when missing. False when the
// file is held open elsewhere or cannot be written; the former content is then left intact
// and no temporary file remains.
bool ReplaceFileExclusive(const std::string& path, const std::string& bytes);

}  // namespace storage
