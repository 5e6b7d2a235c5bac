#include "OpenedFiles.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>

#include "CaptureFile.h"

namespace logview {
namespace {
constexpr int kMostParts = 100000;

struct Part {
    std::wstring path;
    std::wstring first;  // folded to lower case, for comparing
    int number = 1;
};

std::wstring Folded(std::wstring text) {
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// "dir\day-3.txt" is part 3 of "dir\day.txt"; any other name is a first of its own.
Part PartOf(const std::wstring& path) {
    Part part{path, Folded(path), 1};
    const size_t slash = path.find_last_of(L"\\/");
    const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || dot < nameStart) dot = path.size();
    const size_t dash = path.find_last_of(L'-', dot);
    if (dash == std::wstring::npos || dash < nameStart || dash + 1 >= dot ||
        path[dash + 1] == L'0' || dot - dash > 6)
        return part;
    int number = 0;
    for (size_t i = dash + 1; i < dot; ++i) {
        if (!std::iswdigit(path[i])) return part;
        number = number * 10 + (path[i] - L'0');
    }
    if (number < 2 || number > kMostParts) return part;
    part.first = Folded(path.substr(0, dash) + path.substr(dot));
    part.number = number;
    return part;
}

bool LastWritten(const std::wstring& path, uint64_t& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    time = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
    return true;
}

void AppendWithParts(const std::wstring& first, std::vector<std::wstring>& files) {
    files.push_back(first);
    uint64_t previous = 0;
    if (!LastWritten(first, previous)) return;
    for (int number = 2; number <= kMostParts; ++number) {
        const std::wstring path = CapturePartPath(first, number);
        uint64_t written = 0;
        if (!LastWritten(path, written)) return;
        if (written < previous) continue;
        files.push_back(path);
        previous = written;
    }
}
}  // namespace

std::vector<std::wstring> FilesToRead(const std::vector<std::wstring>& chosen) {
    std::vector<Part> parts;
    for (const std::wstring& path : chosen) parts.push_back(PartOf(path));
    auto isChosenFirst = [&](const std::wstring& first) {
        return std::any_of(parts.begin(), parts.end(), [&](const Part& other) {
            return other.number == 1 && other.first == first;
        });
    };
    parts.erase(
        std::remove_if(parts.begin(), parts.end(),
                       [&](const Part& p) { return p.number > 1 && isChosenFirst(p.first); }),
        parts.end());
    std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
        return a.first != b.first ? a.first < b.first : a.number < b.number;
    });
    std::vector<std::wstring> files;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0 && parts[i].first == parts[i - 1].first && parts[i].number == parts[i - 1].number)
            continue;
        if (parts[i].number == 1) {
            AppendWithParts(parts[i].path, files);
        } else {
            files.push_back(parts[i].path);
        }
    }
    return files;
}

}  // namespace logview
