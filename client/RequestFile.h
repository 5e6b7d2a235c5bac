// The request the library leaves for the client (the file its command line names, else
// "pmqrequest.dat" beside the program): RC4-encrypted text of three lines ("url:", "query:",
// "showproxydlg:").
#pragma once

#include <optional>
#include <string>

namespace client {

struct ClientRequest {
    std::string url;    // system code page bytes, as the library wrote them
    std::string query;  // already percent-encoded; each pair ends with "&"
    bool showProxyDialog = false;
};

// Parses the decrypted text. Nothing when a line is missing or out of order.
std::optional<ClientRequest> ParseRequestText(const std::string& text);

// Reads and decrypts the request file at `path`, and deletes it at once whatever its content: it
// carries credentials and must not outlive the exchange.
std::optional<ClientRequest> TakeRequestFile(const std::wstring& path);

}  // namespace client
