// The viewer's menu commands and child controls. Tests drive the running viewer with these:
// WM_COMMAND with a command id, as the menu sends it, and the controls found by their ids.
#pragma once

#include <windows.h>

namespace logview {

enum Command : int {
    kOpenCommand = 101,        // ファイル > ログ ファイルを開く
    kSaveCommand = 102,        // ファイル > 名前を付けて保存 (UTF-8)
    kExitCommand = 103,        // ファイル > 終了
    kKeepSavingCommand = 104,  // ファイル > 受信したログを保存し続ける (again: stop)
    kRecentFileCommand = 110,  // ファイル > the recent files, newest first (110, 111, ...)
    kCopyCommand = 201,        // 編集 > コピー (the selected rows)
    kSelectAllCommand = 202,
    kClearCommand = 203,
    kFindCommand = 204,      // 編集 > 検索 (to the find box)
    kFindNextCommand = 205,  // 編集 > 次を検索: the next shown row holding the find box's text
    kFindPreviousCommand = 206,      // 編集 > 前を検索 (Shift+F3)
    kNextErrorCommand = 207,         // 編集 > 次のエラー (F8): the next shown error row
    kFilterByFunctionCommand = 210,  // the row's context menu: the focused row's function,
    kFilterBySourceCommand = 211,    // its source
    kFilterByKindCommand = 212,      // or its kind becomes the filter
    kClearFilterCommand = 213,
    kPauseCommand = 301,  // 表示 > 一時停止 (rows stay as they are; records are still kept)
    kDiagnoseCommand = 401,  // ツール > 接続診断
    kAboutCommand = 501      // ヘルプ > バージョン情報
};

enum Control : int {
    kFilterEdit = 1001,
    kKindCombo = 1002,
    kRowList = 1003,
    kStatusBar = 1004,
    kFindEdit = 1005
};

// The repaint timer. Its ticks catch the list up only as often as painting leaves the window
// 95% of its time for records (a slow display paints less often, never slower).
constexpr UINT_PTR kRefreshTimer = 1;
// A WM_TIMER sent with this id (never a running timer) catches the list up at once.
constexpr UINT_PTR kCatchUpNow = 2;

// The kinds offered by the kind filter, in the order of its list; -1 is all kinds.
constexpr int kKindChoices[] = {-1, 0, 1, 2, 3, 4, 99};

}  // namespace logview
