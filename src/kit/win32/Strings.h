// Text helpers. Inside the library text is std::string holding bytes of the system's ANSI code
// page (Shift_JIS on Japanese systems); these helpers convert at the edges.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>
#include <vector>

namespace win32 {

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

// Code-page conversions; an empty result when the text cannot be converted.
std::wstring ToWide(const std::string& text, UINT codePage = CP_ACP);
std::string ToNarrow(const std::wstring& text, UINT codePage = CP_ACP);
// Text in the thread's ANSI code page as UTF-8, up to its first NUL (where a percent-encoder
// stops too); "" for text that cannot be read.
std::string ThreadAnsiToUtf8(const std::string& text);

// Built-in texts are Shift_JIS bytes; windows get them as UTF-16 so they read correctly
// whatever the system code page is.
inline std::wstring FromBuiltIn(const std::string& cp932) {
    return ToWide(cp932, 932);
}

// ASCII-only lower-casing: the bytes of double-byte characters are left alone.
std::string ToLowerAscii(std::string text);

// Copies `text` and its NUL into a caller's buffer of `size` bytes. Never writes past `size`.
// Returns false, leaving "" when at least one byte fits, when the buffer is NULL or too small.
bool CopyToBuffer(char* buffer, size_t size, const std::string& text);

// The lines of a text, each without its line end (LF or CR LF); no empty last line for a
// text that ends with a line end.
std::vector<std::string> SplitLines(const std::string& text);

// A NULL C string reads as empty.
inline std::string FromCString(const char* text) {
    return text ? std::string(text) : std::string();
}

}  // namespace win32
