// The sealed time stamp of the server state files: the local time as "YYYY/MM/DD/hh/mm/ss", a
// space and the MD5 of that text (52 bytes), encrypted with the library's fixed RC4 key. The
// digest makes an edited or hand-made file show when it is read back.
#pragma once

#include <string>

#include "win32/Time.h"

namespace storage {

// The 52 encrypted bytes for the moment `t`. Throws CCryptException when hashing or
// encryption fails.
std::string SealTime(win32::Seconds t);

// The moment sealed in `data`. Throws CCryptException when decryption or hashing fails,
// CFalsificationException when the content is not two pieces or its digest does not match,
// and CHResultException (E_FAIL for a field out of range, E_INVALIDARG for a failed
// conversion) when the time text is not a valid local time.
win32::Seconds UnsealTime(const std::string& data);

// The file content for the current moment.
inline std::string EncryptCurrentTime() {
    return SealTime(win32::Now());
}

// Seconds of a local calendar time, with the field checks of UnsealTime.
win32::Seconds CheckedLocalTime(const win32::LocalDate& date);

}  // namespace storage
