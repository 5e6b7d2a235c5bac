#include "ViewerWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <new>

#include "Diagnosis.h"
#include "RecordText.h"
#include "ViewerDpi.h"
#include "ViewerIds.h"
#include "ViewerMenu.h"
#include "pelmora.h"
#include "win32/Strings.h"
#include "win32/WindowText.h"

namespace logview {
namespace {
// Posted by the diagnosis thread when its ladder has finished.
constexpr UINT kDiagnosisDone = WM_APP + 1;
constexpr UINT kRefreshMs = 250;
constexpr int kStripHeight = 30;
// The share of the UI thread's time that painting leaves to the log notifications.
constexpr double kRecordShare = 0.95;

double NowSeconds() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct ColumnSpec {
    const char* title;
    int width;  // at 96 DPI
};
const ColumnSpec kColumns[] = {{"時刻", 150}, {"種類", 70},    {"メッセージ", 420},
                               {"関数", 200}, {"ソース", 110}, {"行", 50}};

HWND CreateChild(HWND parent, const wchar_t* windowClass, const std::wstring& text, DWORD style,
                 int id, DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0,
                           0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

// "1,000,000": counts in the status bar read at a glance.
std::string Grouped(uint64_t count) {
    std::string digits = std::to_string(count);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

// "12.3 MiB", "256 MiB"; under a mebibyte in KiB, so that a file that just began shows growth.
std::string ByteSize(uint64_t bytes) {
    char text[32];
    const bool small = bytes < (1 << 20);
    const double amount = static_cast<double>(bytes) / (small ? 1 << 10 : 1 << 20);
    std::snprintf(text, sizeof text, bytes % (1 << 20) == 0 && !small ? "%.0f %s" : "%.1f %s",
                  amount, small ? "KiB" : "MiB");
    return text;
}

size_t Bound(uint64_t given, uint64_t remembered, size_t fallback) {
    const uint64_t bound = given ? given : remembered ? remembered : fallback;
    return static_cast<size_t>(std::min<uint64_t>(bound, SIZE_MAX));
}

// A remembered place on a monitor since taken away would leave the window out of sight.
bool IsOnSomeMonitor(const RECT& rect) {
    return MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
}
}  // namespace

ViewerWindow::ViewerWindow(ViewerOptions options)
    : options_(std::move(options)),
      settingsPath_(options_.settingsPath.empty() ? DefaultSettingsPath() : options_.settingsPath),
      settings_(LoadSettings(settingsPath_)),
      store_(Bound(options_.maxRecords, settings_.maxRecords, RecordStore::kDefaultCapacity),
             Bound(options_.maxBytes, settings_.maxBytes, RecordStore::kDefaultMaxBytes)),
      capture_(options_.keepSavingSplitBytes ? options_.keepSavingSplitBytes
                                             : CaptureFile::kDefaultSplitBytes) {
    if (options_.maxRecords) settings_.maxRecords = options_.maxRecords;
    if (options_.maxBytes) settings_.maxBytes = options_.maxBytes;
}

bool ViewerWindow::Create(HINSTANCE instance, int show) {
    const std::wstring className = win32::ToWide(PELMORA_LOGVIEW_CLASS);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &ViewerWindow::Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className.c_str();
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    window_ =
        CreateWindowExW(0, className.c_str(), win32::FromBuiltIn("Pelmora ログ ビューア").c_str(),
                        WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 1000, 600, nullptr,
                        CreateViewerMenu(), instance, this);
    if (window_ == nullptr) return false;
    DragAcceptFiles(window_, TRUE);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window_, &placement);
    if (settings_.hasPlacement && IsOnSomeMonitor(settings_.normal)) {
        placement.rcNormalPosition = settings_.normal;
    } else {
        // The default size, at the DPI of the monitor the window starts on.
        placement.rcNormalPosition.right = placement.rcNormalPosition.left + Scaled(1000);
        placement.rcNormalPosition.bottom = placement.rcNormalPosition.top + Scaled(600);
    }
    placement.showCmd = SW_HIDE;
    SetWindowPlacement(window_, &placement);
    const bool plain = show == SW_SHOWNORMAL || show == SW_SHOWDEFAULT;
    ShowWindow(window_, settings_.maximized && plain ? SW_SHOWMAXIMIZED : show);
    UpdateWindow(window_);
    return true;
}

bool ViewerWindow::PreTranslate(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_ESCAPE) return false;
    if (message.hwnd != findEdit_ && message.hwnd != filterEdit_) return false;
    SetFocus(list_);
    return true;
}

LRESULT CALLBACK ViewerWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<ViewerWindow*>(create->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ViewerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

// Memory that cannot be had ends a command, never the viewer: what it holds stays as it was.
LRESULT ViewerWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(outOfMemory_.c_str()));
        try {
            notice_ = outOfMemory_;
        } catch (const std::bad_alloc&) {
        }
        return 0;
    }
}

