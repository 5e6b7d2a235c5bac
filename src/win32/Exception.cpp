#include "win32/Exception.h"

#include <vector>

#include "win32/Strings.h"

namespace win32 {

BOOL CException::GetErrorMessage(char* buffer, UINT size, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    return FALSE;
}

std::string CException::ErrorText(UINT size) const {
    std::vector<char> buffer(size == 0 ? 1 : size, '\0');
    GetErrorMessage(buffer.data(), static_cast<UINT>(buffer.size()));
    buffer.back() = '\0';
    return std::string(buffer.data());
}

std::string SystemMessageText(DWORD code) {
    char* text = nullptr;
    DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length =
        FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : Format("0x%08lX", code);
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

BOOL CopyTextCut(char* buffer, UINT size, const std::string& text) {
    if (buffer == nullptr || size == 0) return FALSE;
    CopyToBuffer(buffer, size, text.substr(0, size - 1));
    return TRUE;
}

BOOL CHResultException::GetErrorMessage(char* buffer, UINT size, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    return CopyTextCut(buffer, size, SystemMessageText(static_cast<DWORD>(result_)));
}

}  // namespace win32
