// 編集 > 検索: the find box above the list, and F3 to the next shown row that holds its text
// (in the message, function or source; Japanese as typed, Latin letters in either case).
#include <windows.h>
#include <commctrl.h>

#include "RowFilter.h"
#include "ViewerWindow.h"
#include "win32/Strings.h"

namespace logview {

void ViewerWindow::FocusFindBox() {
    SetFocus(findEdit_);
    SendMessageW(findEdit_, EM_SETSEL, 0, -1);
}

// From the row after the focused one, round past the end; the found row becomes the one
// selected, so that copy takes it.
void ViewerWindow::FindNext() {
    const int length = GetWindowTextLengthW(findEdit_);
    if (length == 0) return FocusFindBox();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(findEdit_, &text[0], length + 1)));
    const RowFilter wanted(text, RowFilter::kAllKinds);
    const size_t count = rows_.size();
    const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    const size_t start = focused < 0 ? count - 1 : static_cast<size_t>(focused);
    LOG_RECORD record;
    for (size_t step = 1; step <= count; ++step) {
        const size_t row = (start + step) % count;
        if (!store_.Get(rows_[row], record) || !wanted.Matches(record)) continue;
        const int item = static_cast<int>(row);
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list_, item, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list_, item, FALSE);
        notice_.clear();
        UpdateStatus();
        return;
    }
    notice_ = win32::FromBuiltIn("「") + text + win32::FromBuiltIn("」は見つかりませんでした");
    UpdateStatus();
}

}  // namespace logview