LRESULT ViewerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case PELMORA_WM_LOG:
            OnLogNotification();
            return 0;
        case WM_CREATE:
            dpi_ = WindowDpi(window_);
            CreateChildren();
            ApplySettings();
            SetTimer(window_, kRefreshTimer, kRefreshMs, nullptr);
            if (!options_.openPaths.empty()) LoadFiles(options_.openPaths);
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_DPICHANGED: {
            ApplyDpi(HIWORD(wParam));
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) != list_) break;
            ShowRowMenu(lParam);
            return 0;
        case WM_DROPFILES:
            OpenDroppedFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        case kDiagnosisDone:
            diagnosing_ = false;
            EnableMenuItem(GetMenu(window_), kDiagnoseCommand, MF_ENABLED);
            UpdateStatus();
            return 0;
        case WM_DESTROY:
            RememberSettings();
            KillTimer(window_, kRefreshTimer);
            capture_.Stop();
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

// The host waits while this runs: one copy out of the shared block and into the store, and a
// row for the file when keeping saving. Filtering and painting wait for the timer. Any process
// of the session can send this message: a read that fails takes nothing from the store.
void ViewerWindow::OnLogNotification() {
    if (!PelmSharedLogRead(&received_)) return;
    store_.Add(received_);
    if (capture_.active() && !capture_.Add(received_)) KeepSavingFailed();
}

// The kept rows reach their file on every tick, four times a second.
void ViewerWindow::OnTimer(UINT_PTR id) {
    if (id != kRefreshTimer && id != kCatchUpNow) return;
    FlushKeptRecords();
    CatchUp(id == kRefreshTimer);
}

