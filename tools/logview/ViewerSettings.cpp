#include "ViewerSettings.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "RecordText.h"
#include "win32/Files.h"
#include "win32/Strings.h"

namespace logview {
namespace {
constexpr size_t kMostColumns = 16;

std::wstring Joined(const std::vector<long>& numbers) {
    std::wstring text;
    for (long number : numbers) text += (text.empty() ? L"" : L",") + std::to_wstring(number);
    return text;
}

std::vector<long> Numbers(const std::wstring& text) {
    std::vector<long> numbers;
    const wchar_t* at = text.c_str();
    while (*at != L'\0' && numbers.size() < kMostColumns) {
        wchar_t* end = nullptr;
        numbers.push_back(std::wcstol(at, &end, 10));
        if (end == at) break;
        at = *end == L',' ? end + 1 : end;
    }
    return numbers;
}

// A value is one line: a line end in a pasted filter would make a line of its own.
std::wstring OneLine(std::wstring text) {
    std::replace_if(
        text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
    return text;
}

void Take(ViewerSettings& settings, const std::wstring& name, const std::wstring& value) {
    if (name == L"window") {
        const std::vector<long> n = Numbers(value);
        if (n.size() != 5 || n[2] <= n[0] || n[3] <= n[1]) return;
        settings.hasPlacement = true;
        settings.normal = RECT{n[0], n[1], n[2], n[3]};
        settings.maximized = n[4] != 0;
    } else if (name == L"columns") {
        settings.columnWidths.clear();
        for (long width : Numbers(value))
            settings.columnWidths.push_back(std::clamp(width, 0L, 4000L));
    } else if (name == L"filter") {
        settings.filterText = value;
    } else if (name == L"kind") {
        settings.kind = std::wcstol(value.c_str(), nullptr, 10);
    } else if (name == L"maxrecords") {
        settings.maxRecords = std::wcstoull(value.c_str(), nullptr, 10);
    } else if (name == L"maxbytes") {
        settings.maxBytes = std::wcstoull(value.c_str(), nullptr, 10);
    } else if (name == L"folder") {
        settings.lastFolder = value;
    } else if (name == L"recent" && !value.empty() &&
               settings.recentFiles.size() < ViewerSettings::kMostRecentFiles) {
        settings.recentFiles.push_back(value);
    }
}
}  // namespace

std::wstring DefaultSettingsPath() {
    wchar_t folder[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return std::wstring();
    return std::wstring(folder) + L"\\Torva Inc\\Pelmora\\LogView.ini";
}

ViewerSettings LoadSettings(const std::wstring& path) {
    ViewerSettings settings;
    std::string bytes;
    if (path.empty() || !win32::ReadWholeFile(path, bytes, FILE_SHARE_READ, 1 << 20))
        return settings;
    if (bytes.compare(0, 3, kSavedFileMark) == 0) bytes.erase(0, 3);
    for (const std::string& line : win32::SplitLines(bytes)) {
        const std::wstring text = win32::ToWide(line, CP_UTF8);
        const size_t equals = text.find(L'=');
        if (equals != std::wstring::npos)
            Take(settings, text.substr(0, equals), text.substr(equals + 1));
    }
    return settings;
}

bool SaveSettings(const std::wstring& path, const ViewerSettings& settings) {
    if (path.empty()) return false;
    std::wstring text;
    auto line = [&text](const wchar_t* name, const std::wstring& value) {
        text += name + (L"=" + OneLine(value)) + L"\r\n";
    };
    const RECT& r = settings.normal;
    if (settings.hasPlacement)
        line(L"window", Joined({r.left, r.top, r.right, r.bottom, settings.maximized ? 1 : 0}));
    line(L"columns",
         Joined(std::vector<long>(settings.columnWidths.begin(), settings.columnWidths.end())));
    line(L"filter", settings.filterText);
    line(L"kind", std::to_wstring(settings.kind));
    if (settings.maxRecords) line(L"maxrecords", std::to_wstring(settings.maxRecords));
    if (settings.maxBytes) line(L"maxbytes", std::to_wstring(settings.maxBytes));
    line(L"folder", settings.lastFolder);
    for (const std::wstring& file : settings.recentFiles) line(L"recent", file);
    // The folder is the library's data folder of this user; the viewer may be the first to run.
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    if (folder.size() < path.size() && !win32::PathExists(folder))
        SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return win32::ReplaceWholeFile(path, kSavedFileMark + win32::ToNarrow(text, CP_UTF8));
}

void RememberRecentFile(ViewerSettings& settings, const std::wstring& path) {
    auto& files = settings.recentFiles;
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const std::wstring& file) {
                                   return CompareStringOrdinal(file.c_str(), -1, path.c_str(), -1,
                                                               TRUE) == CSTR_EQUAL;
                               }),
                files.end());
    files.insert(files.begin(), path);
    if (files.size() > ViewerSettings::kMostRecentFiles)
        files.resize(ViewerSettings::kMostRecentFiles);
}

}  // namespace logview
