// A fresh program directory holding the scripted client (FakeClient.cpp) as "pmqclient.exe". Given
// the setter of the library the suite tests (PeLmCurrentDirectorySet for the DLL's,
// frame::SetProgramDirectoryOverride for the internals'), it is that library's program directory
// while it lives.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "win32/Strings.h"

namespace testing_support {

// The values of the "key:" lines of request texts, in order.
inline std::vector<std::string> RequestFields(const std::string& requests, const std::string& key) {
    std::vector<std::string> values;
    for (const std::string& line : win32::SplitLines(requests)) {
        if (line.compare(0, key.size() + 1, key + ":") == 0)
            values.push_back(line.substr(key.size() + 1));
    }
    return values;
}

class ScriptedClientDirectory {
public:
    using Setter = std::function<void(const char*)>;

    explicit ScriptedClientDirectory(Setter setProgramDirectory = nullptr)
        : setProgramDirectory_(std::move(setProgramDirectory)) {
        CopyFileA((ExecutableDirectory() + "\\fakeclient.exe").c_str(),
                  File("pmqclient.exe").c_str(), FALSE);
        if (setProgramDirectory_) setProgramDirectory_(path().c_str());
    }
    ~ScriptedClientDirectory() {
        if (setProgramDirectory_) setProgramDirectory_(nullptr);
    }

    const std::string& path() const { return directory_.path(); }
    std::string File(const std::string& name) const { return directory_.File(name); }

    void Script(const std::string& lines) const {
        WriteFileBytes(File("fakeclient-script.txt"), lines);
    }
    void Answer(DWORD exitCode, const std::string& body) const {
        WriteFileBytes(File("fakeclient-body.txt"), body);
        Script("exit=" + std::to_string(exitCode) + "\nbody=file\n");
    }
    void AnswerNothing(DWORD exitCode) const { Script("exit=" + std::to_string(exitCode)); }
    void RemoveClient() const { DeleteFileA(File("pmqclient.exe").c_str()); }

    // The last request as the client decrypted it, and every request one after another.
    std::string LastRequest() const { return ReadFileBytes(File("fakeclient-last-request.txt")); }
    std::string RequestLog() const { return ReadFileBytes(File("fakeclient-requests.log")); }
    std::string OverlapLog() const { return ReadFileBytes(File("fakeclient-overlaps.log")); }

private:
    TempDirectory directory_;
    Setter setProgramDirectory_;
};

}  // namespace testing_support
