// The plain text of a request as the client program reads it: the URL, the query made of the
// request's parameters, and the proxy dialog's switch (docs/client-contract.md, "Input").
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace HttpUtility {

// Applied to every parameter name and value before percent-encoding (win32::ThreadAnsiToUtf8).
using Converter = std::string (*)(const std::string&);

// Letters, digits, "_", "." and "-" stay, a space becomes "+", every other byte "%XX"; the text
// ends at its first NUL.
std::string UrlEncode(const std::string& text);

// A request's parameters in the order the caller first set them, so that a request goes out the
// same on every build, whatever the standard library's hashing.
class QueryParameters {
public:
    // A name set again keeps its place and takes the new value.
    void Set(const std::string& name, const std::string& value);
    // name=value& for each parameter, converted (when a converter is given) and percent-encoded;
    // "" without parameters.
    std::string Query(Converter converter) const;

private:
    std::vector<std::pair<std::string, std::string>> parameters_;
};

// "url:<url>\nquery:<query>\nshowproxydlg:true|false\n".
std::string BuildRequestText(const std::string& url, const std::string& query,
                             bool showProxyDialog);

}  // namespace HttpUtility
