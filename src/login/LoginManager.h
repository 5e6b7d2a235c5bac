// The stored login ("Login.dat" in the data directory) and the process-wide current record.
#pragma once

#include <memory>
#include <string>

#include "login/LoginInfo.h"

namespace login {

class CLoginManager {
public:
    static std::wstring GetFilePath();
    // Writes the current record; false when there is none or the file cannot be written.
    static bool Save();
    // Reads the file into a new current record; false (record unchanged) when it cannot be opened.
    static bool Load();
    // Load, then the record to answer from: the one this call read, even if another thread has
    // dropped or replaced the current record since; the current record when there is no file.
    static std::shared_ptr<const LOGIN_INFO> LoadAndGet();
    // Deletes the file if it exists, and the temporaries of it that crashed writers left (they
    // hold the password too). False when the file is still there.
    static bool Remove();

    // The current record, or null. The caller holds its own reference: another thread may
    // replace or drop the current record meanwhile without pulling it from under the caller.
    static std::shared_ptr<const LOGIN_INFO> GetLoginInfo();
    static void SetLoginInfo(std::shared_ptr<const LOGIN_INFO> info);
    static void ClearLoginInfo();

private:
    // Reads the file into a new current record: that record, or null when it cannot be opened.
    static std::shared_ptr<const LOGIN_INFO> ReadFileIntoCurrent();
};

}  // namespace login
