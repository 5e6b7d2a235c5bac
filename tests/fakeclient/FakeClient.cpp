// A scripted stand-in for the client program, used by the tests and the benchmark. Copied into
// a test's program directory as "pmqclient.exe", it does what "fakeclient-script.txt" beside it
// says, one "key=value" per line:
//   exit=N        exit code (decimal, unsigned); 200 when absent
//   body=file     answer with the bytes of "fakeclient-body.txt"
//   body=echo     answer with the request's query text
//   (no body)     leave no response file
//   crash=1       die of an access violation instead of exiting
//   signal=NAME   set the named event once the request is recorded
//   wait=NAME     then block until the named event is set
// Each request it finds is decrypted and recorded: appended to "fakeclient-requests.log", and
// alone in "fakeclient-last-request.txt"; its command line goes to "fakeclient-commandline.txt".
// Two copies running at once in one directory are noted in "fakeclient-overlaps.log".
#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>

#include "storage/Crypt.h"
#include "support/TestSupport.h"
#include "win32/Strings.h"

namespace {

std::string g_directory;

std::string Beside(const char* name) {
    return g_directory + "\\" + name;
}

// Appends, or replaces the file when `append` is false.
void Write(const std::string& path, const std::string& bytes, bool append) {
    if (!append) {
        testing_support::WriteFileBytes(path, bytes);
        return;
    }
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::map<std::string, std::string> ReadScript() {
    std::map<std::string, std::string> script;
    std::string text = testing_support::ReadFileBytes(Beside("fakeclient-script.txt"));
    for (const std::string& line : win32::SplitLines(text)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos) script[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return script;
}

std::string QueryOf(const std::string& request) {
    size_t start = request.find("\nquery:");
    if (start == std::string::npos) return std::string();
    start += 7;
    return request.substr(start, request.find('\n', start) - start);
}

void SignalEvent(const std::string& name) {
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str());
    if (event == nullptr) return;
    SetEvent(event);
    CloseHandle(event);
}

void WaitForEvent(const std::string& name) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    if (event == nullptr) return;
    WaitForSingleObject(event, INFINITE);
    CloseHandle(event);
}

LONG WINAPI EndWithExceptionCode(EXCEPTION_POINTERS*) {
    return EXCEPTION_EXECUTE_HANDLER;
}

void Crash() {
    // Without a debugger prompt: the process ends with the exception code as its exit code,
    // as an unattended crash does.
    SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    SetUnhandledExceptionFilter(EndWithExceptionCode);
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

}  // namespace

int main() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    g_directory = self;
    g_directory.resize(g_directory.find_last_of('\\'));

    HANDLE busy = CreateFileA(Beside("fakeclient.busy").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (busy == INVALID_HANDLE_VALUE)
        Write(Beside("fakeclient-overlaps.log"), std::to_string(GetCurrentProcessId()) + "\n",
              true);

    std::map<std::string, std::string> script = ReadScript();
    std::string request;
    storage::CCrypt().Generate(request, testing_support::ReadFileBytes(Beside("pmqrequest.dat")),
                               false);
    Write(Beside("fakeclient-requests.log"), request, true);
    Write(Beside("fakeclient-last-request.txt"), request, false);
    Write(Beside("fakeclient-commandline.txt"), GetCommandLineA(), false);
    Write(Beside("fakeclient-pid.txt"), std::to_string(GetCurrentProcessId()), false);

    if (script.count("signal")) SignalEvent(script["signal"]);
    if (script.count("wait")) WaitForEvent(script["wait"]);

    if (script["body"] == "file")
        Write(Beside("pmqresponse.xml"),
              testing_support::ReadFileBytes(Beside("fakeclient-body.txt")), false);
    else if (script["body"] == "echo")
        Write(Beside("pmqresponse.xml"), QueryOf(request), false);

    if (busy != INVALID_HANDLE_VALUE) CloseHandle(busy);
    if (script["crash"] == "1") Crash();
    return script.count("exit")
               ? static_cast<int>(std::strtoul(script["exit"].c_str(), nullptr, 10))
               : 200;
}
