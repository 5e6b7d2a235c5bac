// The stored login ("Login.dat" in the data directory) and the process-wide current record.
#pragma once

#include <memory>
#include <string>

#include "login/LoginInfo.h"

namespace login {

class CLoginManager {
public:
    static std::string GetFilePath();
    // Writes the current record; false when there is none or the file cannot be written.
    static bool Save();
    // Reads the file into a new current record; false (record unchanged) when it cannot be opened.
    static bool Load();
    // Deletes the file if it exists; always true.
    static bool Remove();

    // The current record, or null. The caller holds its own reference: another thread may
    // replace or drop the current record meanwhile without pulling it from under the caller.
    static std::shared_ptr<const LOGIN_INFO> GetLoginInfo();
    static void SetLoginInfo(std::shared_ptr<const LOGIN_INFO> info);
    static void ClearLoginInfo();
};

}  // namespace login
