#include "transport/RequestText.h"

#include <algorithm>

#include "contract/ClientContract.h"
#include "win32/Strings.h"

namespace HttpUtility {
namespace {

bool PassesUnencoded(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

}  // namespace

std::string UrlEncode(const std::string& text) {
    std::string encoded;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte == '\0') break;
        if (PassesUnencoded(byte))
            encoded += c;
        else if (byte == ' ')
            encoded += '+';
        else
            encoded += win32::Format("%%%02X", byte);
    }
    return encoded;
}

void QueryParameters::Set(const std::string& name, const std::string& value) {
    const auto named =
        std::find_if(parameters_.begin(), parameters_.end(),
                     [&name](const auto& parameter) { return parameter.first == name; });
    if (named != parameters_.end())
        named->second = value;
    else
        parameters_.emplace_back(name, value);
}

std::string QueryParameters::Query(Converter converter) const {
    std::string query;
    for (const auto& [name, value] : parameters_) {
        query += UrlEncode(converter ? converter(name) : name) + "=" +
                 UrlEncode(converter ? converter(value) : value) + "&";
    }
    return query;
}

std::string BuildRequestText(const std::string& url, const std::string& query,
                             bool showProxyDialog) {
    return std::string(contract::kUrlKey) + url + "\n" + contract::kQueryKey + query + "\n" +
           contract::kShowProxyDialogKey + (showProxyDialog ? "true" : "false") + "\n";
}

}  // namespace HttpUtility
