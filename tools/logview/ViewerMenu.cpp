#include "ViewerMenu.h"

#include <iterator>

#include "ViewerIds.h"
#include "win32/Strings.h"

namespace logview {
namespace {
struct Item {
    int id;  // 0 for a separator
    const char* text;
};

// Items before the recent files in the ファイル menu: three commands and a separator.
constexpr int kRecentFilesAt = 4;

HMENU Popup(std::initializer_list<Item> items) {
    HMENU popup = CreatePopupMenu();
    for (const Item& item : items) {
        if (item.id == 0) {
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.id),
                        win32::FromBuiltIn(item.text).c_str());
        }
    }
    return popup;
}

void AppendPopup(HMENU bar, HMENU popup, const char* title) {
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                win32::FromBuiltIn(title).c_str());
}
}  // namespace

// The window takes the menu and destroys it with itself.
HMENU CreateViewerMenu() {
    HMENU bar = CreateMenu();
    AppendPopup(bar,
                Popup({{kOpenCommand, "ログ ファイルを開く(&O)...\tCtrl+O"},
                       {kSaveCommand, "名前を付けて保存(&S)...\tCtrl+S"},
                       {kKeepSavingCommand, "受信したログを保存し続ける(&K)..."},
                       {0, nullptr},
                       {kExitCommand, "終了(&X)"}}),
                "ファイル(&F)");
    AppendPopup(bar,
                Popup({{kCopyCommand, "コピー(&C)\tCtrl+C"},
                       {kSelectAllCommand, "すべて選択(&A)\tCtrl+A"},
                       {0, nullptr},
                       {kFindCommand, "検索(&F)\tCtrl+F"},
                       {kFindNextCommand, "次を検索(&N)\tF3"},
                       {kFindPreviousCommand, "前を検索(&P)\tShift+F3"},
                       {kNextErrorCommand, "次のエラー(&E)\tF8"},
                       {0, nullptr},
                       {kClearCommand, "クリア(&L)\tCtrl+L"}}),
                "編集(&E)");
    AppendPopup(bar, Popup({{kPauseCommand, "一時停止(&P)\tCtrl+P"}}), "表示(&V)");
    AppendPopup(bar, Popup({{kDiagnoseCommand, "接続診断(&D)\tF5"}}), "ツール(&T)");
    AppendPopup(bar, Popup({{kAboutCommand, "バージョン情報(&A)"}}), "ヘルプ(&H)");
    return bar;
}

HMENU CreateRowMenu() {
    return Popup({{kCopyCommand, "コピー(&C)"},
                  {0, nullptr},
                  {kFilterByFunctionCommand, "この関数で絞り込む(&F)"},
                  {kFilterBySourceCommand, "このソースで絞り込む(&S)"},
                  {kFilterByKindCommand, "この種類だけ表示(&K)"},
                  {kClearFilterCommand, "絞り込みを解除(&R)"}});
}

win32::AcceleratorTable CreateViewerAccelerators() {
    ACCEL keys[] = {
        {FCONTROL | FVIRTKEY, 'O', kOpenCommand},
        {FCONTROL | FVIRTKEY, 'S', kSaveCommand},
        {FCONTROL | FVIRTKEY, 'C', kCopyCommand},
        {FCONTROL | FVIRTKEY, 'A', kSelectAllCommand},
        {FCONTROL | FVIRTKEY, 'L', kClearCommand},
        {FCONTROL | FVIRTKEY, 'P', kPauseCommand},
        {FCONTROL | FVIRTKEY, 'F', kFindCommand},
        {FVIRTKEY, VK_F3, kFindNextCommand},
        {FSHIFT | FVIRTKEY, VK_F3, kFindPreviousCommand},
        {FVIRTKEY, VK_F8, kNextErrorCommand},
        {FVIRTKEY, VK_F5, kDiagnoseCommand},
    };
    return win32::AcceleratorTable(
        CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
}

// Between the commands and 終了: the files, numbered for the keyboard, then a separator.
void ShowRecentFiles(HMENU bar, const std::vector<std::wstring>& files) {
    HMENU menu = GetSubMenu(bar, 0);
    while (GetMenuItemCount(menu) > kRecentFilesAt + 1)
        DeleteMenu(menu, kRecentFilesAt, MF_BYPOSITION);
    int at = kRecentFilesAt;
    for (size_t i = 0; i < files.size(); ++i) {
        std::wstring text = L"&" + std::to_wstring((i + 1) % 10) + L" ";
        for (wchar_t c : files[i]) text += c == L'&' ? std::wstring(L"&&") : std::wstring(1, c);
        InsertMenuW(menu, static_cast<UINT>(at++), MF_BYPOSITION | MF_STRING,
                    kRecentFileCommand + i, text.c_str());
    }
    if (!files.empty())
        InsertMenuW(menu, static_cast<UINT>(at), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

}  // namespace logview
