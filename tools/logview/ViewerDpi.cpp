#include "ViewerDpi.h"

#include <string>

#include "win32/DialogFont.h"

namespace logview {
namespace {
template <typename Function>
Function UserCall(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

// The message font as the system would give it at `dpi`.
LOGFONTW MessageFont(UINT dpi) {
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    static const auto forDpi = UserCall<ForDpi>("SystemParametersInfoForDpi");
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return metrics.lfMessageFont;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(SystemDpi()));
    return metrics.lfMessageFont;
}
}  // namespace

UINT WindowDpi(HWND window) {
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = UserCall<ForWindow>("GetDpiForWindow");
    const UINT dpi = forWindow ? forWindow(window) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

win32::FontHandle CreateUiFont(UINT dpi) {
    LOGFONTW font = MessageFont(dpi);
    std::wstring face = win32::FallbackJapaneseFace();
    if (!face.empty() && face.size() < LF_FACESIZE) {
        ZeroMemory(font.lfFaceName, sizeof font.lfFaceName);
        face.copy(font.lfFaceName, face.size());
        font.lfCharSet = DEFAULT_CHARSET;
    }
    return win32::FontHandle(CreateFontIndirectW(&font));
}

}  // namespace logview
