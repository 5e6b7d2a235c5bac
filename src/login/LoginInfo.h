// One set of account credentials.
#pragma once

#include <string>

namespace login {

struct LOGIN_INFO {
    std::string companyId;
    std::string password;
    std::string userName;
    bool saveFlag = false;  // fill the login dialog from this record next time
};

}  // namespace login
