// A running PelmoraLogView.exe driven through its real window from another process, as a user
// or a host would: menu commands as WM_COMMAND, the filter typed into its controls, and what
// it shows read back through its save command (which writes the shown rows).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/HostLogFile.h"
#include "support/TestSupport.h"

namespace logview_tests {

// One saved row: the log file's columns (the text in UTF-8), then function, source and line.
struct SavedRow : testing_support::LogLine {
    std::string function, source, line;
};

// "kind|indent|message|function|source|line" for compact expectations.
std::string Describe(const SavedRow& row);

// An entry a host logs, and its message as a saved row shows it (UTF-8).
struct Entry {
    std::string message;  // as the host passes it (Shift_JIS)
    std::string shown;
    const char* function;
    const char* source;
    int kind;
    int indent;
};

// Japanese texts (with "ソ" and "表", whose second Shift_JIS byte is a backslash), a path, a tab
// and a line feed inside messages, every kind, indents, the 255-byte limit and a message past
// it. A line feed shows as a space, and a message is cut to 255 bytes.
std::vector<Entry> KnownSequence();
// Logs each entry with its position in the list as its line number.
void LogAll(const std::vector<Entry>& entries);

class ViewerProcess {
public:
    // Starts the viewer from the test's own folder with `arguments`, and waits for its window.
    explicit ViewerProcess(const std::string& arguments = std::string());
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    HWND window() const { return window_; }
    // Returns once the viewer has handled the command.
    void Command(int id) const;
    // The filter as a user sets it: the text box and the kind list (an index of its choices).
    void SetFilter(const std::wstring& text, int kindChoice = 0) const;
    // The list catches up now instead of on its timer.
    void Refresh() const;
    // The rows the list shows now, through the save command.
    std::vector<SavedRow> ShownRows() const;
    // The same as the save command writes them (UTF-8).
    std::string SavedText() const;

private:
    LRESULT Send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) const;

    testing_support::TempDirectory directory_;
    HANDLE process_ = nullptr;
    HWND window_ = nullptr;
};

}  // namespace logview_tests
