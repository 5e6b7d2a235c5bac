#include "support/ChildRole.h"

#include <cstring>

#include "support/TestSupport.h"

namespace testing_support {
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
}  // namespace

int DispatchChildRole(std::initializer_list<std::pair<const char*, ChildRoleFunction>> roles) {
    const std::string role = Variable(kRoleVariable);
    if (role.empty()) return 0;
    for (const auto& entry : roles) {
        if (role == entry.first) ExitProcess(static_cast<UINT>(entry.second()));
    }
    return 0;  // a role of another suite's executable cannot be asked of this one
}

std::string ChildArgument() {
    std::string hex = Variable(kArgumentVariable), bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string ChildOutPath() {
    return Variable(kOutVariable);
}

HANDLE StartChild(const std::string& role, const std::string& argument,
                  const std::string& outPath) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    SetEnvironmentVariableA(kRoleVariable, role.c_str());
    SetEnvironmentVariableA(kArgumentVariable, HexEncode(argument).c_str());
    SetEnvironmentVariableA(kOutVariable, outPath.c_str());
    HANDLE process = StartProcess("\"" + std::string(self) + "\"");
    for (const char* name : {kRoleVariable, kArgumentVariable, kOutVariable})
        SetEnvironmentVariableA(name, nullptr);
    return process;
}

unsigned long RunChild(const std::string& role, const std::string& argument,
                       const std::string& outPath) {
    return RunToExit(StartChild(role, argument, outPath));
}

}  // namespace testing_support
