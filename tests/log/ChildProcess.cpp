#include "log/ChildProcess.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "pelmora.h"
#include "support/TestSupport.h"

namespace log_tests {
namespace {
const char kRoleVariable[] = "PELMORA_TEST_CHILD_ROLE";
const char kArgumentVariable[] = "PELMORA_TEST_CHILD_ARG";
const char kOutVariable[] = "PELMORA_TEST_CHILD_OUT";

std::string Variable(const char* name) {
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// The argument travels hex-encoded: the environment passes through UTF-16 on its way to the
// child, and multi-byte text does not always come back whole.
std::string HexEncode(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

std::string Argument() {
    std::string hex = Variable(kArgumentVariable), bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Opens the block, copies what it holds into the out file.
int ReadBlock() {
    if (!PelmSharedLogOpen()) return 10;
    LOG_RECORD record;
    BOOL read = PelmSharedLogRead(&record);
    PelmSharedLogClose();
    if (!read) return 11;
    std::string bytes(reinterpret_cast<const char*>(&record), sizeof record);
    return testing_support::WriteFileBytes(Variable(kOutVariable), bytes) ? 0 : 12;
}

// Opens the block and places a record whose message is the argument.
int WriteBlock() {
    if (!PelmSharedLogOpen()) return 20;
    LOG_RECORD record{};
    std::string message = Argument();
    std::memcpy(record.message, message.data(), message.size() < 255 ? message.size() : 255);
    std::strcpy(record.source, "child");
    record.kind = 1;
    BOOL written = PelmSharedLogWrite(&record);
    PelmSharedLogClose();
    return written ? 0 : 21;
}

// Logs one entry to a window of the parent process, named by its handle value.
int LogToWindow() {
    if (!PelmSharedLogOpen()) return 30;
    HWND window = reinterpret_cast<HWND>(
        static_cast<uintptr_t>(std::strtoull(Argument().c_str(), nullptr, 10)));
    PeLmLogWndSet(window);
    PelmLog("子プロセスから", "ChildProcess::LogToWindow", "child", 77, __DATE__, __TIME__, 1, 2,
            0);
    PeLmLogWndSet(nullptr);
    PelmSharedLogClose();
    return 0;
}

int RunRoleIfAsked() {
    std::string role = Variable(kRoleVariable);
    if (role.empty()) return 0;
    int code = role == "read-block"      ? ReadBlock()
               : role == "write-block"   ? WriteBlock()
               : role == "log-to-window" ? LogToWindow()
                                         : 99;
    ExitProcess(static_cast<UINT>(code));
}

const int kRoleDispatched = RunRoleIfAsked();
}  // namespace

unsigned long RunChild(const std::string& role, const std::string& argument,
                       const std::string& outPath) {
    (void)kRoleDispatched;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    SetEnvironmentVariableA(kRoleVariable, role.c_str());
    SetEnvironmentVariableA(kArgumentVariable, HexEncode(argument).c_str());
    SetEnvironmentVariableA(kOutVariable, outPath.c_str());
    unsigned long code = testing_support::RunProcess("\"" + std::string(self) + "\"");
    for (const char* name : {kRoleVariable, kArgumentVariable, kOutVariable})
        SetEnvironmentVariableA(name, nullptr);
    return code;
}

}  // namespace log_tests