void ViewerWindow::CreateChildren() {
    filterLabel_ = CreateChild(window_, L"STATIC", win32::FromBuiltIn("絞り込み："),
                               SS_CENTERIMAGE | SS_RIGHT, 0);
    filterEdit_ = CreateChild(window_, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, kFilterEdit,
                              WS_EX_CLIENTEDGE);
    kindCombo_ = CreateChild(window_, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                             kKindCombo);
    findLabel_ =
        CreateChild(window_, L"STATIC", win32::FromBuiltIn("検索："), SS_CENTERIMAGE | SS_RIGHT, 0);
    findEdit_ = CreateChild(window_, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, kFindEdit,
                            WS_EX_CLIENTEDGE);
    for (int kind : kKindChoices) {
        std::wstring text = kind < 0 ? win32::FromBuiltIn("すべての種類") : KindText(kind);
        SendMessageW(kindCombo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageW(kindCombo_, CB_SETCURSEL, 0, 0);
    list_ = CreateChild(window_, WC_LISTVIEWW, L"",
                        LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_TABSTOP, kRowList,
                        WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    status_ = CreateChild(window_, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, kStatusBar);
    ApplyDpi(dpi_);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        std::wstring title = win32::FromBuiltIn(kColumns[i].title);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = &title[0];
        const size_t remembered = static_cast<size_t>(i);
        column.cx =
            Scaled(remembered < settings_.columnWidths.size() ? settings_.columnWidths[remembered]
                                                              : kColumns[i].width);
        // The wide message by name: the header would read UTF-16 as ANSI text otherwise.
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
    UpdateStatus();
}

int ViewerWindow::Scaled(int designPixels) const {
    return MulDiv(designPixels, static_cast<int>(dpi_), kDesignDpi);
}

// The font for the new DPI, the columns at their width for it, and the strip laid out again
// (the window's new size, when the system moves it to another monitor, comes after).
void ViewerWindow::ApplyDpi(UINT dpi) {
    const UINT before = dpi_;
    dpi_ = dpi;
    win32::FontHandle font = CreateUiFont(dpi_);
    for (HWND control :
         {filterLabel_, filterEdit_, kindCombo_, findLabel_, findEdit_, list_, status_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);
    const int columns = static_cast<int>(std::size(kColumns));
    for (int i = 0; before != dpi_ && i < columns && ListView_GetColumnWidth(list_, i) > 0; ++i)
        ListView_SetColumnWidth(list_, i,
                                MulDiv(ListView_GetColumnWidth(list_, i), static_cast<int>(dpi_),
                                       static_cast<int>(before)));
    Layout();
}

void ViewerWindow::Layout() {
    RECT client;
    GetClientRect(window_, &client);
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT statusRect;
    GetWindowRect(status_, &statusRect);
    const int statusHeight = statusRect.bottom - statusRect.top;
    const int strip = Scaled(kStripHeight);
    const int top = Scaled(4);
    const int height = strip - 2 * top;
    MoveWindow(filterLabel_, Scaled(4), top, Scaled(80), height, TRUE);
    MoveWindow(filterEdit_, Scaled(88), top, Scaled(260), height, TRUE);
    MoveWindow(kindCombo_, Scaled(356), top, Scaled(150), Scaled(200), TRUE);
    MoveWindow(findLabel_, Scaled(514), top, Scaled(60), height, TRUE);
    MoveWindow(findEdit_, Scaled(578), top, Scaled(200), height, TRUE);
    MoveWindow(list_, 0, strip, client.right,
               std::max<int>(0, client.bottom - strip - statusHeight), TRUE);
}

RowFilter ViewerWindow::FilterFromControls() const {
    const std::wstring text = win32::WindowText(filterEdit_);
    LRESULT choice = SendMessageW(kindCombo_, CB_GETCURSEL, 0, 0);
    int kind = choice >= 0 && choice < static_cast<LRESULT>(std::size(kKindChoices))
                   ? kKindChoices[choice]
                   : RowFilter::kAllKinds;
    return RowFilter(text, kind);
}

// A minimized list has no rows on its page; it follows until the user scrolls up.
bool ViewerWindow::IsFollowing() const {
    const int count = ListView_GetItemCount(list_);
    const int perPage = ListView_GetCountPerPage(list_);
    return count == 0 || perPage <= 0 || ListView_GetTopIndex(list_) + perPage >= count;
}

// The list catches up here, at most four times a second however fast records come, and less
// often when painting is slow, so that the notifications of a busy host are answered at once.
void ViewerWindow::CatchUp(bool paced) {
    const double start = NowSeconds();
    if (paced && start < nextCatchUp_) return;
    const bool following = IsFollowing();
    if (rows_.Update(store_, FilterFromControls(), paused_)) {
        const int count = static_cast<int>(rows_.size());
        ListView_SetItemCountEx(list_, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        InvalidateRect(list_, nullptr, FALSE);
        if (following && count > 0) ListView_EnsureVisible(list_, count - 1, FALSE);
    }
    UpdateStatus();
    UpdateWindow(window_);
    RedrawWindow(list_, nullptr, nullptr, RDW_UPDATENOW);
    const double end = NowSeconds();
    nextCatchUp_ = end + (end - start) * kRecordShare / (1 - kRecordShare);
}

// Both bounds show, and the memory held against the byte bound.
void ViewerWindow::UpdateStatus() {
    std::string text = "表示 " + Grouped(rows_.size()) + " 件 / 保持 " + Grouped(store_.size()) +
                       " 件 " + ByteSize(store_.bytes()) + " (上限 " + Grouped(store_.capacity()) +
                       " 件・" + ByteSize(store_.maxBytes()) + ") / 古い順に破棄 " +
                       Grouped(store_.dropped()) + " 件";
    if (paused_) text += "　一時停止中";
    if (diagnosing_) text += "　接続診断中…";
    std::wstring wide = win32::FromBuiltIn(text);
    if (capture_.active())
        wide += win32::FromBuiltIn("　保存中 ") + capture_.path() + L" (" +
                win32::FromBuiltIn(ByteSize(capture_.size())) + L")";
    if (!openedFile_.empty()) wide += L"　" + openedFile_;
    if (!openedFile_.empty() && skippedOnOpen_ > 0)
        wide += win32::FromBuiltIn(" (古い " + Grouped(skippedOnOpen_) + " 件は読み飛ばしました)");
    if (!notice_.empty()) wide += L"　" + notice_;
    if (wide == statusText_) return;
    statusText_ = wide;
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

LRESULT ViewerWindow::OnNotify(NMHDR& header) {
    if (header.hwndFrom != list_) return 0;
    if (header.code == LVN_GETDISPINFOW) {
        auto& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0)
            return 0;
        item.pszText[0] = L'\0';
        if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= rows_.size()) return 0;
        LOG_RECORD record;
        if (store_.Get(rows_[static_cast<size_t>(item.iItem)], record))
            ColumnText(record, item.iSubItem, item.pszText, item.cchTextMax);
        return 0;
    }
    if (header.code == NM_CUSTOMDRAW)
        return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    return 0;
}

// Errors stand out in red on pink; the closing entries of a call scope step back in grey.
LRESULT ViewerWindow::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    const size_t row = static_cast<size_t>(draw.nmcd.dwItemSpec);
    LOG_RECORD record;
    if (row >= rows_.size() || !store_.Get(rows_[row], record)) return CDRF_DODEFAULT;
    if (IsErrorRecord(record)) {
        draw.clrText = RGB(170, 0, 0);
        draw.clrTextBk = RGB(255, 222, 222);
    } else if (record.kind == 99) {
        draw.clrText = RGB(140, 140, 140);
    }
    return CDRF_NEWFONT;
}

void ViewerWindow::OnCommand(int id) {
    if (loading_) return;
    switch (id) {
        case kOpenCommand:
            OpenLogFile();
            break;
        case kSaveCommand:
            SaveRows();
            break;
        case kKeepSavingCommand:
            ToggleKeepSaving();
            break;
        case kExitCommand:
            DestroyWindow(window_);
            break;
        case kCopyCommand:
            CopySelectedRows();
            break;
        case kFindCommand:
            FocusFindBox();
            break;
        case kFindNextCommand:
        case kFindPreviousCommand:
            FindNext(id == kFindPreviousCommand);
            break;
        case kNextErrorCommand:
            NextError();
            break;
        case kFilterByFunctionCommand:
        case kFilterBySourceCommand:
        case kFilterByKindCommand:
        case kClearFilterCommand:
            FilterByFocusedRow(id);
            break;
        case kAboutCommand:
            MessageBoxW(window_, AboutText().c_str(), win32::FromBuiltIn("バージョン情報").c_str(),
                        MB_OK | MB_ICONINFORMATION);
            break;
        case kSelectAllCommand:
            if (EditHasFocus()) {
                SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
            } else {
                ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
            }
            break;
        case kClearCommand:
            Clear();
            break;
        case kPauseCommand:
            TogglePause();
            break;
        case kDiagnoseCommand:
            Diagnose();
            break;
        default:
            if (id >= kRecentFileCommand &&
                id < kRecentFileCommand + static_cast<int>(ViewerSettings::kMostRecentFiles))
                OpenRecentFile(static_cast<size_t>(id - kRecentFileCommand));
            break;
    }
}

void ViewerWindow::Clear() {
    store_.Clear();
    rows_.Reset();
    openedFile_.clear();
    notice_.clear();
    ListView_SetItemCountEx(list_, 0, 0);
    UpdateStatus();
}

void ViewerWindow::TogglePause() {
    paused_ = !paused_;
    CheckMenuItem(GetMenu(window_), kPauseCommand, paused_ ? MF_CHECKED : MF_UNCHECKED);
    CatchUp(false);
}

void ViewerWindow::Diagnose() {
    if (diagnosing_) return;
    diagnosing_ = StartDiagnosis(window_, kDiagnosisDone);
    if (diagnosing_) EnableMenuItem(GetMenu(window_), kDiagnoseCommand, MF_GRAYED);
    UpdateStatus();
}

}  // namespace logview
