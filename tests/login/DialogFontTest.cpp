// A dialog whose template font is not installed gets an installed Japanese-capable face for
// its controls instead of whatever the system would substitute; an installed face is kept.
#include <gtest/gtest.h>

#include <windows.h>

#include "win32/DialogFont.h"

namespace {

using win32::FontHandle;

// A window that answers WM_GETFONT as a dialog does, with one child control.
class FontedWindow {
public:
    explicit FontedWindow(const wchar_t* face) {
        LOGFONTW font{};
        font.lfHeight = -13;
        lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
        font_ = FontHandle(CreateFontIndirectW(&font));
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
        child_ = CreateWindowExW(0, L"STATIC", L"ID:", WS_CHILD, 0, 0, 50, 20, window_, nullptr,
                                 nullptr, nullptr);
        SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        SendMessageW(child_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    ~FontedWindow() { DestroyWindow(window_); }
    HWND window() const { return window_; }
    HFONT ChildFont() const {
        return reinterpret_cast<HFONT>(SendMessageW(child_, WM_GETFONT, 0, 0));
    }
    HFONT OwnFont() const { return font_.get(); }

private:
    FontHandle font_;
    HWND window_ = nullptr;
    HWND child_ = nullptr;
};

std::wstring FaceOf(HFONT font) {
    LOGFONTW logical{};
    GetObjectW(font, sizeof logical, &logical);
    return logical.lfFaceName;
}

TEST(DialogFont, MissingFaceIsReplacedOnTheControlsBySameSizedInstalledFace) {
    ASSERT_FALSE(win32::IsFontFaceInstalled(L"No Such Face 4711"));
    FontedWindow window(L"No Such Face 4711");
    FontHandle replacement = win32::ReplaceMissingDialogFont(window.window());
    ASSERT_TRUE(replacement);
    EXPECT_EQ(window.ChildFont(), replacement.get());
    EXPECT_TRUE(win32::IsFontFaceInstalled(FaceOf(replacement.get())))
        << FaceOf(replacement.get()).c_str();
    LOGFONTW logical{};
    GetObjectW(replacement.get(), sizeof logical, &logical);
    EXPECT_EQ(logical.lfHeight, -13);
}

TEST(DialogFont, InstalledFaceIsKept) {
    std::wstring installed = win32::FallbackJapaneseFace();
    ASSERT_TRUE(win32::IsFontFaceInstalled(installed));
    FontedWindow window(installed.c_str());
    EXPECT_FALSE(win32::ReplaceMissingDialogFont(window.window()));
    EXPECT_EQ(window.ChildFont(), window.OwnFont());
}

}  // namespace
