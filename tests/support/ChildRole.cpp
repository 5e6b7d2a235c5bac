#include "support/ChildRole.h"

#include "support/TestSupport.h"

namespace testing_support {
namespace {
const char kRoleVariable[] = "PELMORA_TEST_CHILD_ROLE";
const char kArgumentVariable[] = "PELMORA_TEST_CHILD_ARG";

std::string Variable(const char* name) {
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return std::string(value, length < sizeof value ? length : 0);
}
}  // namespace

int DispatchChildRole(std::initializer_list<std::pair<const char*, ChildRoleFunction>> roles) {
    const std::string role = Variable(kRoleVariable);
    for (const auto& entry : roles) {
        if (role == entry.first) ExitProcess(static_cast<UINT>(entry.second()));
    }
    return 0;  // a role of another suite's executable cannot be asked of this one
}

std::string ChildArgument() {
    return Variable(kArgumentVariable);
}

win32::KernelHandle StartChild(const std::string& role, const std::string& argument) {
    SetEnvironmentVariableA(kRoleVariable, role.c_str());
    SetEnvironmentVariableA(kArgumentVariable, argument.c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    win32::KernelHandle process = StartProcess("\"" + std::string(self) + "\"");
    SetEnvironmentVariableA(kRoleVariable, nullptr);
    SetEnvironmentVariableA(kArgumentVariable, nullptr);
    return process;
}

}  // namespace testing_support
