// The proxies the system's settings give for a URL ("host:port", "http=host:port;https=host:port",
// several entries separated by ";" or blanks, "DIRECT" for a direct connection), in the order the
// client tries them, and whether a host is on the settings' bypass list.
#pragma once

#include <string>
#include <vector>

namespace client {

// The entries for the URL's scheme when the list has any, else those for every scheme, in their
// order; each written one way ("host:port", host in lower case, port always written: 80 when the
// entry gives none, as WinHTTP assumes), "" for a direct connection. An empty list is one direct
// connection. A saved password is bound to the text written here.
std::vector<std::wstring> ProxyRoutes(const std::wstring& list, bool secureUrl);

// True when `host` (with `port`) matches an entry of the bypass list: "<local>" for names without
// a dot, otherwise a wildcard pattern, optionally with a scheme and a port.
bool IsBypassed(const std::wstring& bypassList, const std::wstring& host, unsigned port);

}  // namespace client
