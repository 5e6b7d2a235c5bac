// The main and sub endpoint tables (Connect, Test, Login) and the choice between them.
#pragma once

#include <string>

namespace transport {

enum class Server { kMain, kSub };
enum class Endpoint { kConnect, kTest, kLogin };

std::string GetEndpointUrl(Server server, Endpoint endpoint);
void SetEndpointUrl(Server server, Endpoint endpoint, const char* url);  // NULL stores ""

// Every entry to its default: https, the server's host, the endpoint's path.
void SetDefaultUrls();

// The URL of the server in use: the sub table's while "sub.dat" exists, else the main table's.
std::string GetCurrentTestUrl();
std::string GetCurrentLoginUrl();

}  // namespace transport
