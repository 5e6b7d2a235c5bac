#include "RequestFile.h"

#include <windows.h>

#include "contract/ClientContract.h"
#include "cipher/Crypt.h"
#include "win32/Files.h"
#include "win32/Strings.h"

namespace client {
namespace {

// A request is a URL and a form: anything larger is not one of the library's.
constexpr size_t kLargestRequest = 1024 * 1024;

// Takes the next "key value\n" line off `text` (the key ends in its colon); false when the key
// differs.
bool TakeLine(std::string& text, const char* key, std::string& value) {
    const std::string prefix = key;
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    size_t end = text.find('\n');
    if (end == std::string::npos) end = text.size();
    value = text.substr(prefix.size(), end - prefix.size());
    text.erase(0, end == text.size() ? end : end + 1);
    return true;
}

}  // namespace

std::optional<ClientRequest> ParseRequestText(const std::string& text) {
    std::string rest = text;
    ClientRequest request;
    std::string flag;
    if (!TakeLine(rest, contract::kUrlKey, request.url) ||
        !TakeLine(rest, contract::kQueryKey, request.query) ||
        !TakeLine(rest, contract::kShowProxyDialogKey, flag))
        return std::nullopt;
    request.showProxyDialog = flag == "true";
    return request;
}

std::optional<ClientRequest> TakeRequestFile(const std::wstring& path) {
    std::string cipher;
    // Read no further than a request can be: a huge file never fills the memory.
    const bool read = win32::ReadWholeFile(path, cipher, 0, kLargestRequest);
    win32::DeleteFileAt(path);  // the password never waits on disk for another reader
    if (!read) return std::nullopt;
    std::string plain;
    if (!storage::CCrypt().Generate(plain, cipher, false)) return std::nullopt;
    std::optional<ClientRequest> request = ParseRequestText(plain);
    SecureZeroMemory(plain.data(), plain.size());
    return request;
}

}  // namespace client
