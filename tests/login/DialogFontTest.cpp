// A dialog whose template font is not installed gets an installed Japanese-capable face for
// its controls instead of whatever the system would substitute; an installed face is kept.
#include <gtest/gtest.h>

#include <windows.h>

#include "win32/DialogFont.h"

namespace {

using win32::FontHandle;

// A window that answers WM_GETFONT as a dialog does, with one child control, both in `face`.
struct FontedWindow {
    explicit FontedWindow(const wchar_t* face) {
        LOGFONTW logical{};
        logical.lfHeight = -13;
        lstrcpynW(logical.lfFaceName, face, LF_FACESIZE);
        font = FontHandle(CreateFontIndirectW(&logical));
        window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 nullptr, nullptr);
        child = CreateWindowExW(0, L"STATIC", L"ID:", WS_CHILD, 0, 0, 50, 20, window, nullptr,
                                nullptr, nullptr);
        for (HWND target : {window, child})
            SendMessageW(target, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    }
    ~FontedWindow() { DestroyWindow(window); }
    HFONT ChildFont() const {
        return reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    }
    FontHandle font;
    HWND window, child;
};

TEST(DialogFont, MissingFaceIsReplacedOnTheControlsBySameSizedInstalledFaceAndInstalledIsKept) {
    ASSERT_FALSE(win32::IsFontFaceInstalled(L"No Such Face 4711"));
    FontedWindow missing(L"No Such Face 4711");
    FontHandle replacement = win32::ReplaceMissingDialogFont(missing.window);
    ASSERT_TRUE(replacement);
    EXPECT_EQ(missing.ChildFont(), replacement.get());
    LOGFONTW chosen{};
    GetObjectW(replacement.get(), sizeof chosen, &chosen);
    EXPECT_TRUE(win32::IsFontFaceInstalled(chosen.lfFaceName));
    EXPECT_EQ(-13, chosen.lfHeight);

    FontedWindow installed(chosen.lfFaceName);
    EXPECT_FALSE(win32::ReplaceMissingDialogFont(installed.window));
    EXPECT_EQ(installed.ChildFont(), installed.font.get());
}

}  // namespace
