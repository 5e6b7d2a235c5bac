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

void ScriptedClientDirectory::RemoveClient() const {
    DeleteFileA(File("pmqclient.exe").c_str());
}

std::string ScriptedClientDirectory::LastRequest() const {
    return ReadFileBytes(File("fakeclient-last-request.txt"));
}

std::string ScriptedClientDirectory::RequestLog() const {
    return ReadFileBytes(File("fakeclient-requests.log"));
}

std::string ScriptedClientDirectory::OverlapLog() const {
    return ReadFileBytes(File("fakeclient-overlaps.log"));
}

}  // namespace testing_support
