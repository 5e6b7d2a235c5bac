#include "transport/TextConvert.h"

#include "win32/Strings.h"

namespace transport {

std::string ConvertToUtf8(const std::string& text) {
    std::wstring wide = win32::ToWide(text, CP_THREAD_ACP);
    std::string utf8 = win32::ToNarrow(wide, CP_UTF8);
    // Only the text up to a NUL is text; the parameter encoder stops there too.
    return utf8.substr(0, utf8.find('\0'));
}

win32::Bstr ToParserText(const std::string& text) {
    return win32::Bstr(win32::ToWide(text, CP_THREAD_ACP));
}

std::string FromParserText(const std::wstring& text) {
    return win32::ToNarrow(text, CP_THREAD_ACP);
}

}  // namespace transport
