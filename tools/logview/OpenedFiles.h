// Which files one open reads, and in which order. A kept capture is split into "day.txt",
// "day-2.txt", ...: opening the first reads its parts after it, and dropping the parts together
// (in whatever order the shell lists them) reads them once each, in part order.
#pragma once

#include <string>
#include <vector>

namespace logview {

// `chosen` as they are to be read: a part whose first file is chosen too is left to it; the rest
// sorted by capture and part, each first followed by the parts beside it. A part is taken up to
// the first missing number, and one last written before the file it would follow is an earlier
// capture's (a capture passes over parts that exist) and is left out.
std::vector<std::wstring> FilesToRead(const std::vector<std::wstring>& chosen);

}  // namespace logview
