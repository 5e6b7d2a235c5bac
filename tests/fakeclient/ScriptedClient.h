// A program directory for one test: a fresh temp directory holding the scripted client as
// "pmqclient.exe", made the library's program directory for the test's lifetime.
#pragma once

#include <windows.h>

#include <string>

#include "support/TestSupport.h"

namespace testing_support {

class ScriptedClientDirectory {
public:
    ScriptedClientDirectory();
    ~ScriptedClientDirectory();

    const std::string& path() const { return directory_.path(); }
    std::string File(const std::string& name) const { return directory_.File(name); }

    // Writes the client's script as given ("key=value" lines).
    void Script(const std::string& lines) const;
    // The client answers `body` with exit code `exitCode`.
    void Answer(DWORD exitCode, const std::string& body) const;
    // The client exits with `exitCode` and leaves no response file.
    void AnswerNothing(DWORD exitCode) const;
    void RemoveClient() const;

    // What the client decrypted from the last request, byte for byte.
    std::string LastRequest() const;
    // Every request it received, one after another.
    std::string RequestLog() const;
    std::string OverlapLog() const;

private:
    TempDirectory directory_;
};

// The scripted client program as built beside the test executables.
std::string ScriptedClientProgram();

}  // namespace testing_support
