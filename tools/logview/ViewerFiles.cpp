// The viewer's commands that move rows in and out: open a library log file, save the shown
// rows as UTF-8, copy the selected rows to the clipboard.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "LogFileReader.h"
#include "RecordText.h"
#include "ViewerWindow.h"
#include "win32/Files.h"
#include "win32/Strings.h"

namespace logview {
namespace {
// The file dialog's filter: pairs of description and pattern, each NUL-terminated.
std::wstring DialogFilter(const char* description, const wchar_t* pattern) {
    std::wstring filter = win32::FromBuiltIn(description);
    filter.push_back(L'\0');
    filter += pattern;
    filter.push_back(L'\0');
    filter += win32::FromBuiltIn("すべてのファイル (*.*)");
    filter.push_back(L'\0');
    filter += L"*.*";
    filter.push_back(L'\0');
    return filter;
}

std::wstring AskPath(HWND owner, bool save) {
    wchar_t path[MAX_PATH] = L"";
    std::wstring filter = save ? DialogFilter("テキスト ファイル (*.txt)", L"*.txt")
                               : DialogFilter("ログ ファイル (*.log;*.txt)", L"*.log;*.txt");
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = save ? L"txt" : L"log";
    dialog.Flags =
        save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    return chosen ? std::wstring(path) : std::wstring();
}

void ShowProblem(HWND owner, const char* text) {
    MessageBoxW(owner, win32::FromBuiltIn(text).c_str(),
                win32::FromBuiltIn("Pelmora ログ ビューア").c_str(), MB_OK | MB_ICONWARNING);
}

bool PutOnClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) return false;
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, text.c_str(), bytes);
        GlobalUnlock(memory);
    }
    bool placed = false;
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        // Once placed, the clipboard owns the memory.
        placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        CloseClipboard();
    }
    if (!placed) GlobalFree(memory);
    return placed;
}
}  // namespace

void ViewerWindow::OpenLogFile() {
    std::wstring path = AskPath(window_, false);
    if (!path.empty()) LoadLogFile(path);
}

// The file's entries replace the list; records that arrive afterwards follow them.
void ViewerWindow::LoadLogFile(const std::wstring& path) {
    Clear();
    std::string bytes;
    // The host may still be writing it.
    win32::ReadWholeFile(path, bytes, FILE_SHARE_READ | FILE_SHARE_WRITE);
    for (const std::string& line : win32::SplitLines(bytes)) {
        LOG_RECORD* slot = store_.Reserve();
        if (slot != nullptr && ParseLogFileLine(line, *slot)) store_.Commit();
    }
    openedFile_ = path;
    CatchUp(false);
}

void ViewerWindow::SaveRows() {
    std::wstring path = options_.savePath.empty() ? AskPath(window_, true) : options_.savePath;
    if (path.empty()) return;
    std::string text;
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (const LOG_RECORD* record = store_.At(rows_[row]))
            text += win32::ToNarrow(RowText(*record), CP_UTF8) + "\n";
    }
    if (!win32::WriteWholeFile(path, text)) ShowProblem(window_, "ファイルを保存できませんでした");
}

void ViewerWindow::CopySelectedRows() {
    if (GetFocus() == filterEdit_) {
        SendMessageW(filterEdit_, WM_COPY, 0, 0);
        return;
    }
    std::wstring text;
    for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list_, row, LVNI_SELECTED)) {
        if (static_cast<size_t>(row) >= rows_.size()) break;
        if (const LOG_RECORD* record = store_.At(rows_[static_cast<size_t>(row)]))
            text += RowText(*record) + L"\r\n";
    }
    if (!text.empty()) PutOnClipboard(window_, text);
}

}  // namespace logview
