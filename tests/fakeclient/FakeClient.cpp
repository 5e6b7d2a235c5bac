// A scripted stand-in for the client program, used by the tests and the benchmark. Copied into
// a test's program directory as "pmqclient.exe", it does what "fakeclient-script.txt" beside it
// says, one "key=value" per line:
//   exit=N        exit code (decimal, unsigned); 200 when absent
//   body=file     answer with the bytes of "fakeclient-body.txt"
//   body=echo     answer with the request's query text
//   text=T        answer with the one-line text T
//   (no body)     leave no response file
//   signal=NAME   set the named event once the request is recorded
//   wait=NAME     then block until the named event is set
// A script of several answers separates them with "---" lines: the n-th request gets the n-th
// answer, and the last one repeats.
// Each request it finds is decrypted and recorded: appended to "fakeclient-requests.log", and
// alone in "fakeclient-last-request.txt"; its command line goes to "fakeclient-commandline.txt".
// Two copies running at once in one directory are noted in "fakeclient-overlaps.log".
#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "storage/Crypt.h"
#include "win32/Handle.h"
#include "win32/Strings.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;
using Script = std::map<std::string, std::string>;

std::string g_directory;

std::string Beside(const char* name) {
    return g_directory + "\\" + name;
}

void Append(const std::string& path, const std::string& bytes) {
    win32::FileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file)
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The answer for this request: the first block alone needs no look at earlier requests.
Script ReadScript() {
    std::vector<Script> blocks(1);
    for (const std::string& line :
         win32::SplitLines(ReadFileBytes(Beside("fakeclient-script.txt")))) {
        size_t equals = line.find('=');
        if (line == "---")
            blocks.emplace_back();
        else if (equals != std::string::npos)
            blocks.back()[line.substr(0, equals)] = line.substr(equals + 1);
    }
    if (blocks.size() == 1) return blocks[0];
    size_t earlier =
        testing_support::SplitRequests(ReadFileBytes(Beside("fakeclient-requests.log"))).size();
    return blocks[earlier < blocks.size() ? earlier : blocks.size() - 1];
}

void SignalEvent(const std::string& name) {
    win32::KernelHandle event(OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    if (event) SetEvent(event.get());
}

void WaitForEvent(const std::string& name) {
    win32::KernelHandle event(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
    if (event) WaitForSingleObject(event.get(), INFINITE);
}

}  // namespace

int main() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    g_directory = self;
    g_directory.resize(g_directory.find_last_of('\\'));

    win32::FileHandle busy(CreateFileA(Beside("fakeclient.busy").c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!busy)
        Append(Beside("fakeclient-overlaps.log"), std::to_string(GetCurrentProcessId()) + "\n");

    Script script = ReadScript();
    std::string request;
    storage::CCrypt().Generate(request, ReadFileBytes(Beside("pmqrequest.dat")), false);
    Append(Beside("fakeclient-requests.log"), request);
    WriteFileBytes(Beside("fakeclient-last-request.txt"), request);
    WriteFileBytes(Beside("fakeclient-commandline.txt"), GetCommandLineA());
    WriteFileBytes(Beside("fakeclient-pid.txt"), std::to_string(GetCurrentProcessId()));

    if (script.count("signal")) SignalEvent(script["signal"]);
    if (script.count("wait")) WaitForEvent(script["wait"]);

    const std::string response = Beside("pmqresponse.xml");
    if (script["body"] == "file")
        WriteFileBytes(response, ReadFileBytes(Beside("fakeclient-body.txt")));
    else if (script["body"] == "echo")
        WriteFileBytes(response, testing_support::RequestField(request, "query"));
    else if (script.count("text"))
        WriteFileBytes(response, script["text"]);

    busy.reset();
    return script.count("exit")
               ? static_cast<int>(std::strtoul(script["exit"].c_str(), nullptr, 10))
               : 200;
}
