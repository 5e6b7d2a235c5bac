#include "fakeclient/ScriptedClient.h"

#include "frame/Directories.h"

namespace testing_support {

std::string ScriptedClientProgram() {
    return ExecutableDirectory() + "\\fakeclient.exe";
}

ScriptedClientDirectory::ScriptedClientDirectory() {
    CopyFileA(ScriptedClientProgram().c_str(), File("pmqclient.exe").c_str(), FALSE);
    frame::SetProgramDirectoryOverride(path().c_str());
}

ScriptedClientDirectory::~ScriptedClientDirectory() {
    frame::SetProgramDirectoryOverride(nullptr);
}

void ScriptedClientDirectory::Script(const std::string& lines) const {
    WriteFileBytes(File("fakeclient-script.txt"), lines);
}

void ScriptedClientDirectory::Answer(DWORD exitCode, const std::string& body) const {
    WriteFileBytes(File("fakeclient-body.txt"), body);
    Script("exit=" + std::to_string(exitCode) + "\nbody=file\n");
}

void ScriptedClientDirectory::AnswerNothing(DWORD exitCode) const {
    Script("exit=" + std::to_string(exitCode) + "\n");
}

void ScriptedClientDirectory::Answers(const std::vector<testing_support::Answer>& answers) const {
    std::string script;
    for (const testing_support::Answer& answer : answers) {
        script += (script.empty() ? "" : "---\n") + ("exit=" + std::to_string(answer.exitCode)) +
                  "\n" + (answer.hasBody ? "text=" + answer.body + "\n" : "");
    }
    Script(script);
}

std::vector<std::string> SplitRequests(const std::string& log) {
    std::vector<std::string> requests;
    for (size_t start = 0; start < log.size();) {
        size_t next = log.find("\nurl:", start);
        next = next == std::string::npos ? log.size() : next + 1;
        requests.push_back(log.substr(start, next - start));
        start = next;
    }
    return requests;
}

std::string RequestField(const std::string& request, const std::string& key) {
    const std::string marker = key + ":";
    size_t start = request.compare(0, marker.size(), marker) == 0 ? 0 : request.find("\n" + marker);
    if (start == std::string::npos) return std::string();
    start += (start == 0 ? 0 : 1) + marker.size();
    return request.substr(start, request.find('\n', start) - start);
}

}  // namespace testing_support
