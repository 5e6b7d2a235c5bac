// ヘルプ > バージョン情報: the viewer's version and that of the Pelmora.dll beside it, which is
// what a support person asks for first (a viewer copied beside another host's library shows
// that library's version).
#include <windows.h>

#include <memory>
#include <string>

#include "ViewerWindow.h"
#include "win32/ModuleFile.h"
#include "win32/Strings.h"

namespace logview {
namespace {
// "1.0.0.0" from the file's version resource; "" when it has none or cannot be read.
std::wstring FileVersion(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return std::wstring();
    std::unique_ptr<char[]> data(new char[size]);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.get()) ||
        !VerQueryValueW(data.get(), L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
        info == nullptr || infoSize < sizeof *info)
        return std::wstring();
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

std::wstring VersionLine(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return win32::FromBuiltIn("見つかりません");
    const std::wstring version = FileVersion(path);
    return version.empty() ? win32::FromBuiltIn("バージョン情報がありません")
                           : win32::FromBuiltIn("バージョン ") + version;
}
}  // namespace

std::wstring ViewerWindow::AboutText() {
    const std::wstring viewer = win32::ModuleFileName(nullptr);
    const std::wstring library = viewer.substr(0, viewer.find_last_of(L"\\/") + 1) + L"Pelmora.dll";
    return win32::FromBuiltIn("Pelmora ログ ビューア ") + VersionLine(viewer) + L"\r\n\r\n" +
           L"Pelmora.dll " + VersionLine(library) + L"\r\n" + library;
}

}  // namespace logview
