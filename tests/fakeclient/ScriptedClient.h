// A program directory for one test: a fresh temp directory holding the scripted client as
// "pmqclient.exe", made the library's program directory for the test's lifetime. Suites that
// call the DLL point it there themselves (PeLmCurrentDirectorySet).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace testing_support {

// One answer of the service as the client brings it back.
struct Answer {
    DWORD exitCode = 200;
    std::string body;  // one line
    bool hasBody = true;
};
inline Answer Alive() {
    return {200, "true"};
}
inline Answer NotAlive() {
    return {200, "false"};
}
inline Answer Accepted() {
    return {200, "<Response><Success>true</Success></Response>"};
}
inline Answer Refused(const std::string& message) {
    return {200, "<Response><Success>false</Success><Error><Message>" + message +
                     "</Message></Error></Response>"};
}
inline Answer Status(DWORD exitCode) {
    return {exitCode, "", false};
}  // no answer file

// The scripted client program as built beside the test executables.
std::string ScriptedClientProgram();
// The requests of a request log, each starting with its "url:" line.
std::vector<std::string> SplitRequests(const std::string& log);
// The value of one "key:" line of a request text.
std::string RequestField(const std::string& request, const std::string& key);

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
    // One answer per request in this order; the last one repeats.
    void Answers(const std::vector<testing_support::Answer>& answers) const;
    void RemoveClient() const { DeleteFileA(File("pmqclient.exe").c_str()); }

    // What the client decrypted from the last request, byte for byte.
    std::string LastRequest() const { return ReadFileBytes(File("fakeclient-last-request.txt")); }
    // Every request it received, one after another.
    std::string RequestLog() const { return ReadFileBytes(File("fakeclient-requests.log")); }
    std::vector<std::string> Requests() const { return SplitRequests(RequestLog()); }
    std::string OverlapLog() const { return ReadFileBytes(File("fakeclient-overlaps.log")); }

private:
    TempDirectory directory_;
};

}  // namespace testing_support
