// What the viewer remembers between runs (ViewerSettings.h): taken from the window when it
// closes, given back to it when it opens.
#include <windows.h>
#include <commctrl.h>

#include <iterator>

#include "ViewerDpi.h"
#include "ViewerIds.h"
#include "ViewerMenu.h"
#include "ViewerWindow.h"
#include "win32/WindowText.h"

namespace logview {

// A kind the list does not offer leaves all kinds shown.
void ViewerWindow::SelectKind(int kind) {
    int choice = 0;
    for (int i = 0; i < static_cast<int>(std::size(kKindChoices)); ++i) {
        if (kKindChoices[i] == kind) choice = i;
    }
    SendMessageW(kindCombo_, CB_SETCURSEL, static_cast<WPARAM>(choice), 0);
}

void ViewerWindow::ApplySettings() {
    SetWindowTextW(filterEdit_, settings_.filterText.c_str());
    SelectKind(settings_.kind);
    ShowRecentFiles(GetMenu(window_), settings_.recentFiles);
}

// Column widths are kept at 96 DPI, so that they read the same on a monitor of another DPI.
void ViewerWindow::RememberSettings() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window_, &placement)) {
        settings_.hasPlacement = true;
        settings_.normal = placement.rcNormalPosition;
        settings_.maximized = placement.showCmd == SW_SHOWMAXIMIZED ||
                              (placement.showCmd == SW_SHOWMINIMIZED &&
                               (placement.flags & WPF_RESTORETOMAXIMIZED) != 0);
    }
    settings_.columnWidths.clear();
    for (int i = 0, width = 0; (width = ListView_GetColumnWidth(list_, i)) > 0; ++i)
        settings_.columnWidths.push_back(MulDiv(width, kDesignDpi, static_cast<int>(dpi_)));
    const RowFilter filter = FilterFromControls();
    settings_.filterText = win32::WindowText(filterEdit_);
    settings_.kind = filter.kind();
    SaveSettings(settingsPath_, settings_);
}

}  // namespace logview
