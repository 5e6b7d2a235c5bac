// The sealed time stamp of the server state files: the local time as "YYYY/MM/DD/hh/mm/ss", a
// space and the MD5 of that text (52 bytes), encrypted with the library's fixed RC4 key. The
// digest makes an edited or hand-made file show when it is read back.
#pragma once

#include <string>

#include "errors/Exceptions.h"
#include "win32/Time.h"

namespace storage {

// Writes the error entry of a failed step (the function it names, its text) before the failure
// is raised: the seal belongs to the kit, which has no log of its own.
using SealFailureLog = void (*)(const char* function, const char* entry);

// The 52 encrypted bytes for the moment `t`. Throws CCryptException when hashing or encryption
// fails.
std::string SealTime(win32::Seconds t, SealFailureLog log = nullptr);

// The moment sealed in `data`. Throws CCryptException when decryption or hashing fails,
// CFalsificationException when the content is not two pieces or its digest does not match, and
// the system's E_FAIL for a field out of range or E_INVALIDARG for a failed conversion (no entry)
// when the time text is not a valid local time.
win32::Seconds UnsealTime(const std::string& data, SealFailureLog log = nullptr);

// The file content for the current moment.
inline std::string EncryptCurrentTime(SealFailureLog log = nullptr) {
    return SealTime(win32::Now(), log);
}

// Seconds of a local calendar time, with the field checks of UnsealTime.
win32::Seconds CheckedLocalTime(const win32::LocalDate& date);

}  // namespace storage
