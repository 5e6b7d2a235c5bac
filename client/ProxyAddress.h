// The one proxy the client talks to, out of the list the system's settings give for a URL
// ("host:port", "http=host:port;https=host:port", several entries separated by ";" or blanks).
// Talking to exactly one proxy is what lets the client know whom it gives a password.
#pragma once

#include <string>

namespace client {

// "host:port", host in lower case, port always written (80 when the entry gives none, as
// WinHTTP assumes): the entry for the URL's scheme, else the first entry for every scheme;
// "" when none serves the URL (a direct connection).
std::wstring ChooseProxy(const std::wstring& list, bool secureUrl);

}  // namespace client
