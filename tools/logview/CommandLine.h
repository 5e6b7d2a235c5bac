// PelmoraLogView.exe [/server URL] [/diagnose] [/save PATH] [/open PATH] [/keep PATH]
//                    [/maxrecords N] [/maxbytes N] [/keepsplit N] [/settings PATH] [FILE...]
// Switches start with "/" or "-" and are read in either case. An unknown switch, a switch
// without its value or a value that is no number where one is wanted is an error, never a file.
#pragma once

#include <string>
#include <vector>

#include "ViewerOptions.h"

namespace logview {

struct CommandLine {
    ViewerOptions options;
    bool showUsage = false;  // "/?"
    std::wstring error;      // what is wrong, for the user; empty when nothing is
};

// `arguments` without the program's name.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// The switches and what each does, for "/?" and below an error.
std::wstring UsageText();

}  // namespace logview
