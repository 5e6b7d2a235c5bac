#include "win32/Exception.h"

#include <exception>

#include "win32/Handle.h"
#include "win32/Strings.h"

namespace win32 {
namespace {

// The system's text for an error code, without the trailing line break; the number itself when
// there is no text.
std::string SystemMessageText(DWORD code) {
    char* text = nullptr;
    DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length =
        FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    const LocalMemory owner(text);
    std::string message = length ? std::string(text, length) : Format("0x%08lX", code);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

}  // namespace

CException HResultError(HRESULT result) {
    return CException(SystemMessageText(static_cast<DWORD>(result)));
}

ErrorReport DescribeCurrentException() {
    try {
        throw;
    } catch (const CException& e) {
        return e.Report();
    } catch (const std::exception& e) {
        return ErrorReport{PELMORA_ERROR_OTHER, "", e.what(), false};
    } catch (...) {
        return ErrorReport{};
    }
}

}  // namespace win32
