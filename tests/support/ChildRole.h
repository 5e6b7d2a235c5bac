// Second processes for tests: the test executable starts itself in a role named in its
// environment; the role runs before the test framework starts and exits with its result.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

#include "support/TestSupport.h"

namespace testing_support {

inline const char* const kChildRoleVariable = "PELMORA_TEST_CHILD_ROLE";
inline const char* const kChildArgumentVariable = "PELMORA_TEST_CHILD_ARG";

// From a suite's static initialiser: runs the role this process was started in, if any (a role
// of another suite's executable cannot be asked of this one).
inline int DispatchChildRole(std::initializer_list<std::pair<const char*, int (*)()>> roles) {
    const char* role = std::getenv(kChildRoleVariable);
    for (const auto& entry : roles) {
        if (role != nullptr && std::strcmp(role, entry.first) == 0)
            ExitProcess(static_cast<UINT>(entry.second()));
    }
    return 0;
}

// Inside a role: its argument (plain ASCII: the environment passes through UTF-16).
inline std::string ChildArgument() {
    const char* argument = std::getenv(kChildArgumentVariable);
    return argument != nullptr ? argument : "";
}

// Starts this executable in `role`: its process handle (empty if not started).
inline win32::KernelHandle StartChild(const std::string& role,
                                      const std::string& argument = std::string()) {
    SetEnvironmentVariableA(kChildRoleVariable, role.c_str());
    SetEnvironmentVariableA(kChildArgumentVariable, argument.c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    win32::KernelHandle process = StartProcess("\"" + std::string(self) + "\"");
    SetEnvironmentVariableA(kChildRoleVariable, nullptr);
    SetEnvironmentVariableA(kChildArgumentVariable, nullptr);
    return process;
}

}  // namespace testing_support
