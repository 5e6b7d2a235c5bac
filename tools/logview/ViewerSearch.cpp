// 編集 > 検索: the find box above the list, F3 / Shift+F3 to the next / previous shown row that
// holds its text (in the message, function or source; Japanese as typed, Latin letters in either
// case), F8 to the next error row; and the rows' context menu, which filters by a row.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include "RecordText.h"
#include "RowFilter.h"
#include "ViewerIds.h"
#include "ViewerMenu.h"
#include "ViewerWindow.h"
#include "win32/Strings.h"
#include "win32/WindowText.h"

namespace logview {

void ViewerWindow::FocusFindBox() {
    SetFocus(findEdit_);
    SendMessageW(findEdit_, EM_SETSEL, 0, -1);
}

void ViewerWindow::FindNext(bool backwards) {
    const std::wstring text = win32::WindowText(findEdit_);
    if (text.empty()) return FocusFindBox();
    const RowFilter wanted(text, RowFilter::kAllKinds);
    notice_.clear();
    if (!SelectNextRow([&](const LOG_RECORD& r) { return wanted.Matches(r); }, backwards))
        notice_ = win32::FromBuiltIn("「") + text + win32::FromBuiltIn("」は見つかりませんでした");
    UpdateStatus();
}

void ViewerWindow::NextError() {
    notice_.clear();
    if (!SelectNextRow(IsErrorRecord, false))
        notice_ = win32::FromBuiltIn("エラーの行はありません");
    UpdateStatus();
}

// From the row after (or before) the focused one, round past the end; the found row becomes the
// one selected, so that copy takes it.
bool ViewerWindow::SelectNextRow(const std::function<bool(const LOG_RECORD&)>& wanted,
                                 bool backwards) {
    const size_t count = rows_.size();
    const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    const size_t start = focused < 0 ? (backwards ? 0 : count - 1) : static_cast<size_t>(focused);
    LOG_RECORD record;
    for (size_t step = 1; step <= count; ++step) {
        const size_t row = backwards ? (start + count - step) % count : (start + step) % count;
        if (!store_.Get(rows_[row], record) || !wanted(record)) continue;
        const int item = static_cast<int>(row);
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list_, item, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list_, item, FALSE);
        return true;
    }
    return false;
}

// At the mouse, or below the focused row when the keyboard asked (Shift+F10, the menu key).
void ViewerWindow::ShowRowMenu(LPARAM at) {
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {
        RECT row{};
        const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
        if (focused < 0 || !ListView_GetItemRect(list_, focused, &row, LVIR_LABEL))
            GetClientRect(list_, &row);
        point = POINT{row.left, row.bottom};
        ClientToScreen(list_, &point);
    }
    const bool onRow = ListView_GetNextItem(list_, -1, LVNI_FOCUSED) >= 0;
    HMENU menu = CreateRowMenu();
    for (int command :
         {kCopyCommand, kFilterByFunctionCommand, kFilterBySourceCommand, kFilterByKindCommand})
        EnableMenuItem(menu, static_cast<UINT>(command), onRow ? MF_ENABLED : MF_GRAYED);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, point.x, point.y, 0, window_, nullptr);
    DestroyMenu(menu);
}

// The focused row's function or source becomes the filter's text, or its kind the filter's
// kind; the other half of the filter stays.
void ViewerWindow::FilterByFocusedRow(int command) {
    const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    LOG_RECORD record;
    if (command == kClearFilterCommand) {
        SetWindowTextW(filterEdit_, L"");
        SelectKind(RowFilter::kAllKinds);
    } else if (focused < 0 || static_cast<size_t>(focused) >= rows_.size() ||
               !store_.Get(rows_[static_cast<size_t>(focused)], record)) {
        return;
    } else if (command == kFilterByKindCommand) {
        SelectKind(record.kind);
    } else {
        const bool function = command == kFilterByFunctionCommand;
        SetWindowTextW(filterEdit_, function
                                        ? FieldText(record.function, sizeof record.function).c_str()
                                        : FieldText(record.source, sizeof record.source).c_str());
    }
    CatchUp(false);
}

}  // namespace logview
