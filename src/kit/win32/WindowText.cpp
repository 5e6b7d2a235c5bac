#include "win32/WindowText.h"

namespace win32 {

// The length is a hint only: the text may grow between the two calls. So the buffer has a spare
// place, and a copy that fills it all may have been cut and is read again into a larger one.
std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 2, L'\0');
    for (;;) {
        const int copied = GetWindowTextW(window, &text[0], static_cast<int>(text.size()));
        if (copied <= 0) return std::wstring();
        if (static_cast<size_t>(copied) + 1 < text.size()) return text.substr(0, copied);
        text.resize(text.size() * 2);
    }
}

}  // namespace win32
