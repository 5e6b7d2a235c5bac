// A program directory for one test: a fresh temp directory holding the scripted client as
// "pmqclient.exe", the library's program directory while it lives (DLL suites also call
// PeLmCurrentDirectorySet). The script and the files the client leaves: FakeClient.cpp.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frame/Directories.h"
#include "support/TestSupport.h"
#include "win32/Strings.h"

namespace testing_support {

// The requests of a request log, each starting with its "url:" line.
inline std::vector<std::string> SplitRequests(const std::string& log) {
    std::vector<std::string> requests;
    for (size_t start = 0, next; start < log.size(); start = next) {
        next = std::min(log.find("\nurl:", start), log.size() - 1) + 1;
        requests.push_back(log.substr(start, next - start));
    }
    return requests;
}

// The value of one "key:" line of a request text.
inline std::string RequestField(const std::string& request, const std::string& key) {
    for (const std::string& line : win32::SplitLines(request)) {
        if (line.compare(0, key.size() + 1, key + ":") == 0) return line.substr(key.size() + 1);
    }
    return std::string();
}

class ScriptedClientDirectory {
public:
    ScriptedClientDirectory() {
        CopyFileA((ExecutableDirectory() + "\\fakeclient.exe").c_str(),
                  File("pmqclient.exe").c_str(), FALSE);
        frame::SetProgramDirectoryOverride(path().c_str());
    }
    ~ScriptedClientDirectory() { frame::SetProgramDirectoryOverride(nullptr); }

    const std::string& path() const { return directory_.path(); }
    std::string File(const std::string& name) const { return directory_.File(name); }

    void Script(const std::string& lines) const {
        WriteFileBytes(File("fakeclient-script.txt"), lines);
    }
    void Answer(DWORD exitCode, const std::string& body) const {
        WriteFileBytes(File("fakeclient-body.txt"), body);
        Script("exit=" + std::to_string(exitCode) + "\nbody=file\n");
    }
    // No response file.
    void AnswerNothing(DWORD exitCode) const { Script("exit=" + std::to_string(exitCode)); }
    void RemoveClient() const { DeleteFileA(File("pmqclient.exe").c_str()); }

    // The last request as the client decrypted it, and every request one after another.
    std::string LastRequest() const { return ReadFileBytes(File("fakeclient-last-request.txt")); }
    std::string RequestLog() const { return ReadFileBytes(File("fakeclient-requests.log")); }
    std::vector<std::string> Requests() const { return SplitRequests(RequestLog()); }
    std::string OverlapLog() const { return ReadFileBytes(File("fakeclient-overlaps.log")); }

private:
    TempDirectory directory_;
};

}  // namespace testing_support
