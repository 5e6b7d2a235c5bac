// The client program's stand-in for tests and the benchmark, copied as "pmqclient.exe". It takes
// the request and answer files its command line names, as the real client does. Its script
// "fakeclient-script.txt" beside it says, a "key=value" a line: exit=N (200 when absent); answer
// body=file ("fakeclient-body.txt"), body=echo (the request's query), text=T or none; signal=NAME
// once the request is kept, then wait=NAME. Blocks between "---" lines answer the requests in
// turn, the last repeating. It keeps the requests ("fakeclient-requests.log", the last alone in
// "fakeclient-last-request.txt"), its command line and process id, and notes an overlapping copy
// in "fakeclient-overlaps.log".
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "cipher/Crypt.h"
#include "win32/Handle.h"
#include "win32/Strings.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;
using Script = std::map<std::string, std::string>;

std::string Beside(const char* name) {
    return testing_support::ExecutableDirectory() + "\\" + name;
}

void Append(const char* name, const std::string& bytes) {
    WriteFileBytes(Beside(name), ReadFileBytes(Beside(name)) + bytes);
}

Script ReadScript() {
    std::vector<Script> blocks(1);
    for (const std::string& line :
         win32::SplitLines(ReadFileBytes(Beside("fakeclient-script.txt")))) {
        const size_t equals = line.find('=');
        if (line == "---")
            blocks.emplace_back();
        else if (equals != std::string::npos)
            blocks.back()[line.substr(0, equals)] = line.substr(equals + 1);
    }
    // A single answer needs no look at the earlier requests (the benchmark's log grows long).
    if (blocks.size() == 1) return blocks[0];
    const size_t earlier =
        testing_support::RequestFields(ReadFileBytes(Beside("fakeclient-requests.log")), "url")
            .size();
    return blocks[std::min(earlier, blocks.size() - 1)];
}

win32::KernelHandle Event(const std::string& name) {
    return win32::KernelHandle(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 1234;
    win32::FileHandle busy(CreateFileA(Beside("fakeclient.busy").c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!busy) Append("fakeclient-overlaps.log", std::to_string(GetCurrentProcessId()) + "\n");
    Script script = ReadScript();
    std::string request;
    storage::CCrypt().Generate(request, ReadFileBytes(argv[1]), false);
    Append("fakeclient-requests.log", request);
    WriteFileBytes(Beside("fakeclient-last-request.txt"), request);
    WriteFileBytes(Beside("fakeclient-commandline.txt"), GetCommandLineA());
    WriteFileBytes(Beside("fakeclient-pid.txt"), std::to_string(GetCurrentProcessId()));
    if (script.count("signal")) SetEvent(Event(script["signal"]).get());
    if (script.count("wait")) WaitForSingleObject(Event(script["wait"]).get(), INFINITE);

    const std::string response = argv[2];
    if (script["body"] == "file")
        WriteFileBytes(response, ReadFileBytes(Beside("fakeclient-body.txt")));
    else if (script["body"] == "echo")
        for (const std::string& query : testing_support::RequestFields(request, "query"))
            WriteFileBytes(response, query);
    else if (script.count("text"))
        WriteFileBytes(response, script["text"]);

    busy.reset();
    script.emplace("exit", "200");
    return static_cast<int>(std::stoul(script["exit"]));
}
