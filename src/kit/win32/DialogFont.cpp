#include "win32/DialogFont.h"

namespace win32 {
namespace {

int CALLBACK StopAtFirstFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

BOOL CALLBACK SetFontOfChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

}  // namespace

bool IsFontFaceInstalled(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, face.size());
    bool found = false;
    const ScreenDc screen(GetDC(nullptr));
    EnumFontFamiliesExW(screen.get(), &wanted, StopAtFirstFace, reinterpret_cast<LPARAM>(&found),
                        0);
    return found;
}

std::wstring FallbackJapaneseFace() {
    for (const wchar_t* face : {L"MS UI Gothic", L"Meiryo UI", L"Yu Gothic UI", L"MS PGothic"}) {
        if (IsFontFaceInstalled(face)) return face;
    }
    // The message font links to the system's CJK faces where it lacks the glyphs itself.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return metrics.lfMessageFont.lfFaceName;
}

FontHandle ReplaceMissingDialogFont(HWND dialog) {
    auto current = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW font{};
    if (current == nullptr || GetObjectW(current, sizeof font, &font) == 0) return FontHandle();
    if (IsFontFaceInstalled(font.lfFaceName)) return FontHandle();
    std::wstring face = FallbackJapaneseFace();
    if (face.empty() || face.size() >= LF_FACESIZE) return FontHandle();
    ZeroMemory(font.lfFaceName, sizeof font.lfFaceName);
    face.copy(font.lfFaceName, face.size());
    font.lfCharSet = DEFAULT_CHARSET;
    FontHandle replacement(CreateFontIndirectW(&font));
    if (replacement) {
        EnumChildWindows(dialog, SetFontOfChild, reinterpret_cast<LPARAM>(replacement.get()));
    }
    return replacement;
}

}  // namespace win32
