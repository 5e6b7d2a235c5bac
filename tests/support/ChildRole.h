// Second processes for tests: the test executable starts itself in a role named in its
// environment; the role runs before the test framework starts and exits with its result.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "win32/Handle.h"

namespace testing_support {

using ChildRoleFunction = int (*)();

// From a suite's static initialiser: runs the role this process was started in, if any.
int DispatchChildRole(std::initializer_list<std::pair<const char*, ChildRoleFunction>> roles);
// Inside a role: its argument (plain ASCII: the environment passes through UTF-16).
std::string ChildArgument();
// Starts this executable in `role`: its process handle (empty if not started).
win32::KernelHandle StartChild(const std::string& role,
                               const std::string& argument = std::string());

}  // namespace testing_support
