// The least a program can do to make the login's two requests itself: WinHTTP in this process,
// no request file, no second program.
#pragma once

#include <string>

#include "win32/Handle.h"

namespace bench {

struct DirectAnswer {
    unsigned long status = 0;  // 0 when no answer arrived
    std::string body;
};

// One WinHTTP session for both requests of a login, as one process would keep it.
class DirectExchange {
public:
    DirectExchange();

    // GET when `form` is empty, otherwise POST of the form-encoded body.
    DirectAnswer Send(const std::string& url, const std::string& form);

    // The client's own proxy discovery for `url`, which it runs before each request.
    void DiscoverProxy(const std::string& url);

private:
    win32::WinHttpHandle session_;
};

}  // namespace bench
