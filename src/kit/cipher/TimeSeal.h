// The sealed time stamp of the server state files: the local time as "YYYY/MM/DD/hh/mm/ss", a
// space and the MD5 of that text (52 bytes), encrypted with the library's fixed RC4 key. The
// digest makes an edited or hand-made file show when it is read back.
#pragma once

#include <string>
#include <utility>

#include "errors/Exceptions.h"
#include "win32/Time.h"

namespace storage {

// The seal logs nothing: a failure carries the error entry its caller logs (the function the
// entry names and its text), and is caught as the exception family's kind it also is.
class SealFailure {
public:
    SealFailure(const char* function, const char* entry) : function_(function), entry_(entry) {}
    virtual ~SealFailure() = default;
    const char* function() const { return function_; }
    const char* entry() const { return entry_; }

private:
    const char* function_;
    const char* entry_;
};

template <typename Exception>
class CSealException : public Exception, public SealFailure {
public:
    template <typename... Arguments>
    CSealException(const char* function, const char* entry, Arguments&&... arguments)
        : Exception(std::forward<Arguments>(arguments)...), SealFailure(function, entry) {}
};

// The 52 encrypted bytes for the moment `t`. Throws CSealException<CCryptException> when hashing
// or encryption fails.
std::string SealTime(win32::Seconds t);

// The moment sealed in `data`. Throws CSealException<CCryptException> when decryption or hashing
// fails, CSealException<CFalsificationException> when the content is not two pieces or its
// digest does not match, and CHResultException (E_FAIL for a field out of range, E_INVALIDARG for
// a failed conversion) when the time text is not a valid local time.
win32::Seconds UnsealTime(const std::string& data);

// The file content for the current moment.
inline std::string EncryptCurrentTime() {
    return SealTime(win32::Now());
}

// Seconds of a local calendar time, with the field checks of UnsealTime.
win32::Seconds CheckedLocalTime(const win32::LocalDate& date);

}  // namespace storage
