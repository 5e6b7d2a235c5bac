// Text at the edges of the transport: request parameters go out as UTF-8, the XML parser
// speaks UTF-16, and everything inside the library is in the thread's ANSI code page.
#pragma once

#include <string>

#include "win32/Bstr.h"

namespace transport {

// Text in the thread's ANSI code page as UTF-8 bytes; "" for "" or text that cannot be read.
// Has the form of the request exchange's parameter converter.
std::string ConvertToUtf8(const std::string& text);

// Widening for the parser; throws std::bad_alloc when the string cannot be allocated.
win32::Bstr ToParserText(const std::string& text);
// Narrowing of the parser's text back to the thread's ANSI code page.
std::string FromParserText(const std::wstring& text);

}  // namespace transport
