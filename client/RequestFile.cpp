#include "RequestFile.h"

#include <windows.h>

#include <vector>

#include "storage/Crypt.h"
#include "win32/Handle.h"

namespace client {
namespace {

// Takes the next "name:value\n" line off `text`; false when the name differs.
bool TakeLine(std::string& text, const char* name, std::string& value) {
    const std::string prefix = std::string(name) + ":";
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    size_t end = text.find('\n');
    if (end == std::string::npos) end = text.size();
    value = text.substr(prefix.size(), end - prefix.size());
    text.erase(0, end == text.size() ? end : end + 1);
    return true;
}

bool ReadWholeFile(const std::wstring& path, std::vector<char>& bytes) {
    win32::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 1024 * 1024) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
            read == bytes.size());
}

}  // namespace

std::optional<ClientRequest> ParseRequestText(const std::string& text) {
    std::string rest = text;
    ClientRequest request;
    std::string flag;
    if (!TakeLine(rest, "url", request.url) || !TakeLine(rest, "query", request.query) ||
        !TakeLine(rest, "showproxydlg", flag))
        return std::nullopt;
    request.showProxyDialog = flag == "true";
    return request;
}

std::optional<ClientRequest> TakeRequestFile(const std::wstring& directory) {
    const std::wstring path = directory + L"\\pmqrequest.dat";
    std::vector<char> cipher;
    const bool read = ReadWholeFile(path, cipher);
    DeleteFileW(path.c_str());
    if (!read) return std::nullopt;
    std::string plain;
    if (!storage::CCrypt().Generate(plain, cipher.data(), static_cast<int>(cipher.size()), false))
        return std::nullopt;
    std::optional<ClientRequest> request = ParseRequestText(plain);
    SecureZeroMemory(plain.data(), plain.size());
    return request;
}

}  // namespace client
